// The names a run writes under.
#include <gtest/gtest.h>

#include "driver/next_argument.h"
#include "driver/output_path.h"
#include "driver/written_outputs.h"
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

TEST(OutputPath, TemporaryNameFitsWhereverThePdfFits) {
    // Folder length, PDF name: the usual name where it fits, else one no
    // longer than the PDF's name, in the same folder, fresh each time.
    const std::pair<int, std::string> cases[] = {{4, "a.pdf"}, {238, "a.pdf"}, {239, "a.pdf"},
                                                 {255, "a.pdf"}, {250, "photo-1.pdf"}, {240, "p.pdf"}};
    for (const auto& [folder, name] : cases) {
        const std::string pdf = std::string(static_cast<size_t>(folder - 1), 'd') + "\\" + name;
        WCHAR first[PATH_BUFFER_UNITS], second[PATH_BUFFER_UNITS];
        ASSERT_TRUE(make_temporary_path(wide(pdf).c_str(), first)) << pdf.size();
        ASSERT_TRUE(make_temporary_path(wide(pdf).c_str(), second));
        const std::string a = narrow(first), b = narrow(second);
        EXPECT_NE(a, b);
        EXPECT_EQ(a.substr(0, static_cast<size_t>(folder)), pdf.substr(0, static_cast<size_t>(folder)));
        EXPECT_EQ(a[static_cast<size_t>(folder)], '~');
        EXPECT_LE(a.size(), folder + 21 <= 261 ? static_cast<size_t>(folder + 21) : pdf.size()) << pdf.size();
    }
}

TEST(OutputPath, WrittenIsTheSameFileNotTheSameIndex) {
    // A file index freed by another run's rename and taken by a new file is
    // another file: only volume, index and creation together match.
    WrittenOutputs written = {};
    const FileIdentity mine = {1, 5, 100, 0};
    remember_written(&written, &mine);
    const std::pair<FileIdentity, int> cases[] = {
        {mine, 1}, {{1, 5, 200, 0}, 0}, {{1, 6, 100, 0}, 0}, {{2, 5, 100, 0}, 0}};
    for (const auto& [identity, want] : cases) EXPECT_EQ(was_written(&written, &identity), want) << identity.index;
    release_written(&written);
}

}  // namespace
