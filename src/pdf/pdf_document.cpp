// The document skeleton: the object-number plan, then the header, catalog,
// information dictionary, fonts, page tree, colour profile and page objects.
#include "pdf/pdf_document.h"

#include <cstdio>
#include <cstring>

#include "pdf/pdf_writer.h"
#include "platform/files.h"

static int32_t font_object_count(uint32_t font_flags) {
    return ((font_flags & FONT_LATIN) ? 1 : 0) + ((font_flags & FONT_JAPANESE) ? 3 : 0);
}

// One /Font entry per font, not per font object.
static int32_t font_count(uint32_t font_flags) {
    return ((font_flags & FONT_LATIN) ? 1 : 0) + ((font_flags & FONT_JAPANESE) ? 1 : 0);
}

static const PageSpec* page_of(const DocumentSpec* document, int32_t i) {
    return document->shared_page ? &document->pages[0] : &document->pages[i];
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

void pdf_write_catalog(PdfWriter* writer, const DocumentSpec* document) {
    pdf_begin_object(writer);
    pdf_printf(writer, "<<\r/Type /Catalog\r/Pages %d 0 R\r/PageLayout /SinglePage\r"
               "/OpenAction << /S /GoTo /D [ %d 0 R /Fit ] >>\r",
               writer->pages_object, writer->first_page_object);
    pdf_printf(writer, "/PageLabels << /Nums [\r");
    for (int32_t i = 0; i < document->page_count; i++) {
        // The record's label need not be terminated; never read past it.
        WCHAR label[PAGE_LABEL_UNITS];
        memcpy(label, page_of(document, i)->label, sizeof label);
        label[PAGE_LABEL_UNITS - 1] = 0;
        pdf_printf(writer, "%d << /P (", i);
        pdf_write_text(writer, label);
        pdf_printf(writer, ") >>\r");
    }
    pdf_printf(writer, "]\r>>\r");
    if (writer->metadata_object != 0) pdf_printf(writer, "/Metadata %d 0 R\r", writer->metadata_object);
    pdf_printf(writer, ">>");
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

const char* pdf_default_space_name(int components) {
    if (components == 1) return "Gray";
    if (components == 4) return "CMYK";
    return "RGB";
}

// The profile's own size field, but never more bytes than the block holds:
// a header that claims more would have the writer read past the profile.
int32_t pdf_profile_stream_length(const IccProfile* profile) {
    uint32_t size = icc_profile_size(profile);
    if (size > profile->held) size = profile->held;
    if (size > static_cast<uint32_t>(INT32_MAX)) size = static_cast<uint32_t>(INT32_MAX);
    return static_cast<int32_t>(size);
}

void pdf_write_pages(PdfWriter* writer, const DocumentSpec* document) {
    int components = icc_component_count(document->profile);

    pdf_begin_object(writer);
    pdf_printf(writer, "<<\r/Type /Pages\r/Kids [");
    for (int32_t i = 0; i < document->page_count; i++)
        pdf_printf(writer, " %d 0 R", writer->first_page_object + i);
    pdf_printf(writer, " ]\r/Count %d\r/Resources << /ProcSet [ /PDF /Text /ImageB /ImageC ]\r",
               document->page_count);
    if (document->profile != nullptr)
        pdf_printf(writer, "/ColorSpace << /Default%s [ /ICCBased %d 0 R ] >>\r",
                   pdf_default_space_name(components), writer->next_object + 1);
    if (document->font_flags != 0) {
        pdf_printf(writer, "/Font <<");
        for (int32_t k = 0; k < font_count(document->font_flags); k++)
            pdf_printf(writer, " /F%d %d 0 R", k, writer->first_font_object + k);
        pdf_printf(writer, " >>\r");
    }
    pdf_printf(writer, "/XObject <<");
    for (int32_t j = 0; j < document->image_count; j++)
        pdf_printf(writer, " /Im%d %d 0 R", j, writer->first_image_object + j);
    pdf_printf(writer, " >>\r>>\r>>");
    pdf_end_object(writer);

    if (document->profile != nullptr) {
        // Two stages, so that the length conversion survives the first.
        char dictionary[64];
        snprintf(dictionary, sizeof dictionary, "<< /N %d ", components);
        strcat(dictionary, "/Length %ld >>");
        pdf_write_stream_object(writer, dictionary, icc_bytes(document->profile),
                                pdf_profile_stream_length(document->profile));
    }

    for (int32_t i = 0; i < document->page_count; i++) {
        const PageSpec* page = page_of(document, i);
        pdf_begin_object(writer);
        pdf_printf(writer, "<<\r/Type /Page\r/Parent %d 0 R\r/Contents %d 0 R\r/MediaBox [ 0 0 %.2f %.2f ]\r>>",
                   writer->pages_object, writer->first_content_object + i, page->width_pt,
                   page->height_pt);
        pdf_end_object(writer);
    }
}
