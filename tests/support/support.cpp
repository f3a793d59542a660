// Helpers shared by the unit tests.
#include "support.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#ifndef _WIN32
#include <unistd.h>
#else
#include <process.h>
#endif

// Through the platform's own conversion: UTF-8 is CP_UTF8 on Windows and the
// ANSI code page of our POSIX stand-in.
WideString wide(const std::string& utf8) {
#ifdef _WIN32
    const UINT code_page = CP_UTF8;
#else
    const UINT code_page = CP_ACP;
#endif
    if (utf8.empty()) return WideString();
    int length = static_cast<int>(utf8.size());
    int units = MultiByteToWideChar(code_page, 0, utf8.data(), length, nullptr, 0);
    WideString out(static_cast<size_t>(units), WCHAR(0));
    MultiByteToWideChar(code_page, 0, utf8.data(), length, out.data(), units);
    return out;
}

std::string narrow(const WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) out += char(*text & 0xFF);
    return out;
}

WideString wide_path(const std::filesystem::path& path) {
#ifdef _WIN32
    std::wstring native = path.wstring();
    for (auto& c : native)
        if (c == L'/') c = L'\\';
    return WideString(native.begin(), native.end());
#else
    WideString out = wide(path.string());
    for (auto& c : out)
        if (c == u'/') c = u'\\';
    return out;
#endif
}

std::filesystem::path make_temp_dir(const std::string& name) {
    static int counter = 0;
#ifdef _WIN32
    int pid = _getpid();
#else
    int pid = static_cast<int>(getpid());
#endif
    auto dir = std::filesystem::temp_directory_path() /
               ("kestrel-" + name + "-" + std::to_string(pid) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path fixture_path(const std::string& name) {
    return std::filesystem::path(KESTREL_FIXTURE_DIR) / name;
}

bool file_is_closed(const std::filesystem::path& path) {
    HANDLE handle = CreateFileW(wide_path(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>

void limit_file_size(long long bytes) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes < 0 ? limit.rlim_max : static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}
#endif
