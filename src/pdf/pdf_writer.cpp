// The PDF object writer: object frames, formatted pieces, text strings, stream
// objects and the cross-reference section, all straight to the output file.
#include "pdf/pdf_writer.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

PdfWriter pdf_writer;

// Working buffer sizes; the callers keep their pieces and texts within them.
constexpr int OBJECT_HEADER_BYTES = 256;
constexpr int PRINTF_BYTES = 2052;
// A metadata text in UTF-16 with a byte-order mark, every byte escaped at worst.
constexpr int TEXT_BYTES = 4 * METADATA_TEXT_UNITS + 16;

int pdf_writer_ok(void) {
    return pdf_writer.ok;
}

void pdf_hand_failure(Failure* failure) {
    if (pdf_writer.failure.reason == nullptr) return;
    note_failure(failure, pdf_writer.failure.file, pdf_writer.failure.reason);
    if (failure != nullptr && failure->reason == pdf_writer.failure.reason) failure->error = pdf_writer.failure.error;
}

int32_t pdf_unended_images(void) {
    return pdf_writer.unended_images;
}

int pdf_writer_is_open(void) {
    return pdf_writer.file != INVALID_HANDLE_VALUE && pdf_writer.file != nullptr;
}

int64_t pdf_position_limit(void) {
    return pdf_writer.grown_offsets != nullptr ? PDF_LARGEST_POSITION : INT32_MAX;
}

void pdf_write_bytes(const void* data, uint32_t length) {
    // A piece that would carry the file past the positions the table can hold
    // could never be listed in the cross-reference section, so it is refused.
    if (static_cast<int64_t>(length) > pdf_position_limit() - pdf_writer.bytes_written) {
        pdf_writer.ok = 0;
        note_failure(&pdf_writer.failure, FAILED_PDF, "larger than a PDF can be");
    } else {
        DWORD written = 0;
        if (!WriteFile(pdf_writer.file, data, length, &written, nullptr)) {
            pdf_writer.ok = 0;
            note_last_error(&pdf_writer.failure, FAILED_PDF);
        }
    }
    // The count grows whether or not the write succeeded.
    pdf_writer.bytes_written += length;
    if (pdf_writer.archive) pdf_hash_bytes(&pdf_writer.hash, data, length);
}

void pdf_begin_bytes(void) {
    pdf_writer.bytes_written = 0;
    pdf_hash_begin(&pdf_writer.hash);
}

void pdf_end_stream(void) {
    // PDF/A-1 wants an end of line before endstream that no reader can take
    // for a part of the data: a CR alone is not one.
    if (pdf_writer.archive)
        pdf_write_bytes("\r\nendstream", 11);
    else
        pdf_write_bytes("\rendstream", 10);
}

int pdf_attach_grown_offsets(void) {
    pdf_writer.grown_capacity = 1024;
    pdf_writer.grown_offsets =
        static_cast<int64_t*>(calloc(static_cast<size_t>(pdf_writer.grown_capacity), sizeof(int64_t)));
    return pdf_writer.grown_offsets != nullptr;
}

// Room in the grown table for object `number` and the one after it (the
// cross-reference section's position); the table doubles as needed.
static int grow_to(int32_t number) {
    if (number < 1 || number >= INT32_MAX / 2) return 0;
    int32_t capacity = pdf_writer.grown_capacity;
    if (number + 1 < capacity) return 1;
    while (number + 1 >= capacity) capacity *= 2;
    void* grown = realloc(pdf_writer.grown_offsets, static_cast<size_t>(capacity) * sizeof(int64_t));
    if (grown == nullptr) return 0;
    pdf_writer.grown_offsets = static_cast<int64_t*>(grown);
    for (int32_t i = pdf_writer.grown_capacity; i < capacity; i++) pdf_writer.grown_offsets[i] = 0;
    pdf_writer.grown_capacity = capacity;
    return 1;
}

static void begin_object_numbered(int32_t number) {
    if (pdf_writer.grown_offsets != nullptr) {
        if (grow_to(number))
            pdf_writer.grown_offsets[number] = pdf_writer.bytes_written;
        else
            pdf_writer.ok = 0;
    } else if (number < 1 || number >= PDF_MAX_OFFSETS - 1) {
        // Slot number + 1 must stay free for the cross-reference position.
        pdf_writer.ok = 0;
    } else {
        pdf_writer.offsets[number] = static_cast<int32_t>(pdf_writer.bytes_written);
    }
    char header[OBJECT_HEADER_BYTES];
    int n = snprintf(header, sizeof header, "%d 0 obj\r", number);
    pdf_write_bytes(header, static_cast<uint32_t>(n));
}

void pdf_begin_object(void) {
    begin_object_numbered(pdf_writer.next_object);
}

void pdf_begin_reserved_object(int32_t number) {
    if (number >= pdf_writer.next_object) pdf_writer.ok = 0;  // never taken
    begin_object_numbered(number);
}

void pdf_end_reserved_object(void) {
    pdf_write_bytes("\rendobj\r", 8);
}

void pdf_end_object(void) {
    pdf_write_bytes("\rendobj\r", 8);
    pdf_writer.next_object++;
}

void pdf_printf(const char* format, ...) {
    char piece[PRINTF_BYTES];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    // A piece cut short would corrupt the document silently; refuse it whole.
    if (n < 0 || n >= PRINTF_BYTES) {
        pdf_writer.ok = 0;
        return;
    }
    pdf_write_bytes(piece, static_cast<uint32_t>(n));
}

