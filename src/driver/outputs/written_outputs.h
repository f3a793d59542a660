// The outputs one run has written, by file identity, so that it never writes
// one twice (a.jpg, then a.jpeg, would both make a.pdf).
#pragma once

#include <cstdint>

#include "platform/files.h"

// An open-addressed set of 64-bit keys mixed from the identities (0 marks an
// empty slot): 8 bytes a slot, at most three quarters full.
struct WrittenOutputs {
    uint64_t* slots;
    uint32_t capacity;  // a power of two, or 0
    uint32_t count;
};

// 1 when the file was written by this run.
int was_written(const WrittenOutputs* outputs, const FileIdentity* identity);
// Remembers the file; nothing when memory runs out.
void remember_written(WrittenOutputs* outputs, const FileIdentity* identity);
void release_written(WrittenOutputs* outputs);
