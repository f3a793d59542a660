// One JPEG file to one single-page PDF.
#pragma once

#include "driver/settings.h"
#include "platform/failure.h"
#include "platform/win32.h"

// 1 when output_path was written completely, 0 on any failure (output_path
// then untouched), why noted in `failure`.
int convert_image(const WCHAR* input_path, const WCHAR* output_path, const ConvertSettings* settings,
                  Failure* failure);
