// File calls of the POSIX stand-in. A handle is a file descriptor plus one (so
// it is never null). Share mode 0 is emulated with an exclusive non-blocking
// flock, so a file this process holds open cannot be opened again. Regular
// files opened for reading only or writing only are buffered (file_cache.h).
// Errors are told through SetLastError in Windows' codes.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posix/created_files.h"
#include "posix/file_cache.h"
#include "posix/names.h"
#include "posix/threads.h"
#include "posix/utf.h"
#include "posix/win32_posix.h"

// As on Windows, each thread has its own.
static thread_local DWORD last_error = ERROR_SUCCESS;

DWORD GetLastError(void) {
    return last_error;
}

void SetLastError(DWORD code) {
    last_error = code;
}

static void set_error_from_errno(void) {
    switch (errno) {
    case ENOENT: SetLastError(ERROR_FILE_NOT_FOUND); break;
    case ENOTDIR: SetLastError(ERROR_PATH_NOT_FOUND); break;
    case EEXIST: SetLastError(ERROR_FILE_EXISTS); break;
    case ENAMETOOLONG: SetLastError(ERROR_FILENAME_EXCED_RANGE); break;
    case ENOSPC:
    case EDQUOT: SetLastError(ERROR_DISK_FULL); break;
    case EFBIG: SetLastError(ERROR_FILE_TOO_LARGE); break;
    case EPIPE: SetLastError(ERROR_BROKEN_PIPE); break;
    case EBADF: SetLastError(ERROR_INVALID_HANDLE); break;
    case EROFS: SetLastError(ERROR_WRITE_PROTECT); break;
    case EISDIR: SetLastError(ERROR_DIRECTORY); break;
    case ELOOP: SetLastError(ERROR_CANT_RESOLVE_FILENAME); break;
    case EIO: SetLastError(ERROR_READ_FAULT); break;
    default: SetLastError(ERROR_ACCESS_DENIED); break;
    }
}

static HANDLE handle_of(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

// The type of each file this stand-in opened, one more than GetFileType's
// answer (0: not known), so that asking costs no second fstat.
constexpr int OPENED_TYPES = 256;
static std::atomic<unsigned char> opened_types[OPENED_TYPES];  // each written by its descriptor's thread
static DWORD type_of(mode_t mode);

// Handles that only ask about a name (access 0) lie far above any descriptor.
constexpr intptr_t QUERY_HANDLE_BASE = intptr_t{1} << 40;

static int fd_of(HANDLE handle) {
    intptr_t value = reinterpret_cast<intptr_t>(handle);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || value >= QUERY_HANDLE_BASE) return -1;
    return static_cast<int>(value - 1);
}

