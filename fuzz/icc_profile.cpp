// Fuzz target: load_icc_profile on arbitrary bytes read from a real .icc file,
// then every icc_ operation, also on the raw bytes the load would refuse.
#include <cstdlib>
#include <cstring>

#include "fuzz_input.h"
#include "icc/icc.h"
#include "platform/files.h"

// Every operation on a profile of any content stays in bounds and in range.
// Returns the description's length, or -1 for none.
static long inspect(const IccProfile* profile) {
    int valid = icc_is_valid(profile);
    fuzz_require(valid == 0 || valid == 1, "icc_is_valid gives 0 or 1");
    uint32_t size = icc_profile_size(profile);
    if (valid) fuzz_require(size <= profile->held, "a valid profile holds its declared size");
    int components = icc_component_count(profile);
    fuzz_require(components == 0 || components == 1 || components == 3 || components == 4,
                 "component count is 0, 1, 3 or 4");
    const WCHAR* description = icc_description(profile);
    if (description == nullptr) return -1;
    size_t length = fuzz_length(description);
    fuzz_require(length < ICC_DESCRIPTION_UNITS, "a description fits its buffer");
    return static_cast<long>(length);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const WCHAR* path = fuzz_write_input("input.icc", data, size);
    IccProfile* profile = load_icc_profile(path, nullptr);

    // The load tests the length and the signature (and the size field, which
    // must not name more bytes than the file holds); nothing else.
    bool signed_profile = size >= 40 && memcmp(data + 36, "acsp", 4) == 0;
    if (!signed_profile) fuzz_require(profile == nullptr, "an unsigned file is refused");
    if (profile != nullptr) {
        fuzz_require(profile->held == size, "the whole file is loaded");
        fuzz_require(memcmp(icc_bytes(profile), data, size) == 0, "the bytes are kept as stored");
        fuzz_require(icc_is_valid(profile) == 1, "a loaded profile is valid");
        long length = inspect(profile);
        // The description must outlive the profile it came from.
        WCHAR kept[ICC_DESCRIPTION_UNITS] = {};
        const WCHAR* description = icc_description(profile);
        if (description != nullptr)
            memcpy(kept, description, (static_cast<size_t>(length) + 1) * sizeof(WCHAR));
        free(profile);
        if (description != nullptr)
            fuzz_require(memcmp(kept, description, (static_cast<size_t>(length) + 1) *
                                                       sizeof(WCHAR)) == 0,
                         "the description survives the profile");
    } else if (signed_profile && size >= 4) {
        uint32_t declared = static_cast<uint32_t>(data[0]) << 24 |
                            static_cast<uint32_t>(data[1]) << 16 |
                            static_cast<uint32_t>(data[2]) << 8 | static_cast<uint32_t>(data[3]);
        fuzz_require(declared > size, "a signed file is refused only for its size field");
    }

    // The file was closed: an open without sharing succeeds at once.
    HANDLE file = open_file(path, GENERIC_READ, OPEN_EXISTING);
    fuzz_require(file != INVALID_HANDLE_VALUE, "the load released the file");
    CloseHandle(file);

    // Profiles from the JPEG scanner reach the operations without the load;
    // a block of exactly these bytes shows any read past them.
    IccProfile* raw = icc_allocate(static_cast<uint32_t>(size));
    if (raw != nullptr) {
        if (size > 0) memcpy(icc_bytes(raw), data, size);
        inspect(raw);
        free(raw);
    }
    fuzz_require(inspect(nullptr) == -1 && icc_is_valid(nullptr) == 0 &&
                     icc_profile_size(nullptr) == 0 && icc_component_count(nullptr) == 0,
                 "no profile gives nothing");
    return 0;
}
