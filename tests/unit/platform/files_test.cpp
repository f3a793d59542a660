// Tests for the probe, opening files and loading resource strings, each in the
// wide mode and in the ANSI mode that a failed probe selects.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/files.h"
#include "support.h"

namespace {

HINSTANCE program_instance() {
#ifdef _WIN32
    return GetModuleHandleW(nullptr);
#else
    return nullptr;
#endif
}

std::string read_all(HANDLE file) {
    std::string bytes;
    char chunk[64];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    return bytes;
}

// Whether the ANSI code page holds text: it must come back unchanged.
bool ansi_holds(const WideString& text) {
    char bytes[64];
    WCHAR back[64];
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    return n > 0 && MultiByteToWideChar(CP_ACP, 0, bytes, n, back, 64) > 0 && text == back;
}

TEST(Probe, MissingProgramPathSelectsAnsiMode) {
    auto dir = make_temp_dir("probe");
    write_file(dir / "kestrel.exe", "MZ");
    probe_unicode_support(wide_path(dir / "kestrel").c_str());
    EXPECT_EQ(ansi_fallback, 1);
    probe_unicode_support(wide_path(dir / "kestrel.exe").c_str());
    EXPECT_EQ(ansi_fallback, 0);
    std::filesystem::remove_all(dir);
}

// Every case runs with ansi_fallback 0 (wide calls) and 1 (ANSI calls).
class Files : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        dir = make_temp_dir("files");
        ansi_fallback = GetParam();
    }
    void TearDown() override {
        ansi_fallback = 0;
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
};

