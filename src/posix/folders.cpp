// Folder calls of the POSIX stand-in: listing a folder, an entry's times and
// size, creating and removing folders, the temporary folder. Attributes say
// what Windows would: a leading dot is hidden, a symbolic link a reparse point.
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "posix/created_files.h"
#include "posix/names.h"
#include "posix/win32_posix.h"

// 100 ns units since 1601, as Windows counts file times.
static FILETIME file_time(const struct timespec& at) {
    const int64_t seconds_1601_to_1970 = 11644473600;
    uint64_t ticks = static_cast<uint64_t>((at.tv_sec + seconds_1601_to_1970) * 10000000 + at.tv_nsec / 100);
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

static DWORD attributes_of(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL GetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information) {
    struct stat st;
    if (path == nullptr || level != GetFileExInfoStandard || stat(posix_native_path(path).c_str(), &st) != 0)
        return FALSE;
    auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(information);
    data->dwFileAttributes = attributes_of(st);
    data->ftLastWriteTime = file_time(st.st_mtim);
    data->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    data->nFileSizeLow = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) & 0xFFFFFFFF);
    return TRUE;
}

// A folder of a temporary name (standard input's copy is held in one) is
// removed by a signal, as a temporary file is.
static bool is_temporary(const std::string& native) {
    size_t name = native.rfind('/');
    return native.compare(name == std::string::npos ? 0 : name + 1, 9, "~kestrel-") == 0;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security) {
    (void)security;
    if (path == nullptr) return FALSE;
    std::string native = posix_native_path(path);
    if (mkdir(native.c_str(), 0777) != 0) {
        SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (is_temporary(native)) posix_track_created(native.c_str());
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
    if (path == nullptr) return FALSE;
    std::string native = posix_native_path(path);
    posix_forget_created(native.c_str());
    return rmdir(native.c_str()) == 0 ? TRUE : FALSE;
}

// $TMPDIR or /tmp, ending in the separator; the units written, 0 on failure.
DWORD GetTempPathW(DWORD capacity, LPWSTR buffer) {
    const char* folder = getenv("TMPDIR");
    std::string native = folder != nullptr && *folder != 0 ? folder : "/tmp";
    if (native.back() != '/') native += '/';
    std::u16string wide = posix_name_to_wide(native.data(), native.size());
    if (wide.size() + 1 > capacity) return 0;
    for (size_t i = 0; i <= wide.size(); ++i) buffer[i] = i < wide.size() ? wide[i] : 0;
    return static_cast<DWORD>(wide.size());
}

// An entry as FindNextFileW gives it: lstat, so a link is seen as a link,
// and the folder flag of what it points to, as Windows shows a folder link.
static BOOL fill_entry(DIR* folder, WIN32_FIND_DATAW* entry) {
    const struct dirent* next;
    struct stat st;
    do next = readdir(folder);
    while (next != nullptr && fstatat(dirfd(folder), next->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0);
    if (next == nullptr) return FALSE;
    std::u16string name = posix_name_to_wide(next->d_name, std::char_traits<char>::length(next->d_name));
    if (name.size() >= MAX_PATH) name.resize(MAX_PATH - 1);  // never: names have 255 bytes at most
    for (size_t i = 0; i <= name.size(); ++i) entry->cFileName[i] = i < name.size() ? name[i] : 0;
    entry->dwFileAttributes = attributes_of(st);
    if (S_ISLNK(st.st_mode)) {
        struct stat target;
        bool folder_link = fstatat(dirfd(folder), next->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        entry->dwFileAttributes = FILE_ATTRIBUTE_REPARSE_POINT | (folder_link ? FILE_ATTRIBUTE_DIRECTORY : 0);
    }
    if (next->d_name[0] == '.') entry->dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
    entry->ftLastWriteTime = file_time(st.st_mtim);
    entry->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
    entry->nFileSizeLow = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) & 0xFFFFFFFF);
    return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* entry) {
    if (pattern == nullptr || entry == nullptr) return INVALID_HANDLE_VALUE;
    std::string native = posix_native_path(pattern);
    if (native.size() < 2 || native.compare(native.size() - 2, 2, "/*") != 0) return INVALID_HANDLE_VALUE;
    native.resize(native.size() - 1);
    DIR* folder = opendir(native.c_str());
    if (folder == nullptr) return INVALID_HANDLE_VALUE;
    if (!fill_entry(folder, entry)) {
        closedir(folder);
        return INVALID_HANDLE_VALUE;
    }
    return folder;
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* entry) {
    return find != INVALID_HANDLE_VALUE && find != nullptr && fill_entry(static_cast<DIR*>(find), entry);
}

BOOL FindClose(HANDLE find) {
    return find != INVALID_HANDLE_VALUE && find != nullptr && closedir(static_cast<DIR*>(find)) == 0;
}
