// GetEnvironmentVariableW on POSIX: the variable's bytes as UTF-16 (the ANSI
// code page is UTF-8), with the Windows call's answers for a small buffer.
#include <cstdlib>
#include <string>

#include "posix/utf.h"
#include "posix/win32_posix.h"

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD units) {
    if (name == nullptr) return 0;
    const std::string narrow = posix_utf16_to_utf8(name, posix_wide_length(name), '?', nullptr);
    const char* value = std::getenv(narrow.c_str());
    if (value == nullptr) return 0;
    const std::u16string wide = posix_utf8_to_utf16(value, std::char_traits<char>::length(value));
    if (buffer == nullptr || wide.size() + 1 > units) return static_cast<DWORD>(wide.size() + 1);
    wide.copy(buffer, wide.size());
    buffer[wide.size()] = 0;
    return static_cast<DWORD>(wide.size());
}
