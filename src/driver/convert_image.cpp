// One JPEG file to one single-page PDF: the prepared page, then the writer
// driven in its fixed order (document, content stream, image, end), in a
// temporary file that takes the PDF's name only once complete.
#include "driver/convert_image.h"

#include "driver/prepare_page.h"
#include "driver/temporary_document.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_image.h"
#include "pdf/pdf_writer.h"

int convert_image(const WCHAR* input_path, const WCHAR* output_path, const ConvertSettings* settings) {
    PreparedPage prepared;
    if (!prepare_page(input_path, settings, &prepared)) return 0;

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
    int begun = begin_temporary_document(output_path, &document, temporary_path);
    release_page(&prepared);
    if (!begun) return 0;
    pdf_write_stream_object("<< /Length %ld >>", prepared.content, prepared.content_length);
    pdf_write_image(input_path, 0, 0);
    return finish_temporary_document(pdf_end_document(), temporary_path, output_path);
}
