// File calls of the POSIX stand-in. A handle is a file descriptor plus one (so
// it is never null). Share mode 0 is emulated with an exclusive non-blocking
// flock, so a file this process holds open cannot be opened again.
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posix/utf.h"
#include "posix/win32_posix.h"

static HANDLE handle_of(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

static int fd_of(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return -1;
    return static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1);
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
    if (share_mode == 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition == CREATE_ALWAYS && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return handle_of(fd);
}

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
    (void)security, (void)flags, (void)template_file;
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    return open_native(posix_native_path(path), access, share_mode, disposition);
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
    (void)security, (void)flags, (void)template_file;
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    std::string native(path);
    for (char& c : native)
        if (c == '\\') c = '/';
    return open_native(native, access, share_mode, disposition);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read_count,
              LPOVERLAPPED overlapped) {
    (void)overlapped;
    int fd = fd_of(file);
    DWORD done = 0;
    BOOL result = TRUE;
    if (fd < 0) result = FALSE;
    while (result && done < count) {
        ssize_t n = read(fd, static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result = FALSE;
        if (n <= 0) break;  // end of file: success with fewer bytes
        done += static_cast<DWORD>(n);
    }
    if (read_count != nullptr) *read_count = done;
    return result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
               LPOVERLAPPED overlapped) {
    (void)overlapped;
    int fd = fd_of(file);
    DWORD done = 0;
    BOOL result = fd >= 0 ? TRUE : FALSE;
    while (result && done < count) {
        ssize_t n = write(fd, static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) result = FALSE;
        else done += static_cast<DWORD>(n);
    }
    if (written != nullptr) *written = done;
    return result;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method) {
    int fd = fd_of(file);
    if (fd < 0 || method != FILE_CURRENT) return INVALID_SET_FILE_POINTER;
    int64_t move = distance;
    if (distance_high != nullptr)
        move = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distance_high)) << 32) |
                                    static_cast<uint32_t>(distance));
    off_t base = lseek(fd, 0, SEEK_CUR);
    if (base < 0) return INVALID_SET_FILE_POINTER;
    int64_t target = static_cast<int64_t>(base) + move;
    // Before the start fails; without a high part the result must fit 32 bits.
    if (target < 0 || (distance_high == nullptr && target > 0xFFFFFFFELL))
        return INVALID_SET_FILE_POINTER;
    if (lseek(fd, static_cast<off_t>(target), SEEK_SET) < 0) return INVALID_SET_FILE_POINTER;
    if (distance_high != nullptr) *distance_high = static_cast<LONG>(target >> 32);
    return static_cast<DWORD>(target & 0xFFFFFFFF);
}

DWORD GetFileSize(HANDLE file, LPDWORD size_high) {
    int fd = fd_of(file);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return INVALID_FILE_SIZE;
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
    return close(fd) == 0 ? TRUE : FALSE;
}
