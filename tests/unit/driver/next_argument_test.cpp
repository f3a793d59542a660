// The command-line tokenizer.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/cli/next_argument.h"
#include "support.h"

namespace {

// Every argument the tokenizer yields, in UTF-8 for readable failures.
std::vector<std::string> split(const std::string& line) {
    WideString text = wide(line);
    const WCHAR* cursor = text.c_str();
    WCHAR token[PATH_BUFFER_UNITS];
    std::vector<std::string> out;
    while (next_argument(&cursor, token, nullptr) != nullptr) out.push_back(narrow(token));
    return out;
}

using Args = std::vector<std::string>;

TEST(NextArgument, QuotesBlanksAndTabs) {
    EXPECT_EQ(split("\"E:\\Program Files\\Conv\\conv.exe\" \"D:\\My Photos\\a.jpg\" b.JPEG"),
              (Args{"E:\\Program Files\\Conv\\conv.exe", "D:\\My Photos\\a.jpg", "b.JPEG"}));
    // A closing quote ends the token even with no blank after it.
    EXPECT_EQ(split("\"x y\"z"), (Args{"x y", "z"}));
    // A quote inside an unquoted token is an ordinary character.
    EXPECT_EQ(split("x\"y z\""), (Args{"x\"y", "z\""}));
    EXPECT_EQ(split("\ta\tb   c  "), (Args{"\ta\tb", "c"}));  // only blanks separate
    EXPECT_EQ(split("   "), Args{});
    // No escapes: backslashes stay as they are.
    EXPECT_EQ(split("C:\\dir\\ \\\\server"), (Args{"C:\\dir\\", "\\\\server"}));
    // An unterminated quote takes the rest.
    EXPECT_EQ(split("a \"b c d"), (Args{"a", "b c d"}));
}

TEST(NextArgument, EmptyQuotedArgumentEndsTheList) {
    EXPECT_EQ(split("a.jpg \"\" b.jpg p.icc"), Args{"a.jpg"});
    EXPECT_EQ(split("a.jpg \""), Args{"a.jpg"});
    WideString text = wide("a \"\" b");
    const WCHAR* cursor = text.c_str();
    WCHAR token[PATH_BUFFER_UNITS];
    ASSERT_NE(next_argument(&cursor, token, nullptr), nullptr);
    const WCHAR* before = cursor;
    EXPECT_EQ(next_argument(&cursor, token, nullptr), nullptr);
    EXPECT_EQ(cursor, before);  // the cursor is not moved by the ending token
}

TEST(NextArgument, OverLongArgumentIsCutAndFlagged) {
    // 261 units fit with the terminating zero; 262, one more, no longer do.
    const std::string longest(PATH_BUFFER_UNITS - 1, 'x'), one_over(PATH_BUFFER_UNITS, 'z');
    const std::string longer(300, 'y'), cut(PATH_BUFFER_UNITS - 1, 'y');
    WideString text = wide(longest + " " + one_over + " " + longer + " \"" + longer + "\"next.jpg");
    const WCHAR* cursor = text.c_str();
    WCHAR token[PATH_BUFFER_UNITS];
    // The argument after a long one still starts after the whole of it.
    const std::pair<std::string, int> expected[] = {
        {longest, 0}, {one_over.substr(1), 1}, {cut, 1}, {cut, 1}, {"next.jpg", 0}};
    for (const auto& e : expected) {
        int too_long = -1;
        ASSERT_NE(next_argument(&cursor, token, &too_long), nullptr);
        EXPECT_EQ(narrow(token), e.first);
        EXPECT_EQ(too_long, e.second);
    }
}

}  // namespace
