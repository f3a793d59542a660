// The moment a photo was taken, from its EXIF DateTimeOriginal and, when the
// camera wrote one, OffsetTimeOriginal.
#pragma once

#include <cstdint>

#include "jpeg/jpeg.h"
#include "platform/win32.h"

struct ExifDate {
    int year, month, day, hour, minute, second;
    int has_offset;
    int offset_minutes;  // east of UTC
};

// 1 with `date` filled from the first EXIF segment, which the scan found,
// read through the open photo's handle; 0 when the file has none or no readable DateTimeOriginal
// (cameras write zeros for an unset clock).
int jpeg_exif_date(const OpenJpeg* jpeg, ExifDate* date);
// The same from an EXIF segment's bytes after its length field.
int exif_date_of_segment(const unsigned char* segment, uint32_t size, ExifDate* date);
