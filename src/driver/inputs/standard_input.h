// "-" as an image: standard input copied to a file, since an image is read
// more than once (scanned, then copied into the PDF).
#pragma once

#include "platform/win32.h"

// Copies standard input to "-.jpg" in a folder of its own, made under the
// temporary folder, a chunk at a time; its path in `held`. 0 when it could
// not, with nothing left behind.
int hold_standard_input(WCHAR* held);
// Removes the copy and its folder; `held` becomes empty.
void release_standard_input(WCHAR* held);
