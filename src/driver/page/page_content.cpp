// The content stream for the eight EXIF orientations. The image is never
// touched: the matrix that places it turns and mirrors it, so the page shows
// it as a viewer that applies the orientation does, and `fill`'s overflow is
// cut by a clipping path, not by cropping the JPEG.
#include "driver/page/page_content.h"

#include <cstdio>
#include <cstring>

#include "driver/cli/settings.h"

// The matrix [a b c d e f] per orientation, as signs: a and b scale by the
// image's drawn width, c and d by its height, e by the width of the box it
// is drawn in, f by that box's height.
// The image's unit square lands on the page with its first row where a viewer
// shows it.
static const int ORIENTATION_MATRIX[9][6] = {
    {1, 0, 0, 1, 0, 0},    // 0: none given, as 1
    {1, 0, 0, 1, 0, 0},    // 1: as stored
    {-1, 0, 0, 1, 1, 0},   // 2: mirrored left to right
    {-1, 0, 0, -1, 1, 1},  // 3: turned half way
    {1, 0, 0, -1, 0, 1},   // 4: mirrored top to bottom
    {0, -1, -1, 0, 1, 1},  // 5: mirrored across the top-left diagonal
    {0, -1, 1, 0, 0, 1},   // 6: turned a quarter clockwise
    {0, 1, 1, 0, 0, 0},    // 7: mirrored across the top-right diagonal
    {0, 1, -1, 0, 1, 0},   // 8: turned a quarter counter-clockwise
};

// Appends `text`; 0 when it does not fit.
static int append_text(char* content, int* length, int capacity, const char* text) {
    const int added = static_cast<int>(std::strlen(text));
    if (*length + added >= capacity) return 0;
    std::memcpy(content + *length, text, static_cast<size_t>(added) + 1);
    *length += added;
    return 1;
}

// Appends one number: 0 exactly as "0", as the unturned stream always had it;
// anything else with two decimals. 0 when it does not fit.
static int append_number(char* content, int* length, int capacity, double value) {
    char text[48];
    if (value == 0.0) {
        std::strcpy(text, " 0");
    } else {
        snprintf(text, sizeof text, " %.2f", value);
        // A mirrored image a hundredth of a point wide: no negative zero.
        if (std::strcmp(text, " -0.00") == 0) std::strcpy(text, " 0.00");
    }
    return append_text(content, length, capacity, text);
}

int page_content(const ImageInfo* info, const ConvertSettings* settings, const PageLayout* layout,
                 int image_index, char* content, int capacity) {
    const uint32_t orientation = applied_orientation(info, settings);
    const int* signs = ORIENTATION_MATRIX[orientation];
    // The image as stored is the turned box's other way round after a quarter turn.
    const double image_width = orientation >= 5 ? layout->height : layout->width;
    const double image_height = orientation >= 5 ? layout->width : layout->height;
    const double scales[6] = {image_width, image_width, image_height, image_height, layout->width, layout->height};
    const double offsets[6] = {0.0, 0.0, 0.0, 0.0, layout->x, layout->y};
    const double clip[4] = {layout->clip_x, layout->clip_y, layout->clip_width, layout->clip_height};
    if (capacity < 2) return 0;
    std::strcpy(content, "q");
    int length = 1;
    for (int i = 0; layout->clip && i < 4; ++i)
        if (!append_number(content, &length, capacity, clip[i])) return 0;
    if (layout->clip && !append_text(content, &length, capacity, " re W n")) return 0;
    for (int i = 0; i < 6; ++i)
        if (!append_number(content, &length, capacity, offsets[i] + signs[i] * scales[i])) return 0;
    char tail[32];
    snprintf(tail, sizeof tail, " cm /Im%d Do Q", image_index);
    return append_text(content, &length, capacity, tail) ? length : 0;
}
