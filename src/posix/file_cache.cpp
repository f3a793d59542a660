// Read-ahead and write-behind, as Windows' file cache serves small reads and
// absorbs small writes without a trip to the kernel: the 512-byte blocks of the
// image copy and the scanner's header reads then cost a memcpy each. A failed
// hand-over to the kernel fails the call that made it.
#include "posix/file_cache.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <unistd.h>

// The bytes [file_position - end, file_position) of the file are in data; the
// next read starts at data[start].
struct ReadAhead {
    std::atomic<int> open;
    int fd;
    int grown;            // the next fill follows on from the last: a copy, not a header
    off_t file_position;  // the kernel's position
    size_t start;
    size_t end;
    unsigned char data[READ_AHEAD_BYTES];
};

// data[0, used) was written by the caller and has not reached the kernel yet.
struct WriteBehind {
    std::atomic<int> open;
    int fd;
    size_t used;
    unsigned char data[WRITE_BEHIND_BYTES];
};

// Static slots: a buffer taken from the heap for every file opened cost two
// system calls (the heap grows, then gives the pages back). Several threads
// open and close files: a slot is taken by one atomic exchange and given
// back by a store, never behind a lock, and used meanwhile only by the
// thread that holds its descriptor, found through the descriptor's entry
// (slot number + 1, 0 for none).
static ReadAhead readers[READ_AHEAD_SLOTS];
static WriteBehind writers[WRITE_BEHIND_SLOTS];

static int take(std::atomic<int>* open) {
    int free = 0;
    return open->load(std::memory_order_relaxed) == 0 &&
           open->compare_exchange_strong(free, 1, std::memory_order_acquire);
}
constexpr int CACHED_DESCRIPTORS = 1024;  // a descriptor past these goes unbuffered
static std::atomic<unsigned char> reader_slot[CACHED_DESCRIPTORS];
static std::atomic<unsigned char> writer_slot[CACHED_DESCRIPTORS];

static ReadAhead* reader_of(int fd) {
    const unsigned slot = fd >= 0 && fd < CACHED_DESCRIPTORS ? reader_slot[fd].load(std::memory_order_relaxed) : 0u;
    return slot != 0 ? &readers[slot - 1] : nullptr;
}

static WriteBehind* writer_of(int fd) {
    const unsigned slot = fd >= 0 && fd < CACHED_DESCRIPTORS ? writer_slot[fd].load(std::memory_order_relaxed) : 0u;
    return slot != 0 ? &writers[slot - 1] : nullptr;
}

void cache_attach_reader(int fd) {
    if (fd < 0 || fd >= CACHED_DESCRIPTORS) return;
    for (int i = 0; i < READ_AHEAD_SLOTS; ++i) {
        ReadAhead& slot = readers[i];
        if (!take(&slot.open)) continue;
        slot.fd = fd, slot.grown = 0;
        slot.file_position = 0, slot.start = slot.end = 0;
        reader_slot[fd].store(static_cast<unsigned char>(i + 1), std::memory_order_relaxed);
        break;
    }
}

void cache_attach_writer(int fd) {
    if (fd < 0 || fd >= CACHED_DESCRIPTORS) return;
    for (int i = 0; i < WRITE_BEHIND_SLOTS; ++i) {
        WriteBehind& slot = writers[i];
        if (!take(&slot.open)) continue;
        slot.fd = fd, slot.used = 0;
        writer_slot[fd].store(static_cast<unsigned char>(i + 1), std::memory_order_relaxed);
        break;
    }
}

