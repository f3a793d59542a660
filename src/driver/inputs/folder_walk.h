// -r: the JPEGs of a folder's tree, each folder's files in natural order
// before its subfolders. Holds listings, never the tree: the current
// folder's files and, for each folder on the way down, its subfolders.
#pragma once

#include <cstdint>

#include "platform/path.h"
#include "platform/win32.h"

struct Input;

// Names of one folder, sorted: packed units, and where each name starts.
struct Listing {
    WCHAR* units;
    int32_t* starts;
    int32_t count;
    int32_t next;  // the first name not yet taken
    int32_t units_used;
    int32_t unit_capacity;
    int32_t start_capacity;
};

// Adds a name (0 when memory runs out); sorts the names in natural order.
int add_name(Listing* listing, const WCHAR* name);
int sort_listing(Listing* listing);
void release_listing(Listing* listing);

// Each level adds a separator and a name to a path of PATH_BUFFER_UNITS.
constexpr int FOLDER_LEVELS = PATH_BUFFER_UNITS / 2;

struct FolderWalk {
    int depth;  // folders open on the way down; 0: no walk
    int root_length;  // the folder argument's length: what --output-dir mirrors starts after it
    WCHAR path[PATH_BUFFER_UNITS];
    int lengths[FOLDER_LEVELS];  // the path of each open folder is path[0, length)
    Listing files;               // the deepest open folder's JPEGs
    Listing folders[FOLDER_LEVELS];
    const char* problem;  // why the last folder could not be listed
};

// Starts at `folder`; 0 (nothing held) when it cannot be listed.
int begin_folder_walk(FolderWalk* walk, const WCHAR* folder);
// The next JPEG, or a folder that cannot be listed or a path that does not
// fit, flagged in input->too_long; 0 at the end of the tree, walk ended.
int next_in_folder_walk(FolderWalk* walk, Input* input);
void end_folder_walk(FolderWalk* walk);
