// The program's whole control flow, in phases: the command line read into
// the settings, the default profiles loaded, then each image converted into
// a PDF of its own or into the one document of -o, one message per failure.
// On Windows the exit code is always 0; the POSIX program follows the
// conventions of a Linux command.
#include "driver/run_batch.h"

#include <cstdlib>
#include <cstring>

#include "driver/convert_image.h"
#include "driver/inputs/input_source.h"
#include "driver/jobs.h"
#include "driver/merge_images.h"
#include "driver/messages.h"
#include "driver/outputs/output_folder.h"
#include "driver/outputs/output_path.h"
#include "driver/page/prepare_page.h"
#include "driver/page/profiles.h"
#include "driver/progress.h"
#include "driver/cli/read_settings.h"
#include "driver/outputs/temporary_document.h"
#include "driver/outputs/written_outputs.h"
#include "pdf/pdf_writer.h"
#include "platform/files.h"
#include "platform/path.h"

constexpr int DEFAULT_MOST_JOBS = 8;

// The conversion phase's state.
struct Run {
    const Settings* settings;
    int failures;
    WrittenOutputs written;                   // no output is written twice
    WCHAR temporary_path[PATH_BUFFER_UNITS];  // -o: the document being written
    WCHAR first_label[PAGE_LABEL_UNITS];      // -o: its first page's label, once it has one
    Progress progress;
    int output_is_file;         // -o - onto a file on disk: never one of the inputs
    FileIdentity output_file;
    FailureSummary* summary;  // Windows with folders or lists: one box at the end; else null
    int verbose_failed;       // -v lines that could not be written
    PdfWriter* writer;        // the -o document's, or each PDF's when one is written at a time
    int replaced;             // PDFs that took the place of a file, this run
};

static int posix(const Run* run) {
    return (run->settings->flags & RUN_POSIX) != 0;
}

// Standard output could not take what it had to: said on standard error.
static void report_output_failure(const Settings* settings) {
    report_failure(settings, WIDE("standard output"), error_reason(GetLastError()), 0, nullptr);
}

// The answer to a usage error, and the POSIX program's to --help, --version
// or an empty line; -1 when the run goes on to convert. An answer that
// cannot be written is a failure.
static int answer_without_converting(const Settings* settings) {
    if (settings->usage_error != nullptr) {
        report_usage_error(settings);
        return settings->flags & RUN_POSIX ? 2 : 0;
    }
    if (!(settings->flags & RUN_POSIX)) return -1;
    const int help = (settings->flags & RUN_HELP) != 0;
    if (help || (settings->flags & RUN_VERSION)) {
        HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        if (help ? write_usage(output) : write_version(output)) return 0;
        report_output_failure(settings);
        return 1;
    }
    if (settings->no_arguments) {
        write_usage(GetStdHandle(STD_ERROR_HANDLE));
        return 2;
    }
    return -1;
}

static void fail_telling(Run* run, const WCHAR* name, const char* reason, int windows_says_why) {
    clear_progress(&run->progress);
    report_failure(run->settings, name, reason, windows_says_why, run->summary);
    ++run->failures;
}

static void fail(Run* run, const WCHAR* name, const char* reason) {
    fail_telling(run, name, reason, 0);
}

// The reason for an input that could not be taken at all: as its source said.
static const char* input_problem(const Input* input) {
    return input->problem != nullptr ? input->problem : "name too long";
}

// A name that stands for a device or FIFO is never replaced by a PDF (a
// folder refuses the final move by itself; a link is replaced as a name).
static const char* output_refusal(const FileIdentity* existing) {
    return existing->attributes & FILE_ATTRIBUTE_DEVICE ? "its PDF's name is not a regular file" : nullptr;
}

// Remembers the PDF just written under output_path.
static void remember_output(Run* run, const WCHAR* output_path) {
    FileIdentity made;
    if (file_identity(output_path, &made)) remember_written(&run->written, &made);
}

