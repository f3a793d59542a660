// Many JPEG files into one PDF: each image prepared as the single-file
// conversion prepares it, then written as the next page of a document that
// replaces the output only once it is complete.
#include "driver/merge_images.h"

#include "driver/output_path.h"
#include "driver/prepare_page.h"
#include "pdf/pdf_merged.h"
#include "pdf/pdf_writer.h"
#include "platform/files.h"

constexpr int TEMPORARY_TRIES = 10000;  // the four digits of the name

// The temporary file is created only under a name no file has, so no user
// file is ever taken over; the next number is tried while the name is taken.
int begin_merged_document(const WCHAR* output_path, WCHAR* temporary_path) {
    // -o -: standard output, written as it comes; no temporary file.
    if (is_standard_stream(output_path)) return pdf_begin_merged_on(GetStdHandle(STD_OUTPUT_HANDLE));
    for (int n = 0; n < TEMPORARY_TRIES; ++n) {
        if (!make_temporary_path(output_path, n, temporary_path)) return 0;
        if (pdf_begin_merged(temporary_path)) return 1;
        if (pdf_writer_is_open()) {
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

int add_merged_image(const WCHAR* input_path, const ConvertSettings* settings) {
    PreparedPage prepared;
    if (!prepare_page(input_path, settings, &prepared)) return 0;
    int added = pdf_add_merged_page(&prepared.page, prepared.content, input_path, prepared.profile,
                                    prepared.embedded_profile == nullptr);
    release_page(&prepared);
    if (added) return 1;
    return pdf_writer_ok() ? 0 : -1;
}

int end_merged_document(const WCHAR* output_path, const WCHAR* temporary_path) {
    WCHAR title[PAGE_LABEL_UNITS];
    copy_label(title, output_path);
    int pages = pdf_merged_page_count();
    int complete = pdf_end_merged(title);
    if (is_standard_stream(output_path)) return complete ? 1 : pages == 0 ? 0 : -1;
    if (complete && replace_file(temporary_path, output_path)) return 1;
    delete_file(temporary_path);
    return pages == 0 ? 0 : -1;
}
