// Converting one image: the profile choice, the page and content stream, the
// copied JPEG, and what is left on disk when something fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "driver/driver.h"
#include "driver_fixtures.h"
#include "icc/icc.h"
#include "support.h"

namespace {

IccProfile* profile_of(const std::string& bytes) {
    IccProfile* profile = icc_allocate(static_cast<uint32_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), icc_bytes(profile));
    return profile;
}

struct ConvertImage : ::testing::Test {
    std::filesystem::path dir = make_temp_dir("convert");
    IccProfile* gray = profile_of(make_profile("GRAY", "Gray slot"));
    IccProfile* rgb = profile_of(make_profile("RGB ", "RGB slot"));
    IccProfile* cmyk = profile_of(make_profile("CMYK", "CMYK slot"));
    ~ConvertImage() override {
        free(gray);
        free(rgb);
        free(cmyk);
    }
    // Converts `jpeg` saved as `name`; the PDF text, or "" when it failed.
    std::string convert(const std::string& name, const std::string& jpeg,
                        const IccProfile* g, const IccProfile* r, const IccProfile* c) {
        write_file(dir / name, jpeg);
        WideString out = wide_path(dir / "out.pdf");
        if (!convert_image(wide_path(dir / name).c_str(), out.c_str(), g, r, c)) return "";
        return read_file(dir / "out.pdf");
    }
};

std::string subject_of(const std::string& pdf) {
    std::smatch m;
    std::string target = pdf;
    if (!std::regex_search(target, m, std::regex("/Subject \\(\xFE\xFF([^)]*)\\)"))) return "(none)";
    std::string text;
    for (size_t i = 1; i < m[1].str().size(); i += 2) text += m[1].str()[i];
    return text;
}

TEST_F(ConvertImage, SlotsAreMatchedByComponentCountInGrayRgbCmykOrder) {
    EXPECT_EQ(subject_of(convert("g.jpg", make_jpeg(1, 8, 8), gray, rgb, cmyk)), "Gray slot");
    EXPECT_EQ(subject_of(convert("c.jpg", make_jpeg(3, 8, 8), gray, rgb, cmyk)), "RGB slot");
    EXPECT_EQ(subject_of(convert("k.jpg", make_jpeg(4, 8, 8), gray, rgb, cmyk)), "CMYK slot");
    // An RGB profile sitting in the gray slot still serves an RGB image.
    std::string pdf = convert("c.jpg", make_jpeg(3, 8, 8), rgb, nullptr, nullptr);
    EXPECT_EQ(subject_of(pdf), "RGB slot");
    EXPECT_NE(pdf.find("/DefaultRGB [ /ICCBased 4 0 R ]"), std::string::npos);
    // No match: no subject, no default colour space, no profile object.
    pdf = convert("two.jpg", make_jpeg(2, 8, 8), gray, rgb, cmyk);
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(subject_of(pdf), "(none)");
    EXPECT_EQ(pdf.find("/ColorSpace <<"), std::string::npos);
    EXPECT_NE(pdf.find("6 0 obj\r<<\r/Type /XObject"), std::string::npos);
}

TEST_F(ConvertImage, EmbeddedProfileWinsUnlessItsColourSpaceIsUnknown) {
    std::string embedded = make_profile("RGB ", "Embedded");
    std::string pdf = convert("e.jpg", make_jpeg(3, 8, 8, 0, 1, 1, embedded), gray, rgb, cmyk);
    EXPECT_EQ(subject_of(pdf), "Embedded");
    EXPECT_NE(pdf.find("<< /N 3 /Length " + std::to_string(embedded.size()) + " >>\rstream\r\n" +
                       embedded + "\rendstream"),
              std::string::npos);
    // Used whatever its colour space, even against the image's components...
    pdf = convert("e.jpg", make_jpeg(1, 8, 8, 0, 1, 1, embedded), gray, rgb, cmyk);
    EXPECT_EQ(subject_of(pdf), "Embedded");
    // ...but a Lab profile cannot be named in a PDF: the slots decide.
    pdf = convert("lab.jpg", make_jpeg(3, 8, 8, 0, 1, 1, make_profile("Lab ", "Lab")), gray, rgb,
                  cmyk);
    EXPECT_EQ(subject_of(pdf), "RGB slot");
    EXPECT_EQ(pdf.find("/N 0"), std::string::npos);
}

TEST_F(ConvertImage, PageAndContentStreamFollowTheResolution) {
    std::string jpeg = make_jpeg(3, 612, 792);
    std::string pdf = convert("letter.jpg", jpeg, nullptr, nullptr, nullptr);
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
    pdf = convert("IMG_0001.JPG", make_jpeg(1, 640, 480, 1, 300, 300), nullptr, nullptr, nullptr);
    EXPECT_NE(pdf.find("q 153.60 0 0 115.20 0 0 cm /Im0 Do Q"), std::string::npos);
    EXPECT_NE(pdf.find("/Title (\xFE\xFF" + std::string("\0I\0M\0G\0_\0000\0000\0000\0001\0.\0J\0P\0G", 24) + ")"),
              std::string::npos);
    EXPECT_NE(pdf.find("0 << /P (\xFE\xFF" + std::string("\0I\0M\0G", 6)), std::string::npos);
}

TEST_F(ConvertImage, FailuresLeaveNoOutputOrAnUnfinishedOne) {
    // Not a JPEG name: nothing is created.
    EXPECT_EQ(convert("photo.png", make_jpeg(3, 8, 8), gray, rgb, cmyk), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.pdf"));
    // A JPEG name without a frame: nothing is created either.
    EXPECT_EQ(convert("empty.jpg", std::string("\xFF\xD8\xFF\xD9", 4), gray, rgb, cmyk), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.pdf"));
    // The output cannot be created.
    write_file(dir / "a.jpg", make_jpeg(3, 8, 8));
    WideString missing = wide_path(dir / "no-such-folder" / "a.pdf");
    EXPECT_EQ(convert_image(wide_path(dir / "a.jpg").c_str(), missing.c_str(), gray, rgb, cmyk), 0);
#ifndef _WIN32
    // Created, but the first write fails: the output is closed all the same,
    // so it can be opened again at once (files are never shared).
    WideString full = wide("\\dev\\full");
    EXPECT_EQ(convert_image(wide_path(dir / "a.jpg").c_str(), full.c_str(), gray, rgb, cmyk), 0);
    HANDLE again = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
#endif
    // After a failure the next conversion starts afresh.
    EXPECT_NE(convert("ok.jpg", make_jpeg(3, 8, 8), gray, rgb, cmyk), "");
}

}  // namespace
