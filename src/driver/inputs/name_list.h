// --files-from: a list of names read as it goes, a chunk at a time, so a list
// of any length takes the same memory. One name a line (a line's final CR
// dropped, for lists written on Windows), or NUL-terminated with --null.
#pragma once

#include <cstdint>

#include "platform/failure.h"
#include "platform/win32.h"

struct Input;

constexpr int LIST_CHUNK_BYTES = 64 * 1024;
// A name's bytes; a longer one is reported, cut.
constexpr int LIST_NAME_BYTES = 1024;

struct NameList {
    HANDLE file;
    int owned;  // opened here, closed at the end (standard input is not)
    char separator;
    char* chunk;
    int32_t length;
    int32_t next;
};

// Opens the list ("-": standard input); 0 when it cannot be read, why noted
// in `failure`.
int begin_name_list(NameList* list, const WCHAR* path, int null_separated, Failure* failure);
// The next name, taken as a file whatever it looks like; 0 at the end.
int next_list_name(NameList* list, Input* input);
void end_name_list(NameList* list);
