// GetStdHandle and WriteConsoleW on POSIX: standard input, output and error,
// with Windows-form text written in its POSIX form, so a path reads as typed;
// whether one is a terminal, and a clock for redrawing a line on one.
#include <cerrno>
#include <ctime>
#include <string>
#include <unistd.h>

#include "posix/names.h"
#include "posix/process.h"
#include "posix/win32_posix.h"

// Handles are a descriptor plus one, as in the file calls.
HANDLE GetStdHandle(DWORD which) {
    int fd = which == STD_INPUT_HANDLE ? 0 : which == STD_OUTPUT_HANDLE ? 1 : which == STD_ERROR_HANDLE ? 2 : -1;
    if (fd < 0 || posix_closed_at_start(fd)) return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

BOOL WriteConsoleW(HANDLE console, const void* text, DWORD units, LPDWORD written, LPVOID reserved) {
    (void)reserved;
    if (written != nullptr) *written = 0;
    if (console == INVALID_HANDLE_VALUE || console == nullptr || text == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(console) - 1);
    std::string bytes = posix_native_text(static_cast<const WCHAR*>(text), units);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            SetLastError(n == 0 || errno == ENOSPC ? ERROR_DISK_FULL : errno == EPIPE ? ERROR_BROKEN_PIPE : ERROR_WRITE_FAULT);
            return FALSE;
        }
        done += static_cast<size_t>(n);
    }
    if (written != nullptr) *written = units;
    return TRUE;
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
    if (mode != nullptr) *mode = 0;
    if (console == INVALID_HANDLE_VALUE || console == nullptr) return FALSE;
    return isatty(static_cast<int>(reinterpret_cast<intptr_t>(console) - 1)) ? TRUE : FALSE;
}

uint64_t GetTickCount64(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
}
