// What the program tells its user: a message box (on POSIX one line on
// standard error) for each failure, and the POSIX program's usage, version
// and usage-error texts on its standard handles.
#pragma once

#include "driver/cli/settings.h"
#include "platform/win32.h"

// Failures a run with folders or lists keeps for its one box at the end.
constexpr int SUMMARY_LINES = 20;
constexpr int MESSAGE_UNITS = PATH_BUFFER_UNITS + 160;
struct FailureSummary {
    int count;
    WCHAR lines[SUMMARY_LINES][MESSAGE_UNITS];
};

// What failed told: the POSIX program's line "Kestrel Error: NAME: reason"
// (the reason when given); the message box captioned "Kestrel Error" that
// names what failed, adding why only when `windows_says_why` (Windows' boxes
// show the name alone, as they always have, but for an option's refusal). With
// `summary`, Windows keeps the failure for one box at the end instead.
void report_failure(const Settings* settings, const WCHAR* name, const char* reason, int windows_says_why,
                    FailureSummary* summary);
// The POSIX program's warning that an image converted as it is lacks its
// end-of-image marker (a photo cut short); nothing on Windows.
void report_unended(const Settings* settings, const WCHAR* name);
// The one box of a run that kept its failures: how many, the first
// SUMMARY_LINES with their reasons, and how many more. Nothing when none failed.
void show_failure_summary(const FailureSummary* summary);
// What is wrong with the command line: POSIX, two lines on standard error;
// Windows, the failure message for the argument.
void report_usage_error(const Settings* settings);
// One line: an ASCII prefix, then text (a path shown as the user typed it).
// Each returns 0 when a write failed (a full disk, a closed pipe).
int write_console_line(HANDLE console, const char* prefix, const WCHAR* text);
int write_usage(HANDLE console);
int write_version(HANDLE console);
