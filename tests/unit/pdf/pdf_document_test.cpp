// Tests of the document skeleton: the object plan in every document shape, the
// objects' exact text, the date, external checkers and failing output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

#include "pdf/pdf_date.h"
#include "pdf/pdf_merged.h"
#include "pdf/pdf_writer.h"
#include "pdf_test_support.h"

namespace {

struct Shape {
    const char* name;
    uint32_t font_flags;
    int32_t page_count;
    int32_t image_count;
    int shared_page;
    const char* profile_space;  // null: no profile
    bool subject;
    // What the document then holds: its object count, and the object numbers of
    // the page tree, the profile (0: none) and the first page, content and image.
    int32_t objects = 0, tree = 0, profile = 0, first_page = 0, first_content = 0, first_image = 0;
};

PageSpec page(double width, double height, const std::string& label) {
    PageSpec record = {width, height, {}};
    WideString units = wide(label);
    std::copy(units.begin(), units.end(), record.label);
    return record;
}

struct DocumentTest : ::testing::Test {
    std::filesystem::path dir = make_temp_dir("pdf-document");
    std::filesystem::path path = dir / "out.pdf";
    WideString output = wide_path(path);
    WideString title = wide("photo (1).jpg");
    WideString subject = wide("sRGB \\ IEC61966-2.1");
    std::vector<PageSpec> pages;
    ProfileBlock profile;
    DocumentSpec document = {};
    DocumentChoices choices = {};
    PdfWriter writer = {};

    void TearDown() override { std::filesystem::remove_all(dir); }
    DocumentSpec& describe(const Shape& shape) {
        pages.clear();
        int32_t records = shape.shared_page ? 1 : shape.page_count;
        for (int32_t i = 0; i < records; i++)
            pages.push_back(page(100.0 + i, 200.5 + i, "p" + std::to_string(i) + "(x)"));
        profile.reset();
        if (shape.profile_space != nullptr)
            profile = profile_block(patterned_profile(300, shape.profile_space));
        document = {output.c_str(), choices, title.c_str(), shape.subject ? subject.c_str() : nullptr,
                    profile.get(), shape.font_flags, shape.page_count, shape.image_count,
                    shape.shared_page, pages.data()};
        return document;
    }
    // Begins the document, which stays open for the caller's objects, then
    // finishes it, which closes it.
    std::string write(const DocumentSpec& written) {
        std::filesystem::remove(path);  // the document is created new
        EXPECT_EQ(pdf_begin_document(&writer, &written), 1);
        EXPECT_EQ(writer.next_object, writer.first_content_object);
        EXPECT_FALSE(file_is_closed(path));
        EXPECT_EQ(finish_document(&writer, &written), 1);
        EXPECT_TRUE(file_is_closed(path));
        return read_file(path);
    }
};

const Shape SHAPES[] = {
    {"converter_with_profile", 0, 1, 1, 0, "RGB ", true, 7, 3, 4, 5, 6, 7},
    {"converter_without_profile", 0, 1, 1, 0, nullptr, false, 6, 3, 0, 4, 5, 6},
    {"several_pages_gray", 0, 3, 2, 0, "GRAY", true, 12, 3, 4, 5, 8, 11},
    {"shared_page_cmyk", 0, 4, 1, 1, "CMYK", false, 13, 3, 4, 5, 9, 13},
    {"no_images", 0, 2, 0, 0, nullptr, true, 7, 3, 0, 4, 6, 8},
    {"latin_font", FONT_LATIN, 1, 1, 0, nullptr, false, 7, 4, 0, 5, 6, 7},
    {"japanese_font", FONT_JAPANESE, 2, 3, 0, "GRAY", true, 14, 6, 7, 8, 10, 12},
    {"both_fonts", FONT_LATIN | FONT_JAPANESE, 2, 2, 1, "RGB ", true, 14, 7, 8, 9, 11, 13},
    {"other_font_bits", 0xF0u, 1, 1, 0, nullptr, true, 6, 3, 0, 4, 5, 6},
    {"both_fonts_and_others", 0x17u, 12, 5, 0, "CMYK", false, 37, 7, 8, 9, 21, 33},
    {"unknown_colour_space", 0, 1, 1, 0, "Lab ", true, 7, 3, 4, 5, 6, 7},
    // 998 objects, the most a document may hold.
    {"largest_document", 0, 1, 993, 0, nullptr, false, 998, 3, 0, 4, 5, 6},
};

struct DocumentShapes : DocumentTest, ::testing::WithParamInterface<Shape> {};

}  // namespace