static void fail_input(Run* run, const Input* input, const char* reason) {
    fail(run, input->standard_input ? WIDE("-") : input->path, reason);
}

static void warn_unended(Run* run, const Input* input) {
    clear_progress(&run->progress);
    report_unended(run->settings, input->standard_input ? WIDE("-") : input->path);
}

// A PDF that could not be written is named itself; an input by its name, a
// folder given without -r with the hint that would have converted it.
static void report_conversion(Run* run, const Input* input, const WCHAR* pdf, const Failure* failure) {
    if (failure->file == FAILED_PDF) {
        char reason[128] = "cannot be written";
        if (failure->reason != nullptr) {
            std::strcat(reason, ": ");
            std::strncat(reason, failure->reason, sizeof reason - std::strlen(reason) - 1);
        }
        return fail(run, pdf, reason);
    }
    const char* reason = failure->reason;
    if (failure->error == ERROR_DIRECTORY && !(run->settings->flags & RUN_RECURSIVE))
        reason = "is a folder; -r converts its photos";
    if (shows_as_empty(input->path) && !input->standard_input) reason = "empty name";
    fail_telling(run, input->standard_input ? WIDE("-") : input->path, reason, failure->refused);
}

// -o -: standard output holds the document, and nothing else.
static void note_written(Run* run, const WCHAR* pdf) {
    if (!(run->settings->flags & RUN_VERBOSE) || is_standard_stream(pdf)) return;
    if (write_console_line(GetStdHandle(STD_OUTPUT_HANDLE), "", pdf)) return;
    // Said once: every later line would meet the same closed or full output.
    if (run->verbose_failed++ == 0)
        fail(run, WIDE("standard output"), error_reason(GetLastError()));
    else
        ++run->failures;
}

// A profile named on the line that does not load is reported (POSIX); the
// names are read again only when one failed.
static void report_profile_failures(Run* run) {
    if (!posix(run) || run->settings->profile_failures == 0) return;
    OperandWalk walk = {run->settings->operands, 1, 0};
    WCHAR token[PATH_BUFFER_UNITS];
    int too_long = 0;
    while (next_operand(&walk, token, &too_long, nullptr) != nullptr) {
        if (too_long || !is_profile_argument(token)) continue;
        Failure failure = {};
        IccProfile* profile = load_icc_profile(token, &failure);
        if (profile == nullptr) fail(run, token, failure.reason);
        free(profile);
    }
}

// The single-file PDF's path: beside the image, or below --output-dir with
// the folders on the way made; 0 when it cannot be, with what is wrong.
static int place_output(const Run* run, const Input* input, WCHAR* output_path, const char** problem) {
    const WCHAR* folder = run->settings->output_dir;
    *problem = "its PDF's name would be too long";
    if (folder[0] == 0) return make_output_path(input->path, output_path);
    if (!make_output_in_folder(folder, input->path, input->relative, output_path)) return 0;
    *problem = "its PDF's folder cannot be made";
    return make_parent_folders(output_path);
}

// What can be known of a single-file PDF before it is converted: where it
// goes, or what is wrong. With workers, one already up to date is left for
// the run to decide in order, unconverted.
static void plan_alone(Run* run, Job* job, int workers) {
    const Input* input = &job->input;
    job->convert = 0, job->written = 0, job->unended = 0, job->failure = Failure{};
    job->new_name = 0, job->moved = 0, job->identified = 0;
    job->problem = input->too_long ? input_problem(input) : nullptr;
    if (job->problem != nullptr || !place_output(run, input, job->output_path, &job->problem)) return;
    job->problem = nullptr;
    // Only -u asks about the PDF here: a worker moves a PDF in only under a
    // name no file has, and leaves the rest to the run.
    FileIdentity existing;
    const int update = workers && (run->settings->flags & RUN_UPDATE);
    const int exists = update && file_identity(job->output_path, &existing);
    job->convert = workers && !(exists && is_up_to_date(input->path, job->output_path));
    job->new_name = job->convert && !exists;
}

