// The one header through which the core sees the Win32 API: the real one on
// Windows, our own POSIX stand-in (src/posix) everywhere else.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>
// Wide string literal in the platform's UTF-16 character type.
#define WIDE(text) L##text
// A file name is shown as it is stored (the POSIX stand-in undoes its escapes).
inline void name_as_shown(LPWSTR name) {
    (void)name;
}
// A list file's name is UTF-8 text, its folders separated by '\' or '/' (the
// core splits at '\' alone); 0 when it does not fit.
inline int name_from_list(const char* bytes, int count, LPWSTR name, int capacity) {
    int units = count == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, bytes, count, name, capacity - 1);
    if (units <= 0) return 0;
    name[units] = 0;
    for (int i = 0; i < units; ++i)
        if (name[i] == L'/') name[i] = L'\\';
    return 1;
}
#else
#include "posix/win32_posix.h"
#define WIDE(text) u##text
#endif
