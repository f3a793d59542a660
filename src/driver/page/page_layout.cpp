// Turn first, then fit: the picture's own size comes from its density (or
// --dpi) and its applied orientation; a page size stands as named or turns
// to match that picture; the picture is scaled into the room the margins
// leave and centred there. Without layout options every number comes out as
// it always did: the page is the picture, at 0 0.
#include "driver/page/page_layout.h"

// Each orientation as a mirror (left to right) and then a turn clockwise in
// quarters, and back: a turn added to a photo's own is one orientation more.
static const uint32_t MIRRORED[9] = {0, 0, 1, 0, 1, 1, 0, 1, 0};
static const uint32_t QUARTERS[9] = {0, 0, 0, 2, 2, 3, 1, 1, 3};
static const uint32_t ORIENTATION_OF[2][4] = {{1, 6, 3, 8}, {2, 7, 4, 5}};

uint32_t applied_orientation(const ImageInfo* info, const ConvertSettings* settings) {
    uint32_t own = info->orientation;
    if (!(settings->flags & CONVERT_AUTO_ORIENT) || own > 8) own = 0;
    const uint32_t turn = settings->turn & 3u;
    if (turn == 0) return own;
    return ORIENTATION_OF[MIRRORED[own]][(QUARTERS[own] + turn) & 3u];
}

// The picture's own size in points, turned.
static void own_size(const ImageInfo* info, const ConvertSettings* settings, double* width,
                     double* height) {
    double across = info->width_pt;
    double down = info->height_pt;
    if (settings->layout.dpi > 0.0) {
        across = info->width * 72.0 / settings->layout.dpi;
        down = info->height * 72.0 / settings->layout.dpi;
    }
    const int quarter = applied_orientation(info, settings) >= 5;
    *width = quarter ? down : across;
    *height = quarter ? across : down;
}

// The sheet standing as named, else turned to match the picture; a square
// picture keeps it as written.
static void sheet_size(const PageSize* sheet, double width, double height, PageLayout* layout) {
    const double shorter = sheet->width_pt < sheet->height_pt ? sheet->width_pt : sheet->height_pt;
    const double longer = sheet->width_pt < sheet->height_pt ? sheet->height_pt : sheet->width_pt;
    int landscape = sheet->width_pt > sheet->height_pt;
    if (sheet->stand == SHEET_PORTRAIT) landscape = 0;
    if (sheet->stand == SHEET_LANDSCAPE) landscape = 1;
    if (sheet->stand == SHEET_TURNS && width != height) landscape = width > height;
    layout->page_width_pt = landscape ? longer : shorter;
    layout->page_height_pt = landscape ? shorter : longer;
}

// into: as large as the room allows; fill: the room covered; shrink: into,
// but never above the picture's own size.
static double fit_scale(uint32_t fit, double width, double height, double room_width,
                        double room_height) {
    const double across = room_width / width;
    const double down = room_height / height;
    if (fit == FIT_FILL) return across > down ? across : down;
    const double into = across < down ? across : down;
    return fit == FIT_SHRINK && into > 1.0 ? 1.0 : into;
}

void page_layout(const ImageInfo* info, const ConvertSettings* settings, PageLayout* layout) {
    const LayoutSettings* asked = &settings->layout;
    const double margin = asked->margin_pt;
    double width = 0.0;
    double height = 0.0;
    own_size(info, settings, &width, &height);
    *layout = PageLayout{};
    if (asked->sheet.width_pt > 0.0) {
        sheet_size(&asked->sheet, width, height, layout);
        const double scale = fit_scale(asked->fit, width, height, layout->page_width_pt - 2.0 * margin,
                                       layout->page_height_pt - 2.0 * margin);
        width *= scale;
        height *= scale;
    } else {
        // The page grows by the margins around the picture's own size.
        layout->page_width_pt = width + 2.0 * margin;
        layout->page_height_pt = height + 2.0 * margin;
    }
    layout->clip = asked->fit == FIT_FILL;
    layout->clip_x = layout->clip_y = margin;
    layout->clip_width = layout->page_width_pt - 2.0 * margin;
    layout->clip_height = layout->page_height_pt - 2.0 * margin;
    layout->x = margin + (layout->clip_width - width) / 2.0;
    layout->y = margin + (layout->clip_height - height) / 2.0;
    layout->width = width;
    layout->height = height;
}
