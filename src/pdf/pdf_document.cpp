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

int pdf_begin_document(const DocumentSpec* document) {
    pdf_writer.ok = 0;
    pdf_writer.failure = Failure{};
    pdf_writer.unended_images = 0;
    pdf_writer.file = open_file(document->output_path, GENERIC_WRITE, CREATE_NEW);
    if (pdf_writer.file == INVALID_HANDLE_VALUE) return 0;
    pdf_writer.ok = 1;
    pdf_begin_bytes();
    pdf_write_header();

    pdf_writer.next_object = 1;
    pdf_writer.info_object = pdf_writer.next_object + 1;
    // An archive's XMP packet follows the information dictionary.
    pdf_writer.metadata_object = pdf_writer.archive ? pdf_writer.info_object + 1 : 0;
    pdf_writer.first_font_object = pdf_writer.info_object + 1 + (pdf_writer.archive ? 1 : 0);
    pdf_writer.pages_object = pdf_writer.first_font_object + font_object_count(document->font_flags);
    pdf_writer.first_page_object = pdf_writer.pages_object + 1 + (document->profile != nullptr ? 1 : 0);
    pdf_writer.first_content_object = pdf_writer.first_page_object + document->page_count;
    pdf_writer.first_image_object = pdf_writer.first_content_object + document->page_count;
    // PDF/A-1 allows a device colour space only beside an output intent: an
    // archive's image is drawn in its ICC profile itself.
    const int drawn_in_profile = pdf_writer.archive && document->profile != nullptr;
    pdf_writer.image_profile_object = drawn_in_profile ? pdf_writer.pages_object + 1 : 0;

    pdf_write_catalog(document);
    pdf_write_info(document->title, document->subject);
    if (document->font_flags != 0) pdf_write_fonts(document->font_flags);
    pdf_write_pages(document);
    return pdf_writer.ok;
}

void pdf_write_catalog(const DocumentSpec* document) {
    pdf_begin_object();
    pdf_printf("<<\r/Type /Catalog\r/Pages %d 0 R\r/PageLayout /SinglePage\r"
               "/OpenAction << /S /GoTo /D [ %d 0 R /Fit ] >>\r",
               pdf_writer.pages_object, pdf_writer.first_page_object);
    pdf_printf("/PageLabels << /Nums [\r");
    for (int32_t i = 0; i < document->page_count; i++) {
        // The record's label need not be terminated; never read past it.
        WCHAR label[PAGE_LABEL_UNITS];
        memcpy(label, page_of(document, i)->label, sizeof label);
        label[PAGE_LABEL_UNITS - 1] = 0;
        pdf_printf("%d << /P (", i);
        pdf_write_text(label);
        pdf_printf(") >>\r");
    }
    pdf_printf("]\r>>\r");
    if (pdf_writer.metadata_object != 0) pdf_printf("/Metadata %d 0 R\r", pdf_writer.metadata_object);
    pdf_printf(">>");
    pdf_end_object();
}

void pdf_write_header(void) {
    // The four high bytes tell transfer programs that the file is binary. An
    // XMP packet is a PDF 1.4 part.
    pdf_printf("%%PDF-1.%d\r%%\xE2\xE3\xCF\xD3\r\n", pdf_writer.archive ? 4 : 3);
}

void pdf_write_fonts(uint32_t font_flags) {
    if (font_flags & FONT_LATIN) {
        pdf_begin_object();
        pdf_printf("<<\r/Type /Font\r/Subtype /Type1\r/BaseFont /Helvetica\r>>");
        pdf_end_object();
    }
    if (font_flags & FONT_JAPANESE) {
        pdf_begin_object();
        pdf_printf("<<\r/Type /Font\r/Subtype /Type0\r/BaseFont /MSUIGothic\r"
                   "/Encoding /90msp-RKSJ-H\r/DescendantFonts [ %d 0 R ]\r>>",
                   pdf_writer.next_object + 1);
        pdf_end_object();
        pdf_begin_object();
        pdf_printf("<<\r/Type /Font\r/Subtype /CIDFontType2\r/BaseFont /MSUIGothic\r"
                   "/FontDescriptor %d 0 R\r"
                   "/CIDSystemInfo << /Registry (Adobe)/Ordering (Japan1)/Supplement 2 >>\r>>",
                   pdf_writer.next_object + 1);
        pdf_end_object();
        pdf_begin_object();
        pdf_printf("<<\r/Type /FontDescriptor\r/Ascent 859\r/CapHeight 0\r/Descent -140\r"
                   "/Flags 4\r/FontBBox [ -121 -137 996 859 ]\r/FontName /MSUIGothic\r"
                   "/ItalicAngle 0\r/StemV 0\r>>");
        pdf_end_object();
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

void pdf_write_pages(const DocumentSpec* document) {
    int components = icc_component_count(document->profile);

    pdf_begin_object();
    pdf_printf("<<\r/Type /Pages\r/Kids [");
    for (int32_t i = 0; i < document->page_count; i++)
        pdf_printf(" %d 0 R", pdf_writer.first_page_object + i);
    pdf_printf(" ]\r/Count %d\r/Resources << /ProcSet [ /PDF /Text /ImageB /ImageC ]\r",
               document->page_count);
    if (document->profile != nullptr)
        pdf_printf("/ColorSpace << /Default%s [ /ICCBased %d 0 R ] >>\r",
                   pdf_default_space_name(components), pdf_writer.next_object + 1);
    if (document->font_flags != 0) {
        pdf_printf("/Font <<");
        for (int32_t k = 0; k < font_count(document->font_flags); k++)
            pdf_printf(" /F%d %d 0 R", k, pdf_writer.first_font_object + k);
        pdf_printf(" >>\r");
    }
    pdf_printf("/XObject <<");
    for (int32_t j = 0; j < document->image_count; j++)
        pdf_printf(" /Im%d %d 0 R", j, pdf_writer.first_image_object + j);
    pdf_printf(" >>\r>>\r>>");
    pdf_end_object();

    if (document->profile != nullptr) {
        // Two stages, so that the length conversion survives the first.
        char dictionary[64];
        snprintf(dictionary, sizeof dictionary, "<< /N %d ", components);
        strcat(dictionary, "/Length %ld >>");
        pdf_write_stream_object(dictionary, icc_bytes(document->profile),
                                pdf_profile_stream_length(document->profile));
    }

    for (int32_t i = 0; i < document->page_count; i++) {
        const PageSpec* page = page_of(document, i);
        pdf_begin_object();
        pdf_printf("<<\r/Type /Page\r/Parent %d 0 R\r/Contents %d 0 R\r/MediaBox [ 0 0 %.2f %.2f ]\r>>",
                   pdf_writer.pages_object, pdf_writer.first_content_object + i, page->width_pt,
                   page->height_pt);
        pdf_end_object();
    }
}
