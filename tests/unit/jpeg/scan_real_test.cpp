// Tests of scan_jpeg on real files made by cjpeg and ImageMagick
// (scripts/make-jpeg-fixtures), also with fill bytes added, and, when the
// shared corpus is present, on other people's files and a nine-chunk profile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "jpeg_bytes.h"

namespace {

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
        const char *width_pt, *height_pt;
    } cases[] = {
        {"rgb-300dpi.jpg", 3, 640, 480, "153.60", "115.20"},
        {"progressive-118dpcm.jpg", 3, 640, 480, "153.74", "115.31"},
        {"gray.jpg", 1, 64, 48, "64.00", "48.00"},
        {"cmyk.jpg", 4, 64, 48, "64.00", "48.00"},
        {"arithmetic.jpg", 3, 64, 48, "64.00", "48.00"},
        {"srgb-icc.jpg", 3, 64, 48, "64.00", "48.00"},
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
        EXPECT_EQ(scan.has_profile, std::string(c.name) == "srgb-icc.jpg");
        // The writer's second scan asks for no profile and sees the same.
        EXPECT_TRUE(same_info(scan.info,
                              scan_path(fixture_path(std::string("jpeg/") + c.name), false).info));
    }
}

TEST(ScanReal, EmbeddedProfileIsTheOriginal) {
    IccProfile* profile = nullptr;
    ImageInfo info{};
    ASSERT_EQ(scan_jpeg(wide_path(fixture_path("jpeg/srgb-icc.jpg")).c_str(), &info, &profile), 1);
    ASSERT_NE(profile, nullptr);
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(icc_bytes(profile)), profile->held) ==
                fixture("icc/sRGB.icc"));
    EXPECT_EQ(icc_component_count(profile), 3);
    EXPECT_TRUE(WideString(icc_description(profile)) == WIDE("sRGB"));
    free(profile);
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
    if (!std::filesystem::exists(corpus() / "exif-samples")) GTEST_SKIP() << "no corpus";
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
