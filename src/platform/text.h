// Rules for single text units that hold whatever the locale: ASCII letter
// case, and the characters XML 1.0 cannot carry.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// A-Z as a-z; every other unit as it is.
WCHAR fold_ascii_case(WCHAR unit);
// 1 for a character no XML text may hold: a control character other than
// tab and the line ends, U+FFFE, U+FFFF.
int xml_forbids(uint32_t code);
// 1 when no unit of `text` is one XML forbids (a surrogate half is carried
// as U+FFFD).
int xml_can_hold(const WCHAR* text);
