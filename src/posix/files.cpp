// File calls of the POSIX stand-in. A handle is a file descriptor plus one (so
// it is never null). Share mode 0 is emulated with an exclusive non-blocking
// flock, so a file this process holds open cannot be opened again. Handles
// opened for reading only get a read-ahead buffer, as Windows' file cache
// serves small reads without a trip to the kernel: the 512-byte reads of the
// image copy and the scanner's header reads then cost a memcpy each. Handles
// opened for writing only get a write-behind buffer for the same reason; a
// failed hand-over to the kernel fails the call that made it.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

constexpr size_t READ_AHEAD_BYTES = 64 * 1024;
constexpr int READ_AHEAD_SLOTS = 8;  // read handles open at once; more go unbuffered

// The bytes [file_position - end, file_position) of the file are in data; the
// next read starts at data[start].
struct ReadAhead {
    int fd;
    off_t file_position;  // the kernel's position
    size_t start;
    size_t end;
    unsigned char data[READ_AHEAD_BYTES];
};

static ReadAhead* read_ahead[READ_AHEAD_SLOTS];

static ReadAhead* read_ahead_of(int fd) {
    for (ReadAhead* slot : read_ahead)
        if (slot != nullptr && slot->fd == fd) return slot;
    return nullptr;
}

static void attach_read_ahead(int fd) {
    for (ReadAhead*& slot : read_ahead) {
        if (slot != nullptr) continue;
        slot = static_cast<ReadAhead*>(malloc(sizeof(ReadAhead)));
        if (slot != nullptr) slot->fd = fd, slot->file_position = 0, slot->start = slot->end = 0;
        return;
    }
}

static void detach_read_ahead(int fd) {
    for (ReadAhead*& slot : read_ahead) {
        if (slot != nullptr && slot->fd == fd) {
            free(slot);
            slot = nullptr;
        }
    }
}

constexpr size_t WRITE_BEHIND_BYTES = 64 * 1024;
constexpr int WRITE_BEHIND_SLOTS = 4;  // write handles open at once; more go unbuffered

// data[0, used) was written by the caller and has not reached the kernel yet.
struct WriteBehind {
    int fd;
    size_t used;
    unsigned char data[WRITE_BEHIND_BYTES];
};

static WriteBehind* write_behind[WRITE_BEHIND_SLOTS];

static WriteBehind* write_behind_of(int fd) {
    for (WriteBehind* slot : write_behind)
        if (slot != nullptr && slot->fd == fd) return slot;
    return nullptr;
}

static void attach_write_behind(int fd) {
    for (WriteBehind*& slot : write_behind) {
        if (slot != nullptr) continue;
        slot = static_cast<WriteBehind*>(malloc(sizeof(WriteBehind)));
        if (slot != nullptr) slot->fd = fd, slot->used = 0;
        return;
    }
}

static void detach_write_behind(int fd) {
    for (WriteBehind*& slot : write_behind) {
        if (slot != nullptr && slot->fd == fd) {
            free(slot);
            slot = nullptr;
        }
    }
}

