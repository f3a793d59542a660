// Byte-level JPEG building blocks for the scanner tests, and a scan of bytes
// written to a temporary file that reports everything the scanner gave back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "jpeg/jpeg.h"
#include "support.h"

inline std::string be16(uint32_t v) {
    return {char(v >> 8 & 0xFF), char(v & 0xFF)};
}
inline std::string be32(uint32_t v) {
    return be16(v >> 16) + be16(v & 0xFFFF);
}
inline std::string marker(unsigned code) {
    return {'\xFF', char(code)};
}
const std::string SOI = marker(0xD8);

// Marker, length (counting itself), payload.
inline std::string segment(unsigned code, const std::string& payload) {
    return marker(code) + be16(uint32_t(payload.size() + 2)) + payload;
}

// Start of frame with 8-bit samples and a 3-byte spec per component.
inline std::string frame(uint32_t height, uint32_t width, uint32_t components,
                         unsigned code = 0xC0) {
    std::string payload = "\x08" + be16(height) + be16(width) + char(components);
    for (uint32_t c = 0; c < components; ++c) payload += {char(c + 1), '\x11', '\0'};
    return segment(code, payload);
}

// JFIF APP0 with its thumbnail's RGB bytes.
inline std::string jfif(uint32_t units, uint32_t x, uint32_t y, uint32_t thumb_w = 0,
                        uint32_t thumb_h = 0) {
    return segment(0xE0, std::string("JFIF\0\x01\x02", 7) + char(units) + be16(x) + be16(y) +
                             char(thumb_w) + char(thumb_h) +
                             std::string(3 * thumb_w * thumb_h, 'T'));
}

inline std::string icc_chunk(uint32_t sequence, uint32_t count, const std::string& data) {
    return segment(0xE2, std::string("ICC_PROFILE\0", 12) + char(sequence) + char(count) + data);
}

// The profile cut into chunks of at most `size` data bytes, numbered from 1.
inline std::vector<std::string> icc_chunks(const std::string& profile, size_t size = 65519) {
    std::vector<std::string> chunks;
    size_t count = (profile.size() + size - 1) / size;
    for (size_t n = 0; n < count; ++n)
        chunks.push_back(
            icc_chunk(uint32_t(n + 1), uint32_t(count), profile.substr(n * size, size)));
    return chunks;
}

// Start of scan, entropy-coded bytes, end of image.
inline std::string scan_and_end() {
    return segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6)) +
           std::string("\x12\x34\xFF\x00\x78", 5) + marker(0xD9);
}

// A profile of `size` bytes whose every byte depends on its position, so a
// lost or misplaced chunk shows; size field, colour space and "acsp" set.
inline std::string test_profile(uint32_t size, const std::string& space = "RGB ") {
    std::string bytes(size, '\0');
    for (uint32_t i = 0; i < size; ++i) bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes.replace(0, 4, be32(size)).replace(16, 4, space).replace(36, 4, "acsp");
}

inline std::string two_decimals(double value) {
    char text[32];
    snprintf(text, sizeof text, "%.2f", value);
    return text;
}

struct ScanResult {
    int result;
    ImageInfo info;
    bool info_untouched;     // not one byte of info written
    bool profile_untouched;  // the profile pointer not written
    bool has_profile;
    std::string profile;  // the held bytes of a handed-back profile
};

inline ScanResult scan_path(const std::filesystem::path& path, bool ask_profile = true) {
    ScanResult out{};
    unsigned char pattern[sizeof(ImageInfo)];
    memset(pattern, 0xA5, sizeof pattern);
    memcpy(&out.info, pattern, sizeof pattern);
    IccProfile* const sentinel = reinterpret_cast<IccProfile*>(&out);
    IccProfile* profile = sentinel;
    out.result = scan_jpeg(wide_path(path).c_str(), &out.info, ask_profile ? &profile : nullptr);
    out.info_untouched = memcmp(&out.info, pattern, sizeof pattern) == 0;
    out.profile_untouched = profile == sentinel;
    if (profile != sentinel && profile != nullptr) {
        out.has_profile = true;
        out.profile.assign(reinterpret_cast<const char*>(icc_bytes(profile)), profile->held);
        free(profile);
    }
    return out;
}

inline ScanResult scan_bytes(const std::string& bytes, bool ask_profile = true,
                             const std::string& name = "image.jpg") {
    auto dir = make_temp_dir("jpeg");
    write_file(dir / name, bytes);
    ScanResult out = scan_path(dir / name, ask_profile);
    std::filesystem::remove_all(dir);
    return out;
}

inline bool same_info(const ImageInfo& a, const ImageInfo& b) {
    return a.components == b.components && a.width == b.width && a.height == b.height &&
           a.width_pt == b.width_pt && a.height_pt == b.height_pt &&
           a.thumb_width == b.thumb_width && a.thumb_height == b.thumb_height;
}