TEST_P(DocumentShapes, ObjectPlanAndCrossReference) {
    const Shape& shape = GetParam();
    std::string pdf = write(describe(shape));
    std::vector<std::string> bodies;
    ASSERT_NO_FATAL_FAILURE(check_structure(pdf, shape.objects, &bodies));
    const int32_t tree = shape.tree, first_page = shape.first_page;
    EXPECT_EQ(bodies[1].find("<<\r/Type /Catalog\r/Pages " + std::to_string(tree) + " 0 R\r"), 0u);
    EXPECT_NE(bodies[1].find("/D [ " + std::to_string(first_page) + " 0 R /Fit ]"), std::string::npos);
    EXPECT_EQ(bodies[2].find("/Subject (") != std::string::npos, shape.subject);

    std::string kids;
    for (int32_t i = 0; i < shape.page_count; i++) {
        kids += " " + std::to_string(first_page + i) + " 0 R";
        const std::string& body = bodies[static_cast<size_t>(first_page + i)];
        int32_t record = shape.shared_page ? 0 : i;
        char box[64];
        snprintf(box, sizeof box, "/MediaBox [ 0 0 %d.00 %d.50 ]", 100 + record, 200 + record);
        EXPECT_EQ(body.find("<<\r/Type /Page\r/Parent " + std::to_string(tree) + " 0 R\r/Contents " +
                            std::to_string(shape.first_content + i) + " 0 R\r"),
                  0u);
        EXPECT_NE(body.find(box), std::string::npos) << body;
        std::string label = std::to_string(i) + " << /P (" + utf16be("p" + std::to_string(record)) +
                            std::string("\0\\(\0x\0\\)", 8) + ") >>\r";
        EXPECT_NE(bodies[1].find(label), std::string::npos) << "label of page " << i;
    }
    const std::string& tree_body = bodies[static_cast<size_t>(tree)];
    EXPECT_EQ(tree_body.find("<<\r/Type /Pages\r/Kids [" + kids + " ]\r/Count " +
                             std::to_string(shape.page_count) + "\r"),
              0u);
    std::string images = "/XObject <<";
    for (int32_t j = 0; j < shape.image_count; j++)
        images += " /Im" + std::to_string(j) + " " + std::to_string(shape.first_image + j) + " 0 R";
    EXPECT_NE(tree_body.find(images + " >>\r>>\r>>"), std::string::npos) << tree_body;
    EXPECT_EQ(tree_body.find("/Font <<") != std::string::npos, shape.font_flags != 0);

    if (shape.profile != 0) {
        const char* names[] = {"RGB", "Gray", "RGB", "RGB", "CMYK"};
        int n = icc_component_count(profile.get());
        EXPECT_NE(tree_body.find("/ColorSpace << /Default" + std::string(names[n]) + " [ /ICCBased " +
                                 std::to_string(shape.profile) + " 0 R ] >>\r"),
                  std::string::npos);
        std::string stream = "<< /N " + std::to_string(n) + " /Length 300 >>\rstream\r\n" +
                             held_bytes(profile.get()) + "\rendstream";
        EXPECT_EQ(bodies[static_cast<size_t>(shape.profile)], stream);
    } else {
        EXPECT_EQ(tree_body.find("/ColorSpace"), std::string::npos);
    }
}

TEST_P(DocumentShapes, AcceptedByExternalCheckers) {
    const Shape& shape = GetParam();
    write(describe(shape));
    std::string missing;
    std::string complaints = run_checkers(path, &missing);
    if (!missing.empty()) GTEST_SKIP() << "not installed: " << missing;
    // An /ICCBased stream with /N 0 is what the writer is told to write for a
    // colour space it does not know; the checkers do not look inside it.
    EXPECT_EQ(complaints, "");
}

