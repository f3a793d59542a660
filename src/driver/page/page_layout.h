// Where a picture goes on its page: the page's size from the layout options,
// the picture turned first (--auto-orient), then fitted and centred.
#pragma once

#include <cstdint>

#include "driver/cli/settings.h"
#include "jpeg/jpeg.h"

struct PageLayout {
    double page_width_pt;  // the MediaBox
    double page_height_pt;
    double x, y, width, height;  // the picture, turned, on the page
    int clip;                    // fill: the drawing is cut to the box inside the margins
    double clip_x, clip_y, clip_width, clip_height;
};

// The EXIF orientation the page applies: the photo's (--auto-orient), then
// turned by --rotate; 0 for none (neither asked, or not 1-8 and no turn).
uint32_t applied_orientation(const ImageInfo* info, const ConvertSettings* settings);
// Without layout options the page is the picture's own size (width and
// height swapped when the orientation turns it a quarter), all picture.
void page_layout(const ImageInfo* info, const ConvertSettings* settings, PageLayout* layout);
