// The names a run writes under: a PDF beside its image, and the temporary
// file a document is written to before it takes that name.
#pragma once

#include "platform/win32.h"

// Forms the PDF path for an image argument: the extension of its file-name
// part replaced by ".pdf" (appended when it has none). 0 when it would not fit
// PATH_BUFFER_UNITS units.
int make_output_path(const WCHAR* argument, WCHAR* output);

// "~kestrel-NNNN.tmp" (number 0-9999) and its zero, in the output's folder.
constexpr int TEMPORARY_NAME_UNITS = 18;
// Forms the name of a document's temporary file beside output_path; 0 when
// it would not fit PATH_BUFFER_UNITS units or number has more than 4 digits.
int make_temporary_path(const WCHAR* output_path, int number, WCHAR* temporary_path);
