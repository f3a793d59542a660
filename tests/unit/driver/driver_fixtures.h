// Small JPEG headers and ICC profiles built in memory for the driver tests.
#pragma once

#include <string>

// Big-endian bytes.
inline std::string be16(unsigned v) {
    return std::string{static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}
inline std::string be32(size_t v) {
    return be16(static_cast<unsigned>((v >> 16) & 0xFFFF)) + be16(static_cast<unsigned>(v & 0xFFFF));
}

// A minimal ICC profile of the given colour space with a text description.
inline std::string make_profile(const std::string& space, const std::string& description) {
    std::string tag = "desc" + std::string(4, '\0') + be32(description.size() + 1) + description +
                      std::string(1, '\0');
    std::string header(128, '\0');
    std::string body = be32(1) + "desc" + be32(144) + be32(tag.size()) + tag;
    size_t size = 128 + body.size();
    header.replace(0, 4, be32(size));
    header.replace(8, 4, std::string("\x02\x10\x00\x00", 4));
    header.replace(12, 4, "mntr");
    header.replace(16, 4, space);
    header.replace(20, 4, "XYZ ");
    header.replace(36, 4, "acsp");
    return header + body;
}

// A JPEG header: start of image, JFIF, optional single-chunk ICC profile, a
// baseline frame, a start of scan, a few entropy-coded bytes and the end.
inline std::string make_jpeg(unsigned components, unsigned width, unsigned height,
                             unsigned units = 0, unsigned x_density = 1, unsigned y_density = 1,
                             const std::string& profile = std::string()) {
    std::string out = "\xFF\xD8";
    out += "\xFF\xE0" + be16(16) + std::string("JFIF\0\x01\x02", 7) +
           std::string(1, static_cast<char>(units)) + be16(x_density) + be16(y_density) +
           std::string(2, '\0');
    if (!profile.empty())
        out += "\xFF\xE2" + be16(static_cast<unsigned>(16 + profile.size())) +
               std::string("ICC_PROFILE\0\x01\x01", 14) + profile;
    std::string frame = std::string(1, '\x08') + be16(height) + be16(width) +
                        std::string(1, static_cast<char>(components));
    for (unsigned c = 0; c < components; ++c)
        frame += std::string{static_cast<char>(c + 1), '\x11', '\0'};
    out += "\xFF\xC0" + be16(static_cast<unsigned>(2 + frame.size())) + frame;
    out += "\xFF\xDA" + be16(8) + std::string("\x01\x01\x00\x00\x3F\x00", 6);
    out += std::string("\x12\x34\x56\x78\x9A", 5) + "\xFF\xD9";
    return out;
}
