// Scratch files and small helpers for the fuzz targets, on both builds.
#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>

#include "posix/utf.h"
#endif

static std::filesystem::path scratch_folder;
static std::vector<WCHAR> input_path;

static void remove_scratch_folder(void) {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_folder, ignored);
}

// One folder per process, so parallel fuzzers never share a file.
static void make_scratch_folder(void) {
#ifdef _WIN32
    int pid = _getpid();
#else
    int pid = static_cast<int>(getpid());
#endif
    scratch_folder =
        std::filesystem::temp_directory_path() / ("kestrel-fuzz-" + std::to_string(pid));
    std::error_code error;
    std::filesystem::create_directories(scratch_folder, error);
    fuzz_require(!error, "the scratch folder can be made");
    atexit(remove_scratch_folder);
}

// The core takes Windows-form paths on both builds: UTF-16, backslashes.
static void set_input_path(const std::filesystem::path& path) {
    input_path.clear();
#ifdef _WIN32
    std::wstring native = path.wstring();
    input_path.assign(native.begin(), native.end());
#else
    std::string native = path.string();
    std::u16string units = posix_utf8_to_utf16(native.data(), native.size());
    input_path.assign(units.begin(), units.end());
#endif
    for (WCHAR& unit : input_path)
        if (unit == WIDE('/')) unit = WIDE('\\');
    input_path.push_back(0);
}

const WCHAR* fuzz_write_input(const char* name, const uint8_t* data, size_t size) {
    if (scratch_folder.empty()) make_scratch_folder();
    std::filesystem::path path = scratch_folder / name;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        fuzz_require(out.good(), "the input file can be written");
    }
    set_input_path(path);
    return input_path.data();
}

std::vector<WCHAR> fuzz_units(const uint8_t* data, size_t size) {
    std::vector<WCHAR> units;
    units.reserve(size / 2 + 1);
    for (size_t i = 0; i + 1 < size; i += 2) {
        WCHAR unit = static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        units.push_back(unit);
    }
    units.push_back(0);
    // A copy holds exactly the text, so that a read past its end is caught.
    return std::vector<WCHAR>(units.begin(), units.end());
}

size_t fuzz_length(const WCHAR* text) {
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

void fuzz_require(bool holds, const char* what) {
    if (holds) return;
    fprintf(stderr, "fuzz check failed: %s\n", what);
    fflush(stderr);
    abort();
}
