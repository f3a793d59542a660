// The JPEG header scanner: walks the marker segments up to the start of scan
// for what the PDF needs, never decoding image data.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "platform/failure.h"
#include "platform/win32.h"

struct ImageInfo {
    uint32_t components;  // from the last start-of-frame segment
    uint32_t width;       // pixels
    uint32_t height;      // pixels
    double width_pt;      // points, from the JFIF X density
    double height_pt;     // points, from the JFIF Y density
    uint32_t thumb_width;
    uint32_t thumb_height;
    uint32_t orientation;  // EXIF 1-8, or 0 when absent, unreadable or out of range
    uint64_t start;        // where the start-of-image marker stands: the JPEG begins there
    // The first EXIF segment: where its bytes after the length field stand
    // ("Exif\0\0" first), and how many there are; 0 bytes when there is none.
    uint64_t exif_at;
    uint32_t exif_bytes;
    uint64_t scan_at;  // where the first scan's data begins (after its marker); 0 when none was found
};

// 1 for a name whose extension is .jpg, .jpeg, .jpe or .jfif in any letter case.
int is_jpeg_name(const WCHAR* path);

// 1 with `info` filled, or 0 with why noted in `failure` (when given), also
// for a last frame a PDF reader cannot show (samples other than 8-bit, a
// lossless or hierarchical process). With `profile` non-null, an embedded ICC
// profile (or null) is handed back there on every return after the extension
// test.
int scan_jpeg(const WCHAR* path, ImageInfo* info, IccProfile** profile, Failure* failure);

// A photo opened and scanned once: the reads that follow (its EXIF date, the
// copy into a PDF) use the same handle. open_jpeg is scan_jpeg that leaves
// `file` open on success; close_jpeg closes it (INVALID_HANDLE_VALUE after
// a failure, and after the close).
struct OpenJpeg {
    HANDLE file;
    ImageInfo info;
};
int open_jpeg(const WCHAR* path, OpenJpeg* jpeg, IccProfile** profile, Failure* failure);
void close_jpeg(OpenJpeg* jpeg);
