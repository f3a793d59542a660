// The names a run writes under.
#include <gtest/gtest.h>

#include "driver/next_argument.h"
#include "driver/output_path.h"
#include "support.h"

namespace {

std::string output_for(const std::string& argument) {
    WCHAR output[PATH_BUFFER_UNITS];
    return make_output_path(wide(argument).c_str(), output) ? narrow(output) : "(does not fit)";
}

TEST(OutputPath, ReplacesTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(output_for("a.b.jpg"), "a.b.pdf");
    EXPECT_EQ(output_for("photo"), "photo.pdf");
    EXPECT_EQ(output_for("D:\\scans.2003\\photo"), "D:\\scans.2003\\photo.pdf");
    EXPECT_EQ(output_for("photo."), "photo.pdf");
    EXPECT_EQ(output_for("D:\\My Photos\\a.jpg"), "D:\\My Photos\\a.pdf");
    EXPECT_EQ(output_for("pics/photo.jpeg"), "pics/photo.pdf");  // only '\' separates
}

TEST(OutputPath, MustFitTheBuffer) {
    // 257 units before the dot leave room for ".pdf" and the terminating zero.
    EXPECT_EQ(output_for(std::string(257, 'a') + ".jpg"), std::string(257, 'a') + ".pdf");
    EXPECT_EQ(output_for(std::string(258, 'a') + ".jpg"), "(does not fit)");
    EXPECT_EQ(output_for(std::string(258, 'a')), "(does not fit)");
}

}  // namespace
