// Failure records and the words for the system's error codes.
#include "platform/failure.h"

void note_failure(Failure* failure, int file, const char* reason) {
    if (failure == nullptr || failure->reason != nullptr) return;
    failure->file = file;
    failure->reason = reason;
}

void note_last_error(Failure* failure, int file) {
    const DWORD error = GetLastError();
    if (failure == nullptr || failure->reason != nullptr) return;
    note_failure(failure, file, error_reason(error));
    failure->error = error;
}

const char* error_reason(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return "no such file";
    case ERROR_PATH_NOT_FOUND: return "no such folder";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "in use by another program";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "disk full";
    case ERROR_FILENAME_EXCED_RANGE: return "name too long";
    case ERROR_INVALID_HANDLE: return "closed";
    case ERROR_FILE_TOO_LARGE: return "file size limit reached";
    case ERROR_WRITE_PROTECT: return "read-only file system";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return "broken pipe";
    case ERROR_DIRECTORY: return "is a folder";
    case ERROR_BAD_FILE_TYPE: return "not a regular file";
    case ERROR_CANT_RESOLVE_FILENAME: return "too many levels of links";
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return "input/output error";
    default: return nullptr;
    }
}
