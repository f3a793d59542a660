// The content stream of one page: the unchanged image drawn where its layout
// puts it, turned and mirrored as its applied EXIF orientation says.
#pragma once

#include <cstdint>

#include "driver/page/page_layout.h"
#include "jpeg/jpeg.h"

// "q [x y w h re W n] a b c d e f cm /ImN Do Q" drawing image `image_index`;
// its length, or 0 when it does not fit `capacity` bytes.
int page_content(const ImageInfo* info, const ConvertSettings* settings, const PageLayout* layout,
                 int image_index, char* content, int capacity);
