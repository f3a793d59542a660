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

WideString wide(const std::string& utf8) {
    WideString out;
    size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t code = c;
        size_t extra = 0;
        if (c >= 0xF0) { code = c & 0x07u; extra = 3; }
        else if (c >= 0xE0) { code = c & 0x0Fu; extra = 2; }
        else if (c >= 0xC0) { code = c & 0x1Fu; extra = 1; }
        for (size_t k = 1; k <= extra && i + k < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<WCHAR>(0xD800 + (code >> 10)));
            out.push_back(static_cast<WCHAR>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<WCHAR>(code));
        }
    }
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