// How a single byte of UTF-16BE is placed inside a PDF literal string: the
// escape letter for the control characters, a backslash before the
// delimiters, 0 for a byte placed as it is.
static unsigned char escape_of(unsigned char byte) {
    switch (byte) {
    case 0x08: return 'b';
    case 0x09: return 't';
    case 0x0A: return 'n';
    case 0x0C: return 'f';
    case 0x0D: return 'r';
    case 0x28: case 0x29: case 0x5C: return byte;
    default: return 0;
    }
}

static void place(unsigned char* out, int32_t capacity, int32_t* count, unsigned char byte) {
    if (*count < capacity) out[*count] = byte;
    (*count)++;
}

static void place_escaped(unsigned char* out, int32_t capacity, int32_t* count, unsigned char byte) {
    unsigned char escape = escape_of(byte);
    if (escape != 0) {
        place(out, capacity, count, 0x5C);
        place(out, capacity, count, escape);
    } else {
        place(out, capacity, count, byte);
    }
}

// Places at most `capacity` bytes but returns the full encoded length, so a
// caller with a fixed buffer learns that a text did not fit.
static int32_t encode_text_bounded(unsigned char* out, int32_t capacity, const WCHAR* text) {
    int32_t count = 0;
    place(out, capacity, &count, 0xFE);
    place(out, capacity, &count, 0xFF);
    for (const WCHAR* unit = text; *unit != 0; unit++) {
        uint32_t value = static_cast<uint32_t>(*unit);
        // A PDF text string is UTF-16: a surrogate without its partner (NTFS
        // and the POSIX name escapes allow them in names) is written as U+FFFD.
        bool high = value >= 0xD800 && value <= 0xDBFF;
        bool low = value >= 0xDC00 && value <= 0xDFFF;
        bool paired = (high && unit[1] >= 0xDC00 && unit[1] <= 0xDFFF) ||
                      (low && unit > text && unit[-1] >= 0xD800 && unit[-1] <= 0xDBFF);
        if ((high || low) && !paired) value = 0xFFFD;
        place_escaped(out, capacity, &count, static_cast<unsigned char>(value >> 8));
        place_escaped(out, capacity, &count, static_cast<unsigned char>(value & 0xFFu));
    }
    return count;
}

int32_t pdf_encode_text(unsigned char* out, const WCHAR* text) {
    return encode_text_bounded(out, INT32_MAX, text);
}

void pdf_write_text(const WCHAR* text) {
    unsigned char encoded[TEXT_BYTES];
    int32_t n = encode_text_bounded(encoded, TEXT_BYTES, text);
    // Half a string would still parse but say something else; write none of it.
    if (n > TEXT_BYTES) {
        pdf_writer.ok = 0;
        return;
    }
    pdf_write_bytes(encoded, static_cast<uint32_t>(n));
}

int pdf_write_stream_object(const char* dictionary, const void* data, int32_t length) {
    if (!pdf_writer.ok) return 0;
    pdf_begin_object();
    pdf_printf(dictionary, static_cast<long>(length));
    pdf_printf("\rstream\r\n");
    pdf_write_bytes(data, static_cast<uint32_t>(length));
    pdf_end_stream();
    pdf_end_object();
    return pdf_writer.ok;
}

// Both halves alike, as for a file that was never changed.
static void write_id(void) {
    unsigned char id[16];
    pdf_hash_id(&pdf_writer.hash, id);
    static const char DIGITS[] = "0123456789ABCDEF";
    char hex[33];
    for (int i = 0; i < 16; ++i) hex[2 * i] = DIGITS[id[i] >> 4], hex[2 * i + 1] = DIGITS[id[i] & 15];
    hex[32] = 0;
    pdf_printf("/ID [ <%s> <%s> ]\r", hex, hex);
}

int pdf_end_document(void) {
    int64_t* offsets = pdf_writer.grown_offsets;
    int32_t last = pdf_writer.next_object;
    // The object after the last needs a slot of its own for the section's position.
    if (offsets != nullptr ? !grow_to(last) : last < 1 || last >= PDF_MAX_OFFSETS) pdf_writer.ok = 0;
    if (pdf_writer.ok) {
        if (offsets != nullptr) offsets = pdf_writer.grown_offsets;  // moved by grow_to
        int64_t start = pdf_writer.bytes_written;
        if (offsets == nullptr) pdf_writer.offsets[last] = static_cast<int32_t>(start);
        pdf_printf("xref\r0 %d\r0000000000 65535 f \r", last);
        for (int32_t i = 1; i < last; i++)
            pdf_printf("%010lld 00000 n \r",
                       static_cast<long long>(offsets != nullptr ? offsets[i] : pdf_writer.offsets[i]));
        pdf_printf("trailer\r<<\r/Size %d\r/Root 1 0 R\r/Info %d 0 R\r", last, pdf_writer.info_object);
        if (pdf_writer.archive) write_id();
        pdf_printf(">>\r");
        pdf_printf("startxref\r%lld\r%%%%EOF\r", static_cast<long long>(start));
    }
    // Closing hands the platform's last buffered bytes to the disk, so it can fail too.
    if (!CloseHandle(pdf_writer.file)) {
        pdf_writer.ok = 0;
        note_last_error(&pdf_writer.failure, FAILED_PDF);
    }
    pdf_writer.file = INVALID_HANDLE_VALUE;
    free(pdf_writer.grown_offsets);
    pdf_writer.grown_offsets = nullptr;
    pdf_writer.grown_capacity = 0;
    return pdf_writer.ok;
}
