// Converting one image: the profile choice, the page and content stream, the
// copied JPEG, and what is left on disk when something fails.
#include <gtest/gtest.h>

#include "builders.h"
#include "driver/convert_image.h"
#include "support.h"

namespace {

struct ConvertImage : ::testing::Test {
    std::filesystem::path dir = make_temp_dir("convert");
    ProfileBlock gray_block = profile_block(described_profile("Gray slot", "GRAY"));
    ProfileBlock rgb_block = profile_block(described_profile("RGB slot", "RGB "));
    ProfileBlock cmyk_block = profile_block(described_profile("CMYK slot", "CMYK"));
    const IccProfile* gray = gray_block.get();
    const IccProfile* rgb = rgb_block.get();
    const IccProfile* cmyk = cmyk_block.get();
    const IccProfile* slots[3] = {gray, rgb, cmyk};  // as the run hands them over
    void TearDown() override { std::filesystem::remove_all(dir); }
    int convert_to(const std::filesystem::path& output, const std::string& name, uint32_t flags = 0) {
        ConvertSettings settings = {};
        settings.flags = flags;
        for (int i = 0; i < PROFILE_SLOTS; ++i) settings.profiles[i] = const_cast<IccProfile*>(slots[i]);
        PdfWriter writer = {};
        return convert_image(&writer, wide_path(dir / name).c_str(), wide_path(output).c_str(), &settings, nullptr);
    }
    // Converts `jpeg` saved as `name`; the PDF text, or "" when it failed.
    std::string convert(const std::string& name, const std::string& jpeg, uint32_t flags = 0) {
        write_file(dir / name, jpeg);
        return convert_to(dir / "out.pdf", name, flags) ? read_file(dir / "out.pdf") : "";
    }
};

// The ASCII text of the information dictionary's subject.
std::string subject_of(const std::string& pdf) {
    size_t at = pdf.find("/Subject (\xFE\xFF");
    if (at == std::string::npos) return "(none)";
    std::string text;
    for (size_t i = at + 12; i + 1 < pdf.size() && pdf[i] != ')'; i += 2) text += pdf[i + 1];
    return text;
}

TEST_F(ConvertImage, SlotsAreMatchedByComponentCountInGrayRgbCmykOrder) {
    EXPECT_EQ(subject_of(convert("g.jpg", jpeg_file(1, 8, 8))), "Gray slot");
    EXPECT_EQ(subject_of(convert("c.jpg", jpeg_file(3, 8, 8))), "RGB slot");
    EXPECT_EQ(subject_of(convert("k.jpg", jpeg_file(4, 8, 8))), "CMYK slot");
    // No match: no subject, no default colour space, no profile object.
    std::string pdf = convert("two.jpg", jpeg_file(2, 8, 8));
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(subject_of(pdf), "(none)");
    EXPECT_EQ(pdf.find("/ColorSpace <<"), std::string::npos);
    EXPECT_NE(pdf.find("6 0 obj\r<<\r/Type /XObject"), std::string::npos);
    // An RGB profile sitting in the gray slot serves an RGB image, before the RGB slot's own.
    ProfileBlock second_rgb = profile_block(described_profile("Second RGB"));
    slots[0] = rgb;
    slots[1] = second_rgb.get();
    pdf = convert("c.jpg", jpeg_file(3, 8, 8));
    EXPECT_EQ(subject_of(pdf), "RGB slot");
    EXPECT_NE(pdf.find("/DefaultRGB [ /ICCBased 4 0 R ]"), std::string::npos);
}

TEST_F(ConvertImage, EmbeddedProfileWinsUnlessItsColourSpaceIsUnknown) {
    std::string embedded = described_profile("Embedded");
    std::string pdf = convert("e.jpg", jpeg_file(3, 8, 8, icc_chunk(1, 1, embedded)));
    EXPECT_EQ(subject_of(pdf), "Embedded");
    EXPECT_NE(pdf.find("<< /N 3 /Length " + std::to_string(embedded.size()) + " >>\rstream\r\n" +
                       embedded + "\rendstream"),
              std::string::npos);
    // Used whatever its colour space, even against the image's components...
    pdf = convert("e.jpg", jpeg_file(1, 8, 8, icc_chunk(1, 1, embedded)));
    EXPECT_EQ(subject_of(pdf), "Embedded");
    // ...but a Lab profile cannot be named in a PDF: the slots decide.
    pdf = convert("lab.jpg", jpeg_file(3, 8, 8, icc_chunk(1, 1, described_profile("Lab", "Lab "))));
    EXPECT_EQ(subject_of(pdf), "RGB slot");
    EXPECT_EQ(pdf.find("/N 0"), std::string::npos);
}

TEST_F(ConvertImage, PageAndContentStreamFollowTheResolution) {
    slots[0] = slots[1] = slots[2] = nullptr;
    std::string jpeg = jpeg_file(3, 612, 792);
    std::string pdf = convert("letter.jpg", jpeg);
    const std::string content = "5 0 obj\r<< /Length 36 >>\rstream\r\n"
                                "q 612.00 0 0 792.00 0 0 cm /Im0 Do Q\rendstream\rendobj\r";
    EXPECT_NE(pdf.find(content), std::string::npos);
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 612.00 792.00 ]"), std::string::npos);
    // The image object holds the JPEG file unchanged and is the last object.
    std::string image = "6 0 obj\r<<\r/Type /XObject\r/Subtype /Image\r/Width 612 /Height 792\r"
                        "/BitsPerComponent 8\r/ColorSpace /DeviceRGB\r/Filter /DCTDecode\r"
                        "/Length " + std::to_string(jpeg.size()) + "\r>>\rstream\r\n" + jpeg +
                        "\rendstream\rendobj\rxref\r0 7\r";
    EXPECT_NE(pdf.find(image), std::string::npos);
    // 640 x 480 at 300 dpi is 153.6 x 115.2 points; title and label are the file name.
    pdf = convert("IMG_0001.JPG", jpeg_file(1, 640, 480, jfif(1, 300, 300)));
    EXPECT_NE(pdf.find("q 153.60 0 0 115.20 0 0 cm /Im0 Do Q"), std::string::npos);
    EXPECT_NE(pdf.find("/Title (\xFE\xFF" + std::string("\0I\0M\0G\0_\0000\0000\0000\0001\0.\0J\0P\0G", 24) + ")"),
              std::string::npos);
    EXPECT_NE(pdf.find("0 << /P (\xFE\xFF" + std::string("\0I\0M\0G", 6)), std::string::npos);
}

