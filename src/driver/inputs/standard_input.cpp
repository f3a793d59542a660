// The copy of standard input lives in a folder made for it alone under a
// temporary name (creating a folder is exclusive), so no user file is ever
// taken over, and is named "-.jpg", the name its page label shows. On POSIX
// a signal removes both, as it removes every temporary file.
#include "driver/inputs/standard_input.h"

#include "driver/outputs/output_path.h"
#include "platform/files.h"
#include "platform/path.h"

constexpr int FOLDER_TRIES = 16;

static int append_ascii(WCHAR* path, int at, const char* text) {
    while (*text != 0 && at < PATH_BUFFER_UNITS - 1) path[at++] = static_cast<WCHAR>(*text++);
    path[at] = 0;
    return *text == 0 ? at : -1;
}

// Makes the folder, under a fresh temporary name in the temporary folder,
// and returns the length of its path, or -1.
static int make_own_folder(WCHAR* held) {
    WCHAR beside[PATH_BUFFER_UNITS];
    DWORD base = GetTempPathW(PATH_BUFFER_UNITS, beside);
    if (base == 0 || base >= PATH_BUFFER_UNITS - 1 || append_ascii(beside, static_cast<int>(base), "-") < 0) return -1;
    for (int n = 0; n < FOLDER_TRIES; ++n) {
        if (!make_temporary_path(beside, held)) return -1;
        if (CreateDirectoryW(held, nullptr)) {
            int length = 0;
            while (held[length] != 0) ++length;
            return length;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return -1;
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
