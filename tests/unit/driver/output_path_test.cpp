// The names a run writes under.
#include <gtest/gtest.h>

#include "driver/cli/next_argument.h"
#include "driver/outputs/output_path.h"
#include "driver/outputs/written_outputs.h"
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
    // The usual name where it fits, else one no longer than the PDF's name;
    // in the PDF's folder, fresh each time.
    for (const auto& [folder, name] : {std::pair<size_t, std::string>{4, "a.pdf"}, {239, "a.pdf"}, {255, "a.pdf"},
                                       {250, "photo-1.pdf"}, {240, "p.pdf"}}) {
        const std::string pdf = std::string(folder - 1, 'd') + "\\" + name;
        WCHAR first[PATH_BUFFER_UNITS], second[PATH_BUFFER_UNITS];
        ASSERT_TRUE(make_temporary_path(wide(pdf).c_str(), first) && make_temporary_path(wide(pdf).c_str(), second));
        const std::string a = narrow(first);
        EXPECT_TRUE(a != narrow(second) && a.compare(0, folder, pdf, 0, folder) == 0 && a[folder] == '~') << a;
        EXPECT_LE(a.size(), folder + 21 <= 261 ? folder + 21 : pdf.size()) << pdf.size();
    }
}

TEST(OutputPath, WrittenIsTheSameFileNotTheSameIndex) {
    // A file index freed by another run's rename and taken by a new file is
    // another file: only volume, index and creation together match.
    WrittenOutputs written = {};
    const FileIdentity mine = {1, 5, 100, 0};
    remember_written(&written, &mine);
    for (const auto& [identity, want] : {std::pair<FileIdentity, int>{mine, 1}, {{1, 5, 200, 0}, 0}, {{1, 6, 100, 0}, 0}})
        EXPECT_EQ(was_written(&written, &identity), want) << identity.index;
    release_written(&written);
}

}  // namespace