// A job's PDF written, or its temporary file, no longer wanted.
static void discard(Job* job) {
    if (job->written) delete_file(job->temporary_path);
    job->written = 0;
}

// The rest, in input order: the checks against what the run wrote so far,
// the conversion if no worker made it, the final name, the messages.
static void finish_alone(Run* run, Job* job) {
    const Input* input = &job->input;
    const WCHAR* output_path = job->output_path;
    if (job->problem != nullptr) return fail_input(run, input, job->problem);
    FileIdentity existing;
    if (job->moved) {
        // Moved in by its worker under a free name. An earlier job of this
        // run that then found the name taken replaced it: one at a time,
        // that earlier PDF would have come first and refused this one.
        if (run->replaced > 0 && !(file_identity(output_path, &existing) && existing.volume == job->identity.volume &&
                                   existing.index == job->identity.index))
            return fail_input(run, input, "its PDF was already written by this run");
        if (job->identified) remember_written(&run->written, &job->identity);
        if (job->unended > 0) warn_unended(run, input);
        return note_written(run, output_path);
    }
    const int exists = file_identity(output_path, &existing);
    if (exists && was_written(&run->written, &existing))
        return discard(job), fail_input(run, input, "its PDF was already written by this run");
    // An up-to-date PDF counts as written: another image may not replace it.
    if (exists && (run->settings->flags & RUN_UPDATE) && is_up_to_date(input->path, output_path))
        return discard(job), remember_written(&run->written, &existing);
    if (exists && output_refusal(&existing) != nullptr)
        return discard(job), fail_input(run, input, output_refusal(&existing));
    if (!job->convert) {
        job->written = write_image_document(run->writer, input->path, output_path, &run->settings->convert,
                                            job->temporary_path, &job->failure);
        job->unended = pdf_unended_images(run->writer);
    }
    if (!job->written) return report_conversion(run, input, output_path, &job->failure);
    job->written = 0;
    if (!finish_temporary_document(1, job->temporary_path, output_path, &job->failure))
        return report_conversion(run, input, output_path, &job->failure);
    run->replaced += exists;
    remember_output(run, output_path);
    if (job->unended > 0) warn_unended(run, input);
    note_written(run, output_path);
}

static void convert_alone(Run* run, const Input* input) {
    Job job;
    job.input = *input;
    plan_alone(run, &job, 0);
    finish_alone(run, &job);
}

static void take_back(Run* run, JobQueue* queue, Job* job) {
    finish_alone(run, job);
    note_progress(&run->progress, job->input.path);
    release_oldest(queue);
}

// Each image's PDF converted by the workers, handed over and taken back in
// input order. The first is converted here: a run of one photo starts no
// thread. *held set when no worker could start, with an input still to
// convert in `input`.
static void convert_with_workers(Run* run, InputSource* source, Input* input, int workers, int* held) {
    *held = 0;
    if (!next_input(source, input)) return;
    convert_alone(run, input);
    note_progress(&run->progress, input->path);
    if (!next_input(source, input)) return;
    JobQueue queue;
    if (!begin_jobs(&queue, workers, &run->settings->convert)) return (void)(*held = 1);
    for (int taken = 1;; taken = 0) {
        Job* job = new_job(&queue);
        for (; job == nullptr; job = new_job(&queue)) take_back(run, &queue, oldest_done(&queue, 1));
        if (taken)
            job->input = *input;
        else if (!next_input(source, &job->input))
            break;
        plan_alone(run, job, 1);
        // Of jobs that want one PDF name (a photo named twice, or as .jpg and
        // .jpeg) only the first may move its PDF in by itself: the run decides
        // the others in order, as one job at a time would.
        if (job->new_name && output_wanted(&queue, job->output_path)) job->new_name = 0;
        const int stdin_held = job->input.standard_input;
        hand_over(&queue, job);
        // Standard input's copy goes with the next input: its job ends first.
        for (Job* done; (done = oldest_done(&queue, stdin_held)) != nullptr;) take_back(run, &queue, done);
    }
    for (Job* done; (done = oldest_done(&queue, 1)) != nullptr;) take_back(run, &queue, done);
    end_jobs(&queue);
}

