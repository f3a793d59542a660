// Tests for the ICC profile record: validity, size and colour space, the
// description (bounds, long and multi-byte texts) and loading from files.
#include <gtest/gtest.h>

#include "builders.h"
#include "icc/icc.h"
#include "support.h"

namespace {

int valid(const std::string& bytes) {
    return icc_is_valid(profile_block(bytes).get());
}
int components(const std::string& bytes) {
    return icc_component_count(profile_block(bytes).get());
}
WideString description(const std::string& bytes) {
    const WCHAR* text = icc_description(profile_block(bytes).get());  // read after the free
    return text == nullptr ? WIDE("<null>") : text;
}

TEST(IccFields, NullAndEmptyProfiles) {
    EXPECT_TRUE(icc_is_valid(nullptr) == 0 && icc_profile_size(nullptr) == 0 &&
                icc_component_count(nullptr) == 0 && icc_description(nullptr) == nullptr);
    ProfileBlock empty(icc_allocate(0));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(icc_is_valid(empty.get()) == 0 && icc_profile_size(empty.get()) == 0 &&
                icc_component_count(empty.get()) == 0 && icc_description(empty.get()) == nullptr);
}

TEST(IccFields, ValiditySizeAndComponents) {
    const std::string good = icc_sized(icc_header());
    EXPECT_EQ(valid(good), 1);
    for (const char* wrong : {"ACSP", "acsP", "acs ", "psca"})
        EXPECT_EQ(valid(std::string(good).replace(36, 4, wrong)), 0) << wrong;
    // The size field may fall short of the bytes held, never exceed them.
    for (uint32_t size : {0u, 100u, 132u, 133u, 0xFFFFFFFFu})
        EXPECT_EQ(valid(std::string(good).replace(0, 4, be32(size))), size <= 132 ? 1 : 0) << size;
    // Forty bytes are the least that hold the signature.
    EXPECT_EQ(valid(icc_sized(good.substr(0, 40))), 1);
    EXPECT_EQ(valid(icc_sized(good.substr(0, 39))), 0);

    EXPECT_EQ(icc_profile_size(profile_block(be32(0x01020304)).get()), 0x01020304u);
    EXPECT_EQ(icc_profile_size(profile_block("\xFF\xFF\xFF").get()), 0u);  // too short for the field
    struct {
        const char* space;
        int count;
    } cases[] = {{"GRAY", 1}, {"RGB ", 3}, {"CMYK", 4}, {"gray", 0}, {"RGB\0", 0},
                 {"Lab ", 0}, {"XYZ ", 0}, {"CMY ", 0}, {"cmyk", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(components(icc_header(std::string(c.space, 4))), c.count) << c.space;
    EXPECT_EQ(components(icc_header("GRAY").substr(0, 20)), 1);
    EXPECT_EQ(components(icc_header("GRAY").substr(0, 19)), 0);
}

// Which text is found. Offsets and counts that point outside the profile give
// none and read nothing outside (the sanitizer build watches).
TEST(IccDescription, WhichTextIsFound) {
    const std::string at_200 = "desc" + std::string(8, '\0') + "First" + std::string(1, '\0');
    std::string two = icc_header("RGB ", 3) + icc_entry("cprt", 200) + icc_entry("desc", 200) +
                      icc_entry("desc", 144);
    two.resize(200, '\0');
    const std::string good = described_profile("abc");
    const uint32_t held = uint32_t(good.size());
    auto at = [&](uint32_t offset) { return std::string(good).replace(136, 4, be32(offset)); };
    const std::string mluc = "mluc" + std::string(4, '\0') + be32(1) + be32(12) + "enUS" + be32(8) +
                             be32(28) + std::string("\0s\0R\0G\0B", 8);
    const struct {
        const char* what;
        std::string bytes;
        const char* text;  // null: none
    } cases[] = {
        {"first desc entry", icc_sized(two + at_200), "First"},
        {"count 0 hides an entry", icc_sized(icc_header("RGB ", 0) + icc_entry("desc", 144) + at_200), nullptr},
        {"desC is another tag", icc_sized(icc_header("RGB ", 1) + icc_entry("desC", 144) + at_200), nullptr},
        // A zero byte 12 bytes in gives an empty text, not none; the v4 mluc
        // layout has one there (the high byte of its record count).
        {"empty text", described_profile(""), ""},
        {"mluc layout", icc_sized(icc_header("RGB ", 1) + icc_entry("desc", 144) + mluc), ""},
        {"text at 144", at(144), "abc"},
        {"text in the last byte", at(held - 13), ""},
        {"text past the end", at(held - 12), nullptr},
        {"offset far outside", at(0x7FFFFFFF), nullptr},
        // offset + 12 wraps to 4 in 32 bits, where "ab" stands.
        {"offset wrapping", at(0xFFFFFFF8).replace(4, 3, std::string("ab\0", 3)), nullptr},
        {"no zero byte", icc_sized(good.substr(0, good.size() - 1)), nullptr},
        {"tag count far too high", icc_sized(icc_header("RGB ", 0xFFFFFFFF) + icc_entry("cprt", 0)), nullptr},
        {"entry cut short",
         icc_sized(icc_header("RGB ", 2) + icc_entry("cprt", 0) + icc_entry("desc", 0).substr(0, 11)), nullptr},
        {"no room for the tag count", icc_sized(icc_header().substr(0, 131)), nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(description(c.bytes), wide(c.text != nullptr ? c.text : "<null>")) << c.what;
}

TEST(IccDescription, TextOutlivesItsProfileUntilTheNextCall) {
    ProfileBlock first = profile_block(described_profile("Kept"));
    const WCHAR* text = icc_description(first.get());
    first.reset();
    EXPECT_TRUE(WideString(text) == WIDE("Kept"));
    EXPECT_EQ(icc_description(profile_block(described_profile("Next")).get()), text);
    EXPECT_TRUE(WideString(text) == WIDE("Next"));
}

TEST(IccDescription, LongTextsKeep255Units) {
    EXPECT_EQ(description(described_profile(std::string(255, 'x'))), WideString(255, 'x'));
    for (size_t length : {256u, 5000u}) {
        std::string text;
        for (size_t i = 0; i < length; ++i) text.push_back(char('a' + i % 26));
        EXPECT_EQ(description(described_profile(text)), wide(text.substr(0, 255))) << length;
    }
}

// The ANSI bytes of `text`, or none when the ANSI code page cannot hold it.
std::string ansi_of(const WideString& text) {
    std::string bytes(text.size() * 4, '\0');
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), &bytes[0],
                                int(bytes.size()), nullptr, &lossy);
    return n > 0 && !lossy ? bytes.substr(0, size_t(n)) : std::string();
}

// Kana take three bytes in UTF-8 and two in Shift JIS: the cut counts units.
TEST(IccDescription, MultiByteTextsCountUnits) {
    const std::string hundred = ansi_of(WideString(100, 0x3042));
    if (hundred.size() < 200) GTEST_SKIP() << "the ANSI code page here has no multi-byte kana";
    EXPECT_EQ(description(described_profile(hundred)), WideString(100, 0x3042));
    EXPECT_EQ(description(described_profile(ansi_of(WideString(600, 0x3042)))), WideString(255, 0x3042));
}

// The cut never keeps half a surrogate pair.
TEST(IccDescription, SurrogatePairsStayWhole) {
    const WideString face = {0xD83D, 0xDE00};
    const std::string face_bytes = ansi_of(face);
    if (face_bytes.empty()) GTEST_SKIP() << "the ANSI code page here cannot write U+1F600";
    EXPECT_EQ(description(described_profile(std::string(253, 'a') + face_bytes)),
              WideString(253, 'a') + face);
    EXPECT_EQ(description(described_profile(std::string(254, 'a') + face_bytes + "tail")),
              WideString(254, 'a'));
    std::string faces;
    for (int i = 0; i < 600; ++i) faces += face_bytes;
    WideString expected;
    for (int i = 0; i < 127; ++i) expected += face;
    EXPECT_EQ(description(described_profile(faces)), expected);
}

class IccLoad : public ::testing::Test {
protected:
    std::filesystem::path dir = make_temp_dir("icc-load");
    void TearDown() override { std::filesystem::remove_all(dir); }
    // Loads `bytes` from a file, and checks that the file was closed.
    ProfileBlock load(const std::string& bytes) {
        write_file(dir / "p.icc", bytes);
        ProfileBlock profile(load_icc_profile(wide_path(dir / "p.icc").c_str(), nullptr));
        EXPECT_TRUE(file_is_closed(dir / "p.icc"));
        return profile;
    }
};

TEST_F(IccLoad, RealProfiles) {
    struct {
        const char* name;
        uint32_t size;
        int components;
        const WCHAR* text;
    } cases[] = {{"icc/sRGB.icc", 6922, 3, WIDE("sRGB")}, {"icc/Gray.icc", 420, 1, WIDE("Gray")}};
    for (const auto& c : cases) {
        ProfileBlock profile(load_icc_profile(wide_path(fixture_path(c.name)).c_str(), nullptr));
        ASSERT_TRUE(profile) << c.name;
        EXPECT_TRUE(held_bytes(profile.get()) == read_file(fixture_path(c.name)));
        EXPECT_EQ(icc_profile_size(profile.get()), c.size);
        EXPECT_EQ(icc_component_count(profile.get()), c.components);
        EXPECT_TRUE(WideString(icc_description(profile.get())) == c.text);
    }
}

TEST_F(IccLoad, OnlyLengthSignatureAndSizeFieldAreTested) {
    const std::string good = described_profile("Good");
    EXPECT_EQ(load_icc_profile(wide_path(dir / "missing.icc").c_str(), nullptr), nullptr);
    EXPECT_FALSE(load(""));
    EXPECT_FALSE(load(good.substr(0, 39)));
    EXPECT_FALSE(load(std::string(good).replace(36, 4, "ACSP")));
    EXPECT_FALSE(load(std::string(good).replace(0, 4, be32(uint32_t(good.size() + 1)))));
    // Forty bytes with the signature and nothing else of a profile.
    ProfileBlock bare = load(std::string(40, '\0').replace(36, 4, "acsp"));
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->held == 40 && icc_component_count(bare.get()) == 0);
    // A file longer than its size field loads whole; the field stays the size.
    ProfileBlock longer = load(good + std::string(1000, 'Z'));
    ASSERT_TRUE(longer);
    EXPECT_EQ(longer->held, good.size() + 1000);
    EXPECT_EQ(icc_profile_size(longer.get()), good.size());
}

// 4 GiB and more is refused, though the low 32 bits of the size would name a
// small valid profile. The file is sparse and takes no space.
TEST_F(IccLoad, FilesOfFourGibibytesAreRefused) {
    const std::string good = described_profile("Small");
    write_file(dir / "huge.icc", good);
    std::error_code error;
    std::filesystem::resize_file(dir / "huge.icc", (uint64_t{1} << 32) + good.size(), error);
    if (error) GTEST_SKIP() << "no sparse 4 GiB file here: " << error.message();
    EXPECT_EQ(load_icc_profile(wide_path(dir / "huge.icc").c_str(), nullptr), nullptr);
}

}  // namespace
