// The information dictionary and, for PDF/A-1b, the XMP packet that must say
// exactly the same: both are written from one set of texts and dates, taken
// once per document, so they cannot drift apart.
#include "pdf/pdf_metadata.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "pdf/pdf_date.h"
#include "pdf/pdf_writer.h"
#include "platform/text.h"

static const char PRODUCER[] = "Quillmark PDF Wrapper Ver 1.0";

// A packet of four texts of METADATA_TEXT_UNITS - 1 units at five bytes each
// (a reference or three bytes of UTF-8 per unit), the default title and
// subject, and the frame.
constexpr int32_t XMP_BYTES = 4 * 5 * METADATA_TEXT_UNITS + 8192;

// What the dictionary and the packet share; a null text is left out.
struct InfoTexts {
    const WCHAR* title;
    const WCHAR* author;
    const WCHAR* subject;
    const WCHAR* keywords;
    char modified[PDF_DATE_BYTES];
    char created[PDF_DATE_BYTES];
};

static const WCHAR* chosen(const WCHAR* given, const WCHAR* otherwise) {
    return given != nullptr && given[0] != 0 ? given : otherwise;
}

static void take_texts(PdfWriter* writer, InfoTexts* texts, const WCHAR* title, const WCHAR* subject) {
    const DocumentMetadata* metadata = &writer->choices.metadata;
    texts->title = chosen(metadata->title, title);
    texts->author = chosen(metadata->author, nullptr);
    texts->subject = chosen(metadata->subject, subject);
    texts->keywords = chosen(metadata->keywords, nullptr);
    if (metadata->fixed_date)
        pdf_format_utc_date(texts->modified, sizeof texts->modified, metadata->fixed_seconds);
    else
        pdf_format_date(texts->modified, sizeof texts->modified, time(nullptr));
    const char* created =
        writer->choices.creation_date[0] != 0 ? writer->choices.creation_date : texts->modified;
    snprintf(texts->created, sizeof texts->created, "%s", created);
}

static void write_entry(PdfWriter* writer, const char* key, const WCHAR* text) {
    if (text == nullptr) return;
    pdf_printf(writer, "/%s (", key);
    pdf_write_text(writer, text);
    pdf_printf(writer, ")\r");
}

// The packet as it is being made, in one buffer of the process.
struct Packet {
    char* bytes;
    int32_t length;
    int fits;
};

static void put(Packet* packet, const char* text) {
    const int32_t n = static_cast<int32_t>(strlen(text));
    if (packet->length + n > XMP_BYTES) {
        packet->fits = 0;
        return;
    }
    memcpy(packet->bytes + packet->length, text, static_cast<size_t>(n));
    packet->length += n;
}

static void put_text(Packet* packet, const WCHAR* text) {
    const int32_t n =
        pdf_xml_text(packet->bytes + packet->length, XMP_BYTES - packet->length, text);
    if (n < 0 || packet->length + n > XMP_BYTES)
        packet->fits = 0;
    else
        packet->length += n;
}

// A property holding a text, inside the container an array type needs.
static void put_property(Packet* packet, const char* name, const char* open, const WCHAR* text,
                         const char* close) {
    if (text == nullptr) return;
    put(packet, "<");
    put(packet, name);
    put(packet, ">");
    put(packet, open);
    put_text(packet, text);
    put(packet, close);
    put(packet, "</");
    put(packet, name);
    put(packet, ">\n");
}

static void put_dates(Packet* packet, const InfoTexts* texts) {
    char created[PDF_DATE_BYTES], modified[PDF_DATE_BYTES];
    pdf_xmp_date(created, sizeof created, texts->created);
    pdf_xmp_date(modified, sizeof modified, texts->modified);
    put(packet, "<xmp:CreateDate>");
    put(packet, created);
    put(packet, "</xmp:CreateDate>\n<xmp:ModifyDate>");
    put(packet, modified);
    put(packet, "</xmp:ModifyDate>\n");
}

