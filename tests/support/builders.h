// JPEG files and ICC profiles built byte by byte in memory, shared by every
// unit test that needs one.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "icc/icc.h"

std::string be16(uint32_t value);
std::string be32(uint32_t value);

// JPEG pieces. A segment's length counts itself; frames have 8-bit samples.
// (SOI is defined here, so tests may build constants from it at start-up.)
const std::string SOI = "\xFF\xD8";
std::string marker(unsigned code);
std::string segment(unsigned code, const std::string& payload);
std::string frame(uint32_t height, uint32_t width, uint32_t components, unsigned code = 0xC0);
std::string jfif(uint32_t units, uint32_t x_density, uint32_t y_density, uint32_t thumb_width = 0,
                 uint32_t thumb_height = 0);
std::string icc_chunk(uint32_t sequence, uint32_t count, const std::string& data);
// The profile cut into chunks of at most `size` data bytes, numbered from 1.
std::vector<std::string> icc_chunks(const std::string& profile, size_t size = 65519);
// EXIF pieces in either byte order: TIFF numbers, a 12-byte IFD entry with its
// value in the first bytes of the value field, and an APP1 "Exif\0\0" segment
// of TIFF header (IFD0 at `ifd_offset` from it) and `after_header`.
std::string tiff16(uint32_t value, bool big_endian);
std::string tiff32(uint32_t value, bool big_endian);
std::string ifd_entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value, bool big_endian);
std::string exif(const std::string& after_header, bool big_endian, uint32_t ifd_offset = 8);
// An EXIF segment whose IFD0 holds the orientation alone, as cameras write it.
std::string exif_orientation(uint32_t orientation, bool big_endian = true);
// Start of scan, a few entropy-coded bytes (one stuffed 0xFF), end of image.
std::string scan_and_end();
// A whole file: start of image, `headers`, one frame, scan and end, the
// entropy-coded part padded so the file has `total` bytes when that is more.
std::string jpeg_file(uint32_t components, uint32_t width, uint32_t height,
                      const std::string& headers = "", size_t total = 0);

// ICC pieces: a 132-byte header with "acsp", colour space and tag count; a
// tag-table entry; the size field set to the bytes' length.
std::string icc_header(const std::string& space = "RGB ", uint32_t tags = 0);
std::string icc_entry(const std::string& signature, uint32_t offset);
std::string icc_sized(std::string bytes);
// A profile with one desc tag, in the v2 text layout, holding `text`.
std::string described_profile(const std::string& text, const std::string& space = "RGB ");
// `size` bytes, each depending on its position so a lost or moved piece shows;
// size field, colour space and signature set.
std::string patterned_profile(uint32_t size, const std::string& space = "RGB ");

struct FreeProfile {
    void operator()(IccProfile* profile) const { free(profile); }
};
using ProfileBlock = std::unique_ptr<IccProfile, FreeProfile>;
// A profile block holding exactly `bytes`.
ProfileBlock profile_block(const std::string& bytes);
// The bytes a profile block holds.
std::string held_bytes(const IccProfile* profile);
