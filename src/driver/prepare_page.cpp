// The steps every image takes before the writer sees it: one scan, one
// profile choice, one page layout, each failure checked here once.
#include "driver/prepare_page.h"

#include <cstdlib>

#include "driver/page_content.h"
#include "driver/profiles.h"
#include "platform/path.h"

// The embedded profile unless its colour space is none a PDF can name, else
// the first slot of the image's component count, else none.
static const IccProfile* choose_profile(PreparedPage* prepared, const ConvertSettings* settings) {
    // A Lab or XYZ profile would be written as /N 0, which no reader
    // accepts: decide as if there were none.
    if (prepared->embedded_profile != nullptr && icc_component_count(prepared->embedded_profile) == 0) {
        free(prepared->embedded_profile);
        prepared->embedded_profile = nullptr;
    }
    if (prepared->embedded_profile != nullptr) return prepared->embedded_profile;
    return choose_slot(prepared->info.components, settings);
}

int prepare_page(const WCHAR* input_path, const ConvertSettings* settings, PreparedPage* prepared) {
    prepared->embedded_profile = nullptr;
    if (!scan_jpeg(input_path, &prepared->info, &prepared->embedded_profile)) {
        release_page(prepared);
        return 0;
    }
    prepared->profile = choose_profile(prepared, settings);
    PageLayout layout;
    page_layout(&prepared->info, settings, &layout);
    prepared->page.width_pt = layout.page_width_pt;
    prepared->page.height_pt = layout.page_height_pt;
    prepared->content_length = page_content(&prepared->info, settings->flags, &layout, 0,
                                            prepared->content, PAGE_CONTENT_BYTES);
    if (prepared->content_length == 0) {
        release_page(prepared);
        return 0;
    }
    copy_label(prepared->page.label, input_path);
    return 1;
}

void release_page(PreparedPage* prepared) {
    free(prepared->embedded_profile);
    prepared->embedded_profile = nullptr;
}

void copy_label(WCHAR* label, const WCHAR* path) {
    const WCHAR* name = path_file_name(path);
    int length = 0;
    while (name[length] != 0 && length < PAGE_LABEL_UNITS - 1) {
        label[length] = name[length];
        ++length;
    }
    label[length] = 0;
    name_as_shown(label);
}
