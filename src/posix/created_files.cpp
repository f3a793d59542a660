// The tracked files sit in static slots, written before they are marked
// used, so a signal handler reading them never sees half a path. A run has
// one temporary file at a time (two with standard input held aside); more
// than the slots go untracked.
#include "posix/created_files.h"

#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

constexpr int CREATED_SLOTS = 4;

struct CreatedFile {
    volatile sig_atomic_t used;
    char path[PATH_MAX];
};

static CreatedFile created[CREATED_SLOTS];

void posix_track_created(const char* path) {
    size_t length = std::strlen(path);
    if (length >= PATH_MAX) return;
    for (CreatedFile& slot : created) {
        if (slot.used) continue;
        std::memcpy(slot.path, path, length + 1);
        slot.used = 1;
        return;
    }
}

void posix_forget_created(const char* path) {
    for (CreatedFile& slot : created)
        if (slot.used && std::strcmp(slot.path, path) == 0) slot.used = 0;
}

// Files first, then folders (a temporary one holds standard input's copy):
// rmdir of a file, or of a folder not yet empty, fails harmlessly.
void posix_remove_created(void) {
    for (CreatedFile& slot : created)
        if (slot.used) unlink(slot.path);
    for (CreatedFile& slot : created)
        if (slot.used) rmdir(slot.path);
}
