// MessageBoxW on POSIX: one line "<caption>: <text>" on standard error, with
// paths shown in their POSIX form; the user has nothing to dismiss.
#include <cstdio>
#include <string>

#include "posix/names.h"
#include "posix/win32_posix.h"

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    (void)owner, (void)style;
    std::string line = caption != nullptr ? posix_native_path(caption) : std::string();
    line += ": ";
    if (text != nullptr) line += posix_native_path(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return IDOK;
}
