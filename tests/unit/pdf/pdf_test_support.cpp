// Helpers of the PDF writer tests: finishing documents, structure checks,
// external checkers.
#include "pdf_test_support.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "pdf/pdf_writer.h"

int finish_document(PdfWriter* writer, const DocumentSpec* document) {
    for (int32_t page = 0; page < document->page_count; page++) {
        std::string content = "q";
        for (int32_t j = 0; j < document->image_count; j++)
            content += " q 10 0 0 10 " + std::to_string(j) + " 0 cm /Im" + std::to_string(j) + " Do Q";
        content += " Q";
        pdf_write_stream_object(writer, "<< /Length %ld >>", content.data(), static_cast<int32_t>(content.size()));
    }
    const unsigned char pixel = 0x80;
    for (int32_t j = 0; j < document->image_count; j++)
        pdf_write_stream_object(writer, "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 "
                                "/ColorSpace /DeviceGray /BitsPerComponent 8 /Length %ld >>",
                                &pixel, 1);
    return pdf_end_document(writer);
}

std::string utf16be(const std::string& ascii) {
    std::string out = "\xFE\xFF";
    for (char c : ascii) {
        out += '\0';
        out += c;
    }
    return out;
}

static bool all_digits(const std::string& text, size_t at, size_t count) {
    if (at + count > text.size()) return false;
    for (size_t i = at; i < at + count; i++)
        if (!isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

void check_structure(const std::string& pdf, int32_t objects, std::vector<std::string>* bodies) {
    ASSERT_GE(pdf.size(), 16u);
    ASSERT_EQ(pdf.substr(0, 16), std::string("%PDF-1.3\r%\xE2\xE3\xCF\xD3\r\n"));

    size_t tail = pdf.rfind("startxref\r");
    ASSERT_NE(tail, std::string::npos);
    size_t digits_end = pdf.find('\r', tail + 10);
    ASSERT_NE(digits_end, std::string::npos);
    std::string x_text = pdf.substr(tail + 10, digits_end - tail - 10);
    ASSERT_TRUE(all_digits(x_text, 0, x_text.size()) && !x_text.empty() && x_text[0] != '0') << x_text;
    EXPECT_EQ(pdf.substr(digits_end), "\r%%EOF\r");
    size_t x = std::stoul(x_text);
    ASSERT_LT(x, pdf.size());

    std::string head = "xref\r0 " + std::to_string(objects + 1) + "\r0000000000 65535 f \r";
    ASSERT_EQ(pdf.substr(x, head.size()), head);
    std::vector<size_t> offsets(static_cast<size_t>(objects) + 2, 0);
    for (int32_t i = 1; i <= objects; i++) {
        size_t entry = x + head.size() + 20 * static_cast<size_t>(i - 1);
        ASSERT_TRUE(all_digits(pdf, entry, 10)) << "entry " << i;
        ASSERT_EQ(pdf.substr(entry + 10, 10), " 00000 n \r") << "entry " << i;
        offsets[static_cast<size_t>(i)] = std::stoul(pdf.substr(entry, 10));
    }
    offsets[static_cast<size_t>(objects) + 1] = x;
    std::string trailer = "trailer\r<<\r/Size " + std::to_string(objects + 1) +
                          "\r/Root 1 0 R\r/Info 2 0 R\r>>\rstartxref\r" + x_text + "\r%%EOF\r";
    EXPECT_EQ(pdf.substr(x + head.size() + 20 * static_cast<size_t>(objects)), trailer);

    // Objects lie back to back from byte 16, each where its entry says.
    EXPECT_EQ(offsets[1], 16u);
    if (bodies != nullptr) bodies->assign(static_cast<size_t>(objects) + 1, std::string());
    for (int32_t i = 1; i <= objects; i++) {
        size_t start = offsets[static_cast<size_t>(i)];
        size_t end = offsets[static_cast<size_t>(i) + 1];
        std::string header = std::to_string(i) + " 0 obj\r";
        ASSERT_LT(start, end) << "object " << i;
        ASSERT_EQ(pdf.substr(start, header.size()), header) << "object " << i;
        ASSERT_GE(end - start, header.size() + 8) << "object " << i;
        ASSERT_EQ(pdf.substr(end - 8, 8), "\rendobj\r") << "object " << i;
        if (bodies != nullptr)
            (*bodies)[static_cast<size_t>(i)] = pdf.substr(start + header.size(), end - 8 - start - header.size());
    }
}

// The digits and the zone's offset: "D:##############+##'##'".
std::string mask_dates(std::string text) {
    for (size_t at = text.find("D:"); at != std::string::npos; at = text.find("D:", at + 2)) {
        for (size_t i = at + 2; i < text.size() && i < at + 22; i++)
            if (isdigit(static_cast<unsigned char>(text[i])) || (i == at + 16 && text[i] == '-'))
                text[i] = i == at + 16 ? '+' : '#';
    }
    return text;
}

#ifndef _WIN32
#include <sys/wait.h>

static int run(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static bool mentions(std::string text, const char* word) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text.find(word) != std::string::npos;
}

std::string run_checkers(const std::filesystem::path& file, std::string* missing) {
    const char* tools[3][2] = {{"qpdf", "qpdf --check"}, {"mutool", "mutool info"}, {"pdfinfo", "pdfinfo"}};
    std::string complaints;
    for (auto& tool : tools) {
        std::string ignored;
        if (run(std::string("command -v ") + tool[0], &ignored) != 0) {
            *missing += std::string(tool[0]) + " ";
            continue;
        }
        std::string output;
        int status = run(std::string(tool[1]) + " '" + file.string() + "'", &output);
        // qpdf's clean report itself says "No syntax or stream encoding errors".
        bool complained = mentions(output, "warning") || (tool[0][0] != 'q' && mentions(output, "error"));
        if (status != 0 || complained)
            complaints += std::string(tool[1]) + " (exit " + std::to_string(status) + "):\n" + output;
    }
    return complaints;
}
#else
std::string run_checkers(const std::filesystem::path& file, std::string* missing) {
    (void)file;
    *missing = "qpdf mutool pdfinfo (not run on Windows)";
    return std::string();
}
#endif
