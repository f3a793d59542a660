// Tests for taking wide paths apart and for the ASCII-only extension comparison.
#include <gtest/gtest.h>

#include "platform/path.h"
#include "support.h"

namespace {

struct PathCase {
    const char* path;
    size_t file_name_at;  // offset of the file-name part
    size_t extension_at;  // offset of the extension's dot, or of the terminator
};

const PathCase path_cases[] = {
    {"C:\\photos\\holiday.jpg", 10, 17},
    {"C:photo.jpg", 0, 7},             // the drive colon does not separate
    {"photos/a.jpg", 0, 8},            // neither does a slash
    {"D:\\photos\\", 10, 10},          // empty file name: the terminator
    {"a.b.jpg", 0, 3},                 // the last dot
    {"D:\\scans.2003\\photo", 14, 19}, // a dot in a folder never counts
    {"photo", 0, 5},
    {"photo.", 0, 5},                  // an extension of the dot alone
    {".icc", 0, 0},
    {"", 0, 0},
    {"\\\\server\\share\\x.icm", 15, 16},
    {"a\\\\b.pdf", 3, 4},
};

TEST(Path, FileNameAndExtensionPointIntoTheGivenString) {
    for (const PathCase& c : path_cases) {
        WideString path = wide(c.path);
        const WCHAR* start = path.c_str();
        EXPECT_EQ(path_file_name(start), start + c.file_name_at) << c.path;
        EXPECT_EQ(path_extension(start), start + c.extension_at) << c.path;
        // The mutable overloads give the same positions, writable in place.
        WCHAR* writable = &path[0];
        EXPECT_EQ(path_file_name(writable), writable + c.file_name_at) << c.path;
        EXPECT_EQ(path_extension(writable), writable + c.extension_at) << c.path;
    }
    const WCHAR* none = nullptr;
    EXPECT_TRUE(path_file_name(none) == nullptr && path_extension(none) == nullptr);
    WCHAR* none_writable = nullptr;
    EXPECT_TRUE(path_file_name(none_writable) == nullptr && path_extension(none_writable) == nullptr);
}

TEST(Path, ExtensionComparisonFoldsOnlyAsciiLetters) {
    const struct {
        const char *a, *b;
        bool same;
    } cases[] = {
        {".jpg", ".JPG", true}, {".JpEg", ".jPeG", true}, {"", "", true},
        // Whole strings: a prefix is not a match, either way round.
        {".jpg", ".jpeg", false}, {".jpeg", ".jpg", false}, {".jpg", "", false},
        // Neighbours of A-Z and a-z differ by the same 0x20 but are not letters.
        {"@", "`", false}, {"[", "{", false}, {"^", "~", false},
        // Letters beyond ASCII keep their case, whatever the locale says.
        {"\xC3\x89", "\xC3\xA9", false}, {".jpg", ".jp\xC5\x87", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(same_text_ignoring_ascii_case(wide(c.a).c_str(), wide(c.b).c_str()), c.same)
            << c.a << " / " << c.b;
    EXPECT_TRUE(same_text_ignoring_ascii_case(nullptr, nullptr));
    EXPECT_FALSE(same_text_ignoring_ascii_case(WIDE(".jpg"), nullptr));
    EXPECT_FALSE(same_text_ignoring_ascii_case(nullptr, WIDE(".jpg")));
}

}  // namespace
