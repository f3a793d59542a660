// One writer for each object both document shapes hold, so that their bytes
// cannot drift apart.
#include "pdf/pdf_objects.h"

#include <cstdio>
#include <cstring>

#include "pdf/pdf_writer.h"

void pdf_write_catalog_dictionary(PdfWriter* writer, const CatalogSpec* catalog) {
    pdf_printf(writer, "<<\r/Type /Catalog\r/Pages %d 0 R\r/PageLayout /SinglePage\r"
               "/OpenAction << /S /GoTo /D [ %d 0 R /Fit ] >>\r/PageLabels << /Nums [\r",
               catalog->pages_object, catalog->first_page_object);
    for (int32_t i = 0; i < catalog->page_count; i++) {
        if (catalog->page_objects != nullptr) {
            pdf_printf(writer, "%d %d 0 R\r", i, catalog->page_objects[i] - 1);
            continue;
        }
        pdf_printf(writer, "%d ", i);
        pdf_write_label(writer, catalog->pages[catalog->shared_page ? 0 : i].label);
        pdf_printf(writer, "\r");
    }
    pdf_printf(writer, "]\r>>\r");
    if (writer->metadata_object != 0) pdf_printf(writer, "/Metadata %d 0 R\r", writer->metadata_object);
    if (catalog->outline_root != 0)
        pdf_printf(writer, "/Outlines %d 0 R\r/PageMode /UseOutlines\r", catalog->outline_root);
    pdf_printf(writer, ">>");
}

void pdf_write_page_tree_head(PdfWriter* writer, const CatalogSpec* pages) {
    pdf_printf(writer, "<<\r/Type /Pages\r/Kids [");
    for (int32_t i = 0; i < pages->page_count; i++)
        pdf_printf(writer, " %d 0 R", pages->page_objects != nullptr ? pages->page_objects[i] : pages->first_page_object + i);
    pdf_printf(writer, " ]\r/Count %d\r", pages->page_count);
}

void pdf_write_resources(PdfWriter* writer, const PageResources* resources) {
    pdf_printf(writer, "/Resources << /ProcSet [ /PDF /Text /ImageB /ImageC ]\r");
    if (resources->profile_object != 0)
        pdf_printf(writer, "/ColorSpace << /Default%s [ /ICCBased %d 0 R ] >>\r",
                   pdf_default_space_name(resources->components), resources->profile_object);
    if (resources->font_flags != 0) {
        // One /Font entry per font, not per font object.
        const int fonts = ((resources->font_flags & FONT_LATIN) ? 1 : 0) + ((resources->font_flags & FONT_JAPANESE) ? 1 : 0);
        pdf_printf(writer, "/Font <<");
        for (int k = 0; k < fonts; k++) pdf_printf(writer, " /F%d %d 0 R", k, resources->first_font_object + k);
        pdf_printf(writer, " >>\r");
    }
    pdf_printf(writer, "/XObject <<");
    for (int32_t j = 0; j < resources->image_count; j++)
        pdf_printf(writer, " /Im%d %d 0 R", j, resources->first_image_object + j);
    pdf_printf(writer, " >>\r>>\r");
}

void pdf_write_page_object(PdfWriter* writer, int32_t parent, const PageResources* resources, int32_t contents,
                           const PageSpec* page) {
    pdf_begin_object(writer);
    pdf_printf(writer, "<<\r/Type /Page\r/Parent %d 0 R\r", parent);
    if (resources != nullptr) pdf_write_resources(writer, resources);
    pdf_printf(writer, "/Contents %d 0 R\r/MediaBox [ 0 0 %.2f %.2f ]\r>>", contents, page->width_pt,
               page->height_pt);
    pdf_end_object(writer);
}

void pdf_write_label(PdfWriter* writer, const WCHAR* label) {
    // The record's label need not be terminated; never read past it.
    WCHAR text[PAGE_LABEL_UNITS];
    memcpy(text, label, sizeof text);
    text[PAGE_LABEL_UNITS - 1] = 0;
    pdf_printf(writer, "<< /P (");
    pdf_write_text(writer, text);
    pdf_printf(writer, ") >>");
}

int pdf_write_profile_stream(PdfWriter* writer, const IccProfile* profile) {
    // Two stages, so that the length conversion survives the first.
    char dictionary[64];
    snprintf(dictionary, sizeof dictionary, "<< /N %d ", icc_component_count(profile));
    strcat(dictionary, "/Length %ld >>");
    return pdf_write_stream_object(writer, dictionary, icc_bytes(profile), pdf_profile_stream_length(profile));
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
