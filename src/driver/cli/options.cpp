// The option table and the one place an option's value reaches the settings:
// by the kind of value, never by the option, so a new option is a new row.
#include "driver/cli/options.h"

#include <cstdio>
#include <cstring>

#include "driver/cli/layout_values.h"
#include "platform/path.h"
#include "platform/text.h"

// A help text's further lines start under its first.
#define HELP_INDENT "\n                            "

const OptionSpec option_table[] = {
    {"-o", "--output", OPTION_PDF_NAME, 0, 0, offsetof(Settings, output), "NAME.pdf",
     "put the images, in order, as the pages of one PDF"},
    {"-v", "--verbose", OPTION_RUN_FLAG, OPTION_POSIX_ONLY, RUN_VERBOSE, 0, nullptr,
     "print the path of each PDF written"},
    {nullptr, "--auto-orient", OPTION_CONVERT_FLAG, 0, CONVERT_AUTO_ORIENT, 0, nullptr,
     "turn each page as the photo's EXIF orientation says"},
    {nullptr, "--rotate", OPTION_CHOICE, 0, 0, offsetof(Settings, convert.turn), "90|180|270",
     "turn every page clockwise by that many degrees (after"
     HELP_INDENT "--auto-orient), the JPEG unchanged"},
    {"-r", "--recursive", OPTION_RUN_FLAG, 0, RUN_RECURSIVE, 0, nullptr,
     "a folder stands for the JPEGs of its whole tree"},
    {nullptr, "--files-from", OPTION_PATH, 0, 0, offsetof(Settings, files_from), "FILE",
     "also the images named in FILE (-: standard input)"},
    {nullptr, "--null", OPTION_RUN_FLAG, 0, RUN_NULL, 0, nullptr,
     "the names in FILE end in NUL, not newline"},
    {nullptr, "--output-dir", OPTION_PATH, 0, 0, offsetof(Settings, output_dir), "DIR",
     "write the PDFs below DIR, not beside the images"},
    {nullptr, "--outline", OPTION_CONVERT_FLAG, 0, CONVERT_OUTLINE, 0, nullptr,
     "with -o, bookmarks: one per page by its file name,"
     HELP_INDENT "with -r in entries for the folders on the way"},
    {nullptr, "--sort", OPTION_RUN_FLAG, 0, RUN_SORT, 0, nullptr,
     "the images named (and in FILE) in natural order, as -r"
     HELP_INDENT "takes a folder's (page2 before page10)"},
    {"-u", "--update", OPTION_RUN_FLAG, 0, RUN_UPDATE, 0, nullptr,
     "only the images whose PDF is missing or older"},
    {"-q", "--quiet", OPTION_RUN_FLAG, OPTION_POSIX_ONLY, RUN_QUIET, 0, nullptr,
     "no progress line on a terminal"},
    {"-j", "--jobs", OPTION_JOBS, 0, 0, offsetof(Settings, jobs), "N",
     "convert N photos at once (1 to 64; default: one per"
     HELP_INDENT "processor, at most 8)"},
    // Page layout: the JPEG unchanged, only the page and the matrix that places it.
    {nullptr, "--page-size", OPTION_PAGE_SIZE, 0, 0, offsetof(Settings, convert.layout.sheet), "SIZE",
     "every page SIZE: A3, A4, A5, B5, Letter, Legal, Tabloid,"
     HELP_INDENT "or WxH in mm, cm, in or pt (210x297mm, 8.5x11in);"
     HELP_INDENT "turned to match each picture, unless SIZE ends in"
     HELP_INDENT "-portrait or -landscape (A4-portrait)"},
    {nullptr, "--fit", OPTION_CHOICE, 0, 0, offsetof(Settings, convert.layout.fit), "into|fill|shrink",
     "with --page-size, the picture centred: into (the"
     HELP_INDENT "default), the whole picture as large as fits; fill,"
     HELP_INDENT "the page covered, the overflow cut off; shrink, as"
     HELP_INDENT "into but never larger than the picture's own size"},
    {nullptr, "--margin", OPTION_LENGTH, 0, 0, offsetof(Settings, convert.layout.margin_pt), "LENGTH",
     "a blank border of LENGTH (10mm, 0.5in) on every side"},
    {nullptr, "--dpi", OPTION_RESOLUTION, 0, 0, offsetof(Settings, convert.layout.dpi), "N",
     "N pixels per inch (1 to 65535) for every picture, in"
     HELP_INDENT "place of its own resolution"},
    // --- PDF/A and document metadata
    {nullptr, "--pdfa", OPTION_CONVERT_FLAG, 0, CONVERT_PDFA, 0, nullptr,
     "write PDF/A-1b; refuse photos it cannot carry"},
    {nullptr, "--title", OPTION_TEXT, 0, 0, offsetof(Settings, convert.metadata.title), "TEXT",
     "the title of every PDF (default: its file name)"},
    {nullptr, "--author", OPTION_TEXT, 0, 0, offsetof(Settings, convert.metadata.author), "TEXT",
     "the author of every PDF"},
    {nullptr, "--subject", OPTION_TEXT, 0, 0, offsetof(Settings, convert.metadata.subject), "TEXT",
     "the subject (default: the profile's description)"},
    {nullptr, "--keywords", OPTION_TEXT, 0, 0, offsetof(Settings, convert.metadata.keywords), "TEXT",
     "the keywords of every PDF"},
    {nullptr, "--exif-date", OPTION_CONVERT_FLAG, 0, CONVERT_EXIF_DATE, 0, nullptr,
     "creation date: when the photo was taken (EXIF)"},
    // --- end of PDF/A and document metadata
    {"-h", "--help", OPTION_RUN_FLAG, OPTION_POSIX_ONLY, RUN_HELP, 0, nullptr,
     "show this help and exit"},
    {"-V", "--version", OPTION_RUN_FLAG, OPTION_POSIX_ONLY, RUN_VERSION, 0, nullptr,
     "show the version and exit"},
    {nullptr, "--", OPTION_END_OF_OPTIONS, OPTION_POSIX_ONLY, 0, 0, nullptr,
     "end of options: every later argument is a file"},
};
const int option_count = sizeof option_table / sizeof option_table[0];

