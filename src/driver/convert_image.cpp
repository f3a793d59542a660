// One JPEG file to one single-page PDF: the prepared page, then the writer
// driven in its fixed order (document, content stream, image, end), in a
// temporary file that takes the PDF's name only once complete.
#include "driver/convert_image.h"

#include "driver/archive_rules.h"
#include "driver/prepare_page.h"
#include "driver/temporary_document.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_image.h"
#include "pdf/pdf_writer.h"

int convert_image(const WCHAR* input_path, const WCHAR* output_path, const ConvertSettings* settings,
                  Failure* failure) {
    PreparedPage prepared;
    if (!prepare_page(input_path, settings, &prepared, failure)) return 0;
    if (!use_document_settings(prepared.page.label, settings, failure)) {
        release_page(&prepared);
        return 0;
    }
    pdf_use_creation_date(prepared.creation_date);

    DocumentSpec document;
    document.title = prepared.page.label;
    document.subject = icc_description(prepared.profile);
    document.profile = prepared.profile;
    document.font_flags = 0;
    document.page_count = 1;
    document.image_count = 1;
    document.shared_page = 1;
    document.pages = &prepared.page;

    WCHAR temporary_path[PATH_BUFFER_UNITS];
    int begun = begin_temporary_document(output_path, &document, temporary_path, failure);
    release_page(&prepared);
    if (!begun) return 0;
    pdf_write_stream_object("<< /Length %ld >>", prepared.content, prepared.content_length);
    pdf_write_image(input_path, 0, 0);
    const int complete = pdf_end_document();
    pdf_hand_failure(failure);
    return finish_temporary_document(complete, temporary_path, output_path, failure);
}
