// Reading the command line into the run's settings: the program path, the
// options and the profiles named; the images are read later, one by one.
#pragma once

#include <cstdint>

#include "driver/cli/settings.h"

// The first pass over the command line, for the program (RUN_POSIX in
// run_flags or not). 0 when the line holds not even the program path.
int read_settings(Settings* settings, uint32_t run_flags);
// Releases what the settings own (the profiles).
void release_settings(Settings* settings);
// The run's layout once the whole line is read: --fit needs --page-size.
// Notes the usage error in the settings.
void check_layout(Settings* settings);