INSTANTIATE_TEST_SUITE_P(Pdf, DocumentShapes, ::testing::ValuesIn(SHAPES),
                         [](const ::testing::TestParamInfo<Shape>& shape) { return std::string(shape.param.name); });

TEST_F(DocumentTest, ConverterDocumentTextExactly) {
    describe({"", 0, 1, 1, 0, "GRAY", true});
    pages[0] = page(612, 792, "photo.jpg");
    title = wide("photo.jpg");
    subject = wide("Gray");
    document.title = title.c_str();
    document.subject = subject.c_str();
    std::vector<std::string> bodies;
    ASSERT_NO_FATAL_FAILURE(check_structure(write(document), 7, &bodies));
    EXPECT_EQ(bodies[1],
              "<<\r/Type /Catalog\r/Pages 3 0 R\r/PageLayout /SinglePage\r/OpenAction << /S /GoTo /D [ 5 0 R "
              "/Fit ] >>\r/PageLabels << /Nums [\r0 << /P (" + utf16be("photo.jpg") + ") >>\r]\r>>\r>>");
    EXPECT_EQ(mask_dates(bodies[2]),
              "<<\r/Title (" + utf16be("photo.jpg") + ")\r/Subject (" + utf16be("Gray") +
                  ")\r/Creator (Quillmark PDF Wrapper Ver 1.0)\r/Producer (Quillmark PDF Wrapper Ver 1.0)\r"
                  "/ModDate (D:##############+##'##')\r/CreationDate (D:##############+##'##')\r>>");
    EXPECT_EQ(bodies[3],
              "<<\r/Type /Pages\r/Kids [ 5 0 R ]\r/Count 1\r/Resources << /ProcSet [ /PDF /Text /ImageB /ImageC ]\r"
              "/ColorSpace << /DefaultGray [ /ICCBased 4 0 R ] >>\r/XObject << /Im0 7 0 R >>\r>>\r>>");
    EXPECT_EQ(bodies[4], "<< /N 1 /Length 300 >>\rstream\r\n" + held_bytes(profile.get()) + "\rendstream");
    EXPECT_EQ(bodies[5], "<<\r/Type /Page\r/Parent 3 0 R\r/Contents 6 0 R\r/MediaBox [ 0 0 612.00 792.00 ]\r>>");
}

