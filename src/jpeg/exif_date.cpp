// The photo's date for --exif-date: the first APP1 segment that starts
// "Exif\0\0" read whole (at most 64 KB) and walked in memory, IFD0 to the
// EXIF IFD (tag 0x8769) to DateTimeOriginal (0x9003, "YYYY:MM:DD HH:MM:SS")
// and OffsetTimeOriginal (0x9011, "+HH:MM"). Only asked for with the option,
// so the ordinary scan stays as it is. Every offset is the file's, checked
// against the segment before it is read.
#include "jpeg/exif_date.h"

#include <cstdint>
#include <cstring>

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
    const unsigned char* b = tiff->bytes + at;
    return tiff->big_endian ? uint32_t{b[0]} << 8 | b[1] : uint32_t{b[1]} << 8 | b[0];
}

static uint32_t u32_at(const Tiff* tiff, uint64_t at) {
    return tiff->big_endian ? u16_at(tiff, at) << 16 | u16_at(tiff, at + 2)
                            : u16_at(tiff, at + 2) << 16 | u16_at(tiff, at);
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

static int read_date(const char* t, ExifDate* date) {
    if (t[4] != ':' || t[7] != ':' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return 0;
    date->year = number(t, 4, 1, 9999);
    date->month = number(t + 5, 2, 1, 12);
    date->day = number(t + 8, 2, 1, 31);
    date->hour = number(t + 11, 2, 0, 23);
    date->minute = number(t + 14, 2, 0, 59);
    date->second = number(t + 17, 2, 0, 59);
    return date->year > 0 && date->month > 0 && date->day > 0 && date->hour >= 0 &&
           date->minute >= 0 && date->second >= 0;
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
    Tiff tiff = {segment + 6, size - 6u, 0};
    if (memcmp(tiff.bytes, "MM\0*", 4) == 0)
        tiff.big_endian = 1;
    else if (memcmp(tiff.bytes, "II*\0", 4) != 0)
        return 0;
    const uint64_t pointer = find_entry(&tiff, u32_at(&tiff, 4), EXIF_IFD_TAG);
    if (pointer == 0) return 0;
    const uint64_t exif_ifd = u32_at(&tiff, pointer + 8);
    const char* text = ascii_value(&tiff, find_entry(&tiff, exif_ifd, DATE_TAG), 19);
    if (text == nullptr || !read_date(text, date)) return 0;
    const char* offset = ascii_value(&tiff, find_entry(&tiff, exif_ifd, OFFSET_TAG), 6);
    if (offset != nullptr) read_offset(offset, date);
    return 1;
}

static int read_bytes(HANDLE file, void* buffer, DWORD count) {
    DWORD read = 0;
    return ReadFile(file, buffer, count, &read, nullptr) && read == count;
}

// Marker by marker from the start of image to the first EXIF segment; the
// segment's bytes after its length field go to `segment`. Its size, or 0.
static uint32_t read_exif_segment(HANDLE file, unsigned char* segment) {
    // The start of image where scan_jpeg finds it: a pair 0xFF x is taken
    // whole, so 0xFF 0xFF 0xD8 does not count.
    unsigned char pair[2];
    do {
        if (!read_bytes(file, pair, 1)) return 0;
        if (pair[0] == 0xFF && !read_bytes(file, pair + 1, 1)) return 0;
    } while (pair[0] != 0xFF || pair[1] != 0xD8);
    for (;;) {
        if (!read_bytes(file, pair, 2) || pair[0] != 0xFF) return 0;
        while (pair[1] == 0xFF)
            if (!read_bytes(file, &pair[1], 1)) return 0;
        if (pair[1] == 0xD9 || pair[1] == 0xDA) return 0;
        if (pair[1] == 0x01 || (pair[1] >= 0xD0 && pair[1] <= 0xD7)) continue;
        unsigned char length_field[2];
        if (!read_bytes(file, length_field, 2)) return 0;
        const uint32_t length = (uint32_t{length_field[0]} << 8 | length_field[1]);
        if (length < 2) return 0;
        if (!read_bytes(file, segment, length - 2)) return 0;
        if (pair[1] == 0xE1 && length - 2 >= 6 && memcmp(segment, "Exif\0\0", 6) == 0)
            return length - 2;
    }
}

int jpeg_exif_date(const WCHAR* path, ExifDate* date) {
    *date = ExifDate{};
    HANDLE file = open_file(path, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return 0;
    static unsigned char segment[65535];
    const uint32_t size = read_exif_segment(file, segment);
    CloseHandle(file);
    return size != 0 && exif_date_of_segment(segment, size, date);
}
