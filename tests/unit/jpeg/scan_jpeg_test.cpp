// Tests for scan_jpeg: names, the marker walk, fill bytes, JFIF page size and profile chunks, on
// built bytes, on fixtures (scripts/make-jpeg-fixtures) and, when present, the shared corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "builders.h"
#include "jpeg/exif_date.h"
#include "jpeg/jpeg.h"
#include "support.h"

namespace {

std::string two_decimals(double value) {
    char text[32];
    snprintf(text, sizeof text, "%.2f", value);
    return text;
}

struct ScanResult {
    int result;
    ImageInfo info;
    bool info_untouched;     // not one byte of info written
    bool profile_untouched;  // the profile pointer not written
    std::string profile;  // the bytes of a handed-back profile, or none
};

ScanResult scan_path(const std::filesystem::path& path, bool ask_profile = true) {
    ScanResult out{};
    unsigned char pattern[sizeof(ImageInfo)];
    memset(pattern, 0xA5, sizeof pattern);
    memcpy(&out.info, pattern, sizeof pattern);
    IccProfile* const sentinel = reinterpret_cast<IccProfile*>(&out);
    IccProfile* profile = sentinel;
    out.result = scan_jpeg(wide_path(path).c_str(), &out.info, ask_profile ? &profile : nullptr, nullptr);
    out.info_untouched = memcmp(&out.info, pattern, sizeof pattern) == 0;
    out.profile_untouched = profile == sentinel;
    if (profile != sentinel && profile != nullptr) {
        out.profile = held_bytes(profile);
        free(profile);
    }
    return out;
}

ScanResult scan_bytes(const std::string& bytes, bool ask_profile = true,
                      const std::string& name = "image.jpg") {
    auto dir = make_temp_dir("jpeg");
    write_file(dir / name, bytes);
    ScanResult out = scan_path(dir / name, ask_profile);
    std::filesystem::remove_all(dir);
    return out;
}

bool same_info(const ImageInfo& a, const ImageInfo& b) {
    return a.components == b.components && a.width == b.width && a.height == b.height &&
           a.width_pt == b.width_pt && a.height_pt == b.height_pt &&
           a.thumb_width == b.thumb_width && a.thumb_height == b.thumb_height &&
           a.orientation == b.orientation;
}

const std::string FRAME = frame(48, 64, 3);
const std::string PLAIN = SOI + FRAME + scan_and_end();

TEST(ScanName, OnlyJpgJpegJpeAndJfifInAnyCaseAreOpened) {
    for (const char* name : {"a.jpg", "b.JPG", "c.Jpeg", "d.jpeg", "e.tar.jpg", "f.JPE", "g.jfif"})
        EXPECT_FALSE(scan_bytes(PLAIN, true, name).profile_untouched) << name;
    // Rejected names are never opened: the profile pointer keeps its value.
    for (const char* name : {"a.jp", "b.jfi", "c.", "d", "e.jpgx", "f.jpg.png", "g.jpeg "}) {
        ScanResult scan = scan_bytes(PLAIN, true, name);
        EXPECT_EQ(scan.result, 0) << name;
        EXPECT_TRUE(scan.info_untouched && scan.profile_untouched) << name;
    }
    auto dir = make_temp_dir("jpeg-name");
    std::filesystem::create_directories(dir / "pics.jpg");
    write_file(dir / "pics.jpg" / "photo", PLAIN);
    EXPECT_TRUE(scan_path(dir / "pics.jpg" / "photo").profile_untouched);
    ScanResult missing = scan_path(dir / "none.jpg");
    EXPECT_TRUE(missing.result == 0 && missing.info_untouched && !missing.profile_untouched);
    std::filesystem::remove_all(dir);
}

struct WalkCase {
    std::string what, bytes;
    uint32_t width, height, components;  // components 0: the scan fails
};

// Each case has a wrong reading that gives another result: a frame read too
// early or too late, or a walk that stops before the frame or runs past it.
std::vector<WalkCase> walk_cases() {
    const std::string fake = "\x08" + be16(5) + be16(7) + std::string("\x01\x01\x11\x00", 4);
    std::vector<WalkCase> cases = {
        {"plain", PLAIN, 64, 48, 3},
        {"empty file", "", 0, 0, 0},
        {"no start of image", std::string(3000, '\0') + FRAME + scan_and_end(), 0, 0, 0},
        {"bytes before the start", "junk\xFF\x01" + PLAIN, 64, 48, 3},
        {"FF FF D8 is no start", "\xFF\xFF\xD8" + FRAME + scan_and_end(), 0, 0, 0},
        {"start after FF FF D8", "\xFF\xFF\xD8" + frame(1, 1, 1) + SOI + frame(30, 20, 4), 20, 30,
         4},
        {"last frame wins", SOI + frame(10, 20, 1) + FRAME + scan_and_end(), 64, 48, 3},
        {"largest frame", SOI + frame(65535, 65535, 255), 65535, 65535, 255},
        {"last frame without components", SOI + FRAME + frame(30, 40, 0), 0, 0, 0},
        {"last frame without width", SOI + FRAME + frame(30, 0, 3), 0, 0, 0},
        {"last frame without height", SOI + FRAME + frame(0, 40, 3), 0, 0, 0},
        {"frame cut by the end", SOI + FRAME.substr(0, 9), 0, 0, 0},
        {"no frame", SOI + jfif(1, 72, 72) + scan_and_end(), 0, 0, 0},
        {"byte other than FF", SOI + std::string(1, '\0') + FRAME, 0, 0, 0},
        {"length one short", SOI + marker(0xE1) + be16(5) + "abcd" + FRAME, 0, 0, 0},
        {"identifierless APP0 and APP2",
         SOI + segment(0xE0, std::string(20, '\xFF')) + FRAME +
             segment(0xE2, std::string(20, '\xFF')),
         64, 48, 3},
        {"nothing after the start of scan", SOI + FRAME + marker(0xDA) + frame(9, 9, 1), 64, 48, 3},
        // A frame of length 4 moves back 4 bytes onto RST0, then another frame.
        {"move backwards",
         SOI + std::string("\xFF\xC0\x00\x04\x08\x01\xFF\xD0\xFF\xC0", 10) +
             std::string("\x00\x08\x08\x00\x10\x00\x20\x03", 8) + marker(0xDA),
         32, 16, 3},
        {"APP0 of length 2", SOI + marker(0xE0) + be16(2) + FRAME + scan_and_end(), 64, 48, 3},
        // Fill bytes 0xFF before a code are padding, wherever they stand.
        {"fill before a frame", SOI + "\xFF" + FRAME, 64, 48, 3},
        {"fill before RST and SOS",
         SOI + "\xFF\xFF" + marker(0xD0) + FRAME + "\xFF" + marker(0xDA) + frame(9, 9, 1), 64, 48,
         3},
        {"fill then 00 ends", SOI + std::string("\xFF\xFF\x00\x00\x02", 5) + FRAME, 0, 0, 0},
        {"fill then D9 ends", SOI + FRAME + "\xFF\xFF\xD9" + be16(2) + frame(9, 9, 1), 64, 48, 3},
        {"ends in fill, no frame", SOI + std::string(7, '\xFF'), 0, 0, 0},
        {"ends in fill after a frame", SOI + FRAME + std::string(7, '\xFF'), 64, 48, 3},
    };
    // Sequential and progressive, Huffman or arithmetic: what PDF readers decode.
    for (unsigned code : {0xC0u, 0xC1u, 0xC2u, 0xC9u, 0xCAu})
        cases.push_back({"frame code " + std::to_string(code), SOI + frame(0x1234, 0xFEDC, 4, code),
                         0xFEDC, 0x1234, 4});
    // Lossless and hierarchical processes, and samples other than 8-bit, are
    // refused when the last frame has them, whatever came before.
    for (unsigned code : {0xC3u, 0xC5u, 0xC6u, 0xC7u, 0xCBu, 0xCDu, 0xCEu, 0xCFu}) {
        std::string name = "refused frame code " + std::to_string(code);
        cases.push_back({name, SOI + frame(0x1234, 0xFEDC, 4, code), 0, 0, 0});
        cases.push_back({name + " before", SOI + frame(10, 20, 1, code) + FRAME, 64, 48, 3});
        cases.push_back({name + " last", SOI + FRAME + frame(10, 20, 1, code), 0, 0, 0});
    }
    for (char precision : {'\x00', '\x02', '\x07', '\x0C', '\x10', '\xFF'}) {
        for (unsigned code : {0xC0u, 0xC1u, 0xC2u, 0xC9u, 0xCAu}) {
            std::string name = "precision " + std::to_string(uint8_t(precision)) + " code " +
                               std::to_string(code);
            std::string odd = frame(48, 64, 3, code).replace(4, 1, 1, precision);
            cases.push_back({name, SOI + odd + scan_and_end(), 0, 0, 0});
            cases.push_back({name + " before", SOI + odd + FRAME, 64, 48, 3});
        }
    }
    for (unsigned code : {0x00u, 0xD8u, 0xD9u, 0xDAu}) {
        std::string name = "ending code " + std::to_string(code);
        cases.push_back({name, SOI + marker(code) + FRAME, 0, 0, 0});
        cases.push_back({name + " with length", SOI + marker(code) + be16(2) + FRAME, 0, 0, 0});
        cases.push_back({name + " after a frame",
                         SOI + frame(10, 20, 1) + marker(code) + be16(2) + FRAME, 20, 10, 1});
    }
    // Taken as a segment, the "length" of these would be 0xFFC0.
    for (unsigned code : {0x01u, 0xD0u, 0xD7u})
        cases.push_back(
            {"no length " + std::to_string(code), SOI + marker(code) + FRAME, 64, 48, 3});
    // Passed over by their length; their payload read as a frame would be 7 x 5.
    for (unsigned code :
         {0x02u, 0xBFu, 0xC4u, 0xC8u, 0xCCu, 0xDBu, 0xDDu, 0xDFu, 0xE1u, 0xE3u, 0xEFu, 0xFEu})
        cases.push_back({"other code " + std::to_string(code),
                         SOI + segment(code, fake) + FRAME + segment(code, fake) + scan_and_end(),
                         64, 48, 3});
    return cases;
}

TEST(ScanWalk, MarkerTable) {
    for (const WalkCase& c : walk_cases()) {
        ScanResult scan = scan_bytes(c.bytes);
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(scan.profile_untouched);
        if (c.components == 0) {
            EXPECT_EQ(scan.result, 0);
            EXPECT_TRUE(scan.info_untouched);
            continue;
        }
        EXPECT_EQ(scan.result, 1);
        EXPECT_EQ(scan.info.width, c.width);
        EXPECT_EQ(scan.info.height, c.height);
        EXPECT_EQ(scan.info.components, c.components);
    }
}

TEST(ScanWalk, JfifPageSize) {
    struct Case {
        std::string before, after, width_pt, height_pt;
    } cases[] = {
        {jfif(1, 300, 300), "", "153.60", "115.20"},
        {jfif(2, 118, 118), "", "153.74", "115.31"},
        {jfif(1, 72, 144), "", "640.00", "240.00"},
        {"", jfif(1, 300, 300), "153.60", "115.20"},               // after the frame
        {jfif(1, 72, 72), jfif(2, 118, 118), "153.74", "115.31"},  // the last one
        {jfif(0, 300, 300), "", "640.00", "480.00"},
        {jfif(3, 300, 300), "", "640.00", "480.00"},
        {"", "", "640.00", "480.00"},
        // A density of 0 gives one point per pixel, on both axes.
        {jfif(1, 0, 300), "", "640.00", "480.00"},
        {jfif(2, 118, 0), "", "640.00", "480.00"},
        {jfif(1, 300, 300).replace(6, 2, "XX"), "", "640.00", "480.00"},  // JFXX
        {jfif(1, 300, 300).replace(8, 1, " "), "", "640.00", "480.00"},   // no zero byte
    };
    for (const Case& c : cases) {
        ScanResult scan =
            scan_bytes(SOI + c.before + frame(480, 640, 3) + c.after + scan_and_end());
        EXPECT_EQ(two_decimals(scan.info.width_pt), c.width_pt)
            << c.before.size() << c.after.size();
        EXPECT_EQ(two_decimals(scan.info.height_pt), c.height_pt);
    }
    ScanResult thumb = scan_bytes(SOI + jfif(0, 1, 1, 255, 2) + FRAME + scan_and_end());
    EXPECT_TRUE(thumb.result == 1 && thumb.info.thumb_width == 255 && thumb.info.thumb_height == 2);
    ScanResult none = scan_bytes(PLAIN);
    EXPECT_TRUE(none.info.thumb_width == 0 && none.info.thumb_height == 0);
}

// The orientation comes from IFD0 of the first EXIF segment and only from
// bytes inside it; whatever it holds, the walk goes on to the frame.
TEST(ScanExif, Orientation) {
    struct Case {
        std::string what, before, after;
        uint32_t orientation;
    };
    std::vector<Case> cases;
    for (bool big : {true, false}) {
        const std::string order = big ? "MM " : "II ";
        for (uint32_t value = 0; value <= 10; ++value)
            cases.push_back({order + std::to_string(value), exif_orientation(value, big), "",
                             value >= 1 && value <= 8 ? value : 0});
        cases.push_back({order + "after the frame", "", exif_orientation(6, big), 6});
        // Entries before and after it, IFD0 not right after the header, and an
        // entry count reaching past the segment: the entries that fit are read.
        cases.push_back({order + "among other entries",
                         exif(std::string(6, 'x') + tiff16(3, big) +
                                  ifd_entry(0x010F, 2, 4, 0x4B455354, big) +
                                  ifd_entry(0x0112, 3, 1, 3, big) + ifd_entry(0x8769, 4, 1, 60, big),
                              big, 14),
                         "", 3});
        cases.push_back({order + "count past the end",
                         exif(tiff16(0xFFFF, big) + ifd_entry(0x0112, 3, 1, 8, big), big), "", 8});
        cases.push_back({order + "LONG", exif(tiff16(1, big) + ifd_entry(0x0112, 4, 1, 6, big), big),
                         "", 0});
        cases.push_back({order + "count 2", exif(tiff16(1, big) + ifd_entry(0x0112, 3, 2, 6, big), big),
                         "", 0});
        cases.push_back({order + "first of two tags",
                         exif(tiff16(2, big) + ifd_entry(0x0112, 3, 1, 5, big) +
                                  ifd_entry(0x0112, 3, 1, 7, big), big),
                         "", 5});
        // 8 + 0xFFFFFFF8 is past the segment, though in 32 bits it would be 0.
        for (uint32_t offset : {0u, 25u, 0xFFFFFFF8u})
            cases.push_back({order + "IFD0 at " + std::to_string(offset),
                             exif(tiff16(1, big) + ifd_entry(0x0112, 3, 1, 6, big), big, offset), "",
                             0});
        // The value field cut off by the segment's end, the last thing before
        // the walk stops: read past the end, the value would be 6.
        std::string cut = exif(tiff16(1, big) + ifd_entry(0x0112, 3, 1, 2, big).substr(0, 8), big);
        cases.push_back({order + "entry cut by the end", "", cut + tiff16(6, big), 0});
        cases.push_back({order + "count cut by the end", exif(tiff16(1, big).substr(0, 1), big), "", 0});
    }
    const std::string six = exif_orientation(6);
    cases.push_back({"no EXIF", jfif(1, 72, 72), "", 0});
    cases.push_back({"the first EXIF counts", exif_orientation(3) + six, "", 3});
    cases.push_back({"first EXIF without the tag", exif(be16(0) + be32(0), true) + six, "", 0});
    cases.push_back({"first EXIF broken", exif("", true, 0xFFFF) + six, "", 0});
    cases.push_back({"first EXIF without TIFF header", segment(0xE1, std::string("Exif\0\0", 6)) + six,
                     "", 0});
    cases.push_back({"other APP1 first", segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33)) +
                                             segment(0xE1, "") + six,
                     "", 6});
    cases.push_back({"unknown byte order", six.substr(0, 10) + "MI" + six.substr(12), "", 0});
    cases.push_back({"in APP0", segment(0xE0, six.substr(4)), "", 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = SOI + c.before + FRAME + c.after + scan_and_end();
        ScanResult scan = scan_bytes(bytes);
        EXPECT_EQ(scan.result, 1);
        EXPECT_EQ(scan.info.width, 64u);
        EXPECT_EQ(scan.info.orientation, c.orientation);
        EXPECT_TRUE(same_info(scan.info, scan_bytes(bytes, false).info));
    }
}

