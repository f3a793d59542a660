// ICC profiles: the one-block profile record, loading a profile file, and the
// few fields read from it. Every offset inside a profile comes from untrusted
// bytes, so each read is checked against the bytes actually held.
#include "icc/icc.h"

#include <cstdlib>
#include <cstring>

#include "platform/files.h"

// Where icc_description leaves its text; outlives the profile it came from,
// one per thread.
static thread_local WCHAR icc_description_buffer[ICC_DESCRIPTION_UNITS];

// Bytes of a description converted at most. No ANSI code page spends more than
// three bytes on one UTF-16 unit, so this prefix still yields far more than
// the 255 units kept even when the cut splits a character at its end.
static const int DESCRIPTION_PREFIX_BYTES = 4 * ICC_DESCRIPTION_UNITS;

// Big-endian 32-bit field at `offset`; the caller has checked it lies inside.
static uint32_t read_u32(const unsigned char* bytes, uint64_t offset) {
    uint32_t value;
    memcpy(&value, bytes + offset, sizeof value);
    return ntohl(value);
}

IccProfile* icc_allocate(uint32_t size) {
    size_t total = sizeof(IccProfile) + static_cast<size_t>(size);
    if (total < sizeof(IccProfile)) return nullptr;  // wrapped: a 32-bit size_t
    IccProfile* profile = static_cast<IccProfile*>(calloc(1, total));
    if (profile == nullptr) return nullptr;
    profile->held = size;
    return profile;
}

unsigned char* icc_bytes(IccProfile* profile) {
    return reinterpret_cast<unsigned char*>(profile + 1);
}

const unsigned char* icc_bytes(const IccProfile* profile) {
    return reinterpret_cast<const unsigned char*>(profile + 1);
}

IccProfile* load_icc_profile(const WCHAR* path, Failure* failure) {
    HANDLE file = open_file(path, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        note_last_error(failure, FAILED_INPUT);
        return nullptr;
    }

    IccProfile* profile = nullptr;
    DWORD size_high = 0;
    DWORD size = GetFileSize(file, &size_high);
    // INVALID_FILE_SIZE is also a real size; no profile comes near it.
    if (size_high == 0 && size != INVALID_FILE_SIZE) profile = icc_allocate(size);
    if (profile != nullptr) {
        DWORD read = 0;
        if (!ReadFile(file, icc_bytes(profile), size, &read, nullptr) || !icc_is_valid(profile)) {
            free(profile);
            profile = nullptr;
        }
    }
    CloseHandle(file);
    if (profile == nullptr) note_failure(failure, FAILED_INPUT, "not an ICC profile");
    return profile;
}

// Bytes 36-39 hold "acsp", and the size field names no more bytes than are
// held, since that many bytes get embedded in a PDF.
int icc_is_valid(const IccProfile* profile) {
    if (profile == nullptr || profile->held < 40) return 0;
    const unsigned char* bytes = icc_bytes(profile);
    if (memcmp(bytes + 36, "acsp", 4) != 0) return 0;
    return read_u32(bytes, 0) <= profile->held ? 1 : 0;
}

// Bytes 0-3: the profile's size as it declares it.
uint32_t icc_profile_size(const IccProfile* profile) {
    if (profile == nullptr || profile->held < 4) return 0;
    return read_u32(icc_bytes(profile), 0);
}

// Bytes 16-19: the data colour space; only gray, RGB and CMYK are of use.
int icc_component_count(const IccProfile* profile) {
    if (profile == nullptr || profile->held < 20) return 0;
    const unsigned char* space = icc_bytes(profile) + 16;
    if (memcmp(space, "GRAY", 4) == 0) return 1;
    if (memcmp(space, "RGB ", 4) == 0) return 3;
    if (memcmp(space, "CMYK", 4) == 0) return 4;
    return 0;
}

int icc_major_version(const IccProfile* profile) {
    if (profile == nullptr || profile->held < 9) return 0;
    return icc_bytes(profile)[8];
}

// Offset of the first "desc" tag's text (its data + 12), or 0 when there is
// none or its entry lies partly outside the held bytes.
static uint64_t find_description_text(const IccProfile* profile) {
    const uint64_t held = profile->held;
    if (held < 132) return 0;
    const unsigned char* bytes = icc_bytes(profile);
    // 128-131 tag count, then 12-byte entries: signature, offset, size.
    uint32_t tag_count = read_u32(bytes, 128);
    for (uint64_t k = 0; k < tag_count; ++k) {
        uint64_t entry = 132 + 12 * k;
        if (entry + 12 > held) return 0;
        if (memcmp(bytes + entry, "desc", 4) == 0) return uint64_t{read_u32(bytes, entry + 4)} + 12;
    }
    return 0;
}

const WCHAR* icc_description(const IccProfile* profile) {
    if (profile == nullptr) return nullptr;
    uint64_t start = find_description_text(profile);
    if (start == 0 || start >= profile->held) return nullptr;
    const char* text = reinterpret_cast<const char*>(icc_bytes(profile)) + start;
    const void* end = memchr(text, 0, static_cast<size_t>(profile->held - start));
    if (end == nullptr) return nullptr;
    size_t length = static_cast<size_t>(static_cast<const char*>(end) - text);

    int source_bytes = length < static_cast<size_t>(DESCRIPTION_PREFIX_BYTES)
                           ? static_cast<int>(length)
                           : DESCRIPTION_PREFIX_BYTES;
    // A unit never takes less than one byte, so this holds the whole prefix.
    WCHAR converted[DESCRIPTION_PREFIX_BYTES];
    int units = 0;
    if (source_bytes > 0)
        units = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, source_bytes, converted,
                                    DESCRIPTION_PREFIX_BYTES);
    if (units >= ICC_DESCRIPTION_UNITS) {
        units = ICC_DESCRIPTION_UNITS - 1;
        // Never keep the first half of a surrogate pair without its second.
        if (converted[units - 1] >= 0xD800 && converted[units - 1] <= 0xDBFF) --units;
    }
    if (units < 0) units = 0;
    memcpy(icc_description_buffer, converted, static_cast<size_t>(units) * sizeof(WCHAR));
    icc_description_buffer[units] = 0;
    return icc_description_buffer;
}