TEST_F(DocumentTest, FontObjectsAndTheirEntries) {
    const std::string helvetica = "<<\r/Type /Font\r/Subtype /Type1\r/BaseFont /Helvetica\r>>";
    auto type0 = [](int next) {
        return "<<\r/Type /Font\r/Subtype /Type0\r/BaseFont /MSUIGothic\r/Encoding /90msp-RKSJ-H\r"
               "/DescendantFonts [ " + std::to_string(next) + " 0 R ]\r>>";
    };
    auto cid = [](int next) {
        return "<<\r/Type /Font\r/Subtype /CIDFontType2\r/BaseFont /MSUIGothic\r/FontDescriptor " +
               std::to_string(next) +
               " 0 R\r/CIDSystemInfo << /Registry (Adobe)/Ordering (Japan1)/Supplement 2 >>\r>>";
    };
    const std::string descriptor =
        "<<\r/Type /FontDescriptor\r/Ascent 859\r/CapHeight 0\r/Descent -140\r/Flags 4\r"
        "/FontBBox [ -121 -137 996 859 ]\r/FontName /MSUIGothic\r/ItalicAngle 0\r/StemV 0\r>>";
    struct Case {
        uint32_t flags;
        std::vector<std::string> font_objects;  // objects 3 and on
        std::string entry;
        int32_t objects, tree;
    } cases[] = {
        {FONT_LATIN, {helvetica}, "/Font << /F0 3 0 R >>\r", 6, 4},
        {FONT_JAPANESE, {type0(4), cid(5), descriptor}, "/Font << /F0 3 0 R >>\r", 8, 6},
        {FONT_LATIN | FONT_JAPANESE, {helvetica, type0(5), cid(6), descriptor}, "/Font << /F0 3 0 R /F1 4 0 R >>\r", 9, 7},
        {0x8u, {}, "/Font << >>\r", 5, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        std::vector<std::string> bodies;
        std::string pdf = write(describe({"", c.flags, 1, 0, 0, nullptr, false}));
        ASSERT_NO_FATAL_FAILURE(check_structure(pdf, c.objects, &bodies));
        for (size_t k = 0; k < c.font_objects.size(); k++) EXPECT_EQ(bodies[3 + k], c.font_objects[k]);
        const std::string& tree = bodies[static_cast<size_t>(c.tree)];
        EXPECT_EQ(tree.find("<<\r/Type /Pages\r"), 0u);
        EXPECT_NE(tree.find("ImageC ]\r" + c.entry + "/XObject << >>\r>>\r>>"), std::string::npos) << tree;
    }
}

TEST_F(DocumentTest, EmptyTextsAndTheProfileHeldShortOfItsSizeField) {
    describe({"", 0, 1, 0, 0, nullptr, true});
    title = subject = WideString();
    document.title = title.c_str();
    document.subject = subject.c_str();
    // A header claiming more than the block holds embeds only what is held.
    profile = profile_block(patterned_profile(180).replace(0, 4, be32(5000)));
    document.profile = profile.get();
    std::vector<std::string> bodies;
    ASSERT_NO_FATAL_FAILURE(check_structure(write(document), 6, &bodies));
    EXPECT_EQ(bodies[2].find("<<\r/Title (\xFE\xFF)\r/Subject (\xFE\xFF)\r/Creator ("), 0u);
    EXPECT_EQ(bodies[4].find("<< /N 3 /Length 180 >>\rstream\r\n"), 0u);
    EXPECT_EQ(bodies[4].size(), 31u + 180u + 10u);
}

// The largest document (998 objects) is a row of SHAPES; one image more is too many.
TEST_F(DocumentTest, OneObjectTooMany) {
    Shape shape = {"", 0, 1, 994, 0, nullptr, false};
    EXPECT_EQ(pdf_begin_document(&writer, &describe(shape)), 1);
    EXPECT_EQ(finish_document(&writer, &document), 0);
    EXPECT_EQ(read_file(path).find("xref"), std::string::npos);
}

TEST_F(DocumentTest, OutputThatCannotBeCreatedWritesNothing) {
    describe({"", 0, 1, 1, 0, nullptr, false});
    WideString missing_folder = wide_path(dir / "no such folder" / "out.pdf");
    document.output_path = missing_folder.c_str();
    writer.ok = 1;
    writer.bytes_written = 1234;
    writer.next_object = 77;
    writer.pages_object = 55;
    EXPECT_EQ(pdf_begin_document(&writer, &document), 0);
    EXPECT_EQ(writer.ok, 0);
    EXPECT_EQ(writer.bytes_written, 1234);
    EXPECT_EQ(writer.next_object, 77);
    EXPECT_EQ(writer.pages_object, 55);
    EXPECT_FALSE(std::filesystem::exists(dir / "no such folder"));
}

#ifndef _WIN32
// A disk with no room left: the document fails at the latest when the file is
// closed (the last buffered bytes meet the full disk), with no cross-reference
// section, and the file is closed all the same.
TEST_F(DocumentTest, DocumentOnAFullDiskFailsAndIsClosed) {
    for (const char* space : {static_cast<const char*>(nullptr), "CMYK"}) {
        SCOPED_TRACE(space != nullptr ? space : "no profile");
        std::filesystem::remove(path);
        describe({"", FONT_LATIN, 2, 1, 0, space, true});
        limit_file_size(0);
        pdf_begin_document(&writer, &document);
        EXPECT_FALSE(file_is_closed(path)) << "left open for the end";
        pdf_write_stream_object(&writer, "<< /Length %ld >>", "x", 1);
        EXPECT_EQ(pdf_end_document(&writer), 0);
        limit_file_size(-1);
        EXPECT_TRUE(file_is_closed(path)) << "the output is closed";
        EXPECT_EQ(read_file(path).find("xref"), std::string::npos);
    }
}
#endif

namespace {
// Null removes the setting.
void set_time_zone(const char* zone) {
#ifdef _WIN32
    _putenv_s("TZ", zone != nullptr ? zone : "");
#else
    if (zone != nullptr) setenv("TZ", zone, 1);
    else unsetenv("TZ");
#endif
}
}  // namespace

TEST(PdfDate, LocalDigitsZoneOffsetAndFallback) {
    const char* saved = getenv("TZ");
    std::string previous = saved != nullptr ? saved : "";
    char date[PDF_DATE_BYTES];
    const time_t july_2003 = 1057068309;  // 2003-07-01 14:05:09 UTC
    // The zone is read again on every call; the offset is the zone's at that instant.
    const struct {
        const char* zone;
        time_t when;
        const char* date;
    } cases[] = {
        {"UTC0", july_2003, "D:20030701140509+00'00'"},
        {"EST5", july_2003, "D:20030701090509-05'00'"},
        {"JST-9", july_2003 + 36000, "D:20030702090509+09'00'"},
        {"IST-5:30", july_2003, "D:20030701193509+05'30'"},
        {"NST3:30", july_2003, "D:20030701103509-03'30'"},
        {"JST-9", std::numeric_limits<time_t>::max(), "D:19700101000000+00'00'"},
    };
    for (const auto& c : cases) {
        set_time_zone(c.zone);
        pdf_format_date(date, sizeof date, c.when);
        EXPECT_STREQ(date, c.date) << c.zone;
    }
    set_time_zone(saved != nullptr ? previous.c_str() : nullptr);
}

TEST_F(DocumentTest, InformationDateIsTheCurrentLocalTime) {
    time_t before = time(nullptr);
    std::vector<std::string> bodies;
    std::string pdf = write(describe({"", 0, 1, 0, 0, nullptr, false}));
    ASSERT_NO_FATAL_FAILURE(check_structure(pdf, 5, &bodies));
    time_t after = time(nullptr);
    char first[PDF_DATE_BYTES], last[PDF_DATE_BYTES];
    pdf_format_date(first, sizeof first, before);
    pdf_format_date(last, sizeof last, after);
    size_t at = bodies[2].find("/ModDate (");
    ASSERT_NE(at, std::string::npos);
    std::string date = bodies[2].substr(at + 10, 23);
    EXPECT_TRUE(date >= first && date <= last) << date;
    EXPECT_NE(bodies[2].find("/CreationDate (" + date + ")\r>>"), std::string::npos);
}

// Many pages into one document: each distinct profile stored once (a shared
// one known by its address, any by its bytes), the subject only when every
// page has the same profile, and an image refused before its object began
// left out with the document going on. Letters: A, B shared profiles; a an
// embedded copy of A's bytes; x a page without profile; ! a file that is no
// JPEG, with profile A.
TEST_F(DocumentTest, ManyPagesStoreEachProfileOnce) {
    const struct {
        const char* pages;
        int streams;
        bool subject;
    } cases[] = {
        {"AAA", 1, true}, {"aa", 1, true},  {"Aa", 1, true},   {"aA", 1, true},
        {"AB", 2, false}, {"Ax", 1, false}, {"xx", 0, false},  {"A!A", 1, true},
    };
    write_file(dir / "p.jpg", read_file(fixture_path("jpeg/rgb-300dpi.jpg")));
    write_file(dir / "bad.jpg", "not a JPEG");
    WideString good = wide_path(dir / "p.jpg"), bad = wide_path(dir / "bad.jpg");
    ProfileBlock shared_a = profile_block(described_profile("Alpha"));
    ProfileBlock shared_b = profile_block(described_profile("Beta"));
    PageSpec photo = page(8, 8, "p.jpg");
    std::string missing;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pages);
        ASSERT_EQ(pdf_begin_merged(&writer, output.c_str(), &choices), 1);
        int added_pages = 0;
        for (const char* letter = c.pages; *letter != 0; ++letter) {
            ProfileBlock embedded = profile_block(described_profile("Alpha"));
            const IccProfile* chosen = *letter == 'B' ? shared_b.get()
                                        : *letter == 'a' ? embedded.get()
                                        : *letter == 'x' ? nullptr
                                                         : shared_a.get();
            const WCHAR* image_path = (*letter == '!' ? bad : good).c_str();
            OpenJpeg jpeg;
            const MergedPage added_page = {&photo, "q 8.00 0 0 8.00 0 0 cm /Im0 Do Q", image_path, &jpeg,
                                           chosen, *letter != 'a', "", nullptr};
            int added = open_jpeg(image_path, &jpeg, nullptr, nullptr) && pdf_add_merged_page(&writer, &added_page);
            close_jpeg(&jpeg);
            EXPECT_EQ(added, *letter == '!' ? 0 : 1);
            EXPECT_EQ(writer.ok, 1);
            added_pages += added;
        }
        EXPECT_EQ(pdf_merged_page_count(&writer), added_pages);
        EXPECT_EQ(pdf_end_merged(&writer, title.c_str()), 1);
        std::string pdf = read_file(path);
        size_t streams = 0;
        for (size_t at = pdf.find("<< /N 3 /Length"); at != std::string::npos; at = pdf.find("<< /N 3 /Length", at + 1))
            ++streams;
        EXPECT_EQ(streams, static_cast<size_t>(c.streams));
        EXPECT_EQ(pdf.find("/Subject (" + utf16be("Alpha") + ")") != std::string::npos, c.subject);
        EXPECT_NE(pdf.find("/Count " + std::to_string(added_pages) + "\r"), std::string::npos);
        missing.clear();
        EXPECT_EQ(run_checkers(path, &missing), "");
        std::filesystem::remove(path);
    }
    // The output must be new: an existing file is never taken over.
    write_file(path, "kept");
    EXPECT_EQ(pdf_begin_merged(&writer, output.c_str(), &choices), 0);
    EXPECT_EQ(read_file(path), "kept");
    if (!missing.empty()) GTEST_SKIP() << "the documents went unchecked by " << missing;
}

