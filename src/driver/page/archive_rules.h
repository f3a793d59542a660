// What PDF/A-1b cannot carry faithfully, told before anything is written:
// each rule gives the reason reported for an image it refuses.
#pragma once

#include "driver/page/prepare_page.h"
#include "icc/icc.h"
#include "pdf/pdf_metadata.h"

// Why a prepared page cannot be a page of a PDF/A-1b document, or null.
// `unnamed_space`: the image's own profile was of Lab or XYZ data.
const char* archive_refusal(const PreparedPage* prepared, int unnamed_space,
                            const ConvertSettings* settings);
// The run's metadata and --pdfa as the choices of a document whose default
// title is `title` (a file name), its creation date empty; 0, with the
// reason noted in `failure`, when --pdfa cannot carry that title.
int choose_document(const WCHAR* title, const ConvertSettings* settings, DocumentChoices* choices,
                    Failure* failure);
