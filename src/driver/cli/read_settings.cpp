// The first pass: the program path decides how files are opened, the options
// fill the settings, and each profile argument is loaded into its slot before
// any image is converted, so a profile serves the images named before it too.
#include "driver/cli/read_settings.h"

#include "driver/cli/operands.h"
#include "driver/cli/next_argument.h"
#include "driver/cli/options.h"
#include "driver/page/profiles.h"
#include "platform/files.h"
#include "platform/path.h"

// Names compare as the file system does: bytes on POSIX, ASCII letters in
// either case on Windows.
static int same_file_name(const WCHAR* a, const WCHAR* b, int posix) {
    if (!posix) return same_text_ignoring_ascii_case(a, b);
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

// -o writes a new PDF: never over one of the line's own inputs, and on POSIX
// only with an image to put in it.
static void check_output(Settings* settings) {
    const int posix = (settings->flags & RUN_POSIX) != 0;
    if (settings->output[0] == 0 || settings->usage_error != nullptr) return;
    OperandWalk walk = {settings->operands, posix, 0};
    WCHAR token[PATH_BUFFER_UNITS];
    int too_long = 0;
    int images = 0;
    while (next_operand(&walk, token, &too_long, nullptr) != nullptr) {
        if (same_file_name(token, settings->output, posix) && !is_standard_stream(token))
            return note_usage_error(settings, "the output is also an input", token);
        if (too_long || !is_profile_argument(token)) ++images;
    }
    // Images may also come from --files-from.
    if (images == 0 && posix && settings->files_from[0] == 0) note_usage_error(settings, "no image for the document", settings->output);
}

// Options that make no sense together are usage errors, noted after all of
// them are read, whatever their order.
static void check_combinations(Settings* settings, int standard_inputs) {
    const int merging = settings->output[0] != 0;
    if (merging && settings->output_dir[0] != 0) note_usage_error(settings, "not with -o", WIDE("--output-dir"));
    // Standard input's PDF would have no place beside it.
    if (standard_inputs > 0 && !merging) note_usage_error(settings, "standard input needs -o", WIDE("-"));
    if (standard_inputs + is_standard_stream(settings->files_from) > 1)
        note_usage_error(settings, "standard input read twice", WIDE("-"));
    if ((settings->flags & RUN_NULL) && settings->files_from[0] == 0)
        note_usage_error(settings, "needs --files-from", WIDE("--null"));
    if ((settings->convert.flags & CONVERT_OUTLINE) && !merging) note_usage_error(settings, "needs -o", WIDE("--outline"));
    // A file where the PDFs' folder should be would fail every image alike.
    const DWORD attributes = settings->output_dir[0] != 0 ? GetFileAttributesW(settings->output_dir) : 0;
    if (attributes != INVALID_FILE_ATTRIBUTES && settings->output_dir[0] != 0 &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        note_usage_error(settings, "not a folder", settings->output_dir);
    // A document is no text for a terminal (as gzip refuses compressed data).
    DWORD mode = 0;
    if ((settings->flags & RUN_POSIX) && is_standard_stream(settings->output) &&
        GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode))
        note_usage_error(settings, "standard output is a terminal; redirect it to a file or pipe", WIDE("-o -"));
}

// The reproducible-builds convention: with SOURCE_DATE_EPOCH set, every date
// written is that instant (seconds since 1970, UTC). A value that is not such
// a number up to the end of year 9999 is a usage error, never ignored.
static void read_source_date(Settings* settings) {
    WCHAR value[32];
    const DWORD units = GetEnvironmentVariableW(WIDE("SOURCE_DATE_EPOCH"), value, 32);
    if (units == 0) return;
    int64_t seconds = 0;
    int valid = units < 32;
    for (DWORD i = 0; valid && i < units; ++i) {
        valid = value[i] >= WIDE('0') && value[i] <= WIDE('9') && seconds <= 25340230079;
        seconds = seconds * 10 + (value[i] - WIDE('0'));
    }
    if (!valid || seconds > 253402300799) {
        if (units >= 32) value[0] = 0;
        return note_usage_error(settings, "SOURCE_DATE_EPOCH is not a number of seconds", value);
    }
    settings->convert.metadata.fixed_date = 1;
    settings->convert.metadata.fixed_seconds = seconds;
}

int read_settings(Settings* settings, uint32_t run_flags) {
    *settings = Settings{};
    settings->flags = run_flags;
    WCHAR token[PATH_BUFFER_UNITS];
    OperandWalk walk = {GetCommandLineW(), (run_flags & RUN_POSIX) != 0, 0};
    if (next_argument(&walk.cursor, token, nullptr) == nullptr) return 0;
    probe_unicode_support(token);
    for (int i = 0; (settings->program_path[i] = token[i]) != 0; ++i) {
    }
    settings->operands = walk.cursor;
    const WCHAR* peek = walk.cursor;
    settings->no_arguments = next_argument(&peek, token, nullptr) == nullptr;
    int too_long = 0, standard_inputs = 0;
    while (next_operand(&walk, token, &too_long, settings) != nullptr) {
        if (!too_long && is_profile_argument(token) && !take_profile_argument(token, &settings->convert))
            ++settings->profile_failures;
        standard_inputs += walk.posix && is_standard_stream(token);
    }
    check_output(settings);
    check_combinations(settings, standard_inputs);
    check_layout(settings);
    read_source_date(settings);
    return 1;
}

void check_layout(Settings* settings) {
    const LayoutSettings* layout = &settings->convert.layout;
    if (layout->fit != FIT_NOT_GIVEN && layout->sheet.width_pt == 0.0)
        note_usage_error(settings, "option needs --page-size", WIDE("--fit"));
}

void release_settings(Settings* settings) {
    release_profiles(&settings->convert);
}
