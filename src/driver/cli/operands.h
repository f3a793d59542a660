// The operands of the command line: the arguments that are neither options
// nor their values. Both passes walk them alike, so both see the same ones.
#pragma once

#include "driver/cli/settings.h"
#include "platform/win32.h"

struct OperandWalk {
    const WCHAR* cursor;
    int posix;          // the POSIX program's options count too
    int options_ended;  // after "--", every argument is an operand
};

// The next operand in `token` (*too_long as next_argument sets it), options
// passed over on the way and, when `settings` is given, taken into them with
// any usage error they make; null at the end of the line.
WCHAR* next_operand(OperandWalk* walk, WCHAR* token, int* too_long, Settings* settings);