const std::string PROFILE = patterned_profile(150000);  // three chunks
const std::vector<std::string> CHUNKS = icc_chunks(PROFILE);

TEST(ScanIcc, ChunkAssembly) {
    // Chunks are joined by number, each by its own length; the profile is
    // used only when every number from 1 to the highest came once and they
    // hold at least its declared size (that many bytes taken), else none.
    const std::string two = patterned_profile(65519 + 10), short_one = patterned_profile(1300);
    const std::vector<std::string> two_chunks = icc_chunks(two);
    const std::string too_large = patterned_profile(200).replace(0, 4, be32(255 * 65519 + 1));
    const std::string below_16 = marker(0xE2) + be16(14) + std::string("ICC_PROFILE\0", 12);
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
        std::string profile;  // empty: none handed back
    } cases[] = {
        {"65,519-byte chunks in order", CHUNKS, PROFILE}, {"smaller chunks", icc_chunks(short_one, 1000), short_one},
        {"later chunks in any order", {CHUNKS[0], CHUNKS[2], CHUNKS[1]}, PROFILE},
        {"chunk 1 not first", {CHUNKS[1], CHUNKS[0], CHUNKS[2]}, PROFILE},
        {"chunks of unequal sizes", {icc_chunk(1, 2, two.substr(0, 1000)), icc_chunk(2, 2, two.substr(1000))}, two},
        {"a number missing", {CHUNKS[0], CHUNKS[2]}, ""}, {"incomplete", {CHUNKS[0]}, ""},
        {"chunks short of the declared size", {icc_chunk(1, 2, two.substr(0, 1000)), two_chunks[1]}, ""},
        {"ending at the size", two_chunks, two}, {"size beyond the data", {icc_chunk(1, 1, too_large)}, ""},
        {"one byte past the size", {two_chunks[0], icc_chunk(2, 2, two.substr(65519) + "x")}, two},
        {"chunk 1 past the size", {icc_chunk(1, 1, short_one + "x")}, short_one},
        {"chunk 0", {icc_chunk(1, 1, short_one), icc_chunk(0, 1, std::string(500, 'z'))}, ""},
        {"chunk 255 alone after 1", {icc_chunk(1, 1, short_one), icc_chunk(255, 1, std::string(500, 'z'))}, ""},
        {"a number repeated", {CHUNKS[0], icc_chunk(1, 1, short_one)}, ""},
        {"an empty chunk", {icc_chunk(1, 2, short_one), icc_chunk(2, 2, "")}, ""},
        {"a chunk of length below 16", {icc_chunk(1, 1, short_one), below_16}, ""},
        {"no signature", {icc_chunk(1, 1, std::string(short_one).replace(36, 4, "ACSP"))}, ""},
        {"smaller than 40 bytes", {icc_chunk(1, 1, be32(39) + std::string(35, 'a'))}, ""},
        {"identifier in APP1", {segment(0xE1, CHUNKS[0].substr(4))}, ""},
        {"identifier without zero", {segment(0xE2, "ICC_PROFILE " + CHUNKS[0].substr(16))}, ""},
    };
    for (const Case& c : cases) {
        std::string bytes = SOI;
        for (const std::string& chunk : c.chunks) bytes += chunk;
        ScanResult scan = scan_bytes(bytes + FRAME + scan_and_end());
        SCOPED_TRACE(c.what);
        EXPECT_EQ(scan.result, 1);
        EXPECT_EQ(scan.info.width, 64u);
        EXPECT_TRUE(scan.profile == c.profile);
    }
}

