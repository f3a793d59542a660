// Random bytes from the system's generator, for names no one can foresee.
#pragma once

#include "platform/win32.h"

// 1 when `count` random bytes were written to `buffer`.
int fill_random(unsigned char* buffer, DWORD count);
