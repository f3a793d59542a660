// A document of any number of pages, written as the pages come: memory holds
// a few numbers per object, never the pages themselves.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "pdf/pdf_document.h"
#include "platform/win32.h"

// Creates `path`, which must not exist yet, and writes the header. 0 when the
// file could not be created.
int pdf_begin_merged(const WCHAR* path);
// The same on a handle already open for writing (standard output); the end
// of the document closes it.
int pdf_begin_merged_on(HANDLE file);
// One page: the JPEG at image_path copied as its image, `content` drawing it,
// `profile` (or null) its default colour space. A profile met before is
// referred to, not written again: profiles are told apart by their bytes (a
// hash and the size), and a `shared` one (alive until the document ends) by
// its address too, so it is hashed only once. 1 when the page was
// added; 0 when it was not, with nothing written (pdf_writer.ok stays 1) or
// with the document failed (pdf_writer.ok is 0).
int pdf_add_merged_page(const PageSpec* page, const char* content, const WCHAR* image_path,
                        const IccProfile* profile, int shared);
int32_t pdf_merged_page_count(void);
// The page tree, catalog and information dictionary (the subject only when
// every page had the same profile), then the cross-reference section; the
// file is closed either way. 1 when the document is complete.
int pdf_end_merged(const WCHAR* title);
