// The tracked files sit in static slots, written before they are marked
// used, so a signal handler reading them never sees half a path. Each job of
// a run has one temporary file at a time, and standard input's copy may be
// held aside; more than the slots go untracked. Jobs run on threads of their
// own: a slot is taken by one atomic exchange (free, then being written,
// then used) and given back by another, never behind a lock.
#include "posix/created_files.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <csignal>
#include <cstring>
#include <unistd.h>

constexpr int CREATED_SLOTS = 72;

enum SlotState { SLOT_FREE, SLOT_WRITTEN_TO, SLOT_USED };

struct CreatedFile {
    std::atomic<int> state;  // a SlotState; lock-free, so a signal handler may read it
    std::atomic<uint64_t> key;  // the path's hash: what forgetting compares
    char path[PATH_MAX];
};

static CreatedFile created[CREATED_SLOTS];
// Set when a signal ends the run: a file a job creates while the slots are
// being emptied is removed by that job itself (each side sees the other).
static std::atomic<int> ending;

static uint64_t key_of(const char* path) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char* c = path; *c != 0; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    return hash;
}

void posix_track_created(const char* path) {
    size_t length = std::strlen(path);
    if (length >= PATH_MAX) return;
    for (CreatedFile& slot : created) {
        int free = SLOT_FREE;
        if (slot.state.load(std::memory_order_relaxed) != SLOT_FREE ||
            !slot.state.compare_exchange_strong(free, SLOT_WRITTEN_TO, std::memory_order_acquire))
            continue;
        std::memcpy(slot.path, path, length + 1);
        slot.key.store(key_of(path), std::memory_order_relaxed);
        slot.state.store(SLOT_USED, std::memory_order_seq_cst);
        if (ending.load(std::memory_order_seq_cst)) unlink(path), rmdir(path);
        return;
    }
}

// By the path's hash, since another thread may be writing another slot's
// path: a file is forgotten by whichever thread moves or removes it.
void posix_forget_created(const char* path) {
    const uint64_t key = key_of(path);
    for (CreatedFile& slot : created) {
        int used = SLOT_USED;
        if (slot.state.load(std::memory_order_acquire) == SLOT_USED && slot.key.load(std::memory_order_relaxed) == key)
            slot.state.compare_exchange_strong(used, SLOT_FREE, std::memory_order_release);
    }
}

// Files first, then folders (a temporary one holds standard input's copy):
// rmdir of a file, or of a folder not yet empty, fails harmlessly.
void posix_remove_created(void) {
    ending.store(1, std::memory_order_seq_cst);
    for (CreatedFile& slot : created)
        if (slot.state.load(std::memory_order_acquire) == SLOT_USED) unlink(slot.path);
    for (CreatedFile& slot : created)
        if (slot.state.load(std::memory_order_acquire) == SLOT_USED) rmdir(slot.path);
}