// --auto-orient turns the page for EXIF orientations 2-8 only; every other
// conversion keeps the unturned page and stream, byte for byte.
TEST_F(ConvertImage, AutoOrientTurnsOnlyWhenAskedAndGiven) {
    const std::string plain = "/MediaBox [ 0 0 612.00 792.00 ]|q 612.00 0 0 792.00 0 0 cm /Im0 Do Q";
    struct Case {
        const char* what;
        std::string headers;
        uint32_t flags;
        std::string page;  // MediaBox and content stream
    } cases[] = {
        {"not asked", exif_orientation(6), 0, plain},
        {"no EXIF", "", CONVERT_AUTO_ORIENT, plain},
        {"orientation 1", exif_orientation(1), CONVERT_AUTO_ORIENT, plain},
        {"orientation 0, as phones write", exif_orientation(0), CONVERT_AUTO_ORIENT, plain},
        {"orientation 9", exif_orientation(9, false), CONVERT_AUTO_ORIENT, plain},
        {"orientation 6", exif_orientation(6, false), CONVERT_AUTO_ORIENT,
         "/MediaBox [ 0 0 792.00 612.00 ]|q 0 -612.00 792.00 0 0 612.00 cm /Im0 Do Q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string pdf = convert("p.jpg", jpeg_file(3, 612, 792, c.headers), c.flags);
        size_t box = pdf.find("/MediaBox"), content = pdf.find("q ");
        ASSERT_TRUE(box != std::string::npos && content != std::string::npos);
        EXPECT_EQ(pdf.substr(box, pdf.find(']', box) + 1 - box) + "|" +
                      pdf.substr(content, pdf.find(" Q", content) + 2 - content),
                  c.page);
    }
    // A side that would print as 0.00 (readers show a blank Letter page) is
    // refused; the smallest page that prints is mirrored with no "-0.00".
    EXPECT_EQ(convert("t.jpg", jpeg_file(3, 1, 1, jfif(1, 65535, 65535) + exif_orientation(3)), CONVERT_AUTO_ORIENT),
              "");
    std::string tiny = convert("t.jpg", jpeg_file(3, 1, 1, jfif(1, 7200, 7200) + exif_orientation(3)),
                               CONVERT_AUTO_ORIENT);
    EXPECT_NE(tiny.find("/MediaBox [ 0 0 0.01 0.01 ]"), std::string::npos);
    EXPECT_EQ(tiny.find("-0.00"), std::string::npos);
}

TEST_F(ConvertImage, FailuresLeaveNoOutputOrAnUnfinishedOne) {
    // Not a JPEG name, or a JPEG name without a frame: nothing is created.
    EXPECT_EQ(convert("photo.png", jpeg_file(3, 8, 8)), "");
    EXPECT_EQ(convert("empty.jpg", std::string("\xFF\xD8\xFF\xD9", 4)), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.pdf"));
    // The output cannot be created.
    write_file(dir / "a.jpg", jpeg_file(3, 8, 8));
    EXPECT_EQ(convert_to(dir / "no-such-folder" / "a.pdf", "a.jpg"), 0);
#ifndef _WIN32
    // Created, but the disk is full: nothing is left under the PDF's name or
    // beside it, and an older PDF of that name stays as it was.
    write_file(dir / "a.pdf", "an older PDF");
    limit_file_size(0);
    EXPECT_EQ(convert_to(dir / "a.pdf", "a.jpg"), 0);
    limit_file_size(-1);
    EXPECT_EQ(read_file(dir / "a.pdf"), "an older PDF");
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().rfind("~kestrel-", 0), std::string::npos) << entry.path();
#endif
    // After a failure the next conversion starts afresh.
    EXPECT_NE(convert("ok.jpg", jpeg_file(3, 8, 8)), "");
}

}  // namespace
