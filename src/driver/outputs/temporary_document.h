// A document written under a temporary name beside its output and moved over
// it only once complete: a failure or a kill never leaves a broken PDF under
// the final name, nor touches the file that was there.
#pragma once

#include "driver/cli/settings.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_writer.h"
#include "platform/failure.h"
#include "platform/win32.h"

// The run's metadata and --pdfa as the choices of a document whose default
// title is `title` (a file name), its creation date empty; 0, with the
// reason noted in `failure`, when --pdfa cannot carry that title.
int choose_document(const WCHAR* title, const ConvertSettings* settings, DocumentChoices* choices,
                    Failure* failure);
// Begins, in a new file of a fresh temporary name beside output_path (the
// name in temporary_path, PATH_BUFFER_UNITS units), the one-page `document`
// (its output_path set here) or, given null, a document of many pages. 0 when
// it could not be begun, why noted in `failure`; nothing is left on disk then.
// A document of many pages is given its `choices` here; the one-page
// document carries its own.
int begin_temporary_document(PdfWriter* writer, const WCHAR* output_path, DocumentSpec* document,
                             const DocumentChoices* choices, WCHAR* temporary_path, Failure* failure);
// A complete document moved over output_path (1), or the temporary file
// removed (0; why the move failed noted in `failure`).
int finish_temporary_document(int complete, const WCHAR* temporary_path, const WCHAR* output_path,
                              Failure* failure);
