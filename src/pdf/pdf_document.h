// The document skeleton: plans every object number, then writes the header,
// catalog, information dictionary, fonts, page tree, profile and pages.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "pdf/pdf_choices.h"
#include "pdf/pdf_objects.h"
#include "platform/win32.h"

struct PdfWriter;

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
void pdf_write_fonts(PdfWriter* writer, uint32_t font_flags);
void pdf_write_pages(PdfWriter* writer, const DocumentSpec* document);
