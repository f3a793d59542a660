// UTF-8 <-> UTF-16 conversion shared by the POSIX stand-in's text, file and
// command-line calls.
#include "posix/utf.h"

uint32_t posix_utf8_decode(const unsigned char* s, size_t n, size_t* used) {
    *used = 1;
    unsigned char lead = s[0];
    if (lead < 0x80) return lead;
    size_t extra;
    uint32_t code;
    uint32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, code = lead & 0x1Fu, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, code = lead & 0x0Fu, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, code = lead & 0x07u, minimum = 0x10000;
    } else {
        return 0xFFFD;
    }
    if (extra >= n) return 0xFFFD;
    for (size_t i = 1; i <= extra; ++i) {
        if ((s[i] & 0xC0u) != 0x80u) return 0xFFFD;
        code = (code << 6) | (s[i] & 0x3Fu);
    }
    // Overlong forms, encoded surrogates and values past U+10FFFF are not text.
    if (code < minimum || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0xFFFD;
    *used = extra + 1;
    return code;
}

void posix_append_utf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

uint32_t posix_utf16_next(const WCHAR* s, size_t units, size_t* i) {
    uint32_t code = s[*i];
    if (code >= 0xD800 && code <= 0xDBFF && *i + 1 < units && s[*i + 1] >= 0xDC00 &&
        s[*i + 1] <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(s[*i + 1]) - 0xDC00);
        ++*i;
    }
    ++*i;
    return code;
}

void posix_append_utf16(std::u16string& out, uint32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(code));
    }
}

std::string posix_utf16_to_utf8(const WCHAR* s, size_t units, char replacement,
                                bool* used_replacement) {
    std::string out;
    out.reserve(units);
    size_t i = 0;
    while (i < units) {
        uint32_t code = posix_utf16_next(s, units, &i);
        if (code >= 0xD800 && code <= 0xDFFF) {
            out.push_back(replacement);
            if (used_replacement) *used_replacement = true;
            continue;
        }
        posix_append_utf8(out, code);
    }
    return out;
}

std::u16string posix_utf8_to_utf16(const char* s, size_t bytes) {
    std::u16string out;
    out.reserve(bytes);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    size_t i = 0;
    while (i < bytes) {
        size_t used;
        uint32_t code = posix_utf8_decode(p + i, bytes - i, &used);
        i += used;
        posix_append_utf16(out, code);
    }
    return out;
}

size_t posix_wide_length(const WCHAR* s) {
    size_t n = 0;
    while (s[n] != 0) ++n;
    return n;
}
