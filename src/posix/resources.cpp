// LoadStringW and LoadStringA over the compiled-in string table. Like Windows:
// the text is cut to capacity - 1 and terminated; the result is its length.
#include <cstring>
#include <string>

#include "posix/string_table.h"
#include "posix/utf.h"
#include "posix/win32_posix.h"

static const char16_t* find_string(UINT id) {
    for (unsigned i = 0; i < posix_string_count; ++i)
        if (posix_strings[i].id == id) return posix_strings[i].text;
    return nullptr;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity) {
    (void)instance;
    if (buffer == nullptr || capacity <= 0) return 0;
    const char16_t* text = find_string(id);
    size_t length = text != nullptr ? posix_wide_length(text) : 0;
    if (length > static_cast<size_t>(capacity - 1)) length = static_cast<size_t>(capacity - 1);
    if (length > 0) std::memcpy(buffer, text, length * sizeof(WCHAR));
    buffer[length] = 0;
    return static_cast<int>(length);
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity) {
    (void)instance;
    if (buffer == nullptr || capacity <= 0) return 0;
    const char16_t* text = find_string(id);
    std::string bytes = text != nullptr
                            ? posix_utf16_to_utf8(text, posix_wide_length(text), '?', nullptr)
                            : std::string();
    size_t length = bytes.size();
    if (length > static_cast<size_t>(capacity - 1)) {
        length = static_cast<size_t>(capacity - 1);
        // Never end on half a UTF-8 sequence.
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0u) == 0x80u) --length;
    }
    std::memcpy(buffer, bytes.data(), length);
    buffer[length] = 0;
    return static_cast<int>(length);
}
