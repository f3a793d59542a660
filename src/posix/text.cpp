// MultiByteToWideChar and WideCharToMultiByte for the ANSI code page, which is
// UTF-8 on POSIX. Like Windows: a length of -1 takes the terminating zero too,
// a destination size of 0 asks for the size needed, and a destination too
// small gives 0.
#include <cstring>

#include "posix/utf.h"
#include "posix/win32_posix.h"

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR source, int source_length,
                        LPWSTR destination, int destination_units) {
    (void)flags;  // UTF-8 text has no decomposed forms to prefer
    if (code_page != CP_ACP || source == nullptr || source_length == 0 || destination_units < 0)
        return 0;
    size_t bytes = source_length < 0 ? std::strlen(source) + 1 : static_cast<size_t>(source_length);
    std::u16string units = posix_utf8_to_utf16(source, bytes);
    if (destination_units == 0) return static_cast<int>(units.size());
    if (units.size() > static_cast<size_t>(destination_units)) {
        std::memcpy(destination, units.data(), static_cast<size_t>(destination_units) * sizeof(WCHAR));
        return 0;
    }
    std::memcpy(destination, units.data(), units.size() * sizeof(WCHAR));
    return static_cast<int>(units.size());
}

int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR source, int source_length,
                        LPSTR destination, int destination_bytes, LPCSTR default_char,
                        LPBOOL used_default_char) {
    (void)flags;
    if (code_page != CP_ACP || source == nullptr || source_length == 0 || destination_bytes < 0)
        return 0;
    size_t units = source_length < 0 ? posix_wide_length(source) + 1
                                     : static_cast<size_t>(source_length);
    bool used = false;
    char replacement = default_char != nullptr ? default_char[0] : '?';
    std::string bytes = posix_utf16_to_utf8(source, units, replacement, &used);
    if (used_default_char != nullptr) *used_default_char = used ? TRUE : FALSE;
    if (destination_bytes == 0) return static_cast<int>(bytes.size());
    if (bytes.size() > static_cast<size_t>(destination_bytes)) return 0;
    std::memcpy(destination, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}
