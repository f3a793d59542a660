// The conversion driver: the command-line batch and the conversion of one image.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "platform/win32.h"

// A path of up to 261 units and its terminating zero.
constexpr int PATH_BUFFER_UNITS = 262;

// The POSIX program: its own options (--help, --version, -v, --), usage
// errors, and exit status 0 all converted, 1 some reported, 2 usage error.
constexpr uint32_t BATCH_POSIX = 1u;

// Returns the exit code: always 0 without BATCH_POSIX.
int run_batch(HINSTANCE module_instance, uint32_t batch_flags);
// The next blank-separated argument copied into `token` (PATH_BUFFER_UNITS
// units), cursor moved past it; null when the list has ended. An argument too
// long for the buffer is cut to fit and flagged in *too_long (when given);
// the cursor still moves past all of it.
WCHAR* next_argument(const WCHAR** cursor, WCHAR* token, int* too_long);
// Forms the PDF path for an image argument: the extension of its file-name
// part replaced by ".pdf" (appended when it has none). 0 when it would not fit
// PATH_BUFFER_UNITS units.
int make_output_path(const WCHAR* argument, WCHAR* output);
// The page turned and mirrored as the photo's EXIF orientation says.
constexpr uint32_t CONVERT_AUTO_ORIENT = 1u;

int convert_image(const WCHAR* input_path, const WCHAR* output_path,
                  const IccProfile* gray_profile, const IccProfile* rgb_profile,
                  const IccProfile* cmyk_profile, uint32_t convert_flags);
