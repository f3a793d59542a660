// The program's whole control flow, in phases: the command line read into
// the settings, the default profiles loaded, then each image converted into
// a PDF of its own or into the one document of -o, one message per failure.
// On Windows the exit code is always 0; the POSIX program follows the
// conventions of a Linux command.
#include "driver/run_batch.h"

#include "driver/convert_image.h"
#include "driver/input_source.h"
#include "driver/merge_images.h"
#include "driver/messages.h"
#include "driver/output_folder.h"
#include "driver/output_path.h"
#include "driver/profiles.h"
#include "driver/progress.h"
#include "driver/read_settings.h"

// The conversion phase's state.
struct Run {
    const Settings* settings;
    int failures;
    WCHAR temporary_path[PATH_BUFFER_UNITS];  // -o: the document being written
    Progress progress;
};

// The answer to a usage error, and the POSIX program's to --help, --version
// or an empty line; -1 when the run goes on to convert.
static int answer_without_converting(const Settings* settings) {
    if (settings->usage_error != nullptr) {
        report_usage_error(settings);
        return settings->flags & RUN_POSIX ? 2 : 0;
    }
    if (!(settings->flags & RUN_POSIX)) return -1;
    if (settings->flags & RUN_HELP) {
        write_usage(GetStdHandle(STD_OUTPUT_HANDLE));
        return 0;
    }
    if (settings->flags & RUN_VERSION) {
        write_version(GetStdHandle(STD_OUTPUT_HANDLE));
        return 0;
    }
    if (settings->no_arguments) {
        write_usage(GetStdHandle(STD_ERROR_HANDLE));
        return 2;
    }
    return -1;
}

static void fail(Run* run, const WCHAR* argument) {
    clear_progress(&run->progress);
    report_failure(argument);
    ++run->failures;
}

static void fail_input(Run* run, const Input* input) {
    fail(run, input->standard_input ? WIDE("-") : input->path);
}

static void note_written(const Run* run, const WCHAR* pdf) {
    // -o -: standard output holds the document, and nothing else.
    if ((run->settings->flags & RUN_VERBOSE) && !is_standard_stream(pdf))
        write_console_line(GetStdHandle(STD_OUTPUT_HANDLE), "", pdf);
}

// The single-file PDF's path: beside the image, or below --output-dir with
// the folders on the way made; 0 when it cannot be.
static int place_output(const Run* run, const Input* input, WCHAR* output_path) {
    const WCHAR* folder = run->settings->output_dir;
    if (folder[0] == 0) return make_output_path(input->path, output_path);
    return make_output_in_folder(folder, input->path, input->relative, output_path) &&
           make_parent_folders(output_path);
}

static void convert_alone(Run* run, const Input* input) {
    WCHAR output_path[PATH_BUFFER_UNITS];
    if (input->too_long || !place_output(run, input, output_path)) return fail_input(run, input);
    if ((run->settings->flags & RUN_UPDATE) && is_up_to_date(input->path, output_path)) return;
    if (!convert_image(input->path, output_path, &run->settings->convert)) return fail_input(run, input);
    note_written(run, output_path);
}

// 0 when the document failed with this image: it fails whole, the output
// stays as it was, and the run converts nothing more.
static int add_to_document(Run* run, const Input* input) {
    int added = input->too_long ? 0 : add_merged_image(input->path, &run->settings->convert);
    if (added <= 0) fail_input(run, input);
    if (added >= 0) return 1;
    end_merged_document(run->settings->output, run->temporary_path);
    fail(run, run->settings->output);
    return 0;
}

static void finish_document(Run* run) {
    int written = end_merged_document(run->settings->output, run->temporary_path);
    if (written < 0) fail(run, run->settings->output);
    if (written > 0) note_written(run, run->settings->output);
}

static void convert_inputs(Run* run) {
    const int merging = run->settings->output[0] != 0;
    // A document that cannot even be begun ends the run with its one message.
    if (merging && !begin_merged_document(run->settings->output, run->temporary_path)) {
        fail(run, run->settings->output);
        return;
    }
    begin_progress(&run->progress, run->settings);
    InputSource source;
    begin_inputs(&source, run->settings);
    Input input;
    int going = 1;
    while (going && next_input(&source, &input)) {
        if (!merging)
            convert_alone(run, &input);
        else
            going = add_to_document(run, &input);
        note_progress(&run->progress, input.path);
    }
    end_inputs(&source);
    clear_progress(&run->progress);
    if (merging && going) finish_document(run);
}

int run_batch(HINSTANCE module_instance, uint32_t batch_flags) {
    Settings settings;
    if (!read_settings(&settings, batch_flags & BATCH_POSIX ? RUN_POSIX : 0u)) return 0;
    int status = answer_without_converting(&settings);
    if (status < 0) {
        load_default_profiles(module_instance, settings.program_path, &settings.convert);
        Run run = {&settings, 0, {}, {}};
        convert_inputs(&run);
        status = (settings.flags & RUN_POSIX) && run.failures != 0 ? 1 : 0;
    }
    release_settings(&settings);
    return status;
}