// SOURCE_DATE_EPOCH in UTC by the calendar alone, a photo's date with or
// without its offset, and each as XMP writes the same instant.
TEST(PdfDate, UtcExifAndXmpForms) {
    char date[PDF_DATE_BYTES], xmp[PDF_DATE_BYTES];
    const ExifDate with_offset = {2019, 6, 30, 14, 5, 9, 1, -(3 * 60 + 30)}, without = {1999, 12, 31, 23, 59, 59, 0, 0};
    const struct { int64_t seconds; const ExifDate* exif; const char* pdf; const char* xmp; } cases[] = {
        {0, nullptr, "D:19700101000000+00'00'", "1970-01-01T00:00:00+00:00"},
        {951782400, nullptr, "D:20000229000000+00'00'", "2000-02-29T00:00:00+00:00"},
        {253402300799, nullptr, "D:99991231235959+00'00'", "9999-12-31T23:59:59+00:00"},
        {0, &with_offset, "D:20190630140509-03'30'", "2019-06-30T14:05:09-03:30"},
        {0, &without, "D:19991231235959", "1999-12-31T23:59:59"},
    };
    for (const auto& c : cases) {
        c.exif ? pdf_format_exif_date(date, sizeof date, c.exif) : pdf_format_utc_date(date, sizeof date, c.seconds);
        pdf_xmp_date(xmp, sizeof xmp, date);
        EXPECT_EQ(std::string(date) + " " + xmp, std::string(c.pdf) + " " + c.xmp);
    }
}

