// The image XObject: the JPEG copied unchanged, colour space, soft mask, the external
// form, and every way the image can be refused before its object begins.
#include <gtest/gtest.h>

#include "builders.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_image.h"
#include "pdf/pdf_writer.h"
#include "support.h"

namespace {

struct PdfImage : ::testing::Test {
    std::filesystem::path dir = make_temp_dir("pdf-image");
    PageSpec page{};
    DocumentSpec document{};
    WideString output = wide_path(dir / "out.pdf");
    WideString title = wide("t");
    PdfWriter writer = {};
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Begins a one-page document and writes its content stream: the image
    // comes next, as object 6.
    void begin() {
        std::filesystem::remove(dir / "out.pdf");  // the document is created new
        document.output_path = output.c_str();
        document.title = title.c_str();
        document.page_count = 1;
        document.image_count = 1;
        document.shared_page = 1;
        document.pages = &page;
        page.width_pt = page.height_pt = 10;
        ASSERT_TRUE(pdf_begin_document(&writer, &document));
        ASSERT_TRUE(pdf_write_stream_object(&writer, "<< /Length %ld >>", "q Q", 3));
        ASSERT_EQ(writer.next_object, 6);
    }
    // The photo opened and scanned as the run does, then written; -1 when it
    // never reaches the writer.
    int write_image(const std::string& name, int32_t smask = 0, int external = 0) {
        WideString path = wide_path(dir / name);
        OpenJpeg jpeg;
        if (!open_jpeg(path.c_str(), &jpeg, nullptr, nullptr)) return -1;
        int written = pdf_write_image(&writer, path.c_str(), &jpeg, smask, external);
        close_jpeg(&jpeg);
        return written;
    }
    // The text of the object written for `jpeg` (from its header to "\rendobj\r").
    std::string image_object(const std::string& name, int32_t smask = 0, int external = 0) {
        begin();
        int64_t start = writer.bytes_written;
        EXPECT_EQ(write_image(name, smask, external), 1);
        EXPECT_EQ(writer.next_object, 7);
        int64_t end = writer.bytes_written;
        pdf_end_document(&writer);
        return read_file(dir / "out.pdf").substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
    }
};

TEST_F(PdfImage, CopiesTheFileUnchangedWhateverItsSizeInBlocks) {
    for (size_t size : {1000u, 1024u, 513u, 40u}) {
        std::string jpeg = jpeg_file(3, 640, 480, "", size);
        ASSERT_EQ(jpeg.size(), size);
        write_file(dir / "a.jpg", jpeg);
        EXPECT_EQ(image_object("a.jpg"),
                  "6 0 obj\r<<\r/Type /XObject\r/Subtype /Image\r/Width 640 /Height 480\r"
                  "/BitsPerComponent 8\r/ColorSpace /DeviceRGB\r/Filter /DCTDecode\r/Length " +
                      std::to_string(size) + "\r>>\rstream\r\n" + jpeg + "\rendstream\rendobj\r")
            << size;
    }
}

TEST_F(PdfImage, ColourSpaceFollowsTheComponents) {
    write_file(dir / "g.jpg", jpeg_file(1, 3, 2));
    EXPECT_NE(image_object("g.jpg").find("/ColorSpace /DeviceGray\r/Filter"), std::string::npos);
    write_file(dir / "k.jpg", jpeg_file(4, 3, 2));
    EXPECT_NE(image_object("k.jpg").find("/ColorSpace /DeviceCMYK /Decode [ 1 0 1 0 1 0 1 0 ]\r/Filter"),
              std::string::npos);
    write_file(dir / "two.jpg", jpeg_file(2, 3, 2));
    EXPECT_NE(image_object("two.jpg").find("/ColorSpace /DeviceRGB\r"), std::string::npos);
}

TEST_F(PdfImage, SoftMaskNamesTheObjectAtItsOffset) {
    write_file(dir / "a.jpg", jpeg_file(3, 3, 2));
    EXPECT_NE(image_object("a.jpg", 1).find("/DeviceRGB\r/SMask 7 0 R\r/Filter /DCTDecode\r"),
              std::string::npos);
    EXPECT_NE(image_object("a.jpg", -2).find("/SMask 4 0 R\r"), std::string::npos);
    EXPECT_EQ(image_object("a.jpg", 0).find("/SMask"), std::string::npos);
}

TEST_F(PdfImage, ExternalFormNamesTheFileAndEscapesDelimiters) {
    std::filesystem::create_directory(dir / "IMG (1)");
    write_file(dir / "IMG (1)" / "x.jpg", jpeg_file(1, 3, 2));
    write_file(dir / "a(b)c.jpg", jpeg_file(1, 3, 2));
    EXPECT_EQ(image_object("a(b)c.jpg", 0, 1),
              "6 0 obj\r<<\r/Type /XObject\r/Subtype /Image\r/Width 3 /Height 2\r"
              "/BitsPerComponent 8\r/ColorSpace /DeviceGray\r/F (a\\(b\\)c.jpg)\r"
              "/FFilter /DCTDecode\r/Length 0\r>>\rstream\rendstream\rendobj\r");
    EXPECT_NE(image_object("IMG (1)/x.jpg", 0, 1).find("/F (x.jpg)\r"), std::string::npos);
}

TEST_F(PdfImage, RefusedImagesBeginNoObject) {
    write_file(dir / "noframe.jpg", "\xFF\xD8\xFF\xD9");
    write_file(dir / "photo.png", jpeg_file(3, 3, 2));
    // 2 GiB and more: sparse files, the header real, the rest costing no space.
    for (const char* name : {"2gib.jpg", "4gib.jpg"}) write_file(dir / name, jpeg_file(3, 3, 2));
    std::filesystem::resize_file(dir / "2gib.jpg", 0x80000000u);
    std::filesystem::resize_file(dir / "4gib.jpg", (uintmax_t{1} << 32) + 1000);
    for (const char* name : {"missing.jpg", "noframe.jpg", "photo.png"}) EXPECT_EQ(write_image(name), -1) << name;
    for (const char* name : {"2gib.jpg", "4gib.jpg"}) {
        begin();
        int64_t before = writer.bytes_written;
        EXPECT_EQ(write_image(name), 0) << name;
        EXPECT_EQ(writer.ok, 0);
        EXPECT_EQ(writer.bytes_written, before);
        EXPECT_EQ(writer.next_object, 6);
        EXPECT_EQ(pdf_end_document(&writer), 0);
        EXPECT_EQ(read_file(dir / "out.pdf").find("xref"), std::string::npos);
    }
    // Once the writer has failed, the image is not even looked at.
    write_file(dir / "a.jpg", jpeg_file(3, 3, 2));
    begin();
    writer.ok = 0;
    int64_t before = writer.bytes_written;
    EXPECT_EQ(write_image("a.jpg"), 0);
    EXPECT_EQ(writer.bytes_written, before);
    pdf_end_document(&writer);
}

}  // namespace
