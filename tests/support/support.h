// Helpers shared by the unit tests: wide strings, temporary folders, files.
#pragma once

#include <filesystem>
#include <string>

#include "platform/win32.h"

using WideString = std::basic_string<WCHAR>;

// UTF-8 text to UTF-16 units, no other change.
WideString wide(const std::string& utf8);
// Each unit's low byte: ASCII text back, for readable failures.
std::string narrow(const WCHAR* text);
// A path in the form the core takes: UTF-16 with backslashes, on both builds.
WideString wide_path(const std::filesystem::path& path);
// A fresh empty folder under the system's temporary folder.
std::filesystem::path make_temp_dir(const std::string& name);
void write_file(const std::filesystem::path& path, const std::string& bytes);
std::string read_file(const std::filesystem::path& path);
// The committed test fixtures (tests/fixtures).
std::filesystem::path fixture_path(const std::string& name);
// True when no handle of this process holds the file (it opens unshared).
bool file_is_closed(const std::filesystem::path& path);
#ifndef _WIN32
// Writes that would carry a file past `bytes` fail (EFBIG; SIGXFSZ ignored), as
// on a disk that has filled up, until the limit is lifted with -1.
void limit_file_size(long long bytes);
#endif