// --pdfa's parts in a one-page document: a 1.4 header, the XMP packet after
// the dictionary, the image in its profile, CR LF before every endstream, and
// an /ID that follows the bytes: the same twice, another for another title.
TEST_F(DocumentTest, ArchiveParts) {
    DocumentMetadata metadata = {};
    metadata.fixed_date = 1, choices = {metadata, 1, ""};
    std::string pdf = write(describe({"", 0, 1, 1, 0, "RGB ", true}));
    EXPECT_EQ(pdf, write(describe({"", 0, 1, 1, 0, "RGB ", true})));
    title = wide("other.jpg");
    std::string other = write(describe({"", 0, 1, 1, 0, "RGB ", true}));
    EXPECT_EQ(writer.image_profile_object, 5);  // what pdf_write_image names
    for (const char* part : {"%PDF-1.4\r", "/Metadata 3 0 R\r>>\rendobj", "5 0 obj\r<< /N 3 /Length ",
                             "3 0 obj\r<< /Type /Metadata /Subtype /XML /Length "})
        EXPECT_NE(pdf.find(part), std::string::npos) << part;
    EXPECT_EQ(pdf.find("\rendstream"), std::string::npos);
    EXPECT_EQ(pdf.find("endstream\r") - pdf.find("\r\nendstream\r"), 2u);
    size_t id = pdf.find("/ID [ <"), other_id = other.find("/ID [ <");
    ASSERT_NE(id, std::string::npos);
    EXPECT_EQ(pdf.substr(id + 7, 32), pdf.substr(id + 42, 32));
    EXPECT_NE(pdf.substr(id + 7, 32), other.substr(other_id + 7, 32));
}