// Equality of UTF-16 text, up to `end` (or its zero), and a whole ASCII name.
static int same_name(const WCHAR* text, const WCHAR* end, const char* name) {
    if (name == nullptr) return 0;
    while (*name != 0 && text != end && static_cast<unsigned char>(*name) == *text) ++name, ++text;
    return *name == 0 && (text == end || *text == 0);
}

static const OptionSpec* find_named(const WCHAR* name, const WCHAR* end, int posix) {
    for (int i = 0; i < option_count; ++i) {
        const OptionSpec* option = &option_table[i];
        if ((option->flags & OPTION_POSIX_ONLY) && !posix) continue;
        if (same_name(name, end, option->short_name) || same_name(name, end, option->long_name))
            return option;
    }
    return nullptr;
}

const OptionSpec* find_option(const WCHAR* argument, int posix) {
    return find_named(argument, nullptr, posix);
}

const OptionSpec* find_option_with_value(const WCHAR* argument, int posix, const WCHAR** value) {
    if (argument[0] != WIDE('-') || argument[1] != WIDE('-')) return nullptr;
    const WCHAR* equals = argument + 2;
    while (*equals != 0 && *equals != WIDE('=')) ++equals;
    if (*equals == 0) return nullptr;
    *value = equals + 1;
    return find_named(argument, equals, posix);
}

void note_usage_error(Settings* settings, const char* what, const WCHAR* argument) {
    if (settings->usage_error != nullptr) return;
    settings->usage_error = what;
    copy_text(settings->bad_argument, argument, PATH_BUFFER_UNITS);
}

static_assert(TEXT_VALUE_UNITS >= PATH_BUFFER_UNITS, "a text field holds any value");

// The 1-based place of `value` among the words of `choices` ("a|b|c"), or 0.
static uint32_t choice_number(const char* choices, const WCHAR* value) {
    uint32_t number = 1;
    for (const char* word = choices;; ++number) {
        const WCHAR* at = value;
        while (*word != 0 && *word != '|' && static_cast<unsigned char>(*word) == *at) ++word, ++at;
        if ((*word == 0 || *word == '|') && *at == 0) return number;
        while (*word != 0 && *word != '|') ++word;
        if (*word++ == 0) return 0;
    }
}

