// ICC colour profiles: loading from a file, and the few header and tag fields
// the converter reads (size, colour space, signature, description).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/failure.h"
#include "platform/win32.h"

// One heap block: this header, then the profile's bytes exactly as stored
// (big-endian). Released by its owner with free(). `held` bounds every read.
struct IccProfile {
    uint32_t held;      // bytes of profile data present after the header
    uint32_t reserved;  // keeps the data 8-byte aligned
};

// Units in the description buffer, terminating zero included.
constexpr int ICC_DESCRIPTION_UNITS = 256;

// A zero-filled profile block able to hold `size` bytes, or null.
IccProfile* icc_allocate(uint32_t size);
// The profile's bytes (held of them).
unsigned char* icc_bytes(IccProfile* profile);
const unsigned char* icc_bytes(const IccProfile* profile);

// The profile in the file, or null with why noted in `failure` (when given).
IccProfile* load_icc_profile(const WCHAR* path, Failure* failure);
int icc_is_valid(const IccProfile* profile);
uint32_t icc_profile_size(const IccProfile* profile);
int icc_component_count(const IccProfile* profile);
// Byte 8: the major version of the ICC format the profile follows, 0 when unreadable.
int icc_major_version(const IccProfile* profile);
const WCHAR* icc_description(const IccProfile* profile);
