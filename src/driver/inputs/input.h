// One image of the run as the inputs give it: its path, and whether it can
// be converted at all.
#pragma once

#include "platform/path.h"
#include "platform/win32.h"

struct Input {
    WCHAR path[PATH_BUFFER_UNITS];
    // It cannot be converted and is reported: the name was cut to fit
    // `path`, or it is a folder that cannot be listed.
    int too_long;
    const char* problem;  // what the POSIX message says of a folder or list that cannot be read; or null
    int relative;  // where the part of `path` that --output-dir mirrors starts
    int standard_input;  // "-": `path` is its copy, reported as "-"
};