TEST(ScanIcc, WhenProfilesComeBack) {
    // Without a frame the scan fails yet hands the profile back.
    ScanResult no_frame = scan_bytes(SOI + CHUNKS[0] + CHUNKS[1] + CHUNKS[2] + scan_and_end());
    EXPECT_TRUE(no_frame.result == 0 && no_frame.info_untouched);
    EXPECT_TRUE(no_frame.profile == PROFILE);
    // A file cut inside a chunk's data has no profile, even with every chunk begun.
    for (const std::string& cut_file : {SOI + FRAME + CHUNKS[0] + CHUNKS[1].substr(0, 5000),
                                        SOI + FRAME + CHUNKS[0] + CHUNKS[1] + CHUNKS[2].substr(0, 5000)}) {
        ScanResult cut = scan_bytes(cut_file);
        EXPECT_EQ(cut.result, 1);
        EXPECT_TRUE(cut.profile.empty());
    }
    // Not asked for, chunks are passed over like other segments: same result.
    std::string bytes = SOI + jfif(1, 300, 300) + CHUNKS[2] + CHUNKS[0] + FRAME + CHUNKS[1] +
                        icc_chunk(1, 1, be32(0xFFFFFFFF)) + scan_and_end();
    ScanResult asked = scan_bytes(bytes), not_asked = scan_bytes(bytes, false);
    EXPECT_EQ(not_asked.result, 1);
    EXPECT_EQ(two_decimals(not_asked.info.width_pt), "15.36");
    EXPECT_TRUE(same_info(asked.info, not_asked.info));
}

