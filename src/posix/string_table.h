// The compiled-in copy of the program's string table that LoadStringW and
// LoadStringA read on POSIX; generated from resources/strings.tsv.
#pragma once

struct PosixString {
    unsigned id;
    const char16_t* text;
};

extern const PosixString posix_strings[];
extern const unsigned posix_string_count;
