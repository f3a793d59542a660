// One JPEG file to one single-page PDF: scan, choose the profile, then drive
// the writer in its fixed order (document, content stream, image, end).
#include <cstdlib>

#include "driver/driver.h"
#include "driver/page_content.h"
#include "jpeg/jpeg.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_image.h"
#include "pdf/pdf_writer.h"
#include "platform/path.h"

constexpr int CONTENT_BYTES = 256;

static const IccProfile* choose_slot(uint32_t components, const IccProfile* gray_profile,
                                     const IccProfile* rgb_profile,
                                     const IccProfile* cmyk_profile) {
    const IccProfile* slots[] = {gray_profile, rgb_profile, cmyk_profile};
    for (const IccProfile* slot : slots)
        if (slot != nullptr && static_cast<uint32_t>(icc_component_count(slot)) == components)
            return slot;
    return nullptr;
}

int scan_and_choose_profile(const WCHAR* input_path, ImageInfo* info, IccProfile** embedded_profile,
                            const IccProfile* gray_profile, const IccProfile* rgb_profile,
                            const IccProfile* cmyk_profile, const IccProfile** chosen) {
    *embedded_profile = nullptr;
    *chosen = nullptr;
    if (!scan_jpeg(input_path, info, embedded_profile)) {
        free(*embedded_profile);
        *embedded_profile = nullptr;
        return 0;
    }
    // A profile of a colour space the PDF cannot name (Lab, XYZ, ...) would be
    // written as /N 0, which no reader accepts: decide as if there were none.
    if (*embedded_profile != nullptr && icc_component_count(*embedded_profile) == 0) {
        free(*embedded_profile);
        *embedded_profile = nullptr;
    }
    *chosen = *embedded_profile;
    if (*chosen == nullptr) *chosen = choose_slot(info->components, gray_profile, rgb_profile, cmyk_profile);
    return 1;
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

int convert_image(const WCHAR* input_path, const WCHAR* output_path,
                  const IccProfile* gray_profile, const IccProfile* rgb_profile,
                  const IccProfile* cmyk_profile, uint32_t convert_flags) {
    ImageInfo info;
    IccProfile* embedded_profile;
    const IccProfile* profile;
    if (!scan_and_choose_profile(input_path, &info, &embedded_profile, gray_profile, rgb_profile,
                                 cmyk_profile, &profile))
        return 0;

    PageSpec page;
    page_size(&info, convert_flags, &page.width_pt, &page.height_pt);
    copy_label(page.label, input_path);

    DocumentSpec document;
    document.output_path = output_path;
    document.title = page.label;
    document.subject = icc_description(profile);
    document.profile = profile;
    document.font_flags = 0;
    document.page_count = 1;
    document.image_count = 1;
    document.shared_page = 1;
    document.pages = &page;

    int begun = pdf_begin_document(&document);
    free(embedded_profile);
    if (!begun) {
        // A file created before a write failed is still open: close it (nothing
        // more is written, as ok is 0). The partial file stays on disk. A
        // failed open leaves INVALID_HANDLE_VALUE here.
        if (pdf_writer.file != INVALID_HANDLE_VALUE) pdf_end_document();
        return 0;
    }

    char content[CONTENT_BYTES];
    int content_length = page_content(&info, convert_flags, 0, content, CONTENT_BYTES);
    pdf_write_stream_object("<< /Length %ld >>", content, content_length);
    pdf_write_image(input_path, 0, 0);
    return pdf_end_document();
}
