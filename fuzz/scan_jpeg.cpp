// Fuzz target: scan_jpeg on arbitrary bytes read from a real .jpg file, once
// asking for the embedded profile and once not; both scans must agree. The
// EXIF date of --exif-date from the same file.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "fuzz_input.h"
#include "icc/icc.h"
#include "jpeg/exif_date.h"
#include "jpeg/jpeg.h"
#include "platform/files.h"

// A value no scan writes, to see whether a failed scan left `info` alone.
static ImageInfo untouched_info(void) {
    ImageInfo info;
    memset(&info, 0xA5, sizeof info);
    return info;
}

static bool same_info(const ImageInfo& a, const ImageInfo& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

// A handed-back profile is whole and safe for every icc_ operation.
static void check_profile(IccProfile* profile) {
    fuzz_require(icc_is_valid(profile) == 1, "a handed-back profile has the signature");
    fuzz_require(profile->held >= 40, "a handed-back profile holds its header");
    fuzz_require(icc_profile_size(profile) <= profile->held,
                 "a handed-back profile holds the bytes its size field names");
    int components = icc_component_count(profile);
    fuzz_require(components == 0 || components == 1 || components == 3 || components == 4,
                 "component count is 0, 1, 3 or 4");
    const WCHAR* description = icc_description(profile);
    if (description != nullptr)
        fuzz_require(fuzz_length(description) < ICC_DESCRIPTION_UNITS,
                     "a description fits its buffer");
}

// --exif-date: a date found is a real calendar date and clock time, its
// offset within a day.
static void check_exif_date(const WCHAR* path) {
    OpenJpeg jpeg;
    ExifDate date;
    const int found = open_jpeg(path, &jpeg, nullptr, nullptr) && jpeg_exif_date(&jpeg, &date);
    close_jpeg(&jpeg);
    if (!found) return;
    fuzz_require(date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
                     date.day >= 1 && date.day <= 31,
                 "the date is a calendar date");
    fuzz_require(date.hour >= 0 && date.hour <= 23 && date.minute >= 0 && date.minute <= 59 &&
                     date.second >= 0 && date.second <= 59,
                 "the time is a clock time");
    fuzz_require(date.has_offset ? date.offset_minutes > -24 * 60 && date.offset_minutes < 24 * 60
                                 : date.offset_minutes == 0,
                 "the offset is within a day");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const WCHAR* path = fuzz_write_input("input.jpg", data, size);

    static IccProfile not_set;
    ImageInfo with_profile = untouched_info();
    IccProfile* profile = &not_set;
    int found = scan_jpeg(path, &with_profile, &profile, nullptr);
    fuzz_require(profile != &not_set, "the profile place is set once the file name passed");
    if (profile != nullptr) check_profile(profile);
    free(profile);

    ImageInfo without_profile = untouched_info();
    int found_again = scan_jpeg(path, &without_profile, nullptr, nullptr);

    // The profile chunks are read or passed over; the walk lands in the same place.
    fuzz_require(found == found_again, "the scan result does not depend on the profile");
    fuzz_require(same_info(with_profile, without_profile),
                 "the image facts do not depend on the profile");
    if (found == 0) {
        fuzz_require(same_info(with_profile, untouched_info()), "a failed scan leaves info alone");
    } else {
        fuzz_require(found == 1, "success is 1");
        const ImageInfo& info = with_profile;
        fuzz_require(info.components >= 1 && info.components <= 255, "1 to 255 components");
        fuzz_require(info.width <= 65535 && info.height <= 65535, "sizes are 16-bit");
        fuzz_require(info.thumb_width <= 255 && info.thumb_height <= 255, "thumbnails are 8-bit");
        // The page geometry indexes its table of matrices with it.
        fuzz_require(info.orientation <= 8, "the orientation is 0 to 8");
        // The page size goes into the PDF with %.2f in a 256-byte buffer.
        fuzz_require(std::isfinite(info.width_pt) && std::isfinite(info.height_pt),
                     "the page size is finite");
        fuzz_require(info.width_pt >= 0 && info.width_pt < 1e7 && info.height_pt >= 0 &&
                         info.height_pt < 1e7,
                     "the page size is within seven digits");
        // Its identifier was read there; its length may run past a cut file's end.
        fuzz_require(info.exif_bytes == 0 || info.exif_at + 6 <= size,
                     "the EXIF segment starts inside the file");
        check_exif_date(path);
    }

    // Both scans closed the file: an open without sharing succeeds at once.
    HANDLE file = open_file(path, GENERIC_READ, OPEN_EXISTING);
    fuzz_require(file != INVALID_HANDLE_VALUE, "the scan released the file");
    CloseHandle(file);
    return 0;
}
