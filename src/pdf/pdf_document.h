// The document skeleton: plans every object number, then writes the header,
// catalog, information dictionary, fonts, page tree, profile and pages.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "pdf/pdf_metadata.h"
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

struct DocumentSpec {
    const WCHAR* output_path;
    DocumentChoices choices;
    const WCHAR* title;
    const WCHAR* subject;         // or null
    const IccProfile* profile;    // or null
    uint32_t font_flags;
    int32_t page_count;
    int32_t image_count;
    int shared_page;
    const PageSpec* pages;
};

// Creates output_path, which must not exist yet (a new file, never one
// taken over), plans the object numbers and writes every object up to the
// pages. 0 when the file could not be created or a write failed.
int pdf_begin_document(PdfWriter* writer, const DocumentSpec* document);
// "%PDF-1.n" and the binary comment; 1.4 for an archive.
void pdf_write_header(PdfWriter* writer);
void pdf_write_catalog(PdfWriter* writer, const DocumentSpec* document);
// The information dictionary (title and subject unless the metadata replaces
// them) and, for an archive, the XMP packet as the next object.
void pdf_write_info(PdfWriter* writer, const WCHAR* title, const WCHAR* subject);
void pdf_write_fonts(PdfWriter* writer, uint32_t font_flags);
void pdf_write_pages(PdfWriter* writer, const DocumentSpec* document);
// The name after /Default for a profile of `components` components.
const char* pdf_default_space_name(int components);
// The bytes of the profile that its stream holds.
int32_t pdf_profile_stream_length(const IccProfile* profile);
