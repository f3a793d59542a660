// The image XObject: the JPEG file copied unchanged from its start-of-image
// marker on, 512 bytes at a time, through the handle its scan used, into a
// /DCTDecode stream, or named as an outside file. The image is never decoded.
#include "pdf/pdf_image.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "jpeg/jpeg.h"
#include "pdf/pdf_objects.h"
#include "pdf/pdf_writer.h"
#include "platform/files.h"
#include "platform/path.h"

constexpr DWORD COPY_BLOCK_BYTES = 512;
// How far from the file's end the end-of-image marker is looked for.
constexpr uint32_t END_SEARCH_BYTES = 4096;
constexpr int ANSI_NAME_BYTES = 256;
constexpr uint32_t LARGEST_JPEG_BYTES = 0x7FFFFFFFu;  // its /Length is a 32-bit long on Windows
// Room for the dictionary and the closing pieces around the data.
constexpr int64_t IMAGE_FRAMING_BYTES = 1024;

// The device space, or in an archive the ICC profile's stream that the
// writer names (PDF/A-1 allows device spaces only beside an output intent).
static void colour_space(PdfWriter* writer, char* out, size_t capacity, uint32_t components) {
    const char* decode = components == 4 ? " /Decode [ 1 0 1 0 1 0 1 0 ]" : "";
    if (writer->image_profile_object == 0)
        snprintf(out, capacity, "/Device%s%s", pdf_default_space_name(static_cast<int>(components)), decode);
    else
        snprintf(out, capacity, "[ /ICCBased %d 0 R ]%s", static_cast<int>(writer->image_profile_object), decode);
}

// The file name in the ANSI code page, with the three characters a PDF literal
// string cannot hold bare escaped. 0 when the name needs more than 256 bytes.
static int external_name(const WCHAR* path, char* escaped) {
    char name[ANSI_NAME_BYTES];
    if (WideCharToMultiByte(CP_ACP, 0, path_file_name(path), -1, name, ANSI_NAME_BYTES, nullptr,
                            nullptr) == 0)
        return 0;
    int n = 0;
    for (const char* c = name; *c != 0; ++c) {
        if (*c == '(' || *c == ')' || *c == '\\') escaped[n++] = '\\';
        escaped[n++] = *c;
    }
    escaped[n] = 0;
    return 1;
}

// 1 when the block holds the end-of-image pair 0xFF 0xD9 at or after `from`
// (`*pending`: the block before ended in 0xFF). In the scan's data 0xFF is
// followed only by 0x00 or a restart code, so the first such pair is the end.
static int holds_end(const unsigned char* block, uint32_t count, uint32_t from, int* pending) {
    if (from >= count) return *pending = 0;
    if (*pending && from == 0 && block[0] == 0xD9) return 1;
    *pending = block[count - 1] == 0xFF;
    for (const unsigned char* p = block + from; p + 1 < block + count; ++p) {
        p = static_cast<const unsigned char*>(memchr(p, 0xFF, static_cast<size_t>(block + count - 1 - p)));
        if (p == nullptr) return 0;
        if (p[1] == 0xD9) return 1;
    }
    return 0;
}

// The rare file whose last bytes lack the marker (a trailer after it, or a
// photo cut short) is read once more from the scan on, which stands
// `scan_from` bytes into the `size` just copied; 1 when the marker is there.
static int ends_earlier(HANDLE jpeg, uint32_t size, uint32_t scan_from) {
    unsigned char block[COPY_BLOCK_BYTES];
    int pending = 0;
    const LONG back = -static_cast<LONG>(size - scan_from);
    if (scan_from >= size || SetFilePointer(jpeg, back, nullptr, FILE_CURRENT) == INVALID_SET_FILE_POINTER) return 0;
    for (uint32_t at = scan_from; at < size;) {
        DWORD got = 0;
        const DWORD count = size - at < COPY_BLOCK_BYTES ? size - at : COPY_BLOCK_BYTES;
        if (!ReadFile(jpeg, block, count, &got, nullptr) || got == 0) return 0;
        if (holds_end(block, got, 0, &pending)) return 1;
        at += got;
    }
    return 0;
}

