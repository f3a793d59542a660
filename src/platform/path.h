// Taking a wide Windows-form path apart (only the backslash separates
// folders), and copying one into a buffer of fixed size.
#pragma once

#include "platform/win32.h"

// A path of up to 261 units and its terminating zero.
constexpr int PATH_BUFFER_UNITS = 262;

// The start of the file-name part (after the last backslash); null for null.
const WCHAR* path_file_name(const WCHAR* path);
WCHAR* path_file_name(WCHAR* path);

// The last dot of the file-name part, or the terminating zero when it has none;
// null for null.
const WCHAR* path_extension(const WCHAR* path);
WCHAR* path_extension(WCHAR* path);

// Copies `from` into `to`, which holds `capacity` units with the terminating
// zero, cut to fit; the units copied.
int copy_text(WCHAR* to, const WCHAR* from, int capacity);

// 1 for a name the user sees as nothing: an empty argument reaches the core
// as a name that shows as nothing.
int shows_as_empty(const WCHAR* name);

// Whole-string comparison that folds only the ASCII letters A-Z, whatever the locale.
bool same_text_ignoring_ascii_case(const WCHAR* a, const WCHAR* b);
