// The program's messages. The usage text is built from the option table, so
// that what --help lists is exactly what the program takes.
#include "driver/messages.h"

#include <cstdio>
#include <cstring>

#include "driver/cli/options.h"

// NAME, then ": " and the reason when there is one, cut to fit.
static void compose(WCHAR* text, const WCHAR* name, const char* reason) {
    int n = 0;
    while (name[n] != 0 && n < PATH_BUFFER_UNITS) text[n] = name[n], ++n;
    if (reason != nullptr) {
        text[n++] = WIDE(':'), text[n++] = WIDE(' ');
        for (const char* c = reason; *c != 0 && n < MESSAGE_UNITS - 1; ++c) text[n++] = static_cast<WCHAR>(*c);
    }
    text[n] = 0;
}

void report_failure(const Settings* settings, const WCHAR* name, const char* reason, int windows_says_why,
                    FailureSummary* summary) {
    WCHAR text[MESSAGE_UNITS];
    const int posix = (settings->flags & RUN_POSIX) != 0;
    if (posix || summary == nullptr) {
        compose(text, name, posix || windows_says_why ? reason : nullptr);
        MessageBoxW(nullptr, text, WIDE("Kestrel Error"), MB_OK);
        return;
    }
    if (summary->count < SUMMARY_LINES) compose(summary->lines[summary->count], name, reason);
    ++summary->count;
}

void report_unended(const Settings* settings, const WCHAR* name) {
    if (!(settings->flags & RUN_POSIX)) return;
    WCHAR text[MESSAGE_UNITS];
    compose(text, name, "no end-of-image marker, perhaps cut short; converted as it is");
    write_console_line(GetStdHandle(STD_ERROR_HANDLE), "Kestrel Warning: ", text);
}

static int append_ascii(WCHAR* text, int n, const char* ascii) {
    while (*ascii != 0) text[n++] = static_cast<WCHAR>(*ascii++);
    return n;
}

void show_failure_summary(const FailureSummary* summary) {
    if (summary->count == 0) return;
    static WCHAR text[(SUMMARY_LINES + 2) * MESSAGE_UNITS];
    char line[96];
    snprintf(line, sizeof line, "%d could not be converted:\n", summary->count);
    int n = append_ascii(text, 0, line);
    for (int i = 0; i < summary->count && i < SUMMARY_LINES; ++i) {
        for (const WCHAR* c = summary->lines[i]; *c != 0; ++c) text[n++] = *c;
        text[n++] = WIDE('\n');
    }
    if (summary->count > SUMMARY_LINES) {
        snprintf(line, sizeof line, "and %d more.", summary->count - SUMMARY_LINES);
        n = append_ascii(text, n, line);
    }
    text[n] = 0;
    MessageBoxW(nullptr, text, WIDE("Kestrel Error"), MB_OK);
}

// ASCII text through the wide console call, in pieces of a fixed buffer.
static int write_ascii(HANDLE console, const char* text) {
    WCHAR units[128];
    size_t length = std::strlen(text);
    int ok = 1;
    while (length > 0) {
        DWORD n = 0;
        while (n < 128 && n < length) units[n] = static_cast<WCHAR>(text[n]), ++n;
        DWORD written = 0;
        if (!WriteConsoleW(console, units, n, &written, nullptr)) ok = 0;
        text += n;
        length -= n;
    }
    return ok;
}

int write_console_line(HANDLE console, const char* prefix, const WCHAR* text) {
    int ok = write_ascii(console, prefix);
    DWORD units = 0;
    while (text[units] != 0) ++units;
    DWORD written = 0;
    if (units > 0 && !WriteConsoleW(console, text, units, &written, nullptr)) ok = 0;
    return write_ascii(console, "\n") && ok;
}

void report_usage_error(const Settings* settings) {
    if (!(settings->flags & RUN_POSIX)) {
        // Windows has no standard error: the message box says what is wrong
        // with which argument.
        WCHAR text[PATH_BUFFER_UNITS + 96];
        int n = 0;
        for (const char* c = settings->usage_error; *c != 0 && n < 90; ++c) text[n++] = static_cast<WCHAR>(*c);
        text[n++] = WIDE(':');
        text[n++] = WIDE(' ');
        for (const WCHAR* c = settings->bad_argument; *c != 0; ++c) text[n++] = *c;
        text[n] = 0;
        report_failure(settings, text, nullptr, 0, nullptr);
        return;
    }
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    char prefix[96] = "kestrel: ";
    std::strncat(prefix, settings->usage_error, sizeof prefix - 12);
    std::strcat(prefix, ": ");
    write_console_line(err, prefix, settings->bad_argument);
    write_console_line(err, "Try 'kestrel --help' for more information.", WIDE(""));
}

int write_usage(HANDLE console) {
    int ok = write_ascii(console,
                "Usage: kestrel [OPTION]... IMAGE.jpg... [PROFILE.icc]...\n"
                "Turns each JPEG into a PDF beside it (photo.jpg gives photo.pdf), the JPEG\n"
                "data copied unchanged. ICC profiles (.icc, .icm) named anywhere on the line\n"
                "serve the images of their colour space that carry no profile of their own.\n"
                "With -o, the images instead become the pages of one PDF, in order.\n"
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
        if (width > 26) {
            // A long name and value: the help text starts on the next line.
            write_ascii(console, line);
            write_ascii(console, "\n");
            width = 0;
        }
        while (width < 28) line[width++] = ' ';
        line[width] = 0;
        ok &= write_ascii(console, line);
        ok &= write_ascii(console, option->help);
        ok &= write_ascii(console, "\n");
    }
    ok &= write_ascii(console,
                "  -                         as an image: standard input (with -o)\n"
                "  -o -                      the one PDF to standard output, as it is written\n");
    return write_ascii(console,
                "\n"
                "Exit status: 0 when every image converted, 1 when one or more could not be\n"
                "(each is named on standard error), 2 for a usage error.\n"
                "With SOURCE_DATE_EPOCH (seconds since 1970) set, both dates of every PDF are\n"
                "that instant in UTC, so runs over the same files give the same bytes.\n"
                "See kestrel(1) for profiles, page size and examples.\n") && ok;
}

int write_version(HANDLE console) {
    return write_ascii(console, "kestrel " KESTREL_VERSION "\n");
}
