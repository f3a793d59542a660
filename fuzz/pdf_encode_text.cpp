// Fuzz target: pdf_encode_text and pdf_xml_text on arbitrary UTF-16 text.
// Reading the result back as a PDF literal string must give the text's
// UTF-16BE bytes, and as XML character data its UTF-8, with U+FFFD in place
// of each surrogate that has no partner in both; XML refuses exactly the
// characters it cannot hold.
#include <memory>
#include <string>

#include "pdf/pdf_metadata.h"

#include "fuzz_input.h"
#include "pdf/pdf_writer.h"

// The byte an escape stands for, or -1 for a sequence this writer never makes.
static int unescape(unsigned char letter) {
    switch (letter) {
        case 'b': return 0x08;
        case 't': return 0x09;
        case 'n': return 0x0A;
        case 'f': return 0x0C;
        case 'r': return 0x0D;
        case '(': case ')': case '\\': return letter;
        default: return -1;
    }
}

// The text's code points as the writer reads them; 0 when XML cannot hold one.
static bool code_points(const std::vector<WCHAR>& text, std::u32string* points) {
    bool holdable = true;
    for (size_t k = 0; k + 1 < text.size(); ++k) {
        char32_t code = text[k];
        if (code >= 0xD800 && code <= 0xDBFF && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++k] - 0xDC00u);
        else if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xFFFD;
        if ((code < 0x20 && code != 0x09 && code != 0x0A && code != 0x0D) || code == 0xFFFE || code == 0xFFFF)
            holdable = false;
        points->push_back(code);
    }
    return holdable;
}

// XML read back: a reference "&#N;" is its character; bytes are UTF-8.
static std::u32string read_xml(const std::string& xml) {
    std::u32string out;
    for (size_t i = 0; i < xml.size();) {
        unsigned char byte = static_cast<unsigned char>(xml[i]);
        fuzz_require(byte != '<' && byte != '>' && byte != 0x0D && byte != 0x0A && byte != 0x09,
                     "no bare markup character or line end");
        if (byte == '&') {
            size_t end = xml.find(';', i);
            fuzz_require(xml.compare(i, 2, "&#") == 0 && end != std::string::npos, "a reference is whole");
            out.push_back(static_cast<char32_t>(std::stoul(xml.substr(i + 2, end - i - 2))));
            i = end + 1;
            continue;
        }
        size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? byte : byte & (0x7Fu >> length);
        fuzz_require(i + length <= xml.size(), "a character is whole");
        for (size_t n = 1; n < length; ++n) code = code << 6 | (static_cast<unsigned char>(xml[i + n]) & 0x3Fu);
        out.push_back(code);
        i += length;
    }
    return out;
}

static void check_xml(const std::vector<WCHAR>& text) {
    std::u32string points;
    bool holdable = code_points(text, &points);
    int32_t length = pdf_xml_text(nullptr, 0, text.data());
    fuzz_require((length >= 0) == holdable, "XML refuses exactly what it cannot hold");
    if (length < 0) return;
    // The documented worst case: five bytes per unit.
    fuzz_require(static_cast<size_t>(length) <= 5 * (text.size() - 1), "at most five bytes a unit");
    std::string xml(static_cast<size_t>(length), '\0');
    fuzz_require(pdf_xml_text(&xml[0], length, text.data()) == length, "the same length twice");
    fuzz_require(read_xml(xml) == points, "the XML reads back as the text");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<WCHAR> text = fuzz_units(data, size);
    check_xml(text);
    size_t units = text.size() - 1;
    // The documented worst case, and not a byte more.
    size_t capacity = 2 + 4 * units;
    std::unique_ptr<unsigned char[]> out(new unsigned char[capacity]);
    int32_t placed = pdf_encode_text(out.get(), text.data());
    fuzz_require(placed >= 0 && static_cast<size_t>(placed) >= 2 + 2 * units &&
                     static_cast<size_t>(placed) <= capacity,
                 "2 + 2n to 2 + 4n bytes");
    fuzz_require(out[0] == 0xFE && out[1] == 0xFF, "the string starts with the byte-order mark");

    size_t at = 2;
    for (size_t k = 0; k < units; ++k) {
        unsigned unit = text[k];
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        bool next_low = k + 1 < units && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF;
        bool previous_high = k > 0 && text[k - 1] >= 0xD800 && text[k - 1] <= 0xDBFF;
        if ((high && !next_low) || (low && !previous_high)) unit = 0xFFFD;
        for (int shift = 8; shift >= 0; shift -= 8) {
            const unsigned wanted = (unit >> shift) & 0xFFu;
            fuzz_require(at < static_cast<size_t>(placed), "every byte of the text is placed");
            unsigned char byte = out[at++];
            // Bytes that would end the string, start an escape or turn into
            // another line end when read back never stand bare.
            fuzz_require(byte != '(' && byte != ')' && byte != 0x0D && byte != 0x0A,
                         "no bare parenthesis or line end");
            int decoded = byte;
            if (byte == '\\') {
                fuzz_require(at < static_cast<size_t>(placed), "an escape is complete");
                decoded = unescape(out[at++]);
            }
            fuzz_require(decoded == static_cast<int>(wanted), "the string reads back as the text");
        }
    }
    fuzz_require(at == static_cast<size_t>(placed), "nothing follows the text");
    return 0;
}
