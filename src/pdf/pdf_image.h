// The image XObject: a JPEG file copied unchanged into a /DCTDecode stream,
// or referred to by name.
#pragma once

#include <cstdint>

#include "platform/win32.h"

int pdf_write_image(const WCHAR* path, int32_t smask_offset, int external);
