// The PDF object writer: object frames, formatted pieces, text strings, stream
// objects and the cross-reference section, all straight to the output file.
#include "pdf/pdf_writer.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Working buffer sizes; the callers keep their pieces and texts within them.
constexpr int OBJECT_HEADER_BYTES = 256;
constexpr int PRINTF_BYTES = 2052;
// A metadata text in UTF-16 with a byte-order mark, every byte escaped at worst.
constexpr int TEXT_BYTES = 4 * METADATA_TEXT_UNITS + 16;

int pdf_writer_ok(const PdfWriter* writer) {
    return writer->ok;
}

void pdf_hand_failure(const PdfWriter* writer, Failure* failure) {
    if (writer->failure.reason == nullptr) return;
    note_failure(failure, writer->failure.file, writer->failure.reason);
    if (failure != nullptr && failure->reason == writer->failure.reason) failure->error = writer->failure.error;
}

int32_t pdf_unended_images(const PdfWriter* writer) {
    return writer->unended_images;
}

int pdf_writer_is_open(const PdfWriter* writer) {
    return writer->file != INVALID_HANDLE_VALUE && writer->file != nullptr;
}

int64_t pdf_position_limit(const PdfWriter* writer) {
    return writer->grown_offsets != nullptr ? PDF_LARGEST_POSITION : INT32_MAX;
}

void pdf_write_bytes(PdfWriter* writer, const void* data, uint32_t length) {
    // A piece that would carry the file past the positions the table can hold
    // could never be listed in the cross-reference section, so it is refused.
    if (static_cast<int64_t>(length) > pdf_position_limit(writer) - writer->bytes_written) {
        writer->ok = 0;
        note_failure(&writer->failure, FAILED_PDF, "larger than a PDF can be");
    } else {
        DWORD written = 0;
        if (!WriteFile(writer->file, data, length, &written, nullptr)) {
            writer->ok = 0;
            note_last_error(&writer->failure, FAILED_PDF);
        }
    }
    // The count grows whether or not the write succeeded.
    writer->bytes_written += length;
    if (writer->choices.archive) pdf_hash_bytes(&writer->hash, data, length);
}

void pdf_begin_bytes(PdfWriter* writer) {
    writer->bytes_written = 0;
    pdf_hash_begin(&writer->hash);
}

void pdf_end_stream(PdfWriter* writer) {
    // PDF/A-1 wants an end of line before endstream that no reader can take
    // for a part of the data: a CR alone is not one.
    if (writer->choices.archive)
        pdf_write_bytes(writer, "\r\nendstream", 11);
    else
        pdf_write_bytes(writer, "\rendstream", 10);
}

int pdf_attach_grown_offsets(PdfWriter* writer) {
    writer->grown_capacity = 1024;
    writer->grown_offsets =
        static_cast<int64_t*>(calloc(static_cast<size_t>(writer->grown_capacity), sizeof(int64_t)));
    return writer->grown_offsets != nullptr;
}

// Room in the grown table for object `number` and the one after it (the
// cross-reference section's position); the table doubles as needed.
static int grow_to(PdfWriter* writer, int32_t number) {
    if (number < 1 || number >= INT32_MAX / 2) return 0;
    int32_t capacity = writer->grown_capacity;
    if (number + 1 < capacity) return 1;
    while (number + 1 >= capacity) capacity *= 2;
    void* grown = realloc(writer->grown_offsets, static_cast<size_t>(capacity) * sizeof(int64_t));
    if (grown == nullptr) return 0;
    writer->grown_offsets = static_cast<int64_t*>(grown);
    for (int32_t i = writer->grown_capacity; i < capacity; i++) writer->grown_offsets[i] = 0;
    writer->grown_capacity = capacity;
    return 1;
}

static void begin_object_numbered(PdfWriter* writer, int32_t number) {
    if (writer->grown_offsets != nullptr) {
        if (grow_to(writer, number))
            writer->grown_offsets[number] = writer->bytes_written;
        else
            writer->ok = 0;
    } else if (number < 1 || number >= PDF_MAX_OFFSETS - 1) {
        // Slot number + 1 must stay free for the cross-reference position.
        writer->ok = 0;
    } else {
        writer->offsets[number] = static_cast<int32_t>(writer->bytes_written);
    }
    char header[OBJECT_HEADER_BYTES];
    int n = snprintf(header, sizeof header, "%d 0 obj\r", number);
    pdf_write_bytes(writer, header, static_cast<uint32_t>(n));
}