// Two writers at once, their calls interleaved (a one-page archive document
// and a document of three pages), write each document byte for byte as it
// is written alone: no state is shared between writers.
TEST_F(DocumentTest, TwoWritersInterleavedWriteWhatEachWritesAlone) {
    DocumentMetadata metadata = {};
    metadata.fixed_date = 1, choices = {metadata, 1, ""};
    write_file(dir / "p.jpg", read_file(fixture_path("jpeg/rgb-300dpi.jpg")));
    WideString photo_path = wide_path(dir / "p.jpg"), book_path = wide_path(dir / "book.pdf");
    PageSpec photo = page(8, 8, "p.jpg");
    OpenJpeg jpeg;
    ASSERT_TRUE(open_jpeg(photo_path.c_str(), &jpeg, nullptr, nullptr));
    const MergedPage book_page = {&photo, "q Q", photo_path.c_str(), &jpeg, nullptr, 1, "D:20190630140509", nullptr};
    PdfWriter book = {};
    const DocumentChoices book_choices = {metadata, 0, ""};
    // Book steps: 0 begins it, 1 to 3 add its pages, 4 ends it. Interleaved,
    // the one-page document begins after step `at`, one book page comes
    // between its beginning and the rest of it.
    auto write_both = [&](int at, bool alone) {
        std::filesystem::remove(path), std::filesystem::remove(dir / "book.pdf");
        DocumentSpec& single = describe({"", 0, 1, 1, 0, "RGB ", true});
        int ok = 1;
        for (int step = 0; step < 5; ++step) {
            if (step == 0) ok &= pdf_begin_merged(&book, book_path.c_str(), &book_choices);
            if (step >= 1 && step <= 3) ok &= pdf_add_merged_page(&book, &book_page);
            if (step == 4) ok &= pdf_end_merged(&book, title.c_str());
            if (alone ? step != 4 : step != at) continue;
            ok &= pdf_begin_document(&writer, &single);
            if (!alone) ok &= pdf_add_merged_page(&book, &book_page), ++step;
            ok &= finish_document(&writer, &single);
        }
        EXPECT_EQ(ok, 1);
        return std::make_pair(read_file(path), read_file(dir / "book.pdf"));
    };
    const auto alone = write_both(0, true);
    EXPECT_NE(alone.first.find("/ID [ <"), std::string::npos);
    EXPECT_NE(alone.second.find("/CreationDate (D:20190630140509)"), std::string::npos);
    for (int at : {0, 1, 2}) EXPECT_EQ(write_both(at, false), alone) << "interleaved after book step " << at;
    close_jpeg(&jpeg);
}
