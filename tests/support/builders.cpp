// JPEG files and ICC profiles built byte by byte for the unit tests.
#include "builders.h"

#include <cstring>

std::string be16(uint32_t value) {
    return {char(value >> 8 & 0xFF), char(value & 0xFF)};
}

std::string be32(uint32_t value) {
    return be16(value >> 16) + be16(value & 0xFFFF);
}

std::string marker(unsigned code) {
    return {'\xFF', char(code)};
}

std::string segment(unsigned code, const std::string& payload) {
    return marker(code) + be16(uint32_t(payload.size() + 2)) + payload;
}

std::string frame(uint32_t height, uint32_t width, uint32_t components, unsigned code) {
    std::string payload = "\x08" + be16(height) + be16(width) + char(components);
    for (uint32_t c = 0; c < components; ++c) payload += {char(c + 1), '\x11', '\0'};
    return segment(code, payload);
}

std::string jfif(uint32_t units, uint32_t x_density, uint32_t y_density, uint32_t thumb_width,
                 uint32_t thumb_height) {
    return segment(0xE0, std::string("JFIF\0\x01\x02", 7) + char(units) + be16(x_density) +
                             be16(y_density) + char(thumb_width) + char(thumb_height) +
                             std::string(3 * thumb_width * thumb_height, 'T'));
}

std::string icc_chunk(uint32_t sequence, uint32_t count, const std::string& data) {
    return segment(0xE2, std::string("ICC_PROFILE\0", 12) + char(sequence) + char(count) + data);
}

std::vector<std::string> icc_chunks(const std::string& profile, size_t size) {
    std::vector<std::string> chunks;
    size_t count = (profile.size() + size - 1) / size;
    for (size_t n = 0; n < count; ++n)
        chunks.push_back(icc_chunk(uint32_t(n + 1), uint32_t(count), profile.substr(n * size, size)));
    return chunks;
}

std::string tiff16(uint32_t value, bool big_endian) {
    return big_endian ? be16(value) : std::string{char(value & 0xFF), char(value >> 8 & 0xFF)};
}

std::string tiff32(uint32_t value, bool big_endian) {
    return big_endian ? be32(value) : tiff16(value & 0xFFFF, false) + tiff16(value >> 16, false);
}

std::string ifd_entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value, bool big_endian) {
    return tiff16(tag, big_endian) + tiff16(type, big_endian) + tiff32(count, big_endian) +
           (type == 3 ? tiff16(value, big_endian) + std::string(2, '\0') : tiff32(value, big_endian));
}

std::string exif(const std::string& after_header, bool big_endian, uint32_t ifd_offset) {
    return segment(0xE1, std::string("Exif\0\0", 6) + (big_endian ? "MM" : "II") +
                             tiff16(42, big_endian) + tiff32(ifd_offset, big_endian) + after_header);
}

std::string exif_orientation(uint32_t orientation, bool big_endian) {
    return exif(tiff16(1, big_endian) + ifd_entry(0x0112, 3, 1, orientation, big_endian) +
                    tiff32(0, big_endian),
                big_endian);
}

std::string scan_and_end() {
    return segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6)) +
           std::string("\x12\x34\xFF\x00\x78", 5) + marker(0xD9);
}

std::string jpeg_file(uint32_t components, uint32_t width, uint32_t height,
                      const std::string& headers, size_t total) {
    std::string out = SOI + headers + frame(height, width, components) + scan_and_end();
    if (out.size() < total)
        out.insert(out.size() - 2, total - out.size(), 'e');
    return out;
}

std::string icc_header(const std::string& space, uint32_t tags) {
    std::string bytes(132, '\0');
    return bytes.replace(16, 4, space).replace(36, 4, "acsp").replace(128, 4, be32(tags));
}

std::string icc_entry(const std::string& signature, uint32_t offset) {
    return signature + be32(offset) + be32(20);
}

std::string icc_sized(std::string bytes) {
    return bytes.replace(0, 4, be32(uint32_t(bytes.size())));
}

std::string described_profile(const std::string& text, const std::string& space) {
    return icc_sized(icc_header(space, 1) + icc_entry("desc", 144) + "desc" + std::string(4, '\0') +
                     be32(uint32_t(text.size() + 1)) + text + std::string(1, '\0'));
}

std::string patterned_profile(uint32_t size, const std::string& space) {
    std::string bytes(size, '\0');
    for (uint32_t i = 0; i < size; ++i) bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes.replace(0, 4, be32(size)).replace(16, 4, space).replace(36, 4, "acsp");
}

ProfileBlock profile_block(const std::string& bytes) {
    ProfileBlock profile(icc_allocate(uint32_t(bytes.size())));
    memcpy(icc_bytes(profile.get()), bytes.data(), bytes.size());
    return profile;
}

std::string held_bytes(const IccProfile* profile) {
    return std::string(reinterpret_cast<const char*>(icc_bytes(profile)), profile->held);
}
