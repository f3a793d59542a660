// One image made ready to become a page, alike for a PDF of its own and for
// a page of a document: opened and scanned once, its profile chosen, its
// page laid out; the writer copies it through the same handle.
#pragma once

#include "driver/cli/settings.h"
#include "icc/icc.h"
#include "jpeg/jpeg.h"
#include "pdf/pdf_date.h"
#include "pdf/pdf_document.h"

constexpr int PAGE_CONTENT_BYTES = 256;

struct PreparedPage {
    OpenJpeg jpeg;                 // open until release_page
    IccProfile* embedded_profile;  // the image's own, or null; release_page frees it
    const IccProfile* profile;     // the one chosen, or null
    PageSpec page;                 // size and label
    char content[PAGE_CONTENT_BYTES];  // the content stream that draws the image
    int content_length;
    char creation_date[PDF_DATE_BYTES];  // --exif-date: the photo's, else empty
};

// 0 when the image cannot become a page (not a JPEG a reader can show, a page
// too small or its content too long, or with --pdfa one PDF/A-1 cannot
// carry), why noted in `failure`, with nothing left to release or open.
int prepare_page(const WCHAR* input_path, const ConvertSettings* settings, PreparedPage* prepared,
                 Failure* failure);
void release_page(PreparedPage* prepared);
// The file-name part of a path as a page label (cut to fit), shown as the
// user sees the name.
void copy_label(WCHAR* label, const WCHAR* path);
