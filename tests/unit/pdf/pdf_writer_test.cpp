// Tests of the PDF object writer: text encoding, bounded pieces, stream
// objects, the cross-reference section and failing writes.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <utility>

#include "pdf/pdf_writer.h"
#include "pdf_test_support.h"
#include "platform/files.h"

namespace {

std::string encode(const WideString& text) {
    unsigned char out[4096];
    memset(out, 0xAA, sizeof out);
    int32_t n = pdf_encode_text(out, text.c_str());
    EXPECT_EQ(out[n], 0xAA) << "byte placed past the count";
    return std::string(reinterpret_cast<char*>(out), static_cast<size_t>(n));
}

// A writer on a fresh file, as a document would leave it after its header.
struct WriterTest : ::testing::Test {
    std::filesystem::path dir = make_temp_dir("pdf-writer");
    std::filesystem::path path = dir / "out.pdf";
    PdfWriter writer = {};
    void SetUp() override {
        writer.file = open_file(wide_path(path).c_str(), GENERIC_WRITE, CREATE_ALWAYS);
        ASSERT_NE(writer.file, INVALID_HANDLE_VALUE);
        writer.ok = 1;
        writer.bytes_written = 0;
        writer.next_object = 1;
        writer.info_object = 2;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

}  // namespace

// Each unit's two bytes are placed independently, escaped where needed.
TEST(PdfEncodeText, EveryByteValueInHighAndLowPosition) {
    const std::map<int, std::string> escaped = {{0x08, "\\b"}, {0x09, "\\t"}, {0x0A, "\\n"},
                                                {0x0C, "\\f"}, {0x0D, "\\r"}, {0x28, "\\("},
                                                {0x29, "\\)"}, {0x5C, "\\\\"}};
    for (int byte = 0; byte < 256; byte++) {
        auto it = escaped.find(byte);
        std::string placed = it != escaped.end() ? it->second : std::string(1, static_cast<char>(byte));
        // Units D800-DFFF alone are lone surrogates: U+FFFD (below).
        if (byte < 0xD8 || byte > 0xDF) {
            EXPECT_EQ(encode(WideString(1, static_cast<WCHAR>(byte << 8 | 0x41))), "\xFE\xFF" + placed + "A")
                << "high byte " << byte;
        }
        EXPECT_EQ(encode(WideString(1, static_cast<WCHAR>(0x4100 | byte))), "\xFE\xFF" "A" + placed)
            << "low byte " << byte;
    }
    EXPECT_EQ(encode(WideString()), "\xFE\xFF");
    // A surrogate pair passes as its two units; one without its partner, in
    // any position, is U+FFFD, so the string stays valid UTF-16.
    EXPECT_EQ(encode(wide("\xF0\x9F\x98\x80")), std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6));
    const std::pair<WideString, WideString> lone[] = {
        {{0xD800}, {0xFFFD}},
        {{0xDCE9, u'a'}, {0xFFFD, u'a'}},
        {{0xDE00, 0xD83D}, {0xFFFD, 0xFFFD}},
        {{0xD83D, 0xD83D, 0xDE00}, {0xFFFD, 0xD83D, 0xDE00}},
    };
    for (const auto& [text, shown] : lone) EXPECT_EQ(encode(text), encode(shown));
}

TEST_F(WriterTest, TextAndPrintfRefusePiecesTooLongForTheirBuffers) {
    // A metadata text of 4,096 units fits at its worst: 2 + 4 x 4,096 bytes.
    pdf_write_text(&writer, WideString(4096, u'A').c_str());  // 2 + 8,192
    pdf_write_text(&writer, WideString(4096, 0x5C5C).c_str());  // 2 + 16,384
    pdf_printf(&writer, "%s", std::string(2051, 'x').c_str());
    EXPECT_EQ(writer.ok, 1);
    const int64_t kept = 8194 + 16386 + 2051;
    EXPECT_EQ(writer.bytes_written, kept);

    pdf_write_text(&writer, WideString(8202, u'A').c_str());  // 16,406 bytes: past the buffer
    EXPECT_EQ(writer.ok, 0);
    writer.ok = 1;
    pdf_printf(&writer, "%s", std::string(2052, 'y').c_str());
    EXPECT_EQ(writer.ok, 0);
    EXPECT_EQ(writer.bytes_written, kept) << "refused pieces are not counted";

    pdf_end_document(&writer);
    std::string file = read_file(path);
    EXPECT_EQ(file.size(), static_cast<size_t>(kept));
    EXPECT_EQ(file.find('y'), std::string::npos);
    EXPECT_EQ(file.substr(0, 4), std::string("\xFE\xFF\0A", 4));
}

TEST_F(WriterTest, StreamObjectsAndCrossReferenceSection) {
    pdf_printf(&writer, "%%PDF-1.3\r%%\xE2\xE3\xCF\xD3\r\n");
    // Twelve objects, so numbers cross from one digit to two.
    const char data[] = "a\r\nb\0c";
    for (int i = 1; i <= 12; i++) {
        if (i % 3 == 0) {
            EXPECT_EQ(pdf_write_stream_object(&writer, "<< /Length %ld >>", data, i == 3 ? 0 : 6), 1);
        } else {
            pdf_begin_object(&writer);
            pdf_printf(&writer, "<< /N %d >>", i);
            pdf_end_object(&writer);
        }
    }
    EXPECT_EQ(writer.next_object, 13);
    EXPECT_EQ(pdf_end_document(&writer), 1);
    std::vector<std::string> bodies;
    ASSERT_NO_FATAL_FAILURE(check_structure(read_file(path), 12, &bodies));
    EXPECT_EQ(bodies[1], "<< /N 1 >>");
    EXPECT_EQ(bodies[3], "<< /Length 0 >>\rstream\r\n\rendstream");
    EXPECT_EQ(bodies[6], std::string("<< /Length 6 >>\rstream\r\na\r\nb\0c\rendstream", 40));
    EXPECT_EQ(bodies[11], "<< /N 11 >>");
}

TEST_F(WriterTest, FailedWriteIsRecordedCountedAndEndsWithoutCrossReference) {
    pdf_begin_object(&writer);
    pdf_printf(&writer, "<< >>");
    pdf_end_object(&writer);
    int64_t count = writer.bytes_written;

    // Swap in a handle that cannot be written: every later piece fails.
    std::filesystem::path other = dir / "read-only.bin";
    write_file(other, "unchanged");
    HANDLE read_only = open_file(wide_path(other).c_str(), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(read_only, INVALID_HANDLE_VALUE);
    CloseHandle(writer.file);
    writer.file = read_only;
    std::string before = read_file(path);
    EXPECT_EQ(before, "1 0 obj\r<< >>\rendobj\r");

    pdf_printf(&writer, "abc");
    EXPECT_EQ(writer.ok, 0);
    EXPECT_EQ(writer.bytes_written, count + 3) << "a failed piece still counts";
    EXPECT_EQ(pdf_write_stream_object(&writer, "<< /Length %ld >>", "data", 4), 0);
    EXPECT_EQ(writer.bytes_written, count + 3) << "no stream object once ok is 0";
    EXPECT_EQ(writer.next_object, 2);
    pdf_begin_object(&writer);
    pdf_write_text(&writer, WIDE("ab"));
    pdf_end_object(&writer);
    EXPECT_EQ(writer.bytes_written, count + 3 + 8 + 6 + 8);
    EXPECT_EQ(writer.next_object, 3);
    EXPECT_EQ(writer.ok, 0) << "never back to 1";

    EXPECT_EQ(pdf_end_document(&writer), 0);
    EXPECT_EQ(writer.bytes_written, count + 3 + 8 + 6 + 8) << "nothing more written at the end";
    EXPECT_EQ(read_file(path), before);
    EXPECT_EQ(read_file(other), "unchanged");
    EXPECT_TRUE(file_is_closed(other)) << "the end closes the file whatever ok is";
}

// Each table refuses the first piece that would carry the file past the last
// position it can list: signed 32 bits in the fixed table, the section's ten
// digits in the grown one.
TEST_F(WriterTest, PositionsPastTheTablesLimitAreRefused) {
    const struct {
        int grown;
        int64_t limit;
    } cases[] = {{0, INT32_MAX}, {1, PDF_LARGEST_POSITION}};
    for (const auto& c : cases) {
        if (c.grown) {  // a fresh file; the fixture's was ended with the first case
            writer.file = open_file(wide_path(path).c_str(), GENERIC_WRITE, CREATE_ALWAYS);
            writer.ok = 1;
            writer.bytes_written = 0;
            ASSERT_EQ(pdf_attach_grown_offsets(&writer), 1);
        }
        pdf_printf(&writer, "head");
        writer.bytes_written = c.limit - 4;
        pdf_printf(&writer, "1234");
        EXPECT_EQ(writer.ok, 1) << c.limit;
        EXPECT_EQ(writer.bytes_written, c.limit);
        pdf_printf(&writer, "5");
        EXPECT_EQ(writer.ok, 0) << c.limit;
        EXPECT_EQ(pdf_end_document(&writer), 0);
        EXPECT_EQ(read_file(path), "head1234");
    }
}

// Past the fixed table's 998 objects and past 2^31 bytes (the count moved on
// as a file that large would have it): every position listed in ten digits,
// the object taken first and written last included.
TEST_F(WriterTest, GrownTableListsAnyNumberOfObjectsAtTenDigitPositions) {
    ASSERT_EQ(pdf_attach_grown_offsets(&writer), 1);
    pdf_printf(&writer, "%%PDF-1.3\r");
    writer.next_object = 2;  // 1 taken, written last
    const int32_t objects = 3000;
    const int64_t beyond_31_bits = 3000000000;
    int64_t near_position = 0;
    for (int32_t i = 2; i <= objects; i++) {
        if (i == 1999) near_position = writer.bytes_written;
        if (i == 2000) writer.bytes_written = beyond_31_bits;
        pdf_begin_object(&writer);
        pdf_printf(&writer, "<< /N %d >>", i);
        pdf_end_object(&writer);
    }
    int64_t last_position = writer.bytes_written;
    pdf_begin_reserved_object(&writer, 1);
    pdf_printf(&writer, "<< >>");
    pdf_end_reserved_object(&writer);
    int64_t section = writer.bytes_written;
    EXPECT_EQ(writer.next_object, objects + 1);
    EXPECT_EQ(pdf_end_document(&writer), 1);
    EXPECT_EQ(writer.grown_offsets, nullptr) << "the table goes with the document";

    std::string file = read_file(path);
    size_t xref = file.find("xref\r0 3001\r0000000000 65535 f \r");
    ASSERT_NE(xref, std::string::npos);
    auto entry = [&](int32_t n) { return file.substr(xref + 12 + 20 * static_cast<size_t>(n), 20); };
    auto ten = [](int64_t n) {
        char text[32];
        snprintf(text, sizeof text, "%010lld 00000 n \r", static_cast<long long>(n));
        return std::string(text);
    };
    EXPECT_EQ(entry(1999), ten(near_position));
    EXPECT_EQ(file.substr(static_cast<size_t>(near_position), 11), "1999 0 obj\r");
    EXPECT_EQ(entry(2000), ten(beyond_31_bits));
    EXPECT_EQ(entry(objects), ten(last_position - 32));  // "3000 0 obj\r<< /N 3000 >>\rendobj\r"
    EXPECT_EQ(entry(1), ten(last_position));
    EXPECT_NE(file.find("startxref\r" + std::to_string(section) + "\r%%EOF\r"), std::string::npos);
}

TEST_F(WriterTest, ObjectNumbersStayInsideThePositionTable) {
    writer.next_object = PDF_MAX_OFFSETS - 2;  // 998, the last allowed
    pdf_begin_object(&writer);
    pdf_end_object(&writer);
    EXPECT_EQ(writer.ok, 1);
    pdf_begin_object(&writer);  // 999 would leave no slot for the section's position
    pdf_end_object(&writer);
    EXPECT_EQ(writer.ok, 0);
    EXPECT_EQ(pdf_end_document(&writer), 0);
    EXPECT_EQ(read_file(path), "998 0 obj\r\rendobj\r999 0 obj\r\rendobj\r");
}
