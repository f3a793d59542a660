// The page of one image: its size and the content stream that draws the image
// on it, turned as its EXIF orientation says when the caller asks for it.
#pragma once

#include <cstdint>

#include "jpeg/jpeg.h"

// The page size in points: the image's, width and height swapped when the
// orientation applied turns it a quarter.
void page_size(const ImageInfo* info, uint32_t convert_flags, double* width_pt,
               double* height_pt);
// "q a b c d e f cm /ImN Do Q" drawing image `image_index` over the whole page
// of page_size; its length, or 0 when it does not fit `capacity` bytes.
int page_content(const ImageInfo* info, uint32_t convert_flags, int image_index, char* content,
                 int capacity);
