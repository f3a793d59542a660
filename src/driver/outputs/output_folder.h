// Where a single-file PDF goes with --output-dir, the folders it needs, and
// whether --update may leave it as it is.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// DIR, a separator, then the input's path from `relative` on with its
// extension replaced by ".pdf"; 0 when it would not fit PATH_BUFFER_UNITS.
int make_output_in_folder(const WCHAR* folder, const WCHAR* input_path, int relative, WCHAR* output);
// Creates the missing folders on the way to the file `path`, outermost
// first; 0 when one is neither there nor can be made.
int make_parent_folders(const WCHAR* path);
// When `path` was last written, in the file system's ticks; 0 when it cannot be asked.
int last_write_ticks(const WCHAR* path, uint64_t* ticks);
// 1 when `output` exists and was last written no earlier than `input`.
int is_up_to_date(const WCHAR* input, const WCHAR* output);
