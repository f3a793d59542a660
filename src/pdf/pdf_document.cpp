// The document skeleton: the object-number plan, then the header, catalog,
// information dictionary, fonts, page tree, colour profile and page objects.
#include "pdf/pdf_document.h"

#include "pdf/pdf_metadata.h"
#include "pdf/pdf_writer.h"
#include "platform/files.h"

static int32_t font_object_count(uint32_t font_flags) {
    return ((font_flags & FONT_LATIN) ? 1 : 0) + ((font_flags & FONT_JAPANESE) ? 3 : 0);
}

int pdf_begin_document(PdfWriter* writer, const DocumentSpec* document) {
    writer->ok = 0;
    writer->failure = Failure{};
    writer->unended_images = 0;
    writer->choices = document->choices;
    writer->file = open_file(document->output_path, GENERIC_WRITE, CREATE_NEW);
    if (writer->file == INVALID_HANDLE_VALUE) return 0;
    writer->ok = 1;
    pdf_begin_bytes(writer);
    pdf_write_header(writer);

    writer->next_object = 1;
    writer->info_object = writer->next_object + 1;
    // An archive's XMP packet follows the information dictionary.
    writer->metadata_object = writer->choices.archive ? writer->info_object + 1 : 0;
    writer->first_font_object = writer->info_object + 1 + (writer->choices.archive ? 1 : 0);
    writer->pages_object = writer->first_font_object + font_object_count(document->font_flags);
    writer->first_page_object = writer->pages_object + 1 + (document->profile != nullptr ? 1 : 0);
    writer->first_content_object = writer->first_page_object + document->page_count;
    writer->first_image_object = writer->first_content_object + document->page_count;
    // PDF/A-1 allows a device colour space only beside an output intent: an
    // archive's image is drawn in its ICC profile itself.
    const int drawn_in_profile = writer->choices.archive && document->profile != nullptr;
    writer->image_profile_object = drawn_in_profile ? writer->pages_object + 1 : 0;

    pdf_write_catalog(writer, document);
    pdf_write_info(writer, document->title, document->subject);
    if (document->font_flags != 0) pdf_write_fonts(writer, document->font_flags);
    pdf_write_pages(writer, document);
    return writer->ok;
}

static CatalogSpec pages_of(const PdfWriter* writer, const DocumentSpec* document) {
    return CatalogSpec{writer->pages_object, writer->first_page_object, document->page_count, document->pages,
                       document->shared_page, nullptr, 0};
}

void pdf_write_catalog(PdfWriter* writer, const DocumentSpec* document) {
    const CatalogSpec catalog = pages_of(writer, document);
    pdf_begin_object(writer);
    pdf_write_catalog_dictionary(writer, &catalog);
    pdf_end_object(writer);
}

void pdf_write_header(PdfWriter* writer) {
    // The four high bytes tell transfer programs that the file is binary. An
    // XMP packet is a PDF 1.4 part.
    pdf_printf(writer, "%%PDF-1.%d\r%%\xE2\xE3\xCF\xD3\r\n", writer->choices.archive ? 4 : 3);
}

void pdf_write_fonts(PdfWriter* writer, uint32_t font_flags) {
    if (font_flags & FONT_LATIN) {
        pdf_begin_object(writer);
        pdf_printf(writer, "<<\r/Type /Font\r/Subtype /Type1\r/BaseFont /Helvetica\r>>");
        pdf_end_object(writer);
    }
    if (font_flags & FONT_JAPANESE) {
        pdf_begin_object(writer);
        pdf_printf(writer, "<<\r/Type /Font\r/Subtype /Type0\r/BaseFont /MSUIGothic\r"
                   "/Encoding /90msp-RKSJ-H\r/DescendantFonts [ %d 0 R ]\r>>",
                   writer->next_object + 1);
        pdf_end_object(writer);
        pdf_begin_object(writer);
        pdf_printf(writer, "<<\r/Type /Font\r/Subtype /CIDFontType2\r/BaseFont /MSUIGothic\r"
                   "/FontDescriptor %d 0 R\r"
                   "/CIDSystemInfo << /Registry (Adobe)/Ordering (Japan1)/Supplement 2 >>\r>>",
                   writer->next_object + 1);
        pdf_end_object(writer);
        pdf_begin_object(writer);
        pdf_printf(writer, "<<\r/Type /FontDescriptor\r/Ascent 859\r/CapHeight 0\r/Descent -140\r"
                   "/Flags 4\r/FontBBox [ -121 -137 996 859 ]\r/FontName /MSUIGothic\r"
                   "/ItalicAngle 0\r/StemV 0\r>>");
        pdf_end_object(writer);
    }
}

void pdf_write_pages(PdfWriter* writer, const DocumentSpec* document) {
    // The profile's stream follows the page tree.
    const int32_t profile_object = document->profile != nullptr ? writer->pages_object + 1 : 0;
    const PageResources resources = {profile_object, icc_component_count(document->profile),
                                     document->font_flags, writer->first_font_object,
                                     document->image_count, writer->first_image_object};
    const CatalogSpec pages = pages_of(writer, document);
    pdf_begin_object(writer);
    pdf_write_page_tree_head(writer, &pages);
    pdf_write_resources(writer, &resources);
    pdf_printf(writer, ">>");
    pdf_end_object(writer);

    if (document->profile != nullptr) pdf_write_profile_stream(writer, document->profile);

    for (int32_t i = 0; i < document->page_count; i++)
        pdf_write_page_object(writer, writer->pages_object, nullptr, writer->first_content_object + i,
                              &document->pages[document->shared_page ? 0 : i]);
}
