// --output-dir and --update: names and times, through the Win32 calls.
#include "driver/outputs/output_folder.h"

#include <cstdint>

#include "driver/outputs/output_path.h"
#include "platform/files.h"
#include "platform/path.h"

int make_output_in_folder(const WCHAR* folder, const WCHAR* input_path, int relative, WCHAR* output) {
    WCHAR joined[PATH_BUFFER_UNITS];
    int n = copy_text(joined, folder, PATH_BUFFER_UNITS);
    if (n > 0 && joined[n - 1] != WIDE('\\') && n < PATH_BUFFER_UNITS - 1) joined[n++] = WIDE('\\');
    for (const WCHAR* part = input_path + relative; *part != 0; ++part) {
        if (n == PATH_BUFFER_UNITS - 1) return 0;
        joined[n++] = *part;
    }
    joined[n] = 0;
    return make_output_path(joined, output);
}

int make_parent_folders(const WCHAR* path) {
    WCHAR prefix[PATH_BUFFER_UNITS];
    int last = -1;
    for (int i = 0; path[i] != 0 && i < PATH_BUFFER_UNITS; ++i)
        if (path[i] == WIDE('\\')) last = i;
    if (last <= 0) return 1;  // the current folder, or the root
    for (int i = 0; i < last; ++i) prefix[i] = path[i];
    prefix[last] = 0;
    if (is_folder(prefix)) return 1;
    // Each folder on the way, from the outermost: "a", "a\b", "a\b\c".
    for (int end = 1; end <= last; ++end) {
        if (end < last && path[end] != WIDE('\\')) continue;
        prefix[end] = 0;
        if (!is_folder(prefix) && !CreateDirectoryW(prefix, nullptr) && !is_folder(prefix)) return 0;
        if (end < last) prefix[end] = WIDE('\\');
    }
    return 1;
}

int last_write_ticks(const WCHAR* path, uint64_t* ticks) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return 0;
    *ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return 1;
}

int is_up_to_date(const WCHAR* input, const WCHAR* output) {
    uint64_t pdf, image;
    return last_write_ticks(output, &pdf) && last_write_ticks(input, &image) && pdf >= image;
}
