// Opening files and loading string resources by wide path, through the wide
// Win32 calls or, when the probe finds them broken, the ANSI ones.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Size of ansi_buffer: an ANSI path or resource text and its terminating zero.
constexpr int ANSI_BUFFER_BYTES = 260;

// 1 when files and resources go through the ANSI calls; set once by the probe.
extern int ansi_fallback;
// Shared by to_ansi_path and ANSI-mode load_resource_string; valid until the next call.
extern char ansi_buffer[ANSI_BUFFER_BYTES];

void probe_unicode_support(const WCHAR* path);
void load_resource_string(HINSTANCE instance, UINT id, WCHAR* buffer, int capacity);
char* to_ansi_path(const WCHAR* path);
// Opened to be read, shared with other readers only; to be written, not
// shared. An existing file opened to be read must be a file on a disk: a pipe
// or device (a FIFO, a console, NUL) is refused at once.
HANDLE open_file(const WCHAR* path, DWORD access, DWORD disposition);

// 1 when `path` names a folder (a link to one too).
int is_folder(const WCHAR* path);

// Opened to be read once, front to back: any readable stream will do (a
// pipe, a FIFO, a terminal), and opening one waits for its writer.
HANDLE open_stream(const WCHAR* path);

// Which file a name stands for, whatever the name: its volume and index, and
// what it is (FILE_ATTRIBUTE_ bits: a folder, a link, a device...).
struct FileIdentity {
    uint32_t volume;
    uint64_t index;
    uint64_t created;  // a file index freed and taken again is another file
    uint32_t attributes;
};
// 0 when the name names nothing that can be asked (a link is asked about
// itself, not its target).
int file_identity(const WCHAR* path, FileIdentity* identity);
// The same of a file already open (a link followed); 0 when it cannot be asked.
int handle_identity(HANDLE file, FileIdentity* identity);
// A move relative to where the file stands, in 64 bits; the position it
// reaches, or -1 (also for a position whose low half reads as the failure
// value: a header that far into a file is no photo's).
int64_t move_file_position(HANDLE file, int64_t distance);
// Moves the file's position to `at` bytes from its start; 0 when it cannot.
int set_file_position(HANDLE file, uint64_t at);
// Moves `from` over `to`, replacing it in one step; 0 when it failed.
int replace_file(const WCHAR* from, const WCHAR* to);
// Moves `from` to `to` only while no file has that name, in one step; 0 when
// one has (or the system cannot tell: the ANSI calls are not used).
int move_to_new_name(const WCHAR* from, const WCHAR* to);
int delete_file(const WCHAR* path);
