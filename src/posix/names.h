// How the stand-in carries POSIX names, which are bytes, through the core's
// Windows-form UTF-16 text without losing any of them.
#pragma once

#include <cstddef>
#include <string>

#include "posix/win32_posix.h"

// The escapes: a byte that is not part of UTF-8 text becomes U+DC00 + the
// byte (U+DC80-U+DCFF, a lone surrogate no text holds); a character that a
// Windows command-line token cannot hold as itself becomes U+F000 + the
// character; the empty name becomes U+F000 alone.
constexpr char16_t NAME_BYTE_ESCAPE = 0xDC00;
constexpr char16_t NAME_CHARACTER_ESCAPE = 0xF000;

// Argument bytes as Windows-form text: escaped as above, '/' turned into the
// folder separator '\'. Exact: posix_native_path gives the bytes back.
std::u16string posix_name_to_wide(const char* bytes, size_t count);

// Windows-form text back to POSIX bytes: '\' is '/', the escapes undone. A
// lone surrogate that is no escape becomes '?'.
std::string posix_native_text(const WCHAR* text, size_t units);
std::string posix_native_path(const WCHAR* path);
