// Read-ahead and write-behind buffers of the stand-in's file handles, by file
// descriptor; a descriptor without a buffer goes straight to the kernel.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t READ_AHEAD_FIRST_BYTES = 16 * 1024;  // a JPEG's header, as a rule
constexpr size_t READ_AHEAD_BYTES = 128 * 1024;  // 256 KiB measured no faster
constexpr int READ_AHEAD_SLOTS = 72;  // read handles open at once (64 jobs and the run's); more go unbuffered
constexpr size_t WRITE_BEHIND_BYTES = 128 * 1024;
constexpr int WRITE_BEHIND_SLOTS = 68;  // write handles open at once; more go unbuffered

void cache_attach_reader(int fd);
void cache_attach_writer(int fd);
// Each returns 1 on success, 0 on failure; `done` counts the bytes moved.
int cache_read(int fd, void* buffer, size_t count, size_t* done);
int cache_write(int fd, const void* buffer, size_t count, size_t* done);
// The position after a relative move, kept within 32 bits unless `wide`.
int cache_move(int fd, int64_t distance, int wide, int64_t* position);
// Hands what a writer holds to the kernel, as before asking the file's size.
int cache_flush(int fd);
// Forgets the descriptor's buffer, after handing over what a writer holds.
int cache_detach(int fd);
