// Why a conversion failed, noted where it failed and carried up to the one
// place that reports it: which file (the image, the PDF or the list) and a
// few words from a fixed set, never guessed afterwards.
#pragma once

#include "platform/win32.h"

enum FailedFile { FAILED_INPUT, FAILED_PDF, FAILED_LIST };

struct Failure {
    int file;            // FailedFile
    DWORD error;         // the Win32 error behind it, or 0
    const char* reason;  // static text; null while nothing is known
    int refused;         // an option's rule refused the image: both programs say why
};

// Notes why, unless a cause is noted already: the first failure is the one
// to tell, not what followed from it. A null failure notes nothing.
void note_failure(Failure* failure, int file, const char* reason);
// The same with the words for the last Win32 error, read at once.
void note_last_error(Failure* failure, int file);
// The words for a Win32 error code; null for one they would only guess at.
const char* error_reason(DWORD error);
