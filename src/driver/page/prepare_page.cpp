// The steps every image takes before the writer sees it: one open and scan,
// one profile choice, one page layout, each failure checked here once.
#include "driver/page/prepare_page.h"

#include <cstdlib>

#include "driver/page/archive_rules.h"
#include "driver/page/page_content.h"
#include "driver/page/profiles.h"
#include "jpeg/exif_date.h"
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
    return choose_slot(prepared->jpeg.info.components, settings);
}

static void take_creation_date(const ConvertSettings* settings, PreparedPage* prepared) {
    prepared->creation_date[0] = 0;
    ExifDate date;
    if ((settings->flags & CONVERT_EXIF_DATE) && jpeg_exif_date(&prepared->jpeg, &date))
        pdf_format_exif_date(prepared->creation_date, sizeof prepared->creation_date, &date);
}

int prepare_page(const WCHAR* input_path, const ConvertSettings* settings, PreparedPage* prepared,
                 Failure* failure) {
    prepared->embedded_profile = nullptr;
    if (!open_jpeg(input_path, &prepared->jpeg, &prepared->embedded_profile, failure)) {
        release_page(prepared);
        return 0;
    }
    const IccProfile* own = prepared->embedded_profile;
    const int unnamed_space = own != nullptr && icc_component_count(own) == 0;
    prepared->profile = choose_profile(prepared, settings);
    PageLayout layout;
    page_layout(&prepared->jpeg.info, settings, &layout);
    prepared->page.width_pt = layout.page_width_pt;
    prepared->page.height_pt = layout.page_height_pt;
    prepared->content_length = page_content(&prepared->jpeg.info, settings, &layout, 0,
                                            prepared->content, PAGE_CONTENT_BYTES);
    // A side the MediaBox would print as 0.00 makes readers show a blank Letter page.
    const char* refusal = layout.page_width_pt < 0.005 || layout.page_height_pt < 0.005
                              ? "page under 0.01 pt on a side (too few pixels for the resolution)"
                          : prepared->content_length == 0 ? "page drawing too long"
                                                          : nullptr;
    copy_label(prepared->page.label, input_path);
    if (refusal == nullptr && (settings->flags & CONVERT_PDFA))
        refusal = archive_refusal(prepared->profile, prepared->jpeg.info.components, &prepared->page,
                                  unnamed_space, settings);
    if (refusal != nullptr) {
        note_failure(failure, FAILED_INPUT, refusal);
        if (failure != nullptr && failure->reason == refusal) failure->refused = (settings->flags & CONVERT_PDFA) != 0;
        release_page(prepared);
        return 0;
    }
    take_creation_date(settings, prepared);
    return 1;
}

void release_page(PreparedPage* prepared) {
    close_jpeg(&prepared->jpeg);
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
