// Many images into one PDF, written to a temporary file beside it that
// replaces it only once the document is complete.
#pragma once

#include "driver/cli/settings.h"
#include "pdf/pdf_writer.h"
#include "platform/failure.h"
#include "platform/win32.h"

// Begins the document for output_path in `writer`; its temporary file's name
// goes to temporary_path (PATH_BUFFER_UNITS units). 0 when it could not be
// begun (nothing is left on disk). The settings' metadata and --pdfa hold for
// the whole document. Each call notes why it failed in `failure`.
int begin_merged_document(PdfWriter* writer, const WCHAR* output_path, WCHAR* temporary_path,
                          const ConvertSettings* settings, Failure* failure);
// 1 when the image became the next page; 0 when it was left out and the
// document goes on; -1 when the document failed with it. The page is
// labelled `label`, or by its file name when that is null.
// With --outline the page's entry goes where `outline_path` says
// ("folder\name", the last part its title).
int add_merged_image(PdfWriter* writer, const WCHAR* input_path, const WCHAR* label, const WCHAR* outline_path,
                     const ConvertSettings* settings, Failure* failure);
// Finishes the document and moves it over output_path: 1 when written; 0
// when it had no page, -1 when it failed (output_path untouched either way,
// the temporary file removed). After a failed page it only cleans up. Its
// default title is its file name, or on standard output `first_label`, its
// first page's.
int end_merged_document(PdfWriter* writer, const WCHAR* output_path, const WCHAR* first_label,
                        const WCHAR* temporary_path, Failure* failure);
