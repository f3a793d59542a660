// Tests for the ICC profile record: validity, size and colour space, the
// description (bounds, long and multi-byte texts) and loading from files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "icc/icc.h"
#include "platform/files.h"
#include "support.h"

namespace {

struct FreeProfile {
    void operator()(IccProfile* profile) const { free(profile); }
};
using Profile = std::unique_ptr<IccProfile, FreeProfile>;

std::string be32(uint32_t v) {
    return {char(v >> 24), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF)};
}

// Header with "acsp", colour space and tag count; the size field names the
// whole profile once `sized` is applied.
std::string header(const std::string& space = "RGB ", uint32_t tags = 0) {
    return std::string(132, '\0')
        .replace(16, 4, space)
        .replace(36, 4, "acsp")
        .replace(128, 4, be32(tags));
}
std::string entry(const std::string& signature, uint32_t offset) {
    return signature + be32(offset) + be32(20);
}
std::string sized(std::string bytes) {
    return bytes.replace(0, 4, be32(uint32_t(bytes.size())));
}

// A profile with one desc tag of the v2 text layout holding `text`.
std::string described(const std::string& text) {
    return sized(header("RGB ", 1) + entry("desc", 144) + "desc" + std::string(4, '\0') +
                 be32(uint32_t(text.size() + 1)) + text + std::string(1, '\0'));
}

Profile make(const std::string& bytes) {
    Profile profile(icc_allocate(uint32_t(bytes.size())));
    memcpy(icc_bytes(profile.get()), bytes.data(), bytes.size());
    return profile;
}

WideString description(const std::string& bytes) {
    const WCHAR* text = icc_description(make(bytes).get());  // read after the free
    return text == nullptr ? WIDE("<null>") : text;
}

TEST(IccFields, NullAndEmptyProfiles) {
    EXPECT_TRUE(icc_is_valid(nullptr) == 0 && icc_profile_size(nullptr) == 0 &&
                icc_component_count(nullptr) == 0 && icc_description(nullptr) == nullptr);
    Profile block(icc_allocate(1000));
    ASSERT_TRUE(block && block->held == 1000);
    EXPECT_EQ(icc_bytes(block.get()), reinterpret_cast<unsigned char*>(block.get() + 1));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(icc_bytes(block.get())), 1000),
              std::string(1000, '\0'));
    Profile empty(icc_allocate(0));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(icc_is_valid(empty.get()) == 0 && icc_profile_size(empty.get()) == 0 &&
                icc_component_count(empty.get()) == 0 && icc_description(empty.get()) == nullptr);
}

TEST(IccFields, Validity) {
    const std::string good = sized(header());
    EXPECT_EQ(icc_is_valid(make(good).get()), 1);
    for (const char* wrong : {"ACSP", "acsP", "acs ", "psca"})
        EXPECT_EQ(icc_is_valid(make(std::string(good).replace(36, 4, wrong)).get()), 0) << wrong;
    // The size field may fall short of the bytes held, never exceed them.
    for (uint32_t size : {0u, 100u, 132u})
        EXPECT_EQ(icc_is_valid(make(std::string(good).replace(0, 4, be32(size))).get()), 1) << size;
    for (uint32_t size : {133u, 0xFFFFFFFFu})
        EXPECT_EQ(icc_is_valid(make(std::string(good).replace(0, 4, be32(size))).get()), 0) << size;
    // Forty bytes are the least that hold the signature.
    EXPECT_EQ(icc_is_valid(make(sized(good.substr(0, 40))).get()), 1);
    EXPECT_EQ(icc_is_valid(make(sized(good.substr(0, 39))).get()), 0);
}