void pdf_begin_object(PdfWriter* writer) {
    begin_object_numbered(writer, writer->next_object);
}

void pdf_begin_reserved_object(PdfWriter* writer, int32_t number) {
    if (number >= writer->next_object) writer->ok = 0;  // never taken
    begin_object_numbered(writer, number);
}

void pdf_end_reserved_object(PdfWriter* writer) {
    pdf_write_bytes(writer, "\rendobj\r", 8);
}

void pdf_end_object(PdfWriter* writer) {
    pdf_write_bytes(writer, "\rendobj\r", 8);
    writer->next_object++;
}

void pdf_printf(PdfWriter* writer, const char* format, ...) {
    char piece[PRINTF_BYTES];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    // A piece cut short would corrupt the document silently; refuse it whole.
    if (n < 0 || n >= PRINTF_BYTES) {
        writer->ok = 0;
        return;
    }
    pdf_write_bytes(writer, piece, static_cast<uint32_t>(n));
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

void pdf_write_text(PdfWriter* writer, const WCHAR* text) {
    unsigned char encoded[TEXT_BYTES];
    int32_t n = encode_text_bounded(encoded, TEXT_BYTES, text);
    // Half a string would still parse but say something else; write none of it.
    if (n > TEXT_BYTES) {
        writer->ok = 0;
        return;
    }
    pdf_write_bytes(writer, encoded, static_cast<uint32_t>(n));
}

int pdf_write_stream_object(PdfWriter* writer, const char* dictionary, const void* data, int32_t length) {
    if (!writer->ok) return 0;
    pdf_begin_object(writer);
    pdf_printf(writer, dictionary, static_cast<long>(length));
    pdf_printf(writer, "\rstream\r\n");
    pdf_write_bytes(writer, data, static_cast<uint32_t>(length));
    pdf_end_stream(writer);
    pdf_end_object(writer);
    return writer->ok;
}

// Both halves alike, as for a file that was never changed.
static void write_id(PdfWriter* writer) {
    unsigned char id[16];
    pdf_hash_id(&writer->hash, id);
    static const char DIGITS[] = "0123456789ABCDEF";
    char hex[33];
    for (int i = 0; i < 16; ++i) hex[2 * i] = DIGITS[id[i] >> 4], hex[2 * i + 1] = DIGITS[id[i] & 15];
    hex[32] = 0;
    pdf_printf(writer, "/ID [ <%s> <%s> ]\r", hex, hex);
}

int pdf_end_document(PdfWriter* writer) {
    int64_t* offsets = writer->grown_offsets;
    int32_t last = writer->next_object;
    // The object after the last needs a slot of its own for the section's position.
    if (offsets != nullptr ? !grow_to(writer, last) : last < 1 || last >= PDF_MAX_OFFSETS) writer->ok = 0;
    if (writer->ok) {
        if (offsets != nullptr) offsets = writer->grown_offsets;  // moved by grow_to
        int64_t start = writer->bytes_written;
        if (offsets == nullptr) writer->offsets[last] = static_cast<int32_t>(start);
        pdf_printf(writer, "xref\r0 %d\r0000000000 65535 f \r", last);
        for (int32_t i = 1; i < last; i++)
            pdf_printf(writer, "%010lld 00000 n \r",
                       static_cast<long long>(offsets != nullptr ? offsets[i] : writer->offsets[i]));
        pdf_printf(writer, "trailer\r<<\r/Size %d\r/Root 1 0 R\r/Info %d 0 R\r", last, writer->info_object);
        if (writer->choices.archive) write_id(writer);
        pdf_printf(writer, ">>\r");
        pdf_printf(writer, "startxref\r%lld\r%%%%EOF\r", static_cast<long long>(start));
    }
    // Closing hands the platform's last buffered bytes to the disk, so it can fail too.
    if (!CloseHandle(writer->file)) {
        writer->ok = 0;
        note_last_error(&writer->failure, FAILED_PDF);
    }
    writer->file = INVALID_HANDLE_VALUE;
    free(writer->grown_offsets);
    writer->grown_offsets = nullptr;
    writer->grown_capacity = 0;
    return writer->ok;
}
