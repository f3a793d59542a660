// UTF-8 <-> UTF-16 for the POSIX stand-in, where the ANSI code page is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "posix/win32_posix.h"

// Decodes one UTF-8 sequence from s (n > 0 bytes available). An invalid or
// truncated sequence gives U+FFFD and consumes one byte.
uint32_t posix_utf8_decode(const unsigned char* s, size_t n, size_t* used);

// UTF-16 units to UTF-8. An unpaired surrogate becomes `replacement` and sets
// *used_replacement when given.
std::string posix_utf16_to_utf8(const WCHAR* s, size_t units, char replacement,
                                bool* used_replacement);

// UTF-8 to UTF-16 units, invalid sequences as U+FFFD.
std::u16string posix_utf8_to_utf16(const char* s, size_t bytes);

// One code point as UTF-8 or UTF-16 at the end of `out`.
void posix_append_utf8(std::string& out, uint32_t code);
void posix_append_utf16(std::u16string& out, uint32_t code);

// The code point at s[*i] (a pair taken whole, a lone surrogate as itself);
// *i moves past it.
uint32_t posix_utf16_next(const WCHAR* s, size_t units, size_t* i);

// Length in units of a zero-terminated wide string.
size_t posix_wide_length(const WCHAR* s);
