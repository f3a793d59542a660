// The images of a run, one at a time, from wherever the settings say they
// come; the conversion sees only each image's path.
#pragma once

#include "driver/operands.h"
#include "driver/settings.h"
#include "platform/win32.h"

struct InputSource {
    OperandWalk walk;  // the command line's operands, in order
};

struct Input {
    WCHAR path[PATH_BUFFER_UNITS];
    int too_long;  // the argument was cut to fit `path`: it cannot be converted
};

void begin_inputs(InputSource* source, const Settings* settings);
// The next image in `input`; 0 when there is none left.
int next_input(InputSource* source, Input* input);
