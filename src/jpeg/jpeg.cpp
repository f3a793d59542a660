// The JPEG header scanner: finds the start of image, then walks the marker
// segments up to the start of scan, reading frame headers, the JFIF density,
// the EXIF orientation and where the chunks of an embedded ICC profile lie. It never
// reads compressed data, and trusts no length in the file: every move, every
// chunk placement and every EXIF read is computed in 64 bits and checked
// before it is used.
#include "jpeg/jpeg.h"

#include <cstdlib>
#include <initializer_list>
#include <cstring>

#include "jpeg/tiff.h"
#include "platform/files.h"
#include "platform/path.h"

// APP2 ICC chunks are numbered 1 to 255; each carries what its length says.
static const int ICC_CHUNKS = 256;
// IFD0's orientation entry: tag 0x0112, one SHORT (type 3).
static const uint32_t ORIENTATION_TAG = 0x0112;
static const uint32_t TIFF_SHORT = 3;

// What the walk has learned so far; one per scan.
struct ScanState {
    HANDLE file;
    IccProfile** profile;  // null: embedded profiles are ignored
    // Where each ICC chunk's data stands in the file and how long it is, by
    // sequence number; joined in that order once the walk is over.
    uint64_t chunk_at[ICC_CHUNKS];
    uint32_t chunk_bytes[ICC_CHUNKS];
    int highest_chunk;
    int chunks_broken;  // a number repeated, or a chunk too short to hold its header
    uint32_t frame_code;  // of the last frame
    uint32_t precision;   // bits per sample of the last frame
    uint32_t components;
    uint32_t width;
    uint32_t height;
    uint32_t units;
    uint32_t x_density;
    uint32_t y_density;
    uint32_t thumb_width;
    uint32_t thumb_height;
    int exif_seen;  // only the first EXIF segment counts
    uint32_t orientation;
    uint64_t start;  // of the start-of-image marker
    uint64_t exif_at;  // the first EXIF segment's bytes after its length field
    uint32_t exif_bytes;
    uint64_t scan_at;
};

// 1 when exactly `count` bytes were read.
static int read_bytes(HANDLE file, void* buffer, DWORD count) {
    DWORD read = 0;
    return ReadFile(file, buffer, count, &read, nullptr) && read == count;
}

// Moves relative to the current position; 0 when the move fails, including a
// distance that a LONG cannot carry.
static int move_by(HANDLE file, int64_t distance) {
    if (distance < -2147483647 - 1 || distance > 2147483647) return 0;
    return SetFilePointer(file, static_cast<LONG>(distance), nullptr, FILE_CURRENT) !=
           INVALID_SET_FILE_POINTER;
}

static uint32_t read_u16(const unsigned char* bytes) {
    uint16_t value;
    memcpy(&value, bytes, sizeof value);
    return ntohs(value);
}

// Reads one byte at a time up to and including the pair 0xFF 0xD8, whose
// position goes to *start. A pair 0xFF x is consumed whole, so 0xFF 0xFF
// 0xD8 does not count.
static int find_start_of_image(HANDLE file, uint64_t* start) {
    unsigned char byte;
    uint64_t at = 0;
    while (read_bytes(file, &byte, 1)) {
        ++at;
        if (byte != 0xFF) continue;
        if (!read_bytes(file, &byte, 1)) return 0;
        ++at;
        if (byte == 0xD8) {
            *start = at - 2;
            return 1;
        }
    }
    return 0;
}

