// Names that round-trip: POSIX argument bytes to the core's Windows-form text
// and back, whatever the bytes. The core splits tokens at blanks and quotes
// and folders at '\', so a quote or backslash that belongs to a name travels
// as a private-use character; bytes that are not UTF-8 travel as lone
// surrogates. Both are undone on the way to the file system, and turned into
// what a terminal shows when a name becomes a title.
#include "posix/names.h"

#include "posix/utf.h"

// The characters that travel as U+F000 + the character.
static bool needs_character_escape(uint32_t code) {
    return code == u'"' || code == u'\\';
}

static bool is_byte_escape(uint32_t code) {
    return code >= NAME_BYTE_ESCAPE + 0x80u && code <= NAME_BYTE_ESCAPE + 0xFFu;
}

// A real private-use character of the escape block would be read back as an
// escape, so it travels as its bytes instead.
static bool is_in_escape_block(uint32_t code) {
    return code >= NAME_CHARACTER_ESCAPE && code <= NAME_CHARACTER_ESCAPE + 0xFFu;
}

std::u16string posix_name_to_wide(const char* bytes, size_t count) {
    std::u16string out;
    if (count == 0) out.push_back(NAME_CHARACTER_ESCAPE);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < count) {
        size_t used;
        uint32_t code = posix_utf8_decode(p + i, count - i, &used);
        bool not_text = code == 0xFFFD && used == 1;  // a real U+FFFD takes three bytes
        if (not_text || is_in_escape_block(code)) {
            for (size_t k = 0; k < used; ++k)
                out.push_back(static_cast<char16_t>(NAME_BYTE_ESCAPE + p[i + k]));
        } else if (code == u'/') {
            out.push_back(u'\\');
        } else if (needs_character_escape(code)) {
            out.push_back(static_cast<char16_t>(NAME_CHARACTER_ESCAPE + code));
        } else {
            posix_append_utf16(out, code);
        }
        i += used;
    }
    return out;
}

std::string posix_native_text(const WCHAR* text, size_t units) {
    std::string out;
    out.reserve(units);
    size_t i = 0;
    while (i < units) {
        uint32_t code = posix_utf16_next(text, units, &i);
        if (code == u'\\')
            out.push_back('/');
        else if (is_byte_escape(code))
            out.push_back(static_cast<char>(code - NAME_BYTE_ESCAPE));
        else if (code == NAME_CHARACTER_ESCAPE)
            continue;  // the empty name
        else if (code > NAME_CHARACTER_ESCAPE && needs_character_escape(code - NAME_CHARACTER_ESCAPE))
            out.push_back(static_cast<char>(code - NAME_CHARACTER_ESCAPE));
        else if (code >= 0xD800 && code <= 0xDFFF)
            out.push_back('?');
        else
            posix_append_utf8(out, code);
    }
    return out;
}

std::string posix_native_path(const WCHAR* path) {
    return posix_native_text(path, posix_wide_length(path));
}

// What `ls` shows in a UTF-8 terminal: the real character, U+FFFD for a byte
// that is not UTF-8. Never longer than the name, so it works in place.
void name_as_shown(LPWSTR name) {
    if (name == nullptr) return;
    WCHAR* to = name;
    for (const WCHAR* from = name; *from != 0; ++from) {
        uint32_t code = *from;
        if (code == NAME_CHARACTER_ESCAPE) continue;
        if (code > NAME_CHARACTER_ESCAPE && needs_character_escape(code - NAME_CHARACTER_ESCAPE))
            code -= NAME_CHARACTER_ESCAPE;
        else if (is_byte_escape(code) && !(to > name && to[-1] >= 0xD800 && to[-1] <= 0xDBFF))
            code = 0xFFFD;
        *to++ = static_cast<WCHAR>(code);
    }
    *to = 0;
}

int name_from_list(const char* bytes, int count, LPWSTR name, int capacity) {
    if (count <= 0 || capacity < 1) return 0;
    std::u16string wide = posix_name_to_wide(bytes, static_cast<size_t>(count));
    if (wide.size() >= static_cast<size_t>(capacity)) return 0;
    for (size_t i = 0; i <= wide.size(); ++i) name[i] = i < wide.size() ? wide[i] : 0;
    return 1;
}
