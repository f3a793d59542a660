// Walking a folder tree through FindFirstFileW/FindNextFileW: hidden entries
// and links to folders left out (a link could make a loop), JPEGs by name.
#include "driver/inputs/folder_walk.h"

#include <cstdlib>
#include <cstring>

#include "driver/inputs/input.h"
#include "driver/inputs/natural_order.h"
#include "jpeg/jpeg.h"
#include "platform/failure.h"
#include "platform/path.h"

static int is_dot_entry(const WCHAR* name) {
    return name[0] == WIDE('.') && (name[1] == 0 || (name[1] == WIDE('.') && name[2] == 0));
}

// Doubles `*table` (of `size`-byte entries) until `needed` fit; 0 when memory runs out.
static int make_room(void** table, int32_t* capacity, int64_t needed, size_t size) {
    int64_t grown = *capacity == 0 ? 64 : *capacity;
    while (grown < needed) grown *= 2;
    if (grown == *capacity) return 1;
    if (grown > INT32_MAX) return 0;
    void* bigger = realloc(*table, static_cast<size_t>(grown) * size);
    if (bigger == nullptr) return 0;
    *table = bigger;
    *capacity = static_cast<int32_t>(grown);
    return 1;
}

int add_name(Listing* listing, const WCHAR* name) {
    int32_t length = 0;
    while (name[length] != 0) ++length;
    int32_t used = listing->units_used;
    if (!make_room(reinterpret_cast<void**>(&listing->units), &listing->unit_capacity, used + length + 1, sizeof(WCHAR)) ||
        !make_room(reinterpret_cast<void**>(&listing->starts), &listing->start_capacity, listing->count + 1, sizeof(int32_t)))
        return 0;
    std::memcpy(listing->units + used, name, static_cast<size_t>(length + 1) * sizeof(WCHAR));
    listing->starts[listing->count++] = used;
    listing->units_used = used + length + 1;
    return 1;
}

// Bottom-up merge sort of the starts by natural order of their names.
int sort_listing(Listing* listing) {
    int32_t count = listing->count;
    int32_t* from = listing->starts;
    int32_t* to = static_cast<int32_t*>(malloc(static_cast<size_t>(count > 0 ? count : 1) * sizeof(int32_t)));
    if (to == nullptr) return 0;
    for (int32_t width = 1; width < count; width *= 2) {
        for (int32_t low = 0; low < count; low += 2 * width) {
            int32_t middle = low + width < count ? low + width : count;
            int32_t high = low + 2 * width < count ? low + 2 * width : count;
            int32_t i = low, j = middle, k = low;
            while (k < high)
                to[k++] = j >= high || (i < middle && natural_compare(listing->units + from[i],
                                                                        listing->units + from[j]) <= 0)
                              ? from[i++]
                              : from[j++];
        }
        int32_t* swap = from;
        from = to;
        to = swap;
    }
    if (from != listing->starts) std::memcpy(listing->starts, from, static_cast<size_t>(count) * sizeof(int32_t));
    free(from == listing->starts ? to : from);
    return 1;
}

// The path of the deepest open folder followed by `name`; 0 when it does not fit.
// A folder whose path fills the buffer leaves no room for the separator.
static int extend_path(FolderWalk* walk, const WCHAR* name) {
    int at = walk->lengths[walk->depth - 1];
    if (at > 0 && walk->path[at - 1] != WIDE('\\')) {
        if (at >= PATH_BUFFER_UNITS - 1) return 0;
        walk->path[at++] = WIDE('\\');
    }
    int n = 0;
    while (name[n] != 0 && at + n < PATH_BUFFER_UNITS - 1) walk->path[at + n] = name[n], ++n;
    walk->path[at + n] = 0;
    return name[n] == 0;
}

// Lists the deepest open folder into `files` and its level's `folders`.
static int list_folder(FolderWalk* walk) {
    Listing* folders = &walk->folders[walk->depth - 1];
    walk->files.count = walk->files.next = walk->files.units_used = 0;
    folders->count = folders->next = folders->units_used = 0;
    WIN32_FIND_DATAW entry;
    walk->problem = "name too long";
    if (!extend_path(walk, WIDE("*"))) return 0;
    HANDLE find = FindFirstFileW(walk->path, &entry);
    walk->problem = find == INVALID_HANDLE_VALUE ? error_reason(GetLastError()) : "out of memory";
    walk->path[walk->lengths[walk->depth - 1]] = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    int ok = 1;
    do {
        const DWORD attributes = entry.dwFileAttributes;
        if (is_dot_entry(entry.cFileName) || (attributes & FILE_ATTRIBUTE_HIDDEN)) continue;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ok = ok && add_name(folders, entry.cFileName);
        } else if (is_jpeg_name(entry.cFileName)) {
            ok = ok && add_name(&walk->files, entry.cFileName);
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return ok && sort_listing(&walk->files) && sort_listing(folders);
}

// Opens the folder at walk->path as the next level; 0 when it cannot be listed.
static int enter_folder(FolderWalk* walk) {
    walk->problem = "folders nested too deep";
    if (walk->depth == FOLDER_LEVELS) return 0;
    int length = 0;
    while (walk->path[length] != 0) ++length;
    walk->lengths[walk->depth++] = length;
    if (list_folder(walk)) return 1;
    --walk->depth;
    return 0;
}

int begin_folder_walk(FolderWalk* walk, const WCHAR* folder) {
    walk->root_length = copy_text(walk->path, folder, PATH_BUFFER_UNITS);
    walk->depth = 0;
    if (enter_folder(walk)) return 1;
    end_folder_walk(walk);
    return 0;
}

static void take_path(const FolderWalk* walk, Input* input, int fits, const char* problem) {
    copy_text(input->path, walk->path, PATH_BUFFER_UNITS);
    input->too_long = !fits || problem != nullptr;
    input->problem = fits ? problem : nullptr;
    input->relative = walk->root_length;
    if (input->path[input->relative] == WIDE('\\')) ++input->relative;
}

int next_in_folder_walk(FolderWalk* walk, Input* input) {
    while (walk->depth > 0) {
        Listing* files = &walk->files;
        Listing* folders = &walk->folders[walk->depth - 1];
        if (files->next < files->count) {
            int fits = extend_path(walk, files->units + files->starts[files->next++]);
            take_path(walk, input, fits, nullptr);
            walk->path[walk->lengths[walk->depth - 1]] = 0;
            return 1;
        }
        files->count = 0;  // a subfolder's files come next
        if (folders->next == folders->count) {
            if (--walk->depth > 0) walk->path[walk->lengths[walk->depth - 1]] = 0;
            continue;
        }
        int fits = extend_path(walk, folders->units + folders->starts[folders->next++]);
        if (!fits || !enter_folder(walk)) {
            take_path(walk, input, fits, walk->problem != nullptr ? walk->problem : "folder cannot be read");
            walk->path[walk->lengths[walk->depth - 1]] = 0;
            return 1;
        }
    }
    end_folder_walk(walk);
    return 0;
}

void release_listing(Listing* listing) {
    free(listing->units);
    free(listing->starts);
    *listing = Listing{};
}

void end_folder_walk(FolderWalk* walk) {
    release_listing(&walk->files);
    for (Listing& listing : walk->folders) release_listing(&listing);
    walk->depth = 0;
}