// Write calls until all `count` bytes are in, retried when interrupted; `done`
// counts what went in. 0 on an error or a write that takes nothing (a full disk).
static int write_all(int fd, const unsigned char* data, size_t count, size_t* done) {
    *done = 0;
    while (*done < count) {
        ssize_t n = write(fd, data + *done, count - *done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;  // a write that takes nothing: the disk is full
        if (n <= 0) return 0;
        *done += static_cast<size_t>(n);
    }
    return 1;
}

// Hands the buffered bytes to the kernel; 0 when they did not all get there.
// The buffer is emptied either way: the file is then short, and the call that
// flushed reports it, as an unbuffered write would have.
static int flush_writer(WriteBehind* behind) {
    size_t done;
    int ok = write_all(behind->fd, behind->data, behind->used, &done);
    behind->used = 0;
    return ok;
}

// One read call, retried when interrupted: the byte count, 0 at the end, -1 on error.
static ssize_t read_once(int fd, void* buffer, size_t count) {
    ssize_t n;
    do n = read(fd, buffer, count);
    while (n < 0 && errno == EINTR);
    return n;
}

int cache_read(int fd, void* buffer, size_t count, size_t* done) {
    ReadAhead* ahead = reader_of(fd);
    unsigned char* out = static_cast<unsigned char*>(buffer);
    *done = 0;
    while (*done < count) {
        size_t wanted = count - *done;
        if (ahead != nullptr && ahead->start < ahead->end) {
            size_t n = ahead->end - ahead->start < wanted ? ahead->end - ahead->start : wanted;
            memcpy(out + *done, ahead->data + ahead->start, n);
            ahead->start += n;
            *done += n;
            continue;
        }
        ssize_t n;
        if (ahead != nullptr && wanted < READ_AHEAD_BYTES) {
            // A header scan reads a few KiB and moves on; a reader that runs
            // past the first fill is copying the file and gets the full buffer.
            n = read_once(fd, ahead->data, ahead->grown ? READ_AHEAD_BYTES : READ_AHEAD_FIRST_BYTES);
            if (n > 0) ahead->start = 0, ahead->end = static_cast<size_t>(n);
            ahead->grown = 1;
        } else {
            // Large reads go straight to the caller; the buffer then holds nothing.
            if (ahead != nullptr) ahead->start = ahead->end = 0;
            n = read_once(fd, out + *done, wanted);
            if (n > 0) *done += static_cast<size_t>(n);
        }
        if (n > 0 && ahead != nullptr) ahead->file_position += n;
        if (n < 0) return 0;
        if (n == 0) break;  // end of file: success with fewer bytes
    }
    return 1;
}

int cache_write(int fd, const void* buffer, size_t count, size_t* done) {
    WriteBehind* behind = writer_of(fd);
    const unsigned char* in = static_cast<const unsigned char*>(buffer);
    if (behind == nullptr) return write_all(fd, in, count, done);
    *done = 0;
    while (*done < count) {
        size_t rest = count - *done;
        if (behind->used == 0 && rest >= WRITE_BEHIND_BYTES) {
            // A buffer's worth with nothing waiting goes straight through.
            size_t n;
            int ok = write_all(fd, in + *done, rest, &n);
            *done += n;
            return ok;
        }
        size_t room = WRITE_BEHIND_BYTES - behind->used;
        size_t n = room < rest ? room : rest;
        memcpy(behind->data + behind->used, in + *done, n);
        behind->used += n;
        *done += n;
        if (behind->used == WRITE_BEHIND_BYTES && !flush_writer(behind)) return 0;
    }
    return 1;
}

int cache_flush(int fd) {
    WriteBehind* behind = writer_of(fd);
    return behind == nullptr || flush_writer(behind);
}

int cache_move(int fd, int64_t distance, int wide, int64_t* position) {
    // The kernel's position must include what is still buffered.
    if (!cache_flush(fd)) return 0;
    ReadAhead* ahead = reader_of(fd);
    int64_t base;
    if (ahead != nullptr) {
        base = static_cast<int64_t>(ahead->file_position) - static_cast<int64_t>(ahead->end - ahead->start);
    } else {
        off_t here = lseek(fd, 0, SEEK_CUR);
        if (here < 0) return 0;
        base = here;
    }
    int64_t target = base + distance;
    // Before the start fails; without a high part the result must fit 32 bits.
    if (target < 0 || (!wide && target > 0xFFFFFFFELL)) return 0;
    int64_t window = ahead != nullptr ? static_cast<int64_t>(ahead->file_position) -
                                            static_cast<int64_t>(ahead->end)
                                      : 0;
    if (ahead != nullptr && target >= window && target <= ahead->file_position) {
        ahead->start = static_cast<size_t>(target - window);  // inside what was read ahead
    } else {
        if (lseek(fd, static_cast<off_t>(target), SEEK_SET) < 0) return 0;
        if (ahead != nullptr) {
            ahead->file_position = static_cast<off_t>(target);
            ahead->start = ahead->end = 0;
            ahead->grown = 0;
        }
    }
    *position = target;
    return 1;
}

int cache_detach(int fd) {
    ReadAhead* ahead = reader_of(fd);
    WriteBehind* behind = writer_of(fd);
    const int flushed = behind == nullptr || flush_writer(behind);
    if (ahead != nullptr) reader_slot[fd].store(0, std::memory_order_relaxed), ahead->open.store(0, std::memory_order_release);
    if (behind != nullptr) writer_slot[fd].store(0, std::memory_order_relaxed), behind->open.store(0, std::memory_order_release);
    return flushed;
}
