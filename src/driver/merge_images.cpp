// Many JPEG files into one PDF: each image scanned and given its profile as
// the single-file conversion would, then written as the next page of a
// document that replaces the output only once it is complete.
#include <cstdio>
#include <cstdlib>

#include "driver/driver.h"
#include "driver/page_content.h"
#include "jpeg/jpeg.h"
#include "pdf/pdf_merged.h"
#include "pdf/pdf_writer.h"
#include "platform/files.h"
#include "platform/path.h"

constexpr int CONTENT_BYTES = 256;
constexpr int TEMPORARY_TRIES = 10000;  // the four digits of the name

int make_temporary_path(const WCHAR* output_path, int number, WCHAR* temporary_path) {
    const WCHAR* name = path_file_name(output_path);
    int folder = static_cast<int>(name - output_path);
    char ascii[TEMPORARY_NAME_UNITS + 8];
    int length = snprintf(ascii, sizeof ascii, "~kestrel-%04d.tmp", number);
    if (number < 0 || length != TEMPORARY_NAME_UNITS - 1 || folder + TEMPORARY_NAME_UNITS > PATH_BUFFER_UNITS)
        return 0;
    for (int i = 0; i < folder; ++i) temporary_path[i] = output_path[i];
    for (int i = 0; i < TEMPORARY_NAME_UNITS; ++i)
        temporary_path[folder + i] = static_cast<WCHAR>(ascii[i]);
    return 1;
}

// The temporary file is created only under a name no file has, so no user
// file is ever taken over; the next number is tried while the name is taken.
int begin_merged_document(const WCHAR* output_path, WCHAR* temporary_path) {
    for (int n = 0; n < TEMPORARY_TRIES; ++n) {
        if (!make_temporary_path(output_path, n, temporary_path)) return 0;
        if (pdf_begin_merged(temporary_path)) return 1;
        if (pdf_writer.file != INVALID_HANDLE_VALUE) {
            // Created, then the header failed: nothing of it may stay.
            pdf_end_merged(nullptr);
            delete_file(temporary_path);
            return 0;
        }
        // Not created although the name is free: the folder refuses it.
        if (GetFileAttributesW(temporary_path) == INVALID_FILE_ATTRIBUTES) return 0;
    }
    return 0;
}

int add_merged_image(const WCHAR* input_path, const IccProfile* gray_profile,
                     const IccProfile* rgb_profile, const IccProfile* cmyk_profile,
                     uint32_t convert_flags) {
    ImageInfo info;
    IccProfile* embedded_profile;
    const IccProfile* profile;
    if (!scan_and_choose_profile(input_path, &info, &embedded_profile, gray_profile, rgb_profile,
                                 cmyk_profile, &profile))
        return 0;

    PageSpec page;
    char content[CONTENT_BYTES];
    // The page as the single-file conversion makes it.
    page_size(&info, convert_flags, &page.width_pt, &page.height_pt);
    if (page_content(&info, convert_flags, 0, content, CONTENT_BYTES) == 0) {
        free(embedded_profile);
        return 0;
    }
    copy_label(page.label, input_path);
    int added = pdf_add_merged_page(&page, content, input_path, profile, embedded_profile == nullptr);
    free(embedded_profile);
    if (added) return 1;
    return pdf_writer.ok ? 0 : -1;
}

int end_merged_document(const WCHAR* output_path, const WCHAR* temporary_path) {
    WCHAR title[PAGE_LABEL_UNITS];
    copy_label(title, output_path);
    int pages = pdf_merged_page_count();
    int complete = pdf_end_merged(title);
    if (complete && replace_file(temporary_path, output_path)) return 1;
    delete_file(temporary_path);
    return pages == 0 ? 0 : -1;
}
