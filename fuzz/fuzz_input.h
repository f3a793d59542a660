// Shared by the fuzz targets and their replay programs: the input written to a
// real file (so the Win32 layer reads it), UTF-16 from raw bytes, and checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Writes the bytes to `name` in this process's scratch folder and returns the
// file's wide Windows-form path (valid until the next call). Aborts when the
// file cannot be written: no input may be skipped silently.
const WCHAR* fuzz_write_input(const char* name, const uint8_t* data, size_t size);

// The bytes as little-endian UTF-16 units, cut at the first zero unit, with a
// terminating zero; an odd last byte is dropped.
std::vector<WCHAR> fuzz_units(const uint8_t* data, size_t size);

// Number of units before the terminating zero.
size_t fuzz_length(const WCHAR* text);

// Reports a broken property of the code under test and aborts, so that
// libFuzzer keeps the input and a replay fails.
void fuzz_require(bool holds, const char* what);