TEST(IccFields, SizeAndComponents) {
    EXPECT_EQ(icc_profile_size(make(std::string(header()).replace(0, 4, be32(0x01020304))).get()),
              0x01020304u);
    EXPECT_EQ(icc_profile_size(make("\xFF\xFF\xFF").get()), 0u);  // too short for the field
    EXPECT_EQ(icc_profile_size(make(be32(300)).get()), 300u);
    struct {
        const char* space;
        int components;
    } cases[] = {{"GRAY", 1}, {"RGB ", 3}, {"CMYK", 4}, {"gray", 0}, {"RGB\0", 0},
                 {"Lab ", 0}, {"XYZ ", 0}, {"CMY ", 0}, {"cmyk", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(icc_component_count(make(header(std::string(c.space, 4))).get()), c.components)
            << c.space;
    EXPECT_EQ(icc_component_count(make(header("GRAY").substr(0, 20)).get()), 1);
    EXPECT_EQ(icc_component_count(make(header("GRAY").substr(0, 19)).get()), 0);
}

TEST(IccDescription, WhichTextIsFound) {
    const std::string text_at_200 = "desc" + std::string(8, '\0') + "First" + std::string(1, '\0');
    std::string two =
        header("RGB ", 3) + entry("cprt", 200) + entry("desc", 200) + entry("desc", 144);
    two.resize(200, '\0');
    EXPECT_EQ(description(sized(two + text_at_200)), WIDE("First"));
    // A count of 0 hides an entry that stands there; "DESC" is another tag.
    EXPECT_EQ(description(sized(header("RGB ", 0) + entry("desc", 144) + text_at_200)),
              WIDE("<null>"));
    EXPECT_EQ(description(sized(header("RGB ", 1) + entry("DESC", 144) + text_at_200)),
              WIDE("<null>"));
    // A zero byte 12 bytes in gives an empty text, not none; the v4 mluc
    // layout has one there (the high byte of its record count).
    EXPECT_EQ(description(described("")), WIDE(""));
    EXPECT_EQ(description(sized(header("RGB ", 1) + entry("desc", 144) + "mluc" +
                                std::string(4, '\0') + be32(1) + be32(12) + "enUS" + be32(8) +
                                be32(28) + std::string("\0s\0R\0G\0B", 8))),
              WIDE(""));
    // The text outlives its profile and is replaced by the next call.
    Profile first = make(described("Kept"));
    const WCHAR* text = icc_description(first.get());
    first.reset();
    EXPECT_TRUE(WideString(text) == WIDE("Kept"));
    EXPECT_EQ(icc_description(make(described("Next")).get()), text);
    EXPECT_TRUE(WideString(text) == WIDE("Next"));
}

// Offsets and counts from the profile that point outside it give no text and
// read nothing outside (the sanitizer build watches).
TEST(IccDescription, ReadsStayInsideTheProfile) {
    const std::string good = described("abc");
    const uint32_t held = uint32_t(good.size());
    auto at = [&](uint32_t offset) {
        return description(std::string(good).replace(136, 4, be32(offset)));
    };
    EXPECT_EQ(at(144), WIDE("abc"));
    EXPECT_EQ(at(held - 13), WIDE(""));  // the last byte, the zero
    EXPECT_EQ(at(held - 12), WIDE("<null>"));
    EXPECT_EQ(at(0x7FFFFFFF), WIDE("<null>"));
    // offset + 12 wraps to 4 in 32 bits, where "ab" stands.
    EXPECT_EQ(description(std::string(good)
                              .replace(4, 3, std::string("ab\0", 3))
                              .replace(136, 4, be32(0xFFFFFFF8))),
              WIDE("<null>"));
    EXPECT_EQ(description(sized(good.substr(0, good.size() - 1))), WIDE("<null>"));  // no zero byte
    EXPECT_EQ(description(sized(header("RGB ", 0xFFFFFFFF) + entry("cprt", 0))), WIDE("<null>"));
    EXPECT_EQ(
        description(sized(header("RGB ", 2) + entry("cprt", 0) + entry("desc", 144).substr(0, 11))),
        WIDE("<null>"));
    EXPECT_EQ(description(sized(header().substr(0, 131))), WIDE("<null>"));
}

TEST(IccDescription, LongTextsKeep255Units) {
    EXPECT_EQ(description(described(std::string(255, 'x'))), WideString(255, 'x'));
    for (size_t length : {256u, 5000u}) {
        std::string text;
        for (size_t i = 0; i < length; ++i) text.push_back(char('a' + i % 26));
        EXPECT_EQ(description(described(text)), wide(text.substr(0, 255))) << length;
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
    EXPECT_EQ(description(described(hundred)), WideString(100, 0x3042));
    EXPECT_EQ(description(described(ansi_of(WideString(600, 0x3042)))), WideString(255, 0x3042));
}

// The cut never keeps half a surrogate pair.
TEST(IccDescription, SurrogatePairsStayWhole) {
    const WideString face = {0xD83D, 0xDE00};
    const std::string face_bytes = ansi_of(face);
    if (face_bytes.empty()) GTEST_SKIP() << "the ANSI code page here cannot write U+1F600";
    EXPECT_EQ(description(described(std::string(253, 'a') + face_bytes)),
              WideString(253, 'a') + face);
    EXPECT_EQ(description(described(std::string(254, 'a') + face_bytes + "tail")),
              WideString(254, 'a'));
    std::string faces;
    for (int i = 0; i < 600; ++i) faces += face_bytes;
    WideString expected;
    for (int i = 0; i < 127; ++i) expected += face;
    EXPECT_EQ(description(described(faces)), expected);
}

class IccLoad : public ::testing::Test {
protected:
    std::filesystem::path dir = make_temp_dir("icc-load");
    void TearDown() override { std::filesystem::remove_all(dir); }
    // Loads `bytes` from a file, and checks that the file was closed.
    Profile load(const std::string& bytes) {
        write_file(dir / "p.icc", bytes);
        Profile profile(load_icc_profile(wide_path(dir / "p.icc").c_str()));
        HANDLE again = open_file(wide_path(dir / "p.icc").c_str(), GENERIC_READ, OPEN_EXISTING);
        EXPECT_NE(again, INVALID_HANDLE_VALUE) << "left open";
        CloseHandle(again);
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
        Profile profile(load_icc_profile(wide_path(fixture_path(c.name)).c_str()));
        ASSERT_TRUE(profile) << c.name;
        EXPECT_TRUE(std::string(reinterpret_cast<char*>(icc_bytes(profile.get())), profile->held) ==
                    read_file(fixture_path(c.name)));
        EXPECT_EQ(icc_profile_size(profile.get()), c.size);
        EXPECT_EQ(icc_component_count(profile.get()), c.components);
        EXPECT_TRUE(WideString(icc_description(profile.get())) == c.text);
    }
}

TEST_F(IccLoad, OnlyLengthSignatureAndSizeFieldAreTested) {
    const std::string good = described("Good");
    EXPECT_EQ(load_icc_profile(wide_path(dir / "missing.icc").c_str()), nullptr);
    EXPECT_FALSE(load(""));
    EXPECT_FALSE(load(good.substr(0, 39)));
    EXPECT_FALSE(load(std::string(good).replace(36, 4, "ACSP")));
    EXPECT_FALSE(load(std::string(good).replace(0, 4, be32(uint32_t(good.size() + 1)))));
    // Forty bytes with the signature and nothing else of a profile.
    Profile bare = load(std::string(40, '\0').replace(36, 4, "acsp"));
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->held == 40 && icc_component_count(bare.get()) == 0);
    // A file longer than its size field loads whole; the field stays the size.
    Profile longer = load(good + std::string(1000, 'Z'));
    ASSERT_TRUE(longer);
    EXPECT_EQ(longer->held, good.size() + 1000);
    EXPECT_EQ(icc_profile_size(longer.get()), good.size());
}

// 4 GiB and more is refused, though the low 32 bits of the size would name a
// small valid profile. The file is sparse and takes no space.
TEST_F(IccLoad, FilesOfFourGibibytesAreRefused) {
    const std::string good = described("Small");
    write_file(dir / "huge.icc", good);
    std::error_code error;
    std::filesystem::resize_file(dir / "huge.icc", (uint64_t{1} << 32) + good.size(), error);
    if (error) GTEST_SKIP() << "no sparse 4 GiB file here: " << error.message();
    EXPECT_EQ(load_icc_profile(wide_path(dir / "huge.icc").c_str()), nullptr);
}

}  // namespace
