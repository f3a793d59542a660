// File calls of the POSIX stand-in. A handle is a file descriptor plus one (so
// it is never null). Share mode 0 is emulated with an exclusive non-blocking
// flock, so a file this process holds open cannot be opened again. Regular
// files opened for reading only or writing only are buffered (file_cache.h).
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posix/file_cache.h"
#include "posix/names.h"
#include "posix/utf.h"
#include "posix/win32_posix.h"

static HANDLE handle_of(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

static int fd_of(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return -1;
    return static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1);
}

// Share mode 0. Only a lock that someone else holds refuses the file: a file
// system without locks (NFS without its lock service, some FUSE and SMB
// mounts) answers ENOLCK, EOPNOTSUPP or EINVAL, and there the file is used
// unlocked, as it would be on Windows over such a share.
static bool lock_exclusively(int fd) {
    int result;
    do result = flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0 || errno != EWOULDBLOCK;
}

static HANDLE open_native(const std::string& path, DWORD access, DWORD share_mode,
                          DWORD disposition) {
    int mode;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
        mode = O_RDWR;
    else if (access & GENERIC_WRITE)
        mode = O_WRONLY;
    else if (access & GENERIC_READ)
        mode = O_RDONLY;
    else
        return INVALID_HANDLE_VALUE;
    if (disposition == CREATE_ALWAYS)
        mode |= O_CREAT;  // truncated below, once the lock is held
    else if (disposition == CREATE_NEW)
        mode |= O_CREAT | O_EXCL;
    else if (disposition != OPEN_EXISTING)
        return INVALID_HANDLE_VALUE;

    int fd = open(path.c_str(), mode | O_CLOEXEC, 0666);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    struct stat st;
    // Windows refuses to open a folder as a file.
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    if (share_mode == 0 && !lock_exclusively(fd)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition == CREATE_ALWAYS && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    if (mode == (O_RDONLY) && S_ISREG(st.st_mode)) cache_attach_reader(fd);
    // A pipe's reader should see each write as it comes, so only files buffer.
    if ((mode & O_ACCMODE) == O_WRONLY && S_ISREG(st.st_mode)) cache_attach_writer(fd);
    return handle_of(fd);
}

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
    (void)security, (void)flags, (void)template_file;
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    return open_native(posix_native_path(path), access, share_mode, disposition);
}

static std::string native_ansi_path(LPCSTR path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\') c = '/';
    return native;
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
    (void)security, (void)flags, (void)template_file;
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    return open_native(native_ansi_path(path), access, share_mode, disposition);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read_count,
              LPOVERLAPPED overlapped) {
    (void)overlapped;
    int fd = fd_of(file);
    size_t done = 0;
    BOOL result = fd >= 0 && cache_read(fd, buffer, count, &done) ? TRUE : FALSE;
    if (read_count != nullptr) *read_count = static_cast<DWORD>(done);
    return result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
               LPOVERLAPPED overlapped) {
    (void)overlapped;
    int fd = fd_of(file);
    size_t done = 0;
    BOOL result = fd >= 0 && cache_write(fd, buffer, count, &done) ? TRUE : FALSE;
    if (written != nullptr) *written = static_cast<DWORD>(done);
    return result;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method) {
    int fd = fd_of(file);
    if (fd < 0 || method != FILE_CURRENT) return INVALID_SET_FILE_POINTER;
    int64_t move = distance;
    if (distance_high != nullptr)
        move = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distance_high)) << 32) |
                                    static_cast<uint32_t>(distance));
    int64_t target;
    if (!cache_move(fd, move, distance_high != nullptr, &target)) return INVALID_SET_FILE_POINTER;
    if (distance_high != nullptr) *distance_high = static_cast<LONG>(target >> 32);
    return static_cast<DWORD>(target & 0xFFFFFFFF);
}

DWORD GetFileSize(HANDLE file, LPDWORD size_high) {
    int fd = fd_of(file);
    struct stat st;
    if (fd < 0 || !cache_flush(fd) || fstat(fd, &st) != 0) return INVALID_FILE_SIZE;
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size_high != nullptr) *size_high = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size & 0xFFFFFFFF);
}

DWORD GetFileAttributesW(LPCWSTR path) {
    struct stat st;
    if (path == nullptr || stat(posix_native_path(path).c_str(), &st) != 0)
        return INVALID_FILE_ATTRIBUTES;
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL CloseHandle(HANDLE handle) {
    int fd = fd_of(handle);
    if (fd < 0) return FALSE;
    // The last bytes may meet a full disk here; the handle closes all the same.
    int flushed = cache_detach(fd);
    return close(fd) == 0 && flushed ? TRUE : FALSE;
}

// rename(2) replaces an existing file in one step, as MOVEFILE_REPLACE_EXISTING
// does; without the flag an existing target is refused, as on Windows.
static BOOL move_native(const std::string& from, const std::string& to, DWORD flags) {
    struct stat st;
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && lstat(to.c_str(), &st) == 0) return FALSE;
    return rename(from.c_str(), to.c_str()) == 0 ? TRUE : FALSE;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (from == nullptr || to == nullptr) return FALSE;
    return move_native(posix_native_path(from), posix_native_path(to), flags);
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    if (from == nullptr || to == nullptr) return FALSE;
    return move_native(native_ansi_path(from), native_ansi_path(to), flags);
}

BOOL DeleteFileW(LPCWSTR path) {
    if (path == nullptr) return FALSE;
    return unlink(posix_native_path(path).c_str()) == 0 ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR path) {
    if (path == nullptr) return FALSE;
    return unlink(native_ansi_path(path).c_str()) == 0 ? TRUE : FALSE;
}
