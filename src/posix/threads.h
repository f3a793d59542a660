// The threads' side of CloseHandle: a thread's handle is a slot of threads.cpp.
#pragma once

#include "posix/win32_posix.h"

// 1 when `handle` was a thread's (then released; the thread was waited for).
int posix_close_thread(HANDLE handle);
