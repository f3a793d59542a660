// What the program tells its user: a message box (on POSIX one line on
// standard error) for each failure, and the POSIX program's usage, version
// and usage-error texts on its standard handles.
#pragma once

#include "driver/settings.h"
#include "platform/win32.h"

// The message box captioned "Kestrel Error" that names what failed; the
// POSIX program adds why after the name when `reason` is given (Windows'
// boxes show the name alone, as they always have).
void report_failure(const Settings* settings, const WCHAR* argument, const char* reason);
// What is wrong with the command line: POSIX, two lines on standard error;
// Windows, the failure message for the argument.
void report_usage_error(const Settings* settings);
// One line: an ASCII prefix, then text (a path shown as the user typed it).
// Each returns 0 when a write failed (a full disk, a closed pipe).
int write_console_line(HANDLE console, const char* prefix, const WCHAR* text);
int write_usage(HANDLE console);
int write_version(HANDLE console);
