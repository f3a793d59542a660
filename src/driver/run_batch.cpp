// The program's whole control flow: options and profiles from the command
// line, the defaults beside the program, then every other argument converted
// to a PDF beside it, one message per failure. On Windows the exit code is
// always 0; the POSIX program follows the conventions of a Linux command.
#include <cstddef>
#include <cstdlib>

#include "driver/driver.h"
#include "driver/options.h"
#include "platform/files.h"
#include "platform/path.h"

constexpr int RESOURCE_PATH_UNITS = 260;
constexpr UINT GRAY_PROFILE_ID = 105;
constexpr UINT RGB_PROFILE_ID = 104;
constexpr UINT CMYK_PROFILE_ID = 106;

static int is_profile_argument(WCHAR* token) {
    const WCHAR* extension = path_extension(token);
    return same_text_ignoring_ascii_case(extension, WIDE(".icc")) ||
           same_text_ignoring_ascii_case(extension, WIDE(".icm"));
}

static void copy_text(WCHAR* to, const WCHAR* from) {
    while ((*to++ = *from++) != 0) {
    }
}

static void report_failure(const WCHAR* argument) {
    MessageBoxW(nullptr, argument, WIDE("Kestrel Error"), MB_OK);
}

// Puts `profile` in the slot its component count names; the last one wins.
static void file_profile(IccProfile* profile, IccProfile** slots) {
    int components = icc_component_count(profile);
    int slot = components == 1 ? 0 : components == 3 ? 1 : components == 4 ? 2 : -1;
    if (slot < 0) {
        free(profile);
        return;
    }
    free(slots[slot]);
    slots[slot] = profile;
}

int make_output_path(const WCHAR* token, WCHAR* output) {
    const WCHAR* extension = path_extension(token);
    ptrdiff_t stem = extension - token;
    if (stem + 5 > PATH_BUFFER_UNITS) return 0;  // ".pdf" and the zero must fit
    for (ptrdiff_t i = 0; i < stem; ++i) output[i] = token[i];
    copy_text(output + stem, WIDE(".pdf"));
    return 1;
}

// What the options of the line ask for, taken in the first pass.
struct BatchOptions {
    int posix;    // the POSIX program: its own options and exit status
    int verbose;
    int auto_orient;
    int help;
    int version;
    int usage_error;
    WCHAR bad_argument[PATH_BUFFER_UNITS];  // the first argument that made it
};

static void take_option(const OptionSpec* option, BatchOptions* options) {
    switch (option->code) {
    case OPTION_VERBOSE: options->verbose = 1; break;
    case OPTION_AUTO_ORIENT: options->auto_orient = 1; break;
    case OPTION_HELP: options->help = 1; break;
    case OPTION_VERSION: options->version = 1; break;
    case OPTION_END_OF_OPTIONS: break;
    }
}

static void note_usage_error(BatchOptions* options, const WCHAR* argument) {
    if (options->usage_error) return;
    options->usage_error = 1;
    copy_text(options->bad_argument, argument);
}

// The next argument that is a file or a profile, options passed over on the
// way (and taken when `taking`, in the first pass); null at the end. Both
// passes walk the same arguments, so both see the same files.
static WCHAR* next_operand(const WCHAR** cursor, WCHAR* token, int* too_long, BatchOptions* options,
                           int* options_ended, int taking) {
    while (next_argument(cursor, token, too_long) != nullptr) {
        if (*options_ended) return token;
        const OptionSpec* option = find_option(token, options->posix);
        if (option == nullptr) {
            // On POSIX anything else that looks like an option is a mistake,
            // never a file: a file "-x.jpg" is named after "--".
            if (options->posix && token[0] == WIDE('-') && token[1] != 0) {
                if (taking) note_usage_error(options, token);
                continue;
            }
            return token;
        }
        if (option->code == OPTION_END_OF_OPTIONS) *options_ended = 1;
        if (option->flags & OPTION_TAKES_VALUE) {
            WCHAR name[PATH_BUFFER_UNITS];
            copy_text(name, token);
            if (next_argument(cursor, token, too_long) == nullptr || *too_long) {
                if (taking) note_usage_error(options, name);
                continue;
            }
        }
        if (taking) take_option(option, options);
    }
    return nullptr;
}

