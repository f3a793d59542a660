// The photo's date for --exif-date: the first EXIF segment, where scan_jpeg
// found it, read whole (at most 64 KB) and walked in memory, IFD0 to the
// EXIF IFD (tag 0x8769) to DateTimeOriginal (0x9003, "YYYY:MM:DD HH:MM:SS")
// and OffsetTimeOriginal (0x9011, "+HH:MM"). Only asked for with the option,
// so the ordinary scan stays as it is. Every offset is the file's, checked
// against the segment before it is read.
#include "jpeg/exif_date.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "jpeg/tiff.h"
#include "platform/files.h"

static const uint32_t EXIF_IFD_TAG = 0x8769;
static const uint32_t DATE_TAG = 0x9003;
static const uint32_t OFFSET_TAG = 0x9011;
static const uint32_t TIFF_ASCII = 2;

struct Tiff {
    const unsigned char* bytes;
    uint64_t size;
    int big_endian;
};

static uint32_t u16_at(const Tiff* tiff, uint64_t at) {
    return read_tiff_u16(tiff->bytes + at, tiff->big_endian);
}

static uint32_t u32_at(const Tiff* tiff, uint64_t at) {
    return read_tiff_u32(tiff->bytes + at, tiff->big_endian);
}

// The offset of the 12-byte entry of `tag` in the IFD at `ifd`, or 0.
static uint64_t find_entry(const Tiff* tiff, uint64_t ifd, uint32_t tag) {
    if (ifd < 8 || ifd + 2 > tiff->size) return 0;
    const uint32_t count = u16_at(tiff, ifd);
    for (uint64_t n = 0; n < count && ifd + 2 + 12 * (n + 1) <= tiff->size; ++n) {
        const uint64_t entry = ifd + 2 + 12 * n;
        if (u16_at(tiff, entry) == tag) return entry;
    }
    return 0;
}

// An ASCII value of at least `length` characters; null when there is none.
static const char* ascii_value(const Tiff* tiff, uint64_t entry, uint32_t length) {
    if (entry == 0 || u16_at(tiff, entry + 2) != TIFF_ASCII || u32_at(tiff, entry + 4) < length)
        return nullptr;
    const uint64_t at = length <= 4 ? entry + 8 : u32_at(tiff, entry + 8);
    if (at + length > tiff->size) return nullptr;
    return reinterpret_cast<const char*>(tiff->bytes + at);
}

// `count` decimal digits as a number within [low, high], else -1.
static int number(const char* text, int count, int low, int high) {
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value >= low && value <= high ? value : -1;
}

// Gregorian calendar: a date PDF/A's XMP accepts is one that happened.
static int days_in_month(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return days[month - 1] + (month == 2 && leap);
}

static int read_date(const char* t, ExifDate* date) {
    if (t[4] != ':' || t[7] != ':' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return 0;
    date->year = number(t, 4, 1, 9999);
    date->month = number(t + 5, 2, 1, 12);
    date->day = number(t + 8, 2, 1, 31);
    date->hour = number(t + 11, 2, 0, 23);
    date->minute = number(t + 14, 2, 0, 59);
    date->second = number(t + 17, 2, 0, 59);
    return date->year > 0 && date->month > 0 && date->day > 0 && date->hour >= 0 &&
           date->minute >= 0 && date->second >= 0 && date->day <= days_in_month(date->year, date->month);
}

static void read_offset(const char* t, ExifDate* date) {
    const int hours = number(t + 1, 2, 0, 23), minutes = number(t + 4, 2, 0, 59);
    if ((t[0] != '+' && t[0] != '-') || t[3] != ':' || hours < 0 || minutes < 0) return;
    date->has_offset = 1;
    date->offset_minutes = (t[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

int exif_date_of_segment(const unsigned char* segment, uint32_t size, ExifDate* date) {
    *date = ExifDate{};
    if (size < 14 || memcmp(segment, "Exif\0\0", 6) != 0) return 0;
    Tiff tiff = {segment + 6, size - 6u, tiff_byte_order(segment + 6)};
    if (tiff.big_endian < 0) return 0;
    const uint64_t pointer = find_entry(&tiff, u32_at(&tiff, 4), EXIF_IFD_TAG);
    if (pointer == 0) return 0;
    const uint64_t exif_ifd = u32_at(&tiff, pointer + 8);
    const char* text = ascii_value(&tiff, find_entry(&tiff, exif_ifd, DATE_TAG), 19);
    if (text == nullptr || !read_date(text, date)) return 0;
    const char* offset = ascii_value(&tiff, find_entry(&tiff, exif_ifd, OFFSET_TAG), 6);
    if (offset != nullptr) read_offset(offset, date);
    return 1;
}

int jpeg_exif_date(const OpenJpeg* jpeg, ExifDate* date) {
    *date = ExifDate{};
    const ImageInfo* info = &jpeg->info;
    if (info->exif_bytes == 0) return 0;
    unsigned char* segment = static_cast<unsigned char*>(malloc(info->exif_bytes));
    DWORD got = 0;
    const int read = segment != nullptr && set_file_position(jpeg->file, info->exif_at) &&
                     ReadFile(jpeg->file, segment, info->exif_bytes, &got, nullptr) && got == info->exif_bytes;
    // The segment is checked again ("Exif\0\0"): the file may have changed.
    const int found = read && exif_date_of_segment(segment, info->exif_bytes, date);
    free(segment);
    return found;
}
