// The objects a one-page and a many-page document write alike: the catalog
// with its page labels, a page with its resources, a page label, a profile.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "platform/win32.h"

struct PdfWriter;

constexpr uint32_t FONT_LATIN = 1u;
constexpr uint32_t FONT_JAPANESE = 2u;
constexpr int PAGE_LABEL_UNITS = 260;

struct PageSpec {
    double width_pt;
    double height_pt;
    WCHAR label[PAGE_LABEL_UNITS];
};

// What pages draw with: the default colour space of a profile's stream (0:
// none), fonts (FONT_ bits) and images, each numbered from
// its first object.
struct PageResources {
    int32_t profile_object;
    int components;  // the profile's
    uint32_t font_flags;
    int32_t first_font_object;
    int32_t image_count;
    int32_t first_image_object;
};

// The document's pages as the catalog and the page tree name them. Labels are written in the catalog from
// `pages` (one for all with `shared_page`) or, given `page_objects`, are
// objects of their own, each the one before its page.
struct CatalogSpec {
    int32_t pages_object;
    int32_t first_page_object;
    int32_t page_count;
    const PageSpec* pages;
    int shared_page;
    const int32_t* page_objects;
    int32_t outline_root;  // 0: no outline
};

// The catalog's dictionary, inside an object its caller begins and ends.
void pdf_write_catalog_dictionary(PdfWriter* writer, const CatalogSpec* catalog);
// The page tree's dictionary from its start to /Count and its line end,
// inside an object its caller begins and ends.
void pdf_write_page_tree_head(PdfWriter* writer, const CatalogSpec* pages);
// "/Resources << ... >>" and its line end.
void pdf_write_resources(PdfWriter* writer, const PageResources* resources);
// A page object; its resources null when the page tree gives them.
void pdf_write_page_object(PdfWriter* writer, int32_t parent, const PageResources* resources, int32_t contents,
                           const PageSpec* page);
// "<< /P (label) >>", the label read no further than PAGE_LABEL_UNITS.
void pdf_write_label(PdfWriter* writer, const WCHAR* label);
// The profile's bytes as a stream object; 0 when the document failed.
int pdf_write_profile_stream(PdfWriter* writer, const IccProfile* profile);
// The name after /Default (and after /Device) for `components` components.
const char* pdf_default_space_name(int components);
// The bytes of the profile that its stream holds.
int32_t pdf_profile_stream_length(const IccProfile* profile);
