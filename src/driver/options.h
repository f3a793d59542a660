// The command-line options: one table that both programs read. Entries marked
// OPTION_POSIX_ONLY are options of the POSIX program alone; on Windows such an
// argument stays what it always was, a file name.
#pragma once

#include <cstdint>

#include "platform/win32.h"

constexpr uint32_t OPTION_POSIX_ONLY = 1u;
constexpr uint32_t OPTION_TAKES_VALUE = 2u;  // the next argument is its value

enum OptionCode {
    OPTION_VERBOSE,
    OPTION_AUTO_ORIENT,
    OPTION_HELP,
    OPTION_VERSION,
    OPTION_END_OF_OPTIONS,
};

struct OptionSpec {
    OptionCode code;
    const char* short_name;  // or null
    const char* long_name;
    uint32_t flags;
    const char* value_name;  // shown in the help of an option that takes a value
    const char* help;
};

extern const OptionSpec option_table[];
extern const int option_count;

// The entry `argument` names, or null. POSIX-only entries count only for the
// POSIX program (`posix` non-zero).
const OptionSpec* find_option(const WCHAR* argument, int posix);

// The POSIX program's texts, written to a standard handle.
void write_usage(HANDLE console);
void write_version(HANDLE console);
// One line: an ASCII prefix, then text (a path shown as the user typed it).
void write_console_line(HANDLE console, const char* prefix, const WCHAR* text);
