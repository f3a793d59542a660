// The conversion driver: the command-line batch and the conversion of one image.
#pragma once

#include <cstdint>

#include "icc/icc.h"
#include "jpeg/jpeg.h"
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
// Scans a JPEG and chooses its profile, for one PDF or one page alike: the
// embedded one unless its colour space is none a PDF can name, else the
// first slot of the image's component count, else null. 0 when the scan
// fails. *embedded_profile is the caller's to free (null on failure).
int scan_and_choose_profile(const WCHAR* input_path, ImageInfo* info, IccProfile** embedded_profile,
                            const IccProfile* gray_profile, const IccProfile* rgb_profile,
                            const IccProfile* cmyk_profile, const IccProfile** chosen);
// The file-name part of a path as a page label (cut to fit), shown as the
// user sees the name.
void copy_label(WCHAR* label, const WCHAR* path);

// "~kestrel-NNNN.tmp" (number 0-9999) and its zero, in the output's folder.
constexpr int TEMPORARY_NAME_UNITS = 18;
// Forms the name of a document's temporary file beside output_path; 0 when
// it would not fit PATH_BUFFER_UNITS units or number has more than 4 digits.
int make_temporary_path(const WCHAR* output_path, int number, WCHAR* temporary_path);

// Many images into one PDF at output_path. The document is written to a
// temporary file beside it (its name in temporary_path, PATH_BUFFER_UNITS
// units), which replaces output_path only once complete. 0 when it could not
// be begun (nothing is left on disk).
int begin_merged_document(const WCHAR* output_path, WCHAR* temporary_path);
// 1 when the image became the next page; 0 when it was left out and the
// document goes on; -1 when the document failed with it.
int add_merged_image(const WCHAR* input_path, const IccProfile* gray_profile,
                     const IccProfile* rgb_profile, const IccProfile* cmyk_profile,
                     uint32_t convert_flags);
// Finishes the document and moves it over output_path: 1 when written; 0
// when it had no page, -1 when it failed (output_path untouched either way,
// the temporary file removed). After a failed page it only cleans up.
int end_merged_document(const WCHAR* output_path, const WCHAR* temporary_path);
