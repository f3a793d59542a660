// The option table, its lookup, and the usage and version texts built from it,
// so that what --help lists is exactly what the program takes.
#include "driver/options.h"

#include <cstring>

const OptionSpec option_table[] = {
    {OPTION_VERBOSE, "-v", "--verbose", OPTION_POSIX_ONLY, nullptr,
     "print the path of each PDF written"},
    {OPTION_AUTO_ORIENT, nullptr, "--auto-orient", 0, nullptr,
     "turn each page as the photo's EXIF orientation says"},
    {OPTION_HELP, "-h", "--help", OPTION_POSIX_ONLY, nullptr, "show this help and exit"},
    {OPTION_VERSION, "-V", "--version", OPTION_POSIX_ONLY, nullptr, "show the version and exit"},
    {OPTION_END_OF_OPTIONS, nullptr, "--", OPTION_POSIX_ONLY, nullptr,
     "end of options: every later argument is a file"},
};
const int option_count = sizeof option_table / sizeof option_table[0];

// Whole-string equality of UTF-16 text and an ASCII name.
static int same_name(const WCHAR* text, const char* name) {
    if (name == nullptr) return 0;
    while (*name != 0 && static_cast<unsigned char>(*name) == *text) ++name, ++text;
    return *name == 0 && *text == 0;
}

const OptionSpec* find_option(const WCHAR* argument, int posix) {
    for (int i = 0; i < option_count; ++i) {
        const OptionSpec* option = &option_table[i];
        if ((option->flags & OPTION_POSIX_ONLY) && !posix) continue;
        if (same_name(argument, option->short_name) || same_name(argument, option->long_name))
            return option;
    }
    return nullptr;
}

// ASCII text through the wide console call, in pieces of a fixed buffer.
static void write_ascii(HANDLE console, const char* text) {
    WCHAR units[128];
    size_t length = std::strlen(text);
    while (length > 0) {
        DWORD n = 0;
        while (n < 128 && n < length) units[n] = static_cast<WCHAR>(text[n]), ++n;
        DWORD written = 0;
        WriteConsoleW(console, units, n, &written, nullptr);
        text += n;
        length -= n;
    }
}

void write_console_line(HANDLE console, const char* prefix, const WCHAR* text) {
    write_ascii(console, prefix);
    DWORD units = 0;
    while (text[units] != 0) ++units;
    DWORD written = 0;
    if (units > 0) WriteConsoleW(console, text, units, &written, nullptr);
    write_ascii(console, "\n");
}

void write_usage(HANDLE console) {
    write_ascii(console,
                "Usage: kestrel [OPTION]... IMAGE.jpg... [PROFILE.icc]...\n"
                "Turns each JPEG into a PDF beside it (photo.jpg gives photo.pdf), the JPEG\n"
                "data copied unchanged. ICC profiles (.icc, .icm) named anywhere on the line\n"
                "serve the images of their colour space that carry no profile of their own.\n"
                "\n");
    for (int i = 0; i < option_count; ++i) {
        const OptionSpec* option = &option_table[i];
        char line[160] = "  ";
        std::strcat(line, option->short_name != nullptr ? option->short_name : "  ");
        std::strcat(line, option->short_name != nullptr ? ", " : "  ");
        std::strcat(line, option->long_name);
        if (option->value_name != nullptr) {
            std::strcat(line, " ");
            std::strcat(line, option->value_name);
        }
        size_t width = std::strlen(line);
        while (width < 28) line[width++] = ' ';
        line[width] = 0;
        write_ascii(console, line);
        write_ascii(console, option->help);
        write_ascii(console, "\n");
    }
    write_ascii(console,
                "\n"
                "Exit status: 0 when every image converted, 1 when one or more could not be\n"
                "(each is named on standard error), 2 for a usage error.\n"
                "See kestrel(1) for profiles, page size and examples.\n");
}

void write_version(HANDLE console) {
    write_ascii(console, "kestrel " KESTREL_VERSION "\n");
}
