// The outline (bookmarks) of a document of many pages: one entry per page,
// nested in entries for the folders on the way, written as the pages come.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct PdfWriter;
struct PdfOutline;

// The page `page_object` under its `path` ("folder\folder\name", '\'
// between parts; its last part is the entry's title). Entries are written
// one behind: each once the next at its level is known, so memory holds
// one entry per open level, never one per page. 0 when memory runs out.
int pdf_outline_page(PdfWriter* writer, PdfOutline** outline, int32_t page_object, const WCHAR* path);
// Writes what is still held and the outline's root; its object number, or
// 0 when there is no outline. The outline is freed either way.
int32_t pdf_end_outline(PdfWriter* writer, PdfOutline** outline);
void pdf_free_outline(PdfOutline** outline);
