// The option table, shared by both programs, and reading an option's value
// into the settings. Entries flagged OPTION_POSIX_ONLY are options of the
// POSIX program alone; on Windows such an argument stays a file name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/cli/settings.h"
#include "platform/win32.h"

constexpr uint32_t OPTION_POSIX_ONLY = 1u;

// What an option does with the settings; an entry with a value_name takes
// the next argument (or the text after "=") as its value.
enum OptionKind {
    OPTION_RUN_FLAG,      // sets `bit` in Settings::flags
    OPTION_CONVERT_FLAG,  // sets `bit` in ConvertSettings::flags
    OPTION_PDF_NAME,      // a name ending in ".pdf" ("-" too on POSIX), copied to the text at `field`
    OPTION_PATH,          // any file or folder name, copied to the text at `field`
    OPTION_PAGE_SIZE,     // a page size, into the PageSize at `field`
    OPTION_LENGTH,        // a number and a unit, into the points (double) at `field`
    OPTION_RESOLUTION,    // dots per inch, into the double at `field`
    OPTION_CHOICE,        // one of the words of value_name ("a|b|c"): 1 + its index, uint32_t
    OPTION_TEXT,          // any text XML can hold, copied as the user sees it to `field`
    OPTION_JOBS,          // a whole number from 1 to MOST_JOBS, into the int at `field`
    OPTION_END_OF_OPTIONS,
};

struct OptionSpec {
    const char* short_name;  // or null
    const char* long_name;
    OptionKind kind;
    uint32_t flags;          // OPTION_ bits
    uint32_t bit;            // the flag an OPTION_*_FLAG sets
    size_t field;            // where a value goes: its offset in Settings
    const char* value_name;  // the value shown in --help; null: takes none
    const char* help;
};

extern const OptionSpec option_table[];
extern const int option_count;

// The entry `argument` names, or null. POSIX-only entries count only for the
// POSIX program (`posix` non-zero).
const OptionSpec* find_option(const WCHAR* argument, int posix);
// The entry whose name is `argument` up to its first '=' (the GNU form
// --name=value), or null; *value is the text after the '='.
const OptionSpec* find_option_with_value(const WCHAR* argument, int posix, const WCHAR** value);

// Takes the option (its value when it has one) into the settings, or notes
// in them the usage error it makes.
void take_option(const OptionSpec* option, const WCHAR* value, Settings* settings);
// Notes the first usage error of the line: what is wrong, with `argument`.
void note_usage_error(Settings* settings, const char* what, const WCHAR* argument);
