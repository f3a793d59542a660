// The PDF object writer: a value its caller owns, one document at a time;
// objects framed and numbered by counting, positions recorded for the
// cross-reference table. Writers share nothing, so each thread may have one.
#pragma once

#include <cstdint>

#include "pdf/pdf_date.h"
#include "pdf/pdf_id.h"
#include "pdf/pdf_choices.h"
#include "platform/failure.h"
#include "platform/win32.h"

constexpr int PDF_MAX_OFFSETS = 1000;
// The largest position the classic cross-reference's ten digits can hold.
constexpr int64_t PDF_LARGEST_POSITION = 9999999999;

// A writer that holds no document is zeroed: `PdfWriter writer = {};`.
struct PdfWriter {
    HANDLE file;
    int ok;
    int64_t bytes_written;
    int32_t next_object;
    // The one-page documents: a fixed table and signed 32-bit positions.
    int32_t offsets[PDF_MAX_OFFSETS];
    // Documents of any number of pages use this table instead while it is
    // attached: grown as objects begin, positions up to PDF_LARGEST_POSITION.
    int64_t* grown_offsets;
    int32_t grown_capacity;
    int32_t info_object;
    int32_t first_font_object;
    int32_t pages_object;
    int32_t first_page_object;
    int32_t first_content_object;
    int32_t first_image_object;
    DocumentChoices choices;  // as the document's beginning was given them
    struct MergedDocument* merged;  // the many-page document's tables while one is written
    // PDF/A-1b: the XMP stream, the ICC stream the next image is drawn in
    // (0: its device space), the hash of the bytes so far.
    int32_t metadata_object;
    int32_t image_profile_object;
    DocumentHash hash;
    Failure failure;  // why ok went to 0, where that is known
    int32_t unended_images;  // images copied whose scan had no end-of-image marker after it
};

#if defined(__MINGW32__)
#define PDF_PRINTF_FORMAT __attribute__((format(gnu_printf, 2, 3)))
#else
#define PDF_PRINTF_FORMAT __attribute__((format(printf, 2, 3)))
#endif

// The writer's state as its callers read it: every write of the document so
// far succeeded; a document's file is open (pdf_end_document closes it).
int pdf_writer_ok(const PdfWriter* writer);
int pdf_writer_is_open(const PdfWriter* writer);
// Why the document failed, as the writer noted it, handed on to `failure`.
void pdf_hand_failure(const PdfWriter* writer, Failure* failure);
// Images of the document so far with no end-of-image marker after their scan.
int32_t pdf_unended_images(const PdfWriter* writer);

void pdf_begin_object(PdfWriter* writer);
void pdf_end_object(PdfWriter* writer);
// Attaches an empty grown table (0 when memory runs out); the end of the
// document releases it.
int pdf_attach_grown_offsets(PdfWriter* writer);
// The furthest position the attached table can list: 32-bit for the fixed
// table, PDF_LARGEST_POSITION for the grown one.
int64_t pdf_position_limit(const PdfWriter* writer);
// An object whose number was taken earlier (next_object moved past it
// without writing), written now; next_object stays where it is.
void pdf_begin_reserved_object(PdfWriter* writer, int32_t number);
void pdf_end_reserved_object(PdfWriter* writer);
void pdf_printf(PdfWriter* writer, const char* format, ...) PDF_PRINTF_FORMAT;
void pdf_write_text(PdfWriter* writer, const WCHAR* text);
int32_t pdf_encode_text(unsigned char* out, const WCHAR* text);
// The end of a stream's data: an end of line PDF/A accepts before endstream
// in an archive document, a lone CR otherwise.
void pdf_end_stream(PdfWriter* writer);
// The start of a new file's bytes: the count and, for an archive, the hash.
void pdf_begin_bytes(PdfWriter* writer);
int pdf_write_stream_object(PdfWriter* writer, const char* dictionary, const void* data, int32_t length);
int pdf_end_document(PdfWriter* writer);

// Hands `length` bytes to the output file under the write rule: a failed
// write clears ok; bytes_written grows by length either way.
void pdf_write_bytes(PdfWriter* writer, const void* data, uint32_t length);