static int is_frame_code(unsigned code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Start of frame; 8 bytes from the length field:
//   0-1 length, 2 precision, 3-4 lines, 5-6 samples per line, 7 components.
static int read_frame(ScanState* scan, unsigned code) {
    unsigned char field[8];
    if (!read_bytes(scan->file, field, sizeof field)) return 0;
    scan->frame_code = code;
    scan->precision = field[2];
    scan->height = read_u16(field + 3);
    scan->width = read_u16(field + 5);
    scan->components = field[7];
    return move_by(scan->file, int64_t{read_u16(field)} - 8);
}

// APP0; 16 bytes from the length field:
//   0-1 length, 2-6 "JFIF\0", 7-8 version, 9 units, 10-11 X density,
//   12-13 Y density, 14 thumbnail width, 15 thumbnail height.
static int read_app0(ScanState* scan) {
    unsigned char field[16];
    if (!read_bytes(scan->file, field, sizeof field)) return 0;
    if (memcmp(field + 2, "JFIF", 5) == 0) {
        scan->units = field[9];
        scan->x_density = read_u16(field + 10);
        scan->y_density = read_u16(field + 12);
        scan->thumb_width = field[14];
        scan->thumb_height = field[15];
    }
    return move_by(scan->file, int64_t{read_u16(field)} - 16);
}

// IFD0 of an EXIF segment of `length` bytes (from its length field), the file
// standing `*at` bytes into it, past the 8-byte TIFF header at byte 8:
//   0-1 byte order "II" or "MM", 2-3 42, 4-7 offset of IFD0 from the header.
// IFD0 is a 2-byte entry count and 12-byte entries:
//   0-1 tag, 2-3 type, 4-7 count, 8-9 a SHORT value.
// Only what lies inside the segment is read: a broken IFD leaves the
// orientation 0. 0 when a read fails, with `*at` where the file stands.
static int read_orientation(ScanState* scan, const unsigned char* tiff, int64_t length,
                            int64_t* at) {
    const int big_endian = tiff_byte_order(tiff);
    if (big_endian < 0) return 1;
    const int64_t ifd = 8 + int64_t{read_tiff_u32(tiff + 4, big_endian)};
    if (ifd + 2 > length) return 1;
    unsigned char count_field[2];
    if (!move_by(scan->file, ifd - *at) || !read_bytes(scan->file, count_field, 2)) return 0;
    *at = ifd + 2;
    const uint32_t count = read_tiff_u16(count_field, big_endian);
    for (uint32_t n = 0; n < count && *at + 12 <= length; ++n) {
        unsigned char entry[12];
        if (!read_bytes(scan->file, entry, sizeof entry)) return 0;
        *at += 12;
        if (read_tiff_u16(entry, big_endian) != ORIENTATION_TAG) continue;
        const uint32_t value = read_tiff_u16(entry + 8, big_endian);
        if (read_tiff_u16(entry + 2, big_endian) == TIFF_SHORT &&
            read_tiff_u32(entry + 4, big_endian) == 1 && value >= 1 && value <= 8)
            scan->orientation = value;
        return 1;
    }
    return 1;
}

// APP1; the first one that starts "Exif\0\0" holds the orientation:
//   0-1 length, 2-7 "Exif\0\0", 8-15 TIFF header. Every read stays inside
// the segment, so the walk goes on as if it had been passed over.
static int read_app1(ScanState* scan) {
    unsigned char length_field[2];
    if (!read_bytes(scan->file, length_field, sizeof length_field)) return 0;
    const int64_t length = read_u16(length_field);
    int64_t at = 2;
    int exif_here = 0;
    if (!scan->exif_seen && length >= 8) {
        unsigned char identifier[6];
        if (!read_bytes(scan->file, identifier, sizeof identifier)) return 0;
        at = 8;
        if (memcmp(identifier, "Exif\0\0", 6) == 0) {
            scan->exif_seen = exif_here = 1;
            unsigned char tiff[8];
            if (length >= 16) {
                if (!read_bytes(scan->file, tiff, sizeof tiff)) return 0;
                at = 16;
                if (!read_orientation(scan, tiff, length, &at)) return 0;
            }
        }
    }
    // The move's answer, the segment's end, tells where it stands in the file.
    const LONG rest = static_cast<LONG>(length - at);
    const DWORD end = SetFilePointer(scan->file, rest, nullptr, FILE_CURRENT);
    if (end == INVALID_SET_FILE_POINTER) return 0;
    if (exif_here) {
        scan->exif_bytes = static_cast<uint32_t>(length - 2);
        scan->exif_at = end - scan->exif_bytes;
    }
    return 1;
}


// APP2; 16 bytes from the length field:
//   0-1 length, 2-13 "ICC_PROFILE\0", 14 chunk number (from 1), 15 chunk count.
// An ICC chunk is only noted here; its data is passed over.
static int read_app2(ScanState* scan) {
    unsigned char field[16];
    if (!read_bytes(scan->file, field, sizeof field)) return 0;
    const int64_t length = read_u16(field);
    if (scan->profile != nullptr && memcmp(field + 2, "ICC_PROFILE", 12) == 0) {
        const int sequence = field[14];
        const int64_t at = move_file_position(scan->file, 0);
        if (length < 16 || sequence == 0 || scan->chunk_bytes[sequence] != 0 || at < 0) {
            scan->chunks_broken = 1;
        } else {
            scan->chunk_at[sequence] = static_cast<uint64_t>(at);
            scan->chunk_bytes[sequence] = static_cast<uint32_t>(length - 16);
            if (length == 16) scan->chunks_broken = 1;  // an empty chunk cannot be told from a missing one
            if (sequence > scan->highest_chunk) scan->highest_chunk = sequence;
        }
    }
    return move_by(scan->file, length - 16);
}

// The chunks joined by number, each by its own length: only when every
// number from 1 to the highest came once and they hold at least the size
// the profile declares (that many bytes are taken); else null.
static IccProfile* join_icc_chunks(const ScanState* scan) {
    if (scan->highest_chunk == 0 || scan->chunks_broken) return nullptr;
    uint64_t joined = 0;
    for (int n = 1; n <= scan->highest_chunk; ++n) {
        if (scan->chunk_bytes[n] == 0) return nullptr;
        joined += scan->chunk_bytes[n];
    }
    unsigned char declared_field[4];
    if (scan->chunk_bytes[1] < 4 || !set_file_position(scan->file, scan->chunk_at[1]) ||
        !read_bytes(scan->file, declared_field, sizeof declared_field))
        return nullptr;
    uint32_t declared;
    memcpy(&declared, declared_field, sizeof declared);
    declared = ntohl(declared);
    if (declared > joined) return nullptr;
    IccProfile* profile = icc_allocate(declared);
    if (profile == nullptr) return nullptr;
    uint32_t filled = 0;
    for (int n = 1; n <= scan->highest_chunk && filled < declared; ++n) {
        const uint32_t take = declared - filled < scan->chunk_bytes[n] ? declared - filled : scan->chunk_bytes[n];
        if (!set_file_position(scan->file, scan->chunk_at[n]) || !read_bytes(scan->file, icc_bytes(profile) + filled, take)) {
            free(profile);
            return nullptr;
        }
        filled += take;
    }
    return profile;
}

// Any other segment: a 2-byte length, then data passed over unread.
static int skip_segment(HANDLE file) {
    unsigned char field[2];
    if (!read_bytes(file, field, sizeof field)) return 0;
    return move_by(file, int64_t{read_u16(field)} - 2);
}

// How a walk of the markers ended.
enum WalkEnd { WALK_AT_SCAN, WALK_AT_END, WALK_CUT, WALK_NO_MARKER };

// Marker by marker until the start of scan, an ending code, or a read or move
// that fails.
static int walk_markers(ScanState* scan) {
    for (;;) {
        unsigned char marker[2];
        if (!read_bytes(scan->file, marker, sizeof marker)) return WALK_CUT;
        if (marker[0] != 0xFF) return WALK_NO_MARKER;
        unsigned code = marker[1];
        // Any number of fill bytes 0xFF may stand before a marker's code.
        while (code == 0xFF) {
            unsigned char next;
            if (!read_bytes(scan->file, &next, 1)) return WALK_CUT;
            code = next;
        }
        if (code == 0xDA) {
            const int64_t at = move_file_position(scan->file, 0);
            scan->scan_at = at > 0 ? static_cast<uint64_t>(at) : 0;
            return WALK_AT_SCAN;
        }
        int going = 1;
        if (code == 0x00 || code == 0xD8 || code == 0xD9)
            return WALK_AT_END;
        else if (is_frame_code(code))
            going = read_frame(scan, code);
        else if (code == 0xE0)
            going = read_app0(scan);
        else if (code == 0xE1)
            going = read_app1(scan);
        else if (code == 0xE2)
            going = read_app2(scan);
        else if (code == 0x01 || (code >= 0xD0 && code <= 0xD7))
            going = 1;  // a marker without a length
        else
            going = skip_segment(scan->file);
        if (!going) return WALK_CUT;
    }
}

// Points from pixels at the JFIF density. Units 1 are dots per inch, 2 dots
// per centimetre; anything else, or a density of 0 on either axis, makes one
// pixel one point on both axes.
static void fill_info(const ScanState* scan, ImageInfo* info) {
    info->components = scan->components;
    info->width = scan->width;
    info->height = scan->height;
    info->thumb_width = scan->thumb_width;
    info->thumb_height = scan->thumb_height;
    info->orientation = scan->orientation;
    info->start = scan->start;
    info->exif_at = scan->exif_at;
    info->exif_bytes = scan->exif_bytes;
    info->scan_at = scan->scan_at;
    double x_per_inch = 0.0;
    double y_per_inch = 0.0;
    if (scan->units == 1) {
        x_per_inch = scan->x_density;
        y_per_inch = scan->y_density;
    } else if (scan->units == 2) {
        x_per_inch = scan->x_density * 2.54;
        y_per_inch = scan->y_density * 2.54;
    }
    if (x_per_inch > 0.0 && y_per_inch > 0.0) {
        info->width_pt = scan->width * 72.0 / x_per_inch;
        info->height_pt = scan->height * 72.0 / y_per_inch;
    } else {
        info->width_pt = scan->width;
        info->height_pt = scan->height;
    }
}

// PDF's DCT filter hands readers 8-bit samples of the baseline, extended
// sequential and progressive processes, Huffman or arithmetic coded; a reader
// shows no other image, so a PDF holding one would be a failure reported as
// success. Why not, or null when it can.
static const char* unshowable(const ScanState* scan) {
    const uint32_t code = scan->frame_code;
    if (code == 0xC3 || code == 0xC7 || code == 0xCB || code == 0xCF) return "lossless JPEG: no PDF reader shows it";
    if (code == 0xC5 || code == 0xC6 || code == 0xCD || code == 0xCE)
        return "hierarchical JPEG: no PDF reader shows it";
    if (scan->precision == 12) return "12-bit JPEG: no PDF reader shows it";
    if (scan->precision != 8) return "samples other than 8-bit: no PDF reader shows it";
    return nullptr;
}

// What a file with no start-of-image marker is, by its first bytes.
static const char* not_jpeg_reason(HANDLE file) {
    unsigned char head[12] = {};
    const int64_t at = move_file_position(file, 0);
    DWORD got = 0;
    if (at < 0 || move_file_position(file, -at) != 0 || !ReadFile(file, head, sizeof head, &got, nullptr))
        return "not a JPEG file";
    if (got == 0) return "empty file";
    static const struct { const char* magic; uint32_t at, length; const char* reason; } kinds[] = {
        {"\x89PNG", 0, 4, "not a JPEG file (PNG image)"},  {"GIF8", 0, 4, "not a JPEG file (GIF image)"},
        {"II*\0", 0, 4, "not a JPEG file (TIFF image)"},   {"MM\0*", 0, 4, "not a JPEG file (TIFF image)"},
        {"WEBP", 8, 4, "not a JPEG file (WebP image)"},     {"ftypheic", 4, 8, "not a JPEG file (HEIC image)"},
        {"ftypheix", 4, 8, "not a JPEG file (HEIC image)"}, {"ftypmif1", 4, 8, "not a JPEG file (HEIF image)"},
        {"ftypavif", 4, 8, "not a JPEG file (AVIF image)"}, {"%PDF", 0, 4, "not a JPEG file (PDF document)"},
        {"BM", 0, 2, "not a JPEG file (BMP image)"},
    };
    for (const auto& kind : kinds)
        if (kind.at + kind.length <= got && memcmp(head + kind.at, kind.magic, kind.length) == 0) return kind.reason;
    return "not a JPEG file";
}

// Why a walk gave no picture a PDF can hold, or null when it did.
static const char* walk_failure(const ScanState* scan, int end) {
    if (scan->frame_code == 0)
        return end == WALK_CUT ? "cut short before its frame header" : "no frame header before its image data";
    if (scan->components == 0 || scan->width == 0 || scan->height == 0) return "no picture size in its frame header";
    return unshowable(scan);
}

int is_jpeg_name(const WCHAR* path) {
    const WCHAR* extension = path_extension(path);
    if (extension == nullptr || *extension == 0) return 0;
    for (const WCHAR* known : {WIDE("jpg"), WIDE("jpeg"), WIDE("jpe"), WIDE("jfif")})
        if (same_text_ignoring_ascii_case(extension + 1, known)) return 1;
    return 0;
}

// The scan of both: the file left open in *kept when it is given and the scan succeeded.
static int scan_file(const WCHAR* path, ImageInfo* info, IccProfile** profile, Failure* failure, HANDLE* kept) {
    if (kept != nullptr) *kept = INVALID_HANDLE_VALUE;
    if (!is_jpeg_name(path)) {
        // Never opened: what the name stands for is asked here, once.
        if (is_folder(path)) {
            SetLastError(ERROR_DIRECTORY);
            note_last_error(failure, FAILED_INPUT);
        }
        note_failure(failure, FAILED_INPUT, "not a JPEG name (.jpg, .jpeg, .jpe or .jfif)");
        return 0;
    }

    ScanState scan = {};
    scan.profile = profile;
    IccProfile* joined = nullptr;
    const char* why = nullptr;
    scan.file = open_file(path, GENERIC_READ, OPEN_EXISTING);
    if (scan.file == INVALID_HANDLE_VALUE) {
        note_last_error(failure, FAILED_INPUT);
        why = "cannot be opened";
    } else {
        if (find_start_of_image(scan.file, &scan.start))
            why = walk_failure(&scan, walk_markers(&scan));
        else
            why = not_jpeg_reason(scan.file);
        if (profile != nullptr) joined = join_icc_chunks(&scan);
        if (why != nullptr || kept == nullptr) CloseHandle(scan.file);
    }

    if (profile != nullptr) {
        *profile = nullptr;
        if (icc_is_valid(joined))
            *profile = joined;
        else
            free(joined);
    }
    if (why != nullptr) {
        note_failure(failure, FAILED_INPUT, why);
        return 0;
    }
    fill_info(&scan, info);
    if (kept != nullptr) *kept = scan.file;
    return 1;
}

int open_jpeg(const WCHAR* path, OpenJpeg* jpeg, IccProfile** profile, Failure* failure) {
    return scan_file(path, &jpeg->info, profile, failure, &jpeg->file);
}

void close_jpeg(OpenJpeg* jpeg) {
    if (jpeg->file != INVALID_HANDLE_VALUE) CloseHandle(jpeg->file);
    jpeg->file = INVALID_HANDLE_VALUE;
}

int scan_jpeg(const WCHAR* path, ImageInfo* info, IccProfile** profile, Failure* failure) {
    return scan_file(path, info, profile, failure, nullptr);
}
