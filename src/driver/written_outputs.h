// The outputs one run has written, by file identity, so that it never writes
// one twice (a.jpg, then a.jpeg, would both make a.pdf).
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "platform/win32.h"

// An open-addressed table of identities; all zero is an empty slot.
struct WrittenOutputs {
    FileIdentity* slots;
    uint32_t capacity;  // a power of two, or 0
    uint32_t count;
};

// 1 when `path` names a file this run wrote.
int was_written(const WrittenOutputs* outputs, const WCHAR* path);
// Remembers the file `path` names now; a name that cannot be asked is not
// remembered.
void remember_written(WrittenOutputs* outputs, const WCHAR* path);
void release_written(WrittenOutputs* outputs);
