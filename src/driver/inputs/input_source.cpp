// Producing the images: every operand of the command line that does not
// name a profile, in order (the profiles were taken in the first pass), then
// each name of --files-from, taken as a file whatever it looks like.
#include "driver/inputs/input_source.h"

#include "driver/page/profiles.h"
#include "driver/inputs/standard_input.h"
#include "platform/files.h"
#include "platform/path.h"

void begin_inputs(InputSource* source, const Settings* settings, int counting) {
    source->settings = settings;
    source->walk = OperandWalk{settings->operands, (settings->flags & RUN_POSIX) != 0, 0};
    source->list_state = settings->files_from[0] == 0 ? LIST_DONE : LIST_NOT_BEGUN;
    source->list = NameList{};
    source->folders = FolderWalk{};
    source->held[0] = 0;
    source->counting = counting;
    source->sorted = Listing{};
    source->sorted_ready = 0;
}

// How a name kept for --sort came: the unit before it.
constexpr WCHAR SORTED_PLAIN = 1;
constexpr WCHAR SORTED_CUT = 2;
constexpr WCHAR SORTED_STANDARD_INPUT = 4;

// The next name of the command line or the list, as it was given.
static int next_name(InputSource* source, Input* input) {
    input->standard_input = 0;
    input->problem = nullptr;
    while (next_operand(&source->walk, input->path, &input->too_long, nullptr) != nullptr) {
        if (input->too_long || !is_profile_argument(input->path)) {
            input->standard_input = source->walk.posix && is_standard_stream(input->path);
            return 1;
        }
    }
    if (source->list_state == LIST_NOT_BEGUN) {
        source->list_state = LIST_BEING_READ;
        Failure failure = {};
        if (!begin_name_list(&source->list, source->settings->files_from, source->settings->flags & RUN_NULL,
                             &failure)) {
            source->list_state = LIST_DONE;
            copy_text(input->path, source->settings->files_from, PATH_BUFFER_UNITS);
            input->too_long = 1;  // reported under the list's name
            input->problem = failure.reason;
            return 1;
        }
    }
    if (source->list_state == LIST_BEING_READ && next_list_name(&source->list, input)) return 1;
    if (source->list_state == LIST_BEING_READ) end_name_list(&source->list);
    source->list_state = LIST_DONE;
    return 0;
}

// --sort: the names gathered, then served in natural order. A list that
// cannot be read is said at once, where it stands.
static int next_sorted_name(InputSource* source, Input* input) {
    while (!source->sorted_ready) {
        if (!next_name(source, input)) {
            source->sorted_ready = 1;
            if (!sort_listing(&source->sorted)) source->sorted.count = 0;
            break;
        }
        if (input->problem != nullptr) return 1;
        WCHAR kept[PATH_BUFFER_UNITS + 1];
        kept[0] = static_cast<WCHAR>((input->too_long ? SORTED_CUT : SORTED_PLAIN) |
                                     (input->standard_input ? SORTED_STANDARD_INPUT : 0));
        copy_text(kept + 1, input->path, PATH_BUFFER_UNITS);
        // Each name is sorted from its second unit on: the start is moved past the mark.
        if (!add_name(&source->sorted, kept)) return 0;
        ++source->sorted.starts[source->sorted.count - 1];
    }
    Listing* sorted = &source->sorted;
    if (sorted->next >= sorted->count) return 0;
    const WCHAR* name = sorted->units + sorted->starts[sorted->next++];
    copy_text(input->path, name, PATH_BUFFER_UNITS);
    input->too_long = (name[-1] & SORTED_CUT) != 0;
    input->standard_input = (name[-1] & SORTED_STANDARD_INPUT) != 0;
    input->problem = nullptr;
    return 1;
}

int next_input(InputSource* source, Input* input) {
    release_standard_input(source->held);
    const int sorting = (source->settings->flags & RUN_SORT) != 0;
    for (;;) {
        if (source->folders.depth > 0 && next_in_folder_walk(&source->folders, input)) return 1;
        if (!(sorting ? next_sorted_name(source, input) : next_name(source, input))) return 0;
        input->relative = static_cast<int>(path_file_name(input->path) - input->path);
        if (input->standard_input && !source->counting) {
            input->too_long = !hold_standard_input(source->held);
            input->problem = input->too_long ? "cannot be copied" : nullptr;
            copy_text(input->path, source->held, PATH_BUFFER_UNITS);
            return 1;
        }
        if (input->too_long || !(source->settings->flags & RUN_RECURSIVE) || !is_folder(input->path)) return 1;
        if (!begin_folder_walk(&source->folders, input->path)) {
            input->too_long = 1;  // reported under the folder's name
            input->problem = source->folders.problem != nullptr ? source->folders.problem : "folder cannot be read";
            return 1;
        }
    }
}

void end_inputs(InputSource* source) {
    release_standard_input(source->held);
    release_listing(&source->sorted);
    end_folder_walk(&source->folders);
    if (source->list_state == LIST_BEING_READ) end_name_list(&source->list);
    source->list_state = LIST_DONE;
}

long long count_inputs(const Settings* settings) {
    if (settings->files_from[0] != 0 && is_standard_stream(settings->files_from)) return -1;
    InputSource source;
    begin_inputs(&source, settings, 1);
    Input input;
    long long count = 0;
    while (next_input(&source, &input)) ++count;
    end_inputs(&source);
    return count;
}
