// What the program tells its user: a message box (on POSIX one line on
// standard error) for each failure, and the POSIX program's usage, version
// and usage-error texts on its standard handles.
#pragma once

#include "driver/settings.h"
#include "platform/win32.h"

// The message box captioned "Kestrel Error" that names what failed.
void report_failure(const WCHAR* argument);
// What is wrong with the command line: POSIX, two lines on standard error;
// Windows, the failure message for the argument.
void report_usage_error(const Settings* settings);
// One line: an ASCII prefix, then text (a path shown as the user typed it).
void write_console_line(HANDLE console, const char* prefix, const WCHAR* text);
void write_usage(HANDLE console);
void write_version(HANDLE console);