// Share mode 0 locks exclusively, FILE_SHARE_READ shared (readers only).
// Only a lock that someone else holds refuses the file: a file
// system without locks (NFS without its lock service, some FUSE and SMB
// mounts) answers ENOLCK, EOPNOTSUPP or EINVAL, and there the file is used
// unlocked, as it would be on Windows over such a share.
static bool lock_for(int fd, DWORD share_mode) {
    int result;
    do result = flock(fd, (share_mode & FILE_SHARE_READ ? LOCK_SH : LOCK_EX) | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0 || errno != EWOULDBLOCK;
}

// Access 0 asks only about the file (GetFileInformationByHandle), which
// needs no descriptor: such a handle holds what the name itself (a link, not
// its target) was when it was opened.
// A slot is taken by one atomic exchange, by any thread (a few per job).
constexpr int QUERY_SLOTS = 4 + 2 * 64;
static struct stat query_answers[QUERY_SLOTS];
static std::atomic<int> query_used[QUERY_SLOTS];

static int query_slot(HANDLE handle) {
    intptr_t slot = reinterpret_cast<intptr_t>(handle) - QUERY_HANDLE_BASE;
    if (slot < 0 || slot >= QUERY_SLOTS) return -1;
    return query_used[slot].load(std::memory_order_acquire) ? static_cast<int>(slot) : -1;
}

static HANDLE open_to_query(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        set_error_from_errno();
        return INVALID_HANDLE_VALUE;
    }
    for (int slot = 0; slot < QUERY_SLOTS; ++slot) {
        int free = 0;
        if (query_used[slot].load(std::memory_order_relaxed) != 0 ||
            !query_used[slot].compare_exchange_strong(free, 1, std::memory_order_acquire))
            continue;
        query_answers[slot] = st;
        return reinterpret_cast<HANDLE>(QUERY_HANDLE_BASE + slot);
    }
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

static HANDLE open_native(const std::string& path, DWORD access, DWORD share_mode,
                          DWORD disposition, DWORD flags) {
    int mode;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
        mode = O_RDWR;
    else if (access & GENERIC_WRITE)
        mode = O_WRONLY;
    else if (access & GENERIC_READ)
        mode = O_RDONLY;
    else if (disposition == OPEN_EXISTING)
        return open_to_query(path);
    else
        return INVALID_HANDLE_VALUE;
    if (disposition == CREATE_ALWAYS)
        mode |= O_CREAT;  // truncated below, once the lock is held
    else if (disposition == CREATE_NEW)
        mode |= O_CREAT | O_EXCL;  // never through a link: O_EXCL refuses one
    else if (disposition != OPEN_EXISTING)
        return INVALID_HANDLE_VALUE;

    // A FIFO opened for reading would wait for a writer: the open returns at
    // once, and GetFileType tells the caller what it got.
    // A new file is private until it is moved into place (see move_native).
    const mode_t permissions = disposition == CREATE_NEW ? 0600 : 0666;
    // A stream read front to back (FILE_FLAG_SEQUENTIAL_SCAN) waits for its writer.
    const int nonblocking = mode == O_RDONLY && !(flags & FILE_FLAG_SEQUENTIAL_SCAN);
    int fd = open(path.c_str(), mode | O_CLOEXEC | (nonblocking ? O_NONBLOCK : 0), permissions);
    if (fd < 0) {
        // A file to be made whose folder is missing, as Windows tells it.
        if (errno == ENOENT && (mode & O_CREAT)) errno = ENOTDIR;
        set_error_from_errno();
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    // Windows refuses to open a folder as a file.
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if ((share_mode & ~FILE_SHARE_READ) == 0 && !lock_for(fd, share_mode)) {
        close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition == CREATE_ALWAYS && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition == CREATE_NEW) posix_track_created(path.c_str());
    if (mode == (O_RDONLY) && S_ISREG(st.st_mode)) cache_attach_reader(fd);
    // A pipe's reader should see each write as it comes, so only files buffer.
    if ((mode & O_ACCMODE) == O_WRONLY && S_ISREG(st.st_mode)) cache_attach_writer(fd);
    if (fd < OPENED_TYPES) opened_types[fd].store(static_cast<unsigned char>(type_of(st.st_mode) + 1), std::memory_order_relaxed);
    return handle_of(fd);
}

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
    (void)security, (void)template_file;
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    return open_native(posix_native_path(path), access, share_mode, disposition, flags);
}

static std::string native_ansi_path(LPCSTR path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\') c = '/';
    return native;
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file) {
    (void)security, (void)template_file;
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    return open_native(native_ansi_path(path), access, share_mode, disposition, flags);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read_count,
              LPOVERLAPPED overlapped) {
    (void)overlapped;
    int fd = fd_of(file);
    size_t done = 0;
    BOOL result = fd >= 0 && cache_read(fd, buffer, count, &done) ? TRUE : FALSE;
    if (read_count != nullptr) *read_count = static_cast<DWORD>(done);
    if (!result) fd < 0 ? SetLastError(ERROR_INVALID_HANDLE) : set_error_from_errno();
    return result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
               LPOVERLAPPED overlapped) {
    (void)overlapped;
    int fd = fd_of(file);
    size_t done = 0;
    BOOL result = fd >= 0 && cache_write(fd, buffer, count, &done) ? TRUE : FALSE;
    if (written != nullptr) *written = static_cast<DWORD>(done);
    if (!result) fd < 0 ? SetLastError(ERROR_INVALID_HANDLE) : set_error_from_errno();
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
    if (path == nullptr || stat(posix_native_path(path).c_str(), &st) != 0) {
        set_error_from_errno();
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return S_ISREG(st.st_mode) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_DEVICE;
}

static DWORD type_of(mode_t mode) {
    if (S_ISREG(mode)) return FILE_TYPE_DISK;
    if (S_ISFIFO(mode) || S_ISSOCK(mode)) return FILE_TYPE_PIPE;
    return S_ISCHR(mode) ? FILE_TYPE_CHAR : FILE_TYPE_UNKNOWN;
}

DWORD GetFileType(HANDLE file) {
    int fd = fd_of(file);
    const unsigned type = fd >= 0 && fd < OPENED_TYPES ? opened_types[fd].load(std::memory_order_relaxed) : 0u;
    if (type != 0) return type - 1;
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return FILE_TYPE_UNKNOWN;
    return type_of(st.st_mode);
}

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
    struct stat st;
    int slot = query_slot(file);
    int fd = fd_of(file);
    if (information == nullptr) return FALSE;
    if (slot >= 0)
        st = query_answers[slot];
    else if (fd < 0 || fstat(fd, &st) != 0)
        return FALSE;
    if (S_ISDIR(st.st_mode))
        information->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    else if (S_ISLNK(st.st_mode))
        information->dwFileAttributes = FILE_ATTRIBUTE_REPARSE_POINT;
    else
        information->dwFileAttributes = S_ISREG(st.st_mode) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_DEVICE;
    // The inode's last change stands in for its birth: a rename sets it, so
    // a file that took over a freed inode number still tells itself apart.
    const uint64_t changed = static_cast<uint64_t>(st.st_ctim.tv_sec) * 10000000u +
                             static_cast<uint64_t>(st.st_ctim.tv_nsec) / 100u;
    information->ftCreationTime.dwLowDateTime = static_cast<DWORD>(changed & 0xFFFFFFFFu);
    information->ftCreationTime.dwHighDateTime = static_cast<DWORD>(changed >> 32);
    const uint64_t device = static_cast<uint64_t>(st.st_dev);
    const uint64_t inode = static_cast<uint64_t>(st.st_ino);
    information->dwVolumeSerialNumber = static_cast<DWORD>(device ^ (device >> 32));
    information->nFileIndexHigh = static_cast<DWORD>(inode >> 32);
    information->nFileIndexLow = static_cast<DWORD>(inode & 0xFFFFFFFFu);
    return TRUE;
}

NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG count, ULONG flags) {
    if (algorithm != nullptr || flags != BCRYPT_USE_SYSTEM_PREFERRED_RNG || buffer == nullptr) return -1;
    size_t done = 0;
    while (done < count) {
        ssize_t n = getrandom(buffer + done, count - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += static_cast<size_t>(n);
    }
    return 0;
}

BOOL CloseHandle(HANDLE handle) {
    if (posix_close_thread(handle)) return TRUE;
    int slot = query_slot(handle);
    if (slot >= 0) {
        query_used[slot].store(0, std::memory_order_release);
        return TRUE;
    }
    int fd = fd_of(handle);
    if (fd < 0) return FALSE;
    // The last bytes may meet a full disk here; the handle closes all the same.
    int flushed = cache_detach(fd);
    if (!flushed) set_error_from_errno();
    if (fd < OPENED_TYPES) opened_types[fd].store(0, std::memory_order_relaxed);
    const int closed = close(fd) == 0;
    if (!closed && flushed) set_error_from_errno();
    return closed && flushed ? TRUE : FALSE;
}

// The process's umask and owner, read once: reading the umask means setting
// it twice.
struct ProcessOwner {
    mode_t mask;
    uid_t user;
    gid_t group;
};

static ProcessOwner read_owner(void) {
    ProcessOwner owner;
    owner.mask = umask(0);
    umask(owner.mask);
    owner.user = geteuid(), owner.group = getegid();
    return owner;
}

// Read once, by whichever thread asks first. The moment under umask 0 harms
// no other thread's file: files are created 0600 and folders by the run alone.
static const ProcessOwner* process_owner(void) {
    static const ProcessOwner owner = read_owner();
    return &owner;
}

// rename(2) replaces an existing file in one step, as MOVEFILE_REPLACE_EXISTING
// does, and a link as a name, never its target; without the flag an existing
// target is refused, as on Windows. The file moved in takes the permission
// bits (and owner, where the process may set it) of the file it replaces, so
// a private document stays private, or those a new file gets (umask).
// Without MOVEFILE_REPLACE_EXISTING the name must be free when the move
// happens, not only a moment before: renameat2 refuses a taken one in the
// same step. Where the file system cannot, the move is refused.
static BOOL move_to_free_name(const std::string& from, const std::string& to) {
    chmod(from.c_str(), 0666 & ~process_owner()->mask);
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        const int taken = errno == EEXIST;
        chmod(from.c_str(), 0600);
        SetLastError(taken ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    posix_forget_created(from.c_str());
    return TRUE;
}

static BOOL move_native(const std::string& from, const std::string& to, DWORD flags) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return move_to_free_name(from, to);
    struct stat st;
    int exists = lstat(to.c_str(), &st) == 0;
    if (exists && !(flags & MOVEFILE_REPLACE_EXISTING)) return FALSE;
    if (exists && S_ISREG(st.st_mode)) {
        const ProcessOwner* owner = process_owner();
        const int foreign = st.st_uid != owner->user || st.st_gid != owner->group;
        if (foreign && chown(from.c_str(), st.st_uid, st.st_gid) != 0) {
            // Not ours to give away (only root may): the mode alone is kept.
        }
        chmod(from.c_str(), st.st_mode & 0777);
    } else {
        chmod(from.c_str(), 0666 & ~process_owner()->mask);
    }
    if (rename(from.c_str(), to.c_str()) != 0) {
        set_error_from_errno();
        return FALSE;
    }
    posix_forget_created(from.c_str());
    return TRUE;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (from == nullptr || to == nullptr) return FALSE;
    return move_native(posix_native_path(from), posix_native_path(to), flags);
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    if (from == nullptr || to == nullptr) return FALSE;
    return move_native(native_ansi_path(from), native_ansi_path(to), flags);
}

static BOOL delete_native(const std::string& path) {
    posix_forget_created(path.c_str());
    return unlink(path.c_str()) == 0 ? TRUE : FALSE;
}

BOOL DeleteFileW(LPCWSTR path) {
    if (path == nullptr) return FALSE;
    return delete_native(posix_native_path(path));
}

BOOL DeleteFileA(LPCSTR path) {
    if (path == nullptr) return FALSE;
    return delete_native(native_ansi_path(path));
}
