// The images of a run, one at a time, from wherever the settings say they
// come: the command line's operands, then the names of --files-from; with -r
// a folder among them stands for the JPEGs of its tree; "-" for standard
// input. The conversion sees only each image's path.
#pragma once

#include "driver/inputs/folder_walk.h"
#include "driver/inputs/input.h"
#include "driver/inputs/name_list.h"
#include "driver/cli/operands.h"
#include "driver/cli/settings.h"
#include "platform/win32.h"

// Where --files-from stands.
enum ListState { LIST_NOT_BEGUN, LIST_BEING_READ, LIST_DONE };

struct InputSource {
    const Settings* settings;
    OperandWalk walk;  // the command line's operands, in order
    int list_state;    // --files-from: a ListState
    NameList list;
    FolderWalk folders;              // -r: the folder being walked
    WCHAR held[PATH_BUFFER_UNITS];   // standard input's copy, while its image is converted
    int counting;                    // only counting: standard input is not read
    // --sort: every name of the line and the list, each after a unit that
    // says how it came (SORTED_ bits), served in natural order once sorted.
    Listing sorted;
    int sorted_ready;
};

// `counting`: the names only, for a walk that converts nothing; standard
// input is not read.
void begin_inputs(InputSource* source, const Settings* settings, int counting);
// The next image in `input`; 0 when there is none left. A --files-from list
// that cannot be opened comes as an input that cannot be converted.
int next_input(InputSource* source, Input* input);
void end_inputs(InputSource* source);
// The number of images the settings name, by a walk that converts nothing;
// -1 when it cannot be known without reading standard input.
long long count_inputs(const Settings* settings);
