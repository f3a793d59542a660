// What PDF/A-1b cannot carry faithfully, told before anything is written:
// each rule gives the reason reported for an image it refuses.
#pragma once

#include "driver/prepare_page.h"
#include "icc/icc.h"

// Why a prepared page cannot be a page of a PDF/A-1b document, or null.
// `unnamed_space`: the image's own profile was of Lab or XYZ data.
const char* archive_refusal(const PreparedPage* prepared, int unnamed_space,
                            const ConvertSettings* settings);
// Hands the run's metadata and --pdfa to the writer for the next document,
// whose default title is `title` (a file name); 0, with the reason noted in
// `failure`, when --pdfa cannot carry that title.
int use_document_settings(const WCHAR* title, const ConvertSettings* settings, Failure* failure);
