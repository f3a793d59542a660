// The POSIX stand-in's text calls: code-page conversion, string table,
// message box and the command line handed to the core.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "posix/command_line.h"
#include "posix/names.h"
#include "posix/win32_posix.h"
#include "support.h"

namespace {

WideString to_wide(const char* text, int length = -1) {
    WCHAR out[64] = {};
    int n = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, length, out, 64);
    return WideString(out, static_cast<size_t>(n));
}

TEST(PosixText, MultiByteToWideCharDecodesUtf8AndReplacesInvalidInput) {
    EXPECT_EQ(to_wide("caf\xc3\xa9"), (WideString{u'c', u'a', u'f', 0xE9, 0}));
    EXPECT_EQ(to_wide("\xf0\x9f\x93\xb7", 4), (WideString{0xD83D, 0xDCF7}));
    // A stray continuation byte, a truncated sequence and an overlong form.
    EXPECT_EQ(to_wide("a\x80" "b", 3), (WideString{u'a', 0xFFFD, u'b'}));
    EXPECT_EQ(to_wide("\xe6\x97", 2), (WideString{0xFFFD, 0xFFFD}));
    EXPECT_EQ(to_wide("\xc0\xaf", 2), (WideString{0xFFFD, 0xFFFD}));
    // The edges of each range, as one valid value and its rejected neighbour;
    // a rejected sequence gives one U+FFFD per byte.
    const WCHAR R = 0xFFFD;
    const struct {
        const char* bytes;
        WideString units;
    } edges[] = {
        {"\xed\x9f\xbf", {0xD7FF}}, {"\xed\xa0\x80", {R, R, R}},        // U+D7FF, U+D800
        {"\xee\x80\x80", {0xE000}}, {"\xed\xbf\xbf", {R, R, R}},        // U+E000, U+DFFF
        {"\xf4\x8f\xbf\xbf", {0xDBFF, 0xDFFF}}, {"\xf4\x90\x80\x80", {R, R, R, R}},  // U+10FFFF, U+110000
        {"\xc2\x80", {0x80}}, {"\xc1\xbf", {R, R}},                   // shortest and overlong forms
        {"\xe0\xa0\x80", {0x800}}, {"\xe0\x9f\xbf", {R, R, R}},
        {"\xf0\x90\x80\x80", {0xD800, 0xDC00}}, {"\xf0\x8f\xbf\xbf", {R, R, R, R}},
    };
    for (const auto& edge : edges) {
        SCOPED_TRACE(::testing::PrintToString(std::string(edge.bytes)));
        EXPECT_EQ(to_wide(edge.bytes, int(std::strlen(edge.bytes))), edge.units);
    }
    // Size query, and a destination too small fails as on Windows.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    WCHAR small[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 2), 0);
}

TEST(PosixText, WideCharToMultiByteUsesDefaultCharForLoneSurrogates) {
    const WCHAR text[] = {u'x', 0xD800, u'y', 0xD83D, 0xDCF7, 0};
    char out[16] = {};
    BOOL used = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, &used);
    EXPECT_EQ(n, 8);
    EXPECT_STREQ(out, "x?y\xf0\x9f\x93\xb7");
    EXPECT_TRUE(used);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr), 8);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 7, nullptr, nullptr), 0);
}

TEST(PosixText, LoadStringCutsToCapacityAndTerminates) {
    WCHAR wide_text[32];
    EXPECT_EQ(LoadStringW(nullptr, 104, wide_text, 32), 13);
    EXPECT_EQ(WideString(wide_text), wide("data\\sRGB.icc"));
    EXPECT_EQ(LoadStringW(nullptr, 103, wide_text, 4), 3);
    EXPECT_EQ(WideString(wide_text), wide("Kes"));
    char ansi[32];
    EXPECT_EQ(LoadStringA(nullptr, 106, ansi, 32), 14);
    EXPECT_STREQ(ansi, "data\\sCMYK.icc");
    EXPECT_EQ(LoadStringA(nullptr, 105, ansi, 5), 4);
    EXPECT_STREQ(ansi, "data");
    EXPECT_EQ(LoadStringW(nullptr, 999, wide_text, 32), 0);
}

TEST(PosixText, MessageBoxIsOneLineOnStandardError) {
    ::testing::internal::CaptureStderr();
    int result = MessageBoxW(nullptr, wide("pics\\photo.jpg").c_str(),
                             wide("Kestrel Error").c_str(), MB_OK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Kestrel Error: pics/photo.jpg\n");
    EXPECT_EQ(result, IDOK);
}

// Names are bytes: each comes back from its Windows form exactly, holds no
// quote or backslash the tokenizer would act on, and shows as a UTF-8
// terminal shows it (U+FFFD for a byte that is not UTF-8).
TEST(PosixText, NamesRoundTripAndShowAsTyped) {
    // Every byte that is not ASCII, none of them UTF-8 in this order.
    std::string high_bytes, high_shown;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        high_bytes += static_cast<char>(byte), high_shown += "\xef\xbf\xbd";
    const std::pair<std::string, std::string> names[] = {
        {"plain.jpg", "plain.jpg"},
        {"caf\xe9.jpg", "caf\xef\xbf\xbd.jpg"},
        {"scan\\1.jpg", "scan\\1.jpg"},
        {"x\"y.jpg", "x\"y.jpg"},
        {"\"q.jpg", "\"q.jpg"},
        {"a \"b.jpg", "a \"b.jpg"},
        {"", ""},
        {"\xf0\x9f\x93\xb7 \xe6\x97\xa5.jpg", "\xf0\x9f\x93\xb7 \xe6\x97\xa5.jpg"},
        // An encoded surrogate is not UTF-8; a real character of the escape
        // block travels as its bytes, so it cannot be mistaken for an escape.
        {"\xed\xa0\x80.jpg", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd.jpg"},
        {"\xef\x80\xa2.jpg", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd.jpg"},
        {high_bytes + ".jpg", high_shown + ".jpg"},
    };
    for (const auto& [bytes, shown] : names) {
        std::u16string text = posix_name_to_wide(bytes.data(), bytes.size());
        EXPECT_EQ(posix_native_path(text.c_str()), bytes);
        EXPECT_FALSE(text.empty()) << "the empty name must still be a token";
        EXPECT_EQ(text.find_first_of(u"\"\\"), std::u16string::npos) << bytes;
        name_as_shown(text.data());
        EXPECT_EQ(WideString(text.c_str()), wide(shown)) << bytes;
    }
    // Folders: '/' is the core's separator '\' and comes back as '/'.
    std::u16string path = posix_name_to_wide("pics/a\\b.jpg", 12);
    EXPECT_EQ(path.substr(0, 6), u"pics\\a");
    EXPECT_EQ(posix_native_path(path.c_str()), "pics/a\\b.jpg");
}

TEST(PosixText, CommandLineQuotesOnlyTokensWithBlanks) {
    std::string args[] = {"kestrel", "pics/a.jpg", "my photos/b.jpg", "x\"y.jpg", ""};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    posix_build_command_line(int(argv.size()), argv.data());
    WideString line(GetCommandLineW());
    // The first token is this program's absolute path, in Windows form.
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line[0], u'\\');
    WideString rest = wide(" pics\\a.jpg \"my photos\\b.jpg\" x") + WideString{0xF022} +
                      wide("y.jpg ") + WideString{0xF000};
    ASSERT_GE(line.size(), rest.size());
    EXPECT_EQ(line.substr(line.size() - rest.size()), rest);
    EXPECT_EQ(line.find(u'/'), WideString::npos);
}

}  // namespace
