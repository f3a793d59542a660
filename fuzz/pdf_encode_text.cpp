// Fuzz target: pdf_encode_text on arbitrary UTF-16 text. Reading the result
// back as a PDF literal string must give the text's UTF-16BE bytes, with
// U+FFFD in place of each surrogate that has no partner.
#include <memory>

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<WCHAR> text = fuzz_units(data, size);
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
