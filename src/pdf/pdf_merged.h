// A document of any number of pages, written as the pages come: memory holds
// a few numbers per object, never the pages themselves.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "jpeg/jpeg.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_choices.h"
#include "platform/win32.h"

struct PdfWriter;

// Creates `path`, which must not exist yet, and writes the header. 0 when the
// file could not be created.
int pdf_begin_merged(PdfWriter* writer, const WCHAR* path, const DocumentChoices* choices);
// The same on a handle already open for writing (standard output); the end
// of the document closes it. The creation date is the first page's.
int pdf_begin_merged_on(PdfWriter* writer, HANDLE file, const DocumentChoices* choices);

// One page: the photo at image_path (opened and scanned: `image`) copied as
// its image, `content` drawing it, `profile` (or null) its default colour
// space. A profile met before is referred to, not written again: profiles
// are told apart by their bytes (a hash and the size), and a `shared_profile`
// (alive until the document ends) by its address too, so it is hashed only
// once. The first page's creation date (a PDF date, or empty) is the
// document's. With an outline path the page gets an entry in the document's
// outline, nested in entries for the folders the path names.
struct MergedPage {
    const PageSpec* page;
    const char* content;
    const WCHAR* image_path;
    const OpenJpeg* image;
    const IccProfile* profile;
    int shared_profile;
    const char* creation_date;
    const WCHAR* outline_path;  // its entry in the outline, "folder\name"; null: none
};
// 1 when the page was added; 0 when it was not, with nothing written (the
// writer stays ok) or with the document failed (the writer is not ok).
int pdf_add_merged_page(PdfWriter* writer, const MergedPage* page);
int32_t pdf_merged_page_count(const PdfWriter* writer);
// The page tree, catalog and information dictionary (the subject only when
// every page had the same profile), then the cross-reference section; the
// file is closed either way. 1 when the document is complete.
int pdf_end_merged(PdfWriter* writer, const WCHAR* title);
