// POSIX stand-in for exactly the Win32 calls the core uses, with the
// semantics the core relies on. Not a general emulation: nothing more.
#pragma once

#include <arpa/inet.h>  // ntohs, ntohl
#include <pthread.h>
#include <cstddef>
#include <cstdint>

typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef int BOOL;
typedef BOOL* LPBOOL;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef int32_t LONG;
typedef LONG* PLONG;
typedef unsigned int UINT;
typedef void* HANDLE;
typedef long NTSTATUS;
typedef void* BCRYPT_ALG_HANDLE;
typedef unsigned char* PUCHAR;
typedef unsigned long ULONG;
typedef void* HINSTANCE;
typedef void* HWND;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef struct PosixOverlapped* LPOVERLAPPED;              // never used: always null
typedef struct PosixSecurityAttributes* LPSECURITY_ATTRIBUTES;  // never used: always null

#define TRUE 1
#define FALSE 0
#define WINAPI

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INVALID_SET_FILE_POINTER (static_cast<DWORD>(-1))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))
#define INVALID_FILE_SIZE (static_cast<DWORD>(-1))
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_HIDDEN 0x2u           // a name that starts with a dot
#define FILE_ATTRIBUTE_REPARSE_POINT 0x400u  // a symbolic link
#define MAX_PATH 260
#define FILE_ATTRIBUTE_DEVICE 0x40u  // here: a FIFO, socket or device, anything but a file or folder
#define FILE_TYPE_UNKNOWN 0x0000u
#define FILE_TYPE_DISK 0x0001u
#define FILE_TYPE_CHAR 0x0002u
#define FILE_TYPE_PIPE 0x0003u
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define FILE_SHARE_DELETE 0x4u
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000u
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_FILE_EXISTS 80u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_WRITE_PROTECT 19u
#define ERROR_WRITE_FAULT 29u
#define ERROR_READ_FAULT 30u
#define ERROR_LOCK_VIOLATION 33u
#define ERROR_HANDLE_DISK_FULL 39u
#define ERROR_BROKEN_PIPE 109u
#define ERROR_DISK_FULL 112u
#define ERROR_BAD_FILE_TYPE 222u
#define ERROR_FILE_TOO_LARGE 223u
#define ERROR_NO_DATA 232u
#define ERROR_DIRECTORY 267u
#define ERROR_CANT_RESOLVE_FILENAME 1921u

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define FILE_CURRENT 1u
#define MOVEFILE_REPLACE_EXISTING 1u
#define BCRYPT_USE_SYSTEM_PREFERRED_RNG 0x00000002u

#define STD_INPUT_HANDLE (static_cast<DWORD>(-10))
#define STD_OUTPUT_HANDLE (static_cast<DWORD>(-11))
#define STD_ERROR_HANDLE (static_cast<DWORD>(-12))

#define CP_ACP 0u
#define MB_PRECOMPOSED 1u
#define MB_OK 0u
#define IDOK 1

typedef struct {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

// A folder entry: only the fields the core reads are filled.
typedef struct {
    DWORD dwFileAttributes;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    WCHAR cFileName[MAX_PATH];
} WIN32_FIND_DATAW;

typedef struct {
    DWORD dwFileAttributes;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA;

typedef enum { GetFileExInfoStandard } GET_FILEEX_INFO_LEVELS;

LPWSTR GetCommandLineW(void);

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file);
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE template_file);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
               LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD size_high);
DWORD GetFileAttributesW(LPCWSTR path);
BOOL GetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information);
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryW(LPCWSTR path);
DWORD GetTempPathW(DWORD capacity, LPWSTR buffer);
// Only "FOLDER\*": every entry of the folder, "." and ".." included.
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* entry);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* entry);
BOOL FindClose(HANDLE find);
DWORD GetFileType(HANDLE file);
DWORD GetLastError(void);
void SetLastError(DWORD code);

// The part of the Win32 record the stand-in fills: what the file is, when it
// came to be, which volume, which file.
#define FILE_ATTRIBUTE_REPARSE_POINT 0x400u
struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};
typedef BY_HANDLE_FILE_INFORMATION* LPBY_HANDLE_FILE_INFORMATION;
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
// Random bytes from the system (getrandom); only the preferred generator.
NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG count, ULONG flags);
BOOL CloseHandle(HANDLE handle);
// Only MOVEFILE_REPLACE_EXISTING within one folder is used: rename(2); the
// file moved in takes the replaced file's permission bits and owner.
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL DeleteFileW(LPCWSTR path);
BOOL DeleteFileA(LPCSTR path);

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity);
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity);

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR source, int source_length,
                        LPWSTR destination, int destination_units);
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR source, int source_length,
                        LPSTR destination, int destination_bytes, LPCSTR default_char,
                        LPBOOL used_default_char);

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);

HANDLE GetStdHandle(DWORD which);
// Succeeds only for a terminal (isatty); the mode itself is not used.
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
uint64_t GetTickCount64(void);
// Windows-form text in its POSIX form: paths with '/', names as their bytes.
BOOL WriteConsoleW(HANDLE console, const void* text, DWORD units, LPDWORD written, LPVOID reserved);

// Beyond Win32, the one call the stand-in adds: its escapes for names that
// Windows text cannot carry (posix/names.h) turned, in place, into the text a
// user sees for the name (the real character; U+FFFD for a byte that is not
// UTF-8; '/' for the folder separator). On Windows a name is shown as it is stored.
void name_as_shown(LPWSTR name);
// A name read from a list file (bytes) as Windows-form text in `name`
// (capacity units with the zero), exactly as a command-line argument would
// be; 0 when it does not fit.
int name_from_list(const char* bytes, int count, LPWSTR name, int capacity);

// The variable's value and its length in units, or 0 when it is not set; a
// buffer too small gets nothing and the units needed, zero included.
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD units);

// Threads: only those the run starts and waits for (WaitForSingleObject on a
// thread's handle, INFINITE), a lock and the condition variables it uses.
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_FAILED 0xFFFFFFFFu
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);
HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, size_t stack_bytes, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD id);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
typedef struct {
    pthread_mutex_t mutex;
} CRITICAL_SECTION;
typedef struct {
    pthread_cond_t condition;
} CONDITION_VARIABLE;
void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void InitializeConditionVariable(CONDITION_VARIABLE* condition);
BOOL SleepConditionVariableCS(CONDITION_VARIABLE* condition, CRITICAL_SECTION* section, DWORD milliseconds);
void WakeConditionVariable(CONDITION_VARIABLE* condition);
void WakeAllConditionVariable(CONDITION_VARIABLE* condition);
// Only the processor count: those this process may run on.
typedef struct {
    DWORD dwNumberOfProcessors;
} SYSTEM_INFO;
void GetSystemInfo(SYSTEM_INFO* information);