// The packet PDF/A-1 asks for: its identification (part 1, conformance B)
// and the dictionary's entries under their XMP names, no more.
static void make_packet(Packet* packet, const InfoTexts* texts) {
    put(packet,
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "<rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n"
        "<pdfaid:part>1</pdfaid:part>\n<pdfaid:conformance>B</pdfaid:conformance>\n"
        "</rdf:Description>\n"
        "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        "<dc:format>application/pdf</dc:format>\n");
    const char* alt_open = "<rdf:Alt><rdf:li xml:lang=\"x-default\">";
    put_property(packet, "dc:title", alt_open, texts->title, "</rdf:li></rdf:Alt>");
    put_property(packet, "dc:creator", "<rdf:Seq><rdf:li>", texts->author, "</rdf:li></rdf:Seq>");
    put_property(packet, "dc:description", alt_open, texts->subject, "</rdf:li></rdf:Alt>");
    put(packet, "</rdf:Description>\n"
                "<rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
                "<pdf:Producer>");
    put(packet, PRODUCER);
    put(packet, "</pdf:Producer>\n");
    put_property(packet, "pdf:Keywords", "", texts->keywords, "");
    put(packet, "</rdf:Description>\n"
                "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
                "<xmp:CreatorTool>");
    put(packet, PRODUCER);
    put(packet, "</xmp:CreatorTool>\n");
    put_dates(packet, texts);
    put(packet, "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>");
}

static void write_packet(PdfWriter* writer, const InfoTexts* texts) {
    // From the heap: each writer's thread needs a packet of its own.
    char* bytes = static_cast<char*>(malloc(XMP_BYTES));
    Packet packet = {bytes, 0, bytes != nullptr};
    if (bytes != nullptr) make_packet(&packet, texts);
    // A text XML cannot hold is refused before the document begins; here it
    // would make the packet say less than the dictionary.
    if (!packet.fits)
        writer->ok = 0;
    else
        pdf_write_stream_object(writer, "<< /Type /Metadata /Subtype /XML /Length %ld >>", bytes,
                                packet.length);
    free(bytes);
}

void pdf_write_info(PdfWriter* writer, const WCHAR* title, const WCHAR* subject) {
    InfoTexts texts;
    take_texts(writer, &texts, title, subject);
    pdf_begin_object(writer);
    pdf_printf(writer, "<<\r");
    write_entry(writer, "Title", texts.title);
    write_entry(writer, "Author", texts.author);
    write_entry(writer, "Subject", texts.subject);
    write_entry(writer, "Keywords", texts.keywords);
    pdf_printf(writer, "/Creator (%s)\r/Producer (%s)\r/ModDate (%s)\r/CreationDate (%s)\r>>", PRODUCER,
               PRODUCER, texts.modified, texts.created);
    pdf_end_object(writer);
    if (writer->choices.archive) write_packet(writer, &texts);
}

static void place(char* out, int32_t capacity, int32_t* count, const char* bytes, int32_t n) {
    for (int32_t i = 0; i < n; ++i, ++*count)
        if (*count < capacity) out[*count] = bytes[i];
}

// One code point as UTF-8; its length in bytes.
static int32_t utf8_of(uint32_t code, char* bytes) {
    static const unsigned char LEAD[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    if (code < 0x80) {
        bytes[0] = static_cast<char>(code);
        return 1;
    }
    const int32_t n = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    for (int32_t i = n - 1; i > 0; --i, code >>= 6)
        bytes[i] = static_cast<char>(0x80 | (code & 0x3F));
    bytes[0] = static_cast<char>(LEAD[n] | code);
    return n;
}

int32_t pdf_xml_text(char* out, int32_t capacity, const WCHAR* text) {
    int32_t count = 0;
    for (const WCHAR* unit = text; *unit != 0; ++unit) {
        uint32_t code = *unit;
        if (code >= 0xD800 && code <= 0xDBFF && unit[1] >= 0xDC00 && unit[1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit[1] - 0xDC00u);
            ++unit;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;  // as the text string writes it
        }
        char bytes[8];
        int32_t n;
        if (code == '&' || code == '<' || code == '>' || code == 0x09 || code == 0x0A ||
            code == 0x0D) {
            // A line end as a reference, or a reader would make CR LF one LF.
            n = snprintf(bytes, sizeof bytes, "&#%u;", static_cast<unsigned>(code));
        } else if (xml_forbids(code)) {
            return -1;
        } else {
            n = utf8_of(code, bytes);
        }
        place(out, capacity, &count, bytes, n);
    }
    return count;
}