// -o - with standard output redirected onto (or appending to) this input.
static int is_output_file(const Run* run, const Input* input) {
    if (!run->output_is_file || input->too_long) return 0;
    HANDLE file = open_file(input->path, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return 0;
    FileIdentity identity;
    const int same = handle_identity(file, &identity) && identity.volume == run->output_file.volume &&
                     identity.index == run->output_file.index;
    CloseHandle(file);
    return same;
}

// -o - onto a file that is also an input would write over (or onto the end
// of) that photo: every such input is reported first and nothing written.
static int output_among_inputs(Run* run) {
    if (!run->output_is_file) return 0;
    InputSource source;
    begin_inputs(&source, run->settings, 1);
    Input input;
    int clashes = 0;
    while (next_input(&source, &input))
        if (is_output_file(run, &input)) fail_input(run, &input, "input file is output file"), ++clashes;
    end_inputs(&source);
    return clashes;
}

// -u with -o: the document is up to date when it is there and no image of
// it, and no profile named on the line, is newer. Standard input, or
// standard output, never is.
static int document_up_to_date(Run* run) {
    const Settings* settings = run->settings;
    uint64_t document, source_time;
    if (!(settings->flags & RUN_UPDATE) || is_standard_stream(settings->output) ||
        !last_write_ticks(settings->output, &document))
        return 0;
    OperandWalk walk = {settings->operands, (settings->flags & RUN_POSIX) != 0, 0};
    WCHAR token[PATH_BUFFER_UNITS];
    int too_long = 0;
    while (next_operand(&walk, token, &too_long, nullptr) != nullptr)
        if (!too_long && is_profile_argument(token) && !(last_write_ticks(token, &source_time) && source_time <= document))
            return 0;
    InputSource source;
    begin_inputs(&source, settings, 1);
    Input input;
    int current = 1;
    while (current && next_input(&source, &input))
        current = !input.too_long && !input.standard_input && last_write_ticks(input.path, &source_time) &&
                  source_time <= document;
    end_inputs(&source);
    return current;
}

// -v: the document left as it was, said as a PDF written is.
static void note_up_to_date(Run* run) {
    if (!(run->settings->flags & RUN_VERBOSE)) return;
    if (write_console_line(GetStdHandle(STD_OUTPUT_HANDLE), "up to date: ", run->settings->output)) return;
    fail(run, WIDE("standard output"), error_reason(GetLastError()));
}

// The document's own failure: why, as noted where it happened.
static void fail_document(Run* run, const Failure* failure) {
    const WCHAR* output = is_standard_stream(run->settings->output) ? WIDE("standard output") : run->settings->output;
    if (failure->file == FAILED_INPUT)
        return fail(run, output, "left as it was: a page failed while it was written");
    Input as_input = {};
    report_conversion(run, &as_input, output, failure);
}

// 0 when the document failed with this image: it fails whole, the output
// stays as it was, and the run converts nothing more.
static int add_to_document(Run* run, const Input* input) {
    if (input->too_long) return fail_input(run, input, input_problem(input)), 1;
    Failure failure = {};
    const int32_t unended = pdf_unended_images(run->writer);
    // Standard input's copy has a name of its own making: the page says where it came from.
    const WCHAR* label = input->standard_input ? WIDE("standard input") : nullptr;
    // The outline nests a page in the folders a walk went through to it.
    const WCHAR* outline_path = label != nullptr ? label : input->path + input->relative;
    const int added = add_merged_image(run->writer, input->path, label, outline_path, &run->settings->convert, &failure);
    if (added > 0 && run->first_label[0] == 0) {
        if (label != nullptr)
            copy_text(run->first_label, label, PAGE_LABEL_UNITS);
        else
            copy_label(run->first_label, input->path);
    }
    if (added > 0 && pdf_unended_images(run->writer) > unended) warn_unended(run, input);
    if (added > 0) return 1;
    if (added == 0 || failure.file == FAILED_INPUT) report_conversion(run, input, run->settings->output, &failure);
    if (added == 0) return 1;
    end_merged_document(run->writer, run->settings->output, nullptr, run->temporary_path, nullptr);
    fail_document(run, &failure);
    return 0;
}

static void finish_document(Run* run) {
    Failure failure = {FAILED_PDF, 0, nullptr, 0};
    const int written = end_merged_document(run->writer, run->settings->output, run->first_label,
                                            run->temporary_path, &failure);
    if (written < 0) fail_document(run, &failure);
    if (written > 0) note_written(run, run->settings->output);
    // Nothing said yet of a document that got no page.
    if (written == 0 && run->failures == 0) fail(run, run->settings->output, "not written: no image to put in it");
}

// Photos converted at once: -j, else the processors (at most 8) wherever no
// failure waits on the user: always on POSIX, on Windows for folders and
// lists, whose failures are shown at the end. The ANSI calls share a buffer.
static int job_count(const Settings* settings) {
    if (ansi_fallback) return 1;
    if (settings->jobs > 0) return settings->jobs;
    if (!(settings->flags & RUN_POSIX) && !(settings->flags & RUN_RECURSIVE) && settings->files_from[0] == 0) return 1;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const int processors = static_cast<int>(system.dwNumberOfProcessors);
    return processors < 1 ? 1 : processors > DEFAULT_MOST_JOBS ? DEFAULT_MOST_JOBS : processors;
}

static void convert_inputs(Run* run) {
    const int merging = run->settings->output[0] != 0;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    run->output_is_file = merging && is_standard_stream(run->settings->output) &&
                          GetFileType(output) == FILE_TYPE_DISK && handle_identity(output, &run->output_file);
    if (output_among_inputs(run) > 0) return;
    // A document that cannot even be begun ends the run with its one message.
    FileIdentity existing;
    const char* refusal = merging && file_identity(run->settings->output, &existing) ? output_refusal(&existing) : nullptr;
    if (refusal != nullptr) return fail(run, run->settings->output, refusal);
    if (merging && document_up_to_date(run)) return note_up_to_date(run);
    Failure failure = {};
    if (merging && !begin_merged_document(run->writer, run->settings->output, run->temporary_path,
                                          &run->settings->convert, &failure))
        return fail_document(run, &failure);
    begin_progress(&run->progress, run->settings);
    InputSource source;
    begin_inputs(&source, run->settings, 0);
    // -o writes one page after another: read ahead on other threads, the
    // pages came no sooner (measured), so its run has no workers.
    const int workers = merging ? 1 : job_count(run->settings);
    Input input;
    // With workers every input is taken there, unless none could start: then
    // the one taken last is converted here first.
    int taken = 0;
    if (workers > 1) convert_with_workers(run, &source, &input, workers, &taken);
    int going = 1;
    while (going && (taken || next_input(&source, &input))) {
        taken = 0;
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
        // Folders and lists can hold thousands: Windows tells their failures in one box.
        static FailureSummary summary;
        const int summing = !(settings.flags & RUN_POSIX) &&
                            ((settings.flags & RUN_RECURSIVE) || settings.files_from[0] != 0);
        PdfWriter writer = {};
        Run run = {&settings, 0, {}, {}, {}, {}, 0, {}, summing ? &summary : nullptr, 0, &writer, 0};
        report_profile_failures(&run);
        convert_inputs(&run);
        if (summing) show_failure_summary(&summary);
        release_written(&run.written);
        status = (settings.flags & RUN_POSIX) && run.failures != 0 ? 1 : 0;
    }
    release_settings(&settings);
    return status;
}
