// Reading the names of --files-from. A name becomes text through the same
// seam as a command-line argument, so every name round-trips exactly.
#include "driver/inputs/name_list.h"

#include <cstdlib>

#include "driver/cli/settings.h"
#include "driver/inputs/input.h"
#include "platform/files.h"
#include "platform/path.h"

int begin_name_list(NameList* list, const WCHAR* path, int null_separated, Failure* failure) {
    *list = NameList{};
    list->separator = null_separated ? '\0' : '\n';
    list->owned = !is_standard_stream(path);
    list->file = list->owned ? open_stream(path) : GetStdHandle(STD_INPUT_HANDLE);
    if (list->file == INVALID_HANDLE_VALUE) note_last_error(failure, FAILED_LIST);
    list->chunk = static_cast<char*>(malloc(LIST_CHUNK_BYTES));
    if (list->chunk == nullptr) note_failure(failure, FAILED_LIST, "out of memory");
    if (list->file != INVALID_HANDLE_VALUE && list->chunk != nullptr) return 1;
    end_name_list(list);
    note_failure(failure, FAILED_LIST, "cannot be read");
    return 0;
}

// The next byte, refilling the chunk; -1 at the end of the list.
static int next_byte(NameList* list) {
    if (list->next == list->length) {
        DWORD got = 0;
        if (list->file == INVALID_HANDLE_VALUE || !ReadFile(list->file, list->chunk, LIST_CHUNK_BYTES, &got, nullptr))
            got = 0;
        list->length = static_cast<int32_t>(got);
        list->next = 0;
        if (got == 0) return -1;
    }
    return static_cast<unsigned char>(list->chunk[list->next++]);
}

int next_list_name(NameList* list, Input* input) {
    char name[LIST_NAME_BYTES];
    int length = 0, cut = 0, c = 0, nul = 0;
    // Empty names (blank lines, a NUL after a NUL) name nothing.
    while (length == 0 && !cut && c != -1) {
        while ((c = next_byte(list)) != -1 && c != list->separator) {
            nul |= c == 0;
            if (length < LIST_NAME_BYTES) name[length++] = static_cast<char>(c); else cut = 1;
        }
        if (list->separator == '\n' && length > 0 && name[length - 1] == '\r') --length;
    }
    if (length == 0 && !cut) return 0;
    // No file name holds a NUL: a list that does was written by find -print0.
    input->problem = nul ? "looks like a NUL-separated list: add --null" : nullptr;
    input->too_long = nul || cut || !name_from_list(name, length, input->path, PATH_BUFFER_UNITS);
    // A name too long for the path is shown by as much as fits.
    while (input->too_long && length > 0 && !name_from_list(name, length, input->path, PATH_BUFFER_UNITS))
        length = length > 64 ? length - 64 : 0;
    if (length == 0) input->path[0] = 0;
    input->relative = static_cast<int>(path_file_name(input->path) - input->path);
    return 1;
}

void end_name_list(NameList* list) {
    if (list->owned && list->file != INVALID_HANDLE_VALUE) CloseHandle(list->file);
    free(list->chunk);
    *list = NameList{};
    list->file = INVALID_HANDLE_VALUE;
}
