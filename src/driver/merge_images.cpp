// Many JPEG files into one PDF: each image prepared as the single-file
// conversion prepares it, then written as the next page of a document that
// replaces the output only once it is complete.
#include "driver/merge_images.h"

#include "driver/page/prepare_page.h"
#include "driver/outputs/temporary_document.h"
#include "pdf/pdf_merged.h"
#include "platform/path.h"

int begin_merged_document(PdfWriter* writer, const WCHAR* output_path, WCHAR* temporary_path,
                          const ConvertSettings* settings, Failure* failure) {
    WCHAR title[PAGE_LABEL_UNITS];
    copy_label(title, output_path);
    DocumentChoices choices;
    if (!choose_document(title, settings, &choices, failure)) return 0;
    if (!is_standard_stream(output_path))
        return begin_temporary_document(writer, output_path, nullptr, &choices, temporary_path, failure);
    // -o -: standard output, written as it comes; no temporary file.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == INVALID_HANDLE_VALUE || output == nullptr) {
        note_failure(failure, FAILED_PDF, "closed");
        return 0;
    }
    if (pdf_begin_merged_on(writer, output, &choices)) return 1;
    pdf_hand_failure(writer, failure);
    return 0;
}

int add_merged_image(PdfWriter* writer, const WCHAR* input_path, const WCHAR* label, const WCHAR* outline_path,
                     const ConvertSettings* settings, Failure* failure) {
    PreparedPage prepared;
    if (!prepare_page(input_path, settings, &prepared, failure)) return 0;
    if (label != nullptr) copy_text(prepared.page.label, label, PAGE_LABEL_UNITS);
    const MergedPage page = {&prepared.page,   prepared.content,
                             input_path,       &prepared.jpeg,
                             prepared.profile, prepared.embedded_profile == nullptr,
                             prepared.creation_date, (settings->flags & CONVERT_OUTLINE) ? outline_path : nullptr};
    const int added = pdf_add_merged_page(writer, &page);
    release_page(&prepared);
    if (added) return 1;
    pdf_hand_failure(writer, failure);
    return pdf_writer_ok(writer) ? 0 : -1;
}

int end_merged_document(PdfWriter* writer, const WCHAR* output_path, const WCHAR* first_label,
                        const WCHAR* temporary_path, Failure* failure) {
    WCHAR title[PAGE_LABEL_UNITS];
    copy_label(title, output_path);
    // "-" names no document: standard output's takes its first page's name.
    if (is_standard_stream(output_path) && first_label != nullptr) copy_text(title, first_label, PAGE_LABEL_UNITS);
    const int pages = pdf_merged_page_count(writer);
    const int complete = pdf_end_merged(writer, title);
    if (pages > 0) pdf_hand_failure(writer, failure);
    if (is_standard_stream(output_path)) return complete ? 1 : pages == 0 ? 0 : -1;
    if (finish_temporary_document(complete, temporary_path, output_path, pages > 0 ? failure : nullptr)) return 1;
    return pages == 0 ? 0 : -1;
}