std::string fixture(const std::string& name) {
    return read_file(fixture_path(name));
}

std::filesystem::path corpus() {
    const char* place = std::getenv("KESTREL_CORPUS");
    return place != nullptr ? place : "/work/shared/corpus";
}

TEST(ScanReal, Fixtures) {
    struct Case {
        const char* name;
        uint32_t components, width, height;
        const char *width_pt, *height_pt, *profile;
    } cases[] = {
        {"rgb-300dpi.jpg", 3, 640, 480, "153.60", "115.20", nullptr},
        {"progressive-118dpcm.jpg", 3, 640, 480, "153.74", "115.31", nullptr},
        {"gray.jpg", 1, 64, 48, "64.00", "48.00", nullptr},
        {"cmyk.jpg", 4, 64, 48, "64.00", "48.00", nullptr},
        {"arithmetic.jpg", 3, 64, 48, "64.00", "48.00", nullptr},
        {"srgb-icc.jpg", 3, 64, 48, "64.00", "48.00", "icc/sRGB.icc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanResult scan = scan_path(fixture_path(std::string("jpeg/") + c.name));
        EXPECT_EQ(scan.result, 1);
        EXPECT_EQ(scan.info.components, c.components);
        EXPECT_EQ(scan.info.width, c.width);
        EXPECT_EQ(scan.info.height, c.height);
        EXPECT_EQ(two_decimals(scan.info.width_pt), c.width_pt);
        EXPECT_EQ(two_decimals(scan.info.height_pt), c.height_pt);
        EXPECT_TRUE(scan.info.thumb_width == 0 && scan.info.thumb_height == 0);
        // An embedded profile comes back byte for byte as the original file.
        EXPECT_TRUE(scan.profile == (c.profile != nullptr ? fixture(c.profile) : ""));
        // The writer's second scan asks for no profile and sees the same.
        EXPECT_TRUE(same_info(scan.info,
                              scan_path(fixture_path(std::string("jpeg/") + c.name), false).info));
    }
}

// One fill byte before the first table segment, or several after the frame
// header, change nothing.
TEST(ScanReal, FillBytesChangeNothing) {
    for (const char* name :
         {"rgb-300dpi.jpg", "progressive-118dpcm.jpg", "srgb-icc.jpg", "cmyk.jpg"}) {
        SCOPED_TRACE(name);
        const std::string bytes = fixture(std::string("jpeg/") + name);
        size_t tables = bytes.find("\xFF\xDB");
        size_t frame_at = std::min(bytes.find("\xFF\xC0"), bytes.find("\xFF\xC2"));
        ASSERT_TRUE(tables != std::string::npos && frame_at != std::string::npos);
        size_t frame_end = frame_at + 2 + (size_t(uint8_t(bytes[frame_at + 2])) << 8) +
                           uint8_t(bytes[frame_at + 3]);
        ScanResult plain = scan_bytes(bytes);
        for (const std::string& changed : {std::string(bytes).insert(tables, "\xFF"),
                                           std::string(bytes).insert(frame_end, 6, '\xFF')}) {
            ScanResult scan = scan_bytes(changed);
            EXPECT_EQ(scan.result, 1);
            EXPECT_TRUE(same_info(plain.info, scan.info));
            EXPECT_TRUE(scan.profile == plain.profile);
        }
    }
}

// libjpeg-turbo's 557 KB CMYK profile in nine chunks, as encoders write them.
TEST(ScanCorpus, NineChunkProfile) {
    const std::filesystem::path icc = corpus() / "libjpeg-turbo" / "test1.icc";
    if (!std::filesystem::exists(icc)) GTEST_SKIP() << "no corpus at " << corpus().string();
    const std::string original = read_file(icc);
    std::vector<std::string> chunks = icc_chunks(original);
    ASSERT_EQ(chunks.size(), 9u);
    std::string image = fixture("jpeg/cmyk.jpg");
    for (size_t n = chunks.size(); n-- > 0;) image.insert(2, chunks[n]);
    ScanResult scan = scan_bytes(image);
    EXPECT_EQ(scan.info.components, 4u);
    EXPECT_TRUE(scan.profile == original);
}

// Camera and reference-library files all scan; damaged ones may fail, but
// cleanly (the sanitizer build watches every read).
TEST(ScanCorpus, OtherPeoplesFiles) {
    if (!std::filesystem::exists(corpus() / "exif-samples")) GTEST_SKIP() << "no corpus at " << corpus().string();
    int scanned = 0;
    for (const char* folder : {"exif-samples", "libjpeg-turbo"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus() / folder)) {
            std::string extension = entry.path().extension().string();
            if (extension != ".jpg" && extension != ".jpeg") continue;
            std::string relative =
                std::filesystem::relative(entry.path(), corpus()).generic_string();
            SCOPED_TRACE(relative);
            ScanResult scan = scan_path(entry.path());
            ++scanned;
            // 12-bit samples: no PDF reader shows them.
            if (relative == "libjpeg-turbo/monkey12.jpg") {
                EXPECT_EQ(scan.result, 0);
                continue;
            }
            if (relative.find("invalid/") != std::string::npos ||
                relative.find("corrupted") != std::string::npos)
                continue;
            EXPECT_EQ(scan.result, 1);
            EXPECT_TRUE(scan.info.components == 1 || scan.info.components == 3);
            EXPECT_TRUE(scan.info.width_pt > 0 && scan.info.height_pt > 0);
        }
    }
    EXPECT_GT(scanned, 80);
}

}  // namespace

// --exif-date from the fuzz corpus's hand-made segments: either byte order,
// with and without OffsetTimeOriginal, and a camera's unset clock refused.
TEST(ScanExif, DateTimeOriginal) {
    const struct { const char* file; int found; ExifDate date; } cases[] = {
        {"exif-date-and-offset.jpg", 1, {2019, 6, 30, 14, 5, 9, 1, 9 * 60 + 30}},
        {"exif-date-little-endian.jpg", 1, {2003, 12, 31, 23, 59, 59, 0, 0}},
        {"exif-date-unset.jpg", 0, {}}, {"exif-big-endian.jpg", 0, {}},
    };
    for (const auto& c : cases) {
        const auto path = wide_path(std::string(KESTREL_FIXTURE_DIR "/../../fuzz/corpus/scan_jpeg/") + c.file);
        OpenJpeg jpeg;
        ExifDate date;
        EXPECT_EQ(open_jpeg(path.c_str(), &jpeg, nullptr, nullptr) && jpeg_exif_date(&jpeg, &date), c.found) << c.file;
        close_jpeg(&jpeg);
        EXPECT_TRUE(!c.found || memcmp(&date, &c.date, sizeof date) == 0) << c.file;
    }
}
