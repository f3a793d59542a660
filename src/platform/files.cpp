// The one place files are opened and string resources loaded: through the wide
// Win32 calls, or the ANSI ones when the start-up probe finds the wide ones broken.
#include "platform/files.h"

#include <climits>
#include <cstring>

int ansi_fallback = 0;
char ansi_buffer[ANSI_BUFFER_BYTES];

// A program path that exists but cannot be queried through the wide call
// means the wide file calls do not work here; decided once, before any open.
void probe_unicode_support(const WCHAR* path) {
    ansi_fallback = GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

// Both modes leave buffer terminated and cut to capacity - 1 characters.
void load_resource_string(HINSTANCE instance, UINT id, WCHAR* buffer, int capacity) {
    // LoadStringW with capacity 0 would store a pointer into buffer instead.
    if (buffer == nullptr || capacity < 1) return;
    // A missing id leaves the platform's buffer untouched; start from empty text.
    buffer[0] = 0;
    if (ansi_fallback == 0) {
        LoadStringW(instance, id, buffer, capacity);
        return;
    }
    int n = LoadStringA(instance, id, ansi_buffer, ANSI_BUFFER_BYTES);
    if (n < 0) n = 0;
    if (n > ANSI_BUFFER_BYTES - 1) n = ANSI_BUFFER_BYTES - 1;
    // So that the n + 1 bytes converted never take in an older path's bytes.
    ansi_buffer[n] = 0;
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi_buffer, n + 1, buffer, capacity) != 0)
        return;
    // Too long for buffer: the platform fails the call and leaves buffer
    // unterminated, so convert the whole text aside and keep what fits.
    WCHAR whole[ANSI_BUFFER_BYTES];
    int units = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi_buffer, n + 1, whole,
                                    ANSI_BUFFER_BYTES);
    int kept = units > 0 ? units - 1 : 0;
    if (kept > capacity - 1) kept = capacity - 1;
    std::memcpy(buffer, whole, static_cast<size_t>(kept) * sizeof(WCHAR));
    buffer[kept] = 0;
}

// The terminating zero is converted too, so a full ansi_buffer holds at most
// 259 bytes of path; anything longer fails the conversion and gives null.
char* to_ansi_path(const WCHAR* path) {
    if (path == nullptr) return nullptr;
    size_t length = 0;
    while (path[length] != 0) ++length;
    if (length >= static_cast<size_t>(INT_MAX)) return nullptr;
    int units = static_cast<int>(length) + 1;
    if (WideCharToMultiByte(CP_ACP, 0, path, units, ansi_buffer, ANSI_BUFFER_BYTES, nullptr,
                            nullptr) == 0)
        return nullptr;
    return ansi_buffer;
}

static HANDLE create_file(const WCHAR* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    if (path == nullptr) return INVALID_HANDLE_VALUE;
    if (ansi_fallback == 0) return CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
    const char* ansi_path = to_ansi_path(path);
    if (ansi_path == nullptr) return INVALID_HANDLE_VALUE;
    return CreateFileA(ansi_path, access, share, nullptr, disposition, flags, nullptr);
}

// A file only read is shared with other readers (a viewer, a virus scanner,
// a second run), never with a writer; one written is ours alone.
// A pipe or device would block the first read or never end.
int is_folder(const WCHAR* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows answers a folder opened as a file with "access denied": the error
// is made to say what the name is, asked at once.
static void tell_folder(const WCHAR* path) {
    const DWORD error = GetLastError();
    const int folder = error == ERROR_ACCESS_DENIED && ansi_fallback == 0 && is_folder(path);
    SetLastError(folder ? ERROR_DIRECTORY : error);
}

HANDLE open_file(const WCHAR* path, DWORD access, DWORD disposition) {
    const DWORD share = access == GENERIC_READ ? FILE_SHARE_READ : 0;
    HANDLE file = create_file(path, access, share, disposition, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        tell_folder(path);
        return file;
    }
    if (disposition == OPEN_EXISTING && GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        SetLastError(ERROR_BAD_FILE_TYPE);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

HANDLE open_stream(const WCHAR* path) {
    HANDLE file = create_file(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    if (file == INVALID_HANDLE_VALUE) tell_folder(path);
    return file;
}

// Access 0 and full sharing: asking disturbs no one who has the file open.
int file_identity(const WCHAR* path, FileIdentity* identity) {
    HANDLE file = create_file(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const int known = handle_identity(file, identity);
    CloseHandle(file);
    return known;
}

int handle_identity(HANDLE file, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)) return 0;
    identity->volume = information.dwVolumeSerialNumber;
    identity->index = uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow;
    identity->created = uint64_t{information.ftCreationTime.dwHighDateTime} << 32 |
                        information.ftCreationTime.dwLowDateTime;
    identity->attributes = information.dwFileAttributes;
    return 1;
}

int replace_file(const WCHAR* from, const WCHAR* to) {
    if (from == nullptr || to == nullptr) return 0;
    if (ansi_fallback == 0) return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
    // Both paths go through ansi_buffer: keep the first aside.
    char ansi_from[ANSI_BUFFER_BYTES];
    const char* converted = to_ansi_path(from);
    if (converted == nullptr) return 0;
    std::memcpy(ansi_from, converted, ANSI_BUFFER_BYTES);
    const char* ansi_to = to_ansi_path(to);
    if (ansi_to == nullptr) return 0;
    return MoveFileExA(ansi_from, ansi_to, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
}

int move_to_new_name(const WCHAR* from, const WCHAR* to) {
    if (from == nullptr || to == nullptr || ansi_fallback) return 0;
    return MoveFileExW(from, to, 0) ? 1 : 0;
}

int delete_file(const WCHAR* path) {
    if (path == nullptr) return 0;
    if (ansi_fallback == 0) return DeleteFileW(path) ? 1 : 0;
    const char* ansi_path = to_ansi_path(path);
    return ansi_path != nullptr && DeleteFileA(ansi_path) ? 1 : 0;
}

int64_t move_file_position(HANDLE file, int64_t distance) {
    LONG high = static_cast<LONG>(static_cast<uint64_t>(distance) >> 32);
    DWORD low = SetFilePointer(file, static_cast<LONG>(static_cast<uint64_t>(distance) & 0xFFFFFFFFu), &high,
                               FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
}

// Told relative to where the file stands: the one move every platform has.
int set_file_position(HANDLE file, uint64_t at) {
    const int64_t here = move_file_position(file, 0);
    return here >= 0 && move_file_position(file, static_cast<int64_t>(at) - here) == static_cast<int64_t>(at);
}