// Copies `size` bytes from `jpeg`, from `start` on, to the output, noting in
// the writer whether the end-of-image marker came after the scan began at
// `scan_from` (bytes from start). 1 when all arrived.
static int copy_jpeg(PdfWriter* writer, HANDLE jpeg, uint32_t start, uint32_t size, uint32_t scan_from) {
    unsigned char block[COPY_BLOCK_BYTES];
    uint32_t remaining = size;
    int ended = 0, pending = 0;
    if (!set_file_position(jpeg, start)) {
        note_last_error(&writer->failure, FAILED_INPUT);
        return 0;
    }
    while (remaining != 0) {
        DWORD count = remaining < COPY_BLOCK_BYTES ? remaining : COPY_BLOCK_BYTES;
        DWORD got = 0;
        // A short read means the file changed under us: the stream would no
        // longer match its /Length, so the copy stops as on a failed read.
        if (!ReadFile(jpeg, block, count, &got, nullptr)) {
            note_last_error(&writer->failure, FAILED_INPUT);
            return 0;
        }
        if (got != count) {
            note_failure(&writer->failure, FAILED_INPUT, "changed while it was read");
            return 0;
        }
        DWORD written = 0;
        if (!WriteFile(writer->file, block, count, &written, nullptr)) {
            note_last_error(&writer->failure, FAILED_PDF);
            return 0;
        }
        writer->bytes_written += count;
        // Every byte: two photos that differ anywhere are two documents.
        if (writer->choices.archive) pdf_hash_bytes(&writer->hash, block, count);
        const uint32_t at = size - remaining;
        // The copy looks at the file's last bytes only: through every byte
        // it would cost a fifth more, and the marker ends almost every file.
        if (!ended && remaining <= END_SEARCH_BYTES + COPY_BLOCK_BYTES)
            ended = holds_end(block, count, scan_from > at ? scan_from - at : 0, &pending);
        remaining -= count;
    }
    if (!ended && !ends_earlier(jpeg, size, scan_from)) ++writer->unended_images;
    return 1;
}

int pdf_write_image(PdfWriter* writer, const WCHAR* path, const OpenJpeg* image, int32_t smask_offset,
                    int external) {
    if (!writer->ok) return 0;
    const ImageInfo* info = &image->info;
    HANDLE jpeg = image->file;

    // Everything that can refuse the image is settled before the object begins.
    char name[2 * ANSI_NAME_BYTES];
    DWORD size_high = 0;
    uint32_t size = 0;
    int refused;
    if (external) {
        refused = !external_name(path, name);
    } else {
        // Bytes before the start-of-image marker are no part of the JPEG:
        // a strict decoder would refuse the stream.
        size = GetFileSize(jpeg, &size_high);
        // The high part matters: a 4 GiB file must not pass for a small one.
        refused = size_high != 0 || size > LARGEST_JPEG_BYTES || info->start >= size;
        if (refused) note_failure(&writer->failure, FAILED_INPUT, "over 2 GiB, more than a PDF image holds");
        if (!refused) size -= static_cast<uint32_t>(info->start);
        if (!refused && writer->bytes_written + size + IMAGE_FRAMING_BYTES > pdf_position_limit(writer)) {
            note_failure(&writer->failure, FAILED_PDF, "larger than a PDF can be");
            refused = 1;
        }
    }
    if (refused) {
        if (external) note_failure(&writer->failure, FAILED_INPUT, "name not in the system's code page");
        writer->ok = 0;
        return 0;
    }

    char space[96];
    colour_space(writer, space, sizeof space, info->components);
    char head[256];
    snprintf(head, sizeof head,
             "<<\r/Type /XObject\r/Subtype /Image\r/Width %d /Height %d\r/BitsPerComponent 8\r"
             "/ColorSpace %s\r",
             static_cast<int>(info->width), static_cast<int>(info->height), space);
    char smask[64] = "";
    if (smask_offset != 0)
        snprintf(smask, sizeof smask, "/SMask %d 0 R\r",
                 static_cast<int>(static_cast<int64_t>(writer->next_object) + smask_offset));

    pdf_begin_object(writer);
    if (external) {
        char reference[2 * ANSI_NAME_BYTES + 32];
        snprintf(reference, sizeof reference, "/F (%s)\r/FFilter /DCTDecode\r", name);
        pdf_printf(writer, "%s%s%s/Length 0\r>>\rstream\rendstream", head, smask, reference);
    } else {
        pdf_printf(writer, "%s%s%s/Length %ld\r>>\rstream\r\n", head, smask, "/Filter /DCTDecode\r",
                   static_cast<long>(size));
        const uint64_t scan_from = info->scan_at > info->start ? info->scan_at - info->start : size;
        int copied = copy_jpeg(writer, jpeg, static_cast<uint32_t>(info->start), size,
                               static_cast<uint32_t>(scan_from < size ? scan_from : size));
        if (writer->ok && !copied) writer->ok = 0;
        pdf_end_stream(writer);
    }
    pdf_end_object(writer);
    return writer->ok;
}