// Write calls until all `count` bytes are in, retried when interrupted; `done`
// counts what went in. 0 on an error or a write that takes nothing (a full disk).
static int write_all(int fd, const unsigned char* data, size_t count, size_t* done) {
    *done = 0;
    while (*done < count) {
        ssize_t n = write(fd, data + *done, count - *done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        *done += static_cast<size_t>(n);
    }
    return 1;
}

// Hands the buffered bytes to the kernel; 0 when they did not all get there.
// The buffer is emptied either way: the file is then short, and the call that
// flushed reports it, as an unbuffered write would have.
static int flush_write_behind(WriteBehind* behind) {
    size_t done;
    int ok = write_all(behind->fd, behind->data, behind->used, &done);
    behind->used = 0;
    return ok;
}

// One read call, retried when interrupted: the byte count, 0 at the end, -1 on error.
static ssize_t read_once(int fd, void* buffer, size_t count) {
    ssize_t n;
    do n = read(fd, buffer, count);
    while (n < 0 && errno == EINTR);
    return n;
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
    if (mode == (O_RDONLY) && S_ISREG(st.st_mode)) attach_read_ahead(fd);
    // A pipe's reader should see each write as it comes, so only files buffer.
    if ((mode & O_ACCMODE) == O_WRONLY && S_ISREG(st.st_mode)) attach_write_behind(fd);
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
    ReadAhead* ahead = fd >= 0 ? read_ahead_of(fd) : nullptr;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    DWORD done = 0;
    BOOL result = fd >= 0 ? TRUE : FALSE;
    while (result && done < count) {
        size_t wanted = count - done;
        if (ahead != nullptr && ahead->start < ahead->end) {
            size_t n = ahead->end - ahead->start < wanted ? ahead->end - ahead->start : wanted;
            memcpy(out + done, ahead->data + ahead->start, n);
            ahead->start += n;
            done += static_cast<DWORD>(n);
            continue;
        }
        ssize_t n;
        if (ahead != nullptr && wanted < READ_AHEAD_BYTES) {
            n = read_once(fd, ahead->data, READ_AHEAD_BYTES);
            if (n > 0) ahead->start = 0, ahead->end = static_cast<size_t>(n);
        } else {
            // Large reads go straight to the caller; the buffer then holds nothing.
            if (ahead != nullptr) ahead->start = ahead->end = 0;
            n = read_once(fd, out + done, wanted);
            if (n > 0) done += static_cast<DWORD>(n);
        }
        if (n > 0 && ahead != nullptr) ahead->file_position += n;
        if (n < 0) result = FALSE;
        if (n <= 0) break;  // end of file: success with fewer bytes
    }
    if (read_count != nullptr) *read_count = done;
    return result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
               LPOVERLAPPED overlapped) {
    (void)overlapped;
    int fd = fd_of(file);
    WriteBehind* behind = fd >= 0 ? write_behind_of(fd) : nullptr;
    const unsigned char* in = static_cast<const unsigned char*>(buffer);
    size_t done = 0;
    BOOL result = fd >= 0 ? TRUE : FALSE;
    if (result && behind == nullptr) result = write_all(fd, in, count, &done) ? TRUE : FALSE;
    while (result && behind != nullptr && done < count) {
        size_t rest = count - done;
        if (behind->used == 0 && rest >= WRITE_BEHIND_BYTES) {
            // A buffer's worth with nothing waiting goes straight through.
            size_t n;
            result = write_all(fd, in + done, rest, &n) ? TRUE : FALSE;
            done += n;
            break;
        }
        size_t n = WRITE_BEHIND_BYTES - behind->used < rest ? WRITE_BEHIND_BYTES - behind->used : rest;
        memcpy(behind->data + behind->used, in + done, n);
        behind->used += n;
        done += n;
        if (behind->used == WRITE_BEHIND_BYTES && !flush_write_behind(behind)) result = FALSE;
    }
    if (written != nullptr) *written = static_cast<DWORD>(done);
    return result;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method) {
    int fd = fd_of(file);
    if (fd < 0 || method != FILE_CURRENT) return INVALID_SET_FILE_POINTER;
    // The kernel's position must include what is still buffered.
    WriteBehind* behind = write_behind_of(fd);
    if (behind != nullptr && !flush_write_behind(behind)) return INVALID_SET_FILE_POINTER;
    int64_t move = distance;
    if (distance_high != nullptr)
        move = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distance_high)) << 32) |
                                    static_cast<uint32_t>(distance));
    ReadAhead* ahead = read_ahead_of(fd);
    int64_t base;
    if (ahead != nullptr) {
        base = static_cast<int64_t>(ahead->file_position) - static_cast<int64_t>(ahead->end - ahead->start);
    } else {
        off_t position = lseek(fd, 0, SEEK_CUR);
        if (position < 0) return INVALID_SET_FILE_POINTER;
        base = position;
    }
    int64_t target = base + move;
    // Before the start fails; without a high part the result must fit 32 bits.
    if (target < 0 || (distance_high == nullptr && target > 0xFFFFFFFELL))
        return INVALID_SET_FILE_POINTER;
    int64_t window = ahead != nullptr ? static_cast<int64_t>(ahead->file_position) -
                                            static_cast<int64_t>(ahead->end)
                                      : 0;
    if (ahead != nullptr && target >= window && target <= ahead->file_position) {
        ahead->start = static_cast<size_t>(target - window);  // inside what was read ahead
    } else {
        if (lseek(fd, static_cast<off_t>(target), SEEK_SET) < 0) return INVALID_SET_FILE_POINTER;
        if (ahead != nullptr) {
            ahead->file_position = static_cast<off_t>(target);
            ahead->start = ahead->end = 0;
        }
    }
    if (distance_high != nullptr) *distance_high = static_cast<LONG>(target >> 32);
    return static_cast<DWORD>(target & 0xFFFFFFFF);
}

DWORD GetFileSize(HANDLE file, LPDWORD size_high) {
    int fd = fd_of(file);
    struct stat st;
    WriteBehind* behind = fd >= 0 ? write_behind_of(fd) : nullptr;
    if (behind != nullptr && !flush_write_behind(behind)) return INVALID_FILE_SIZE;
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
    detach_read_ahead(fd);
    // The last bytes may meet a full disk here; the handle closes all the same.
    WriteBehind* behind = write_behind_of(fd);
    int flushed = behind == nullptr || flush_write_behind(behind);
    detach_write_behind(fd);
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