// The POSIX program's answer to --help, --version, a usage error or an empty
// line; -1 when the batch goes on.
static int answer_without_converting(const BatchOptions* options, int no_arguments) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (options->usage_error) {
        write_console_line(err, "kestrel: unknown option or missing value: ", options->bad_argument);
        write_console_line(err, "Try 'kestrel --help' for more information.", WIDE(""));
        return 2;
    }
    if (options->help) {
        write_usage(out);
        return 0;
    }
    if (options->version) {
        write_version(out);
        return 0;
    }
    if (no_arguments) {
        write_usage(err);
        return 2;
    }
    return -1;
}

int run_batch(HINSTANCE module_instance, uint32_t batch_flags) {
    WCHAR token[PATH_BUFFER_UNITS];
    WCHAR program_path[PATH_BUFFER_UNITS];
    WCHAR output_path[PATH_BUFFER_UNITS];
    IccProfile* slots[3] = {nullptr, nullptr, nullptr};  // gray, RGB, CMYK
    BatchOptions options = {};
    options.posix = (batch_flags & BATCH_POSIX) != 0;
    const WCHAR* cursor = GetCommandLineW();
    int too_long = 0;
    int options_ended = 0;

    // First pass: the program path, then the options and the profile arguments.
    if (next_argument(&cursor, token, &too_long) == nullptr) return 0;
    probe_unicode_support(token);
    copy_text(program_path, token);
    const WCHAR* second_pass = cursor;
    const WCHAR* peek = cursor;
    int no_arguments = next_argument(&peek, token, nullptr) == nullptr;
    while (next_operand(&cursor, token, &too_long, &options, &options_ended, 1) != nullptr) {
        if (!too_long && is_profile_argument(token)) {
            IccProfile* profile = load_icc_profile(token);
            if (profile != nullptr) file_profile(profile, slots);
        }
    }
    if (options.posix) {
        int status = answer_without_converting(&options, no_arguments);
        if (status >= 0) {
            for (IccProfile* profile : slots) free(profile);
            return status;
        }
    } else if (options.usage_error) {
        // Windows has no standard error: the message box names the argument.
        report_failure(options.bad_argument);
        for (IccProfile* profile : slots) free(profile);
        return 0;
    }

    // Defaults from the data folder beside the program, for the empty slots.
    WCHAR* file_name = path_file_name(program_path);
    ptrdiff_t room = PATH_BUFFER_UNITS - (file_name - program_path);
    int capacity = room < RESOURCE_PATH_UNITS ? static_cast<int>(room) : RESOURCE_PATH_UNITS;
    const UINT default_ids[3] = {GRAY_PROFILE_ID, RGB_PROFILE_ID, CMYK_PROFILE_ID};
    for (int slot = 0; slot < 3; ++slot) {
        if (slots[slot] != nullptr) continue;
        load_resource_string(module_instance, default_ids[slot], file_name, capacity);
        slots[slot] = load_icc_profile(program_path);
    }

    // Second pass: every other argument is an image.
    int failures = 0;
    const uint32_t convert_flags = options.auto_orient ? CONVERT_AUTO_ORIENT : 0u;
    cursor = second_pass;
    options_ended = 0;
    while (next_operand(&cursor, token, &too_long, &options, &options_ended, 0) != nullptr) {
        if (!too_long && is_profile_argument(token)) continue;
        if (too_long || !make_output_path(token, output_path) ||
            !convert_image(token, output_path, slots[0], slots[1], slots[2], convert_flags)) {
            report_failure(token);
            ++failures;
            continue;
        }
        if (options.verbose) write_console_line(GetStdHandle(STD_OUTPUT_HANDLE), "", output_path);
    }

    for (IccProfile* profile : slots) free(profile);
    // Windows: the exit code is always 0; each failure had its message box.
    if (!options.posix) return 0;
    return failures != 0 ? 1 : 0;
}
