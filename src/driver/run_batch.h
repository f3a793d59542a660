// The program's control flow, entered once by either program's start-up.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// The POSIX program: its own options (--help, --version, -v, --), usage
// errors, and exit status 0 all converted, 1 some reported, 2 usage error.
constexpr uint32_t BATCH_POSIX = 1u;

// Returns the exit code: always 0 without BATCH_POSIX.
int run_batch(HINSTANCE module_instance, uint32_t batch_flags);
