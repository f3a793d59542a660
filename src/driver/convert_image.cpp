// One JPEG file to one single-page PDF: the prepared page, then the writer
// driven in its fixed order (document, content stream, image, end).
#include "driver/convert_image.h"

#include "driver/prepare_page.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_image.h"
#include "pdf/pdf_writer.h"

int convert_image(const WCHAR* input_path, const WCHAR* output_path, const ConvertSettings* settings) {
    PreparedPage prepared;
    if (!prepare_page(input_path, settings, &prepared)) return 0;

    DocumentSpec document;
    document.output_path = output_path;
    document.title = prepared.page.label;
    document.subject = icc_description(prepared.profile);
    document.profile = prepared.profile;
    document.font_flags = 0;
    document.page_count = 1;
    document.image_count = 1;
    document.shared_page = 1;
    document.pages = &prepared.page;

    int begun = pdf_begin_document(&document);
    release_page(&prepared);
    if (!begun) {
        // A file created before a write failed is still open: close it
        // (nothing more is written, as the writer has failed).
        if (pdf_writer_is_open()) pdf_end_document();
        return 0;
    }
    pdf_write_stream_object("<< /Length %ld >>", prepared.content, prepared.content_length);
    pdf_write_image(input_path, 0, 0);
    return pdf_end_document();
}
