// TIFF numbers, as an EXIF segment holds them, in the byte order its header names.
#pragma once

#include <cstdint>
#include <cstring>

// 1 for a big-endian header ("MM"), 0 for a little-endian one ("II"), -1 for
// four bytes that are no TIFF header.
inline int tiff_byte_order(const unsigned char* header) {
    if (memcmp(header, "MM\0*", 4) == 0) return 1;
    return memcmp(header, "II*\0", 4) == 0 ? 0 : -1;
}

inline uint32_t read_tiff_u16(const unsigned char* bytes, int big_endian) {
    return big_endian ? uint32_t{bytes[0]} << 8 | bytes[1] : uint32_t{bytes[1]} << 8 | bytes[0];
}

inline uint32_t read_tiff_u32(const unsigned char* bytes, int big_endian) {
    return big_endian ? read_tiff_u16(bytes, 1) << 16 | read_tiff_u16(bytes + 2, 1)
                      : read_tiff_u16(bytes + 2, 0) << 16 | read_tiff_u16(bytes, 0);
}
