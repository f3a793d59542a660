// The progress line of the POSIX program on a long run: images done of the
// total, bytes, rate and time left, redrawn in place on standard error when
// it is a terminal, at most ten times a second, and erased at the end.
#pragma once

#include <cstdint>

#include "driver/cli/settings.h"
#include "platform/win32.h"

struct Progress {
    int shown;           // standard error is a terminal and the run has more than one image
    long long total;     // -1 when unknown (a list on standard input)
    long long done;
    uint64_t bytes;
    uint64_t start_ms;
    uint64_t drawn_ms;
    int drawn_units;  // the line on the terminal now; 0 when none is
};

// Decides whether the line is shown; only then are the images counted.
void begin_progress(Progress* progress, const Settings* settings);
// One more image handled (converted, skipped or reported).
void note_progress(Progress* progress, const WCHAR* path);
// Erases the line, so that a message or the shell's prompt starts clean.
void clear_progress(Progress* progress);
