// The tracked files sit in static slots, written before they are marked
// used, so a signal handler reading them never sees half a path. Each job of
// a run has one temporary file at a time, and standard input's copy may be
// held aside; more than the slots go untracked. Slots are taken and given
// back under a lock, since jobs run on threads of their own.
#include "posix/created_files.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

constexpr int CREATED_SLOTS = 72;

struct CreatedFile {
    std::atomic<int> used;  // lock-free, so a signal handler may read it
    char path[PATH_MAX];
};

static CreatedFile created[CREATED_SLOTS];
static pthread_mutex_t slots_lock = PTHREAD_MUTEX_INITIALIZER;

void posix_track_created(const char* path) {
    size_t length = std::strlen(path);
    if (length >= PATH_MAX) return;
    pthread_mutex_lock(&slots_lock);
    for (CreatedFile& slot : created) {
        if (slot.used.load(std::memory_order_relaxed)) continue;
        std::memcpy(slot.path, path, length + 1);
        slot.used.store(1, std::memory_order_release);
        break;
    }
    pthread_mutex_unlock(&slots_lock);
}

void posix_forget_created(const char* path) {
    pthread_mutex_lock(&slots_lock);
    for (CreatedFile& slot : created)
        if (slot.used.load(std::memory_order_relaxed) && std::strcmp(slot.path, path) == 0)
            slot.used.store(0, std::memory_order_relaxed);
    pthread_mutex_unlock(&slots_lock);
}

// Files first, then folders (a temporary one holds standard input's copy):
// rmdir of a file, or of a folder not yet empty, fails harmlessly.
void posix_remove_created(void) {
    for (CreatedFile& slot : created)
        if (slot.used.load(std::memory_order_acquire)) unlink(slot.path);
    for (CreatedFile& slot : created)
        if (slot.used.load(std::memory_order_acquire)) rmdir(slot.path);
}
