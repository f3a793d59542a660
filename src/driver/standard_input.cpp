// The copy of standard input lives in a folder made for it alone (creating a
// folder is exclusive), so no user file is ever taken over, and is named
// "-.jpg": it shows as "-" in the page label.
#include "driver/standard_input.h"

#include <cstdio>

#include "driver/next_argument.h"
#include "platform/files.h"
#include "platform/path.h"

constexpr int FOLDER_TRIES = 10000;

static int append_ascii(WCHAR* path, int at, const char* text) {
    while (*text != 0 && at < PATH_BUFFER_UNITS - 1) path[at++] = static_cast<WCHAR>(*text++);
    path[at] = 0;
    return *text == 0 ? at : -1;
}

// Makes the folder and returns the length of its path, or -1.
static int make_own_folder(WCHAR* held) {
    DWORD base = GetTempPathW(PATH_BUFFER_UNITS, held);
    if (base == 0 || base >= PATH_BUFFER_UNITS) return -1;
    unsigned start = static_cast<unsigned>(GetTickCount64() % FOLDER_TRIES);
    for (int n = 0; n < FOLDER_TRIES; ++n) {
        char name[32];
        snprintf(name, sizeof name, "~kestrel-%04u.tmp", (start + static_cast<unsigned>(n)) % FOLDER_TRIES);
        int length = append_ascii(held, static_cast<int>(base), name);
        if (length < 0) return -1;
        if (CreateDirectoryW(held, nullptr)) return length;
        if (GetFileAttributesW(held) == INVALID_FILE_ATTRIBUTES) return -1;  // not there, yet refused
    }
    return -1;
}

static int copy_input(HANDLE copy) {
    static char chunk[64 * 1024];
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD got = 0, written = 0;
    for (;;) {
        if (!ReadFile(in, chunk, sizeof chunk, &got, nullptr)) return 0;
        if (got == 0) return 1;
        if (!WriteFile(copy, chunk, got, &written, nullptr) || written != got) return 0;
    }
}

int hold_standard_input(WCHAR* held) {
    int folder = make_own_folder(held);
    if (folder < 0 || append_ascii(held, folder, "\\-.jpg") < 0) {
        if (folder >= 0) held[folder] = 0, RemoveDirectoryW(held);
        held[0] = 0;
        return 0;
    }
    HANDLE copy = open_file(held, GENERIC_WRITE, CREATE_NEW);
    int ok = copy != INVALID_HANDLE_VALUE && copy_input(copy);
    if (copy != INVALID_HANDLE_VALUE && !CloseHandle(copy)) ok = 0;
    if (!ok) release_standard_input(held);
    return ok;
}

void release_standard_input(WCHAR* held) {
    if (held[0] == 0) return;
    delete_file(held);
    *path_file_name(held) = 0;
    int length = 0;
    while (held[length] != 0) ++length;
    if (length > 0) held[length - 1] = 0;  // the separator before "-.jpg"
    RemoveDirectoryW(held);
    held[0] = 0;
}
