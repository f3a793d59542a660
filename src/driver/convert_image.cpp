// One JPEG file to one single-page PDF: the prepared page, then the writer
// driven in its fixed order (document, content stream, image, end), in a
// temporary file that takes the PDF's name only once complete.
#include "driver/convert_image.h"

#include <cstdio>

#include "driver/page/prepare_page.h"
#include "driver/outputs/temporary_document.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_image.h"
#include "platform/files.h"

int write_image_document(PdfWriter* writer, const WCHAR* input_path, const WCHAR* output_path,
                         const ConvertSettings* settings, WCHAR* temporary_path, Failure* failure) {
    PreparedPage prepared;
    if (!prepare_page(input_path, settings, &prepared, failure)) return 0;
    DocumentSpec document;
    if (!choose_document(prepared.page.label, settings, &document.choices, failure)) {
        release_page(&prepared);
        return 0;
    }
    snprintf(document.choices.creation_date, sizeof document.choices.creation_date, "%s", prepared.creation_date);
    document.title = prepared.page.label;
    document.subject = icc_description(prepared.profile);
    document.profile = prepared.profile;
    document.font_flags = 0;
    document.page_count = 1;
    document.image_count = 1;
    document.shared_page = 1;
    document.pages = &prepared.page;

    int complete = begin_temporary_document(writer, output_path, &document, nullptr, temporary_path, failure);
    if (complete) {
        pdf_write_stream_object(writer, "<< /Length %ld >>", prepared.content, prepared.content_length);
        pdf_write_image(writer, input_path, &prepared.jpeg, 0, 0);
        complete = pdf_end_document(writer);
        pdf_hand_failure(writer, failure);
        if (!complete) delete_file(temporary_path);
    }
    release_page(&prepared);
    return complete;
}

int convert_image(PdfWriter* writer, const WCHAR* input_path, const WCHAR* output_path,
                  const ConvertSettings* settings, Failure* failure) {
    WCHAR temporary_path[PATH_BUFFER_UNITS];
    if (!write_image_document(writer, input_path, output_path, settings, temporary_path, failure)) return 0;
    return finish_temporary_document(1, temporary_path, output_path, failure);
}
