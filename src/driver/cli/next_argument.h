// The command-line tokenizer: blanks separate arguments, a leading double
// quote runs to the next one, and there are no escapes.
#pragma once

#include "platform/path.h"

// The next blank-separated argument copied into `token` (PATH_BUFFER_UNITS
// units), cursor moved past it; null when the list has ended. An argument too
// long for the buffer is cut to fit and flagged in *too_long (when given);
// the cursor still moves past all of it.
WCHAR* next_argument(const WCHAR** cursor, WCHAR* token, int* too_long);
// The same into a buffer of `capacity` units.
WCHAR* next_argument_into(const WCHAR** cursor, WCHAR* token, int capacity, int* too_long);
