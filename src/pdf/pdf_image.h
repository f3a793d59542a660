// The image XObject: a JPEG file copied unchanged into a /DCTDecode stream,
// or referred to by name.
#pragma once

#include <cstdint>

#include "jpeg/jpeg.h"
#include "platform/win32.h"

struct PdfWriter;

// `image` is the photo at `path`, opened and scanned; the writer reads it
// from its start-of-image marker on and leaves it open. With `external`
// only the file's name is written.
int pdf_write_image(PdfWriter* writer, const WCHAR* path, const OpenJpeg* image, int32_t smask_offset,
                    int external);
