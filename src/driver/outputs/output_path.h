// The names a run writes under: a PDF beside its image, and the temporary
// file a document is written to before it takes that name.
#pragma once

#include "platform/win32.h"

// Forms the PDF path for an image argument: the extension of its file-name
// part replaced by ".pdf" (appended when it has none). 0 when it would not fit
// PATH_BUFFER_UNITS units.
int make_output_path(const WCHAR* argument, WCHAR* output);

// "~kestrel-" and 8 random letters and digits, ".tmp", and the zero.
constexpr int TEMPORARY_NAME_UNITS = 22;
// Forms a fresh temporary name in output_path's folder, a new one at every
// call, so that no one can foresee it; shorter ("~" and up to 8 random
// letters) where that one would not fit but output_path does. 0 when no
// random bytes could be had or the PDF's name is under 3 units.
int make_temporary_path(const WCHAR* output_path, WCHAR* temporary_path);