TEST_P(Files, ReadersShareAFileAWriterHoldsItAlone) {
    auto path = dir / "photo.jpg";
    write_file(path, "held bytes");
    WideString name = wide_path(path);
    HANDLE held = open_file(name.c_str(), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(read_all(held), "held bytes");
    HANDLE second = open_file(name.c_str(), GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(read_all(second), "held bytes");
    // No writer may replace it while it is read, not even for a moment.
    EXPECT_EQ(open_file(name.c_str(), GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    CloseHandle(held);
    CloseHandle(second);
    EXPECT_EQ(read_file(path), "held bytes");
    // A file being written is nobody else's.
    HANDLE writer = open_file(name.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(open_file(name.c_str(), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    CloseHandle(writer);
}

TEST_P(Files, CreateAlwaysEmptiesOrCreatesOpenExistingNeverCreates) {
    auto old_pdf = dir / "old.pdf";
    write_file(old_pdf, "a much longer earlier output");
    HANDLE out = open_file(wide_path(old_pdf).c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(out, nullptr), 0u);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(out, "new", 3, &written, nullptr));
    CloseHandle(out);
    EXPECT_EQ(read_file(old_pdf), "new");

    auto fresh = dir / "fresh.pdf";
    out = open_file(wide_path(fresh).c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    CloseHandle(out);
    EXPECT_EQ(read_file(fresh), "");

    auto missing = dir / "missing.jpg";
    EXPECT_EQ(open_file(wide_path(missing).c_str(), GENERIC_READ, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_P(Files, NonAsciiNameTheAnsiCodePageHoldsOpens) {
    WideString name = wide("caf\xC3\xA9 \xC3\xBC.jpg");
    if (!ansi_holds(name)) GTEST_SKIP() << "the ANSI code page here has no e-acute or u-umlaut";
    auto path = dir / std::filesystem::u8path("caf\xC3\xA9 \xC3\xBC.jpg");
    write_file(path, "jpeg");
    HANDLE file = open_file(wide_path(path).c_str(), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(read_all(file), "jpeg");
    CloseHandle(file);
}

TEST_P(Files, ResourceStringsWholeAndCutToCapacity) {
    const struct {
        UINT id;
        const char* text;
    } table[] = {{104, "data\\sRGB.icc"}, {105, "data\\sGray.icc"}, {106, "data\\sCMYK.icc"}};
    for (const auto& row : table) {
        WCHAR buffer[260];
        load_resource_string(program_instance(), row.id, buffer, 260);
        EXPECT_EQ(WideString(buffer), wide(row.text)) << row.id;
    }
    // Cut to capacity - 1, terminated, and nothing written past capacity.
    for (int capacity : {1, 5, 14, 15}) {
        WCHAR buffer[20];
        for (WCHAR& unit : buffer) unit = WIDE('#');
        load_resource_string(program_instance(), 106, buffer, capacity);
        std::string expected = std::string("data\\sCMYK.icc").substr(0, size_t(capacity - 1));
        EXPECT_EQ(WideString(buffer), wide(expected)) << capacity;
        for (int i = capacity; i < 20; ++i) EXPECT_EQ(buffer[i], WIDE('#')) << capacity;
    }
}

std::string mode_name(const testing::TestParamInfo<int>& mode) {
    return mode.param != 0 ? "Ansi" : "Wide";
}

INSTANTIATE_TEST_SUITE_P(Modes, Files, testing::Values(0, 1), mode_name);

class AnsiPaths : public testing::Test {
protected:
    void SetUp() override { ansi_fallback = 1; }
    void TearDown() override { ansi_fallback = 0; }
};

// The ANSI form and its terminating zero must fit the 260-byte buffer.
TEST_F(AnsiPaths, LongestPathIs259Bytes) {
    std::string fits(259, 'p');
    const char* converted = to_ansi_path(wide(fits).c_str());
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted, ansi_buffer);
    EXPECT_EQ(std::string(converted), fits);
    EXPECT_EQ(to_ansi_path(wide(fits + "p").c_str()), nullptr);
    EXPECT_EQ(to_ansi_path(nullptr), nullptr);
    // An existing file with a longer path stays out of reach in ANSI mode.
    auto dir = make_temp_dir("long");
    auto folder = dir / std::string(100, 'f');
    std::filesystem::create_directories(folder);
    auto path = folder / (std::string(150, 'n') + ".jpg");
    WideString name = wide_path(path);
    ASSERT_GT(name.size(), 259u);
    write_file(path, "x");
    EXPECT_EQ(open_file(name.c_str(), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    ansi_fallback = 0;
    HANDLE file = open_file(name.c_str(), GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
#ifndef _WIN32
    // The limit counts bytes, not characters: UTF-8 e-acute takes two.
    std::string accents;
    for (int i = 0; i < 129; ++i) accents += "\xC3\xA9";
    EXPECT_NE(to_ansi_path(wide(accents).c_str()), nullptr);
    EXPECT_EQ(to_ansi_path(wide(accents + "\xC3\xA9").c_str()), nullptr);
#endif
    std::filesystem::remove_all(dir);
}

// A character the code page lacks becomes its default character, so the
// converted path names some other file, or none, never the wide path's file.
TEST_F(AnsiPaths, UnrepresentableCharacterDoesNotReachTheFile) {
#ifdef _WIN32
    WideString odd = wide("\xD0\x96");  // Cyrillic capital zhe
    if (ansi_holds(odd)) GTEST_SKIP() << "the ANSI code page here holds Cyrillic";
    auto dir = make_temp_dir("odd");
    auto path = dir / std::filesystem::u8path("photo-\xD0\x96.jpg");
    write_file(path, "x");
    WideString name = wide_path(path);
#else
    WideString odd(1, WCHAR(0xD800));  // a lone surrogate has no UTF-8 form
    auto dir = make_temp_dir("odd");
    WideString name = wide_path(dir / "photo-") + odd + wide(".jpg");
#endif
    const char* converted = to_ansi_path(name.c_str());
    ASSERT_NE(converted, nullptr);
    EXPECT_NE(std::strstr(converted, "photo-?.jpg"), nullptr) << converted;
    EXPECT_EQ(open_file(name.c_str(), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
#ifdef _WIN32
    ansi_fallback = 0;
    HANDLE file = open_file(name.c_str(), GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
#endif
    std::filesystem::remove_all(dir);
}

}  // namespace
