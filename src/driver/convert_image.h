// One JPEG file to one single-page PDF.
#pragma once

#include "driver/cli/settings.h"
#include "pdf/pdf_writer.h"
#include "platform/failure.h"
#include "platform/win32.h"

// The PDF written by `writer` into a temporary file beside output_path, whose
// name goes to temporary_path (PATH_BUFFER_UNITS units): 1 when that file
// holds the complete document, for finish_temporary_document to move over
// output_path; 0 on any failure, nothing left on disk, why noted in `failure`.
int write_image_document(PdfWriter* writer, const WCHAR* input_path, const WCHAR* output_path,
                         const ConvertSettings* settings, WCHAR* temporary_path, Failure* failure);
// Both steps: 1 when output_path was written completely, 0 on any failure
// (output_path then untouched), why noted in `failure`.
int convert_image(PdfWriter* writer, const WCHAR* input_path, const WCHAR* output_path,
                  const ConvertSettings* settings, Failure* failure);
