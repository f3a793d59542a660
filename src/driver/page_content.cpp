// Page geometry for the eight EXIF orientations. The image is never touched:
// the matrix that places it turns and mirrors it, so the page shows it as a
// viewer that applies the orientation does.
#include "driver/page_content.h"

#include <cstdio>
#include <cstring>

#include "driver/settings.h"

// The matrix [a b c d e f] per orientation, as signs: a and b scale by the
// image's width, c and d by its height, e by the page width, f by its height.
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

static uint32_t applied_orientation(const ImageInfo* info, uint32_t convert_flags) {
    if (!(convert_flags & CONVERT_AUTO_ORIENT) || info->orientation > 8) return 0;
    return info->orientation;
}

void page_size(const ImageInfo* info, uint32_t convert_flags, double* width_pt,
               double* height_pt) {
    const int quarter = applied_orientation(info, convert_flags) >= 5;
    *width_pt = quarter ? info->height_pt : info->width_pt;
    *height_pt = quarter ? info->width_pt : info->height_pt;
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
    const int added = static_cast<int>(std::strlen(text));
    if (*length + added >= capacity) return 0;
    std::memcpy(content + *length, text, static_cast<size_t>(added) + 1);
    *length += added;
    return 1;
}

int page_content(const ImageInfo* info, uint32_t convert_flags, int image_index, char* content,
                 int capacity) {
    const int* signs = ORIENTATION_MATRIX[applied_orientation(info, convert_flags)];
    double page_width = 0.0;
    double page_height = 0.0;
    page_size(info, convert_flags, &page_width, &page_height);
    const double scales[6] = {info->width_pt, info->width_pt, info->height_pt,
                              info->height_pt, page_width,    page_height};
    if (capacity < 2) return 0;
    std::strcpy(content, "q");
    int length = 1;
    for (int i = 0; i < 6; ++i)
        if (!append_number(content, &length, capacity, signs[i] * scales[i])) return 0;
    int tail = snprintf(content + length, static_cast<size_t>(capacity - length),
                        " cm /Im%d Do Q", image_index);
    if (tail < 0 || length + tail >= capacity) return 0;
    return length + tail;
}