// A value read into its field by its kind; what is wrong with it, or null.
// Only layout values are read so far, so the layout is checked as a whole
// after each: the second of a margin and a page size may leave no room.
static const char* read_value(const OptionSpec* option, const WCHAR* value, Settings* settings) {
    char* field = reinterpret_cast<char*>(settings) + option->field;
    const char* error = nullptr;
    if (option->kind == OPTION_PAGE_SIZE) error = read_page_size(value, reinterpret_cast<PageSize*>(field));
    if (option->kind == OPTION_LENGTH) error = read_length(value, reinterpret_cast<double*>(field));
    if (option->kind == OPTION_RESOLUTION) error = read_resolution(value, reinterpret_cast<double*>(field));
    if (option->kind == OPTION_CHOICE) {
        uint32_t number = choice_number(option->value_name, value);
        if (number == 0) {
            static char not_a_choice[80];
            snprintf(not_a_choice, sizeof not_a_choice, "not one of %s", option->value_name);
            return not_a_choice;
        }
        *reinterpret_cast<uint32_t*>(field) = number;
    }
    return error != nullptr ? error : layout_conflict(&settings->convert.layout);
}

// The option's long name as wide text, in a buffer the next call reuses.
static const WCHAR* option_name(const OptionSpec* option) {
    static WCHAR name[32];
    int n = 0;
    for (const char* c = option->long_name; *c != 0 && n < 31; ++c) name[n++] = static_cast<WCHAR>(*c);
    name[n] = 0;
    return name;
}

void take_option(const OptionSpec* option, const WCHAR* value, Settings* settings) {
    char* base = reinterpret_cast<char*>(settings);
    if (option->value_name != nullptr) {
        const uint64_t row = uint64_t{1} << (option - option_table);
        if (settings->values_given & row) return note_usage_error(settings, "option given twice", option_name(option));
        settings->values_given |= row;
    }
    switch (option->kind) {
    case OPTION_RUN_FLAG: settings->flags |= option->bit; break;
    case OPTION_CONVERT_FLAG: settings->convert.flags |= option->bit; break;
    case OPTION_PDF_NAME:
        if (!same_text_ignoring_ascii_case(path_extension(value), WIDE(".pdf")) &&
            !((settings->flags & RUN_POSIX) && is_standard_stream(value)))
            return note_usage_error(settings, "the output must be a name ending in .pdf", value);
        copy_text(reinterpret_cast<WCHAR*>(base + option->field), value, PATH_BUFFER_UNITS);
        break;
    case OPTION_PAGE_SIZE:
    case OPTION_LENGTH:
    case OPTION_RESOLUTION:
    case OPTION_CHOICE: {
        const char* error = read_value(option, value, settings);
        if (error != nullptr) return note_usage_error(settings, error, value);
        break;
    }
    case OPTION_PATH: {
        WCHAR* field = reinterpret_cast<WCHAR*>(base + option->field);
        copy_text(field, value, PATH_BUFFER_UNITS);
        if (shows_as_empty(value)) return note_usage_error(settings, "empty name", option_name(option));
        break;
    }
    case OPTION_TEXT: {
        WCHAR* field = reinterpret_cast<WCHAR*>(base + option->field);
        copy_text(field, value, TEXT_VALUE_UNITS);
        name_as_shown(field);  // as typed: no escapes, '/' on POSIX
        // The XMP packet of --pdfa must say what the dictionary says.
        if (!xml_can_hold(field))
            return note_usage_error(settings, "text with a control character", value);
        break;
    }
    case OPTION_JOBS: {
        int count = 0;
        const WCHAR* digit = value;
        while (*digit >= WIDE('0') && *digit <= WIDE('9') && count <= MOST_JOBS) count = 10 * count + (*digit++ - WIDE('0'));
        if (*digit != 0 || digit == value || count < 1 || count > MOST_JOBS)
            return note_usage_error(settings, "not a number of jobs from 1 to 64", value);
        *reinterpret_cast<int*>(base + option->field) = count;
        break;
    }
    case OPTION_END_OF_OPTIONS: break;
    }
}
