// What a document says about itself beyond its pages: the texts and dates of
// its information dictionary and, for PDF/A-1b, the same in an XMP packet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

struct PdfWriter;

// The information dictionary (title and subject unless the metadata replaces
// them) and, for an archive, the XMP packet as the next object.
void pdf_write_info(PdfWriter* writer, const WCHAR* title, const WCHAR* subject);

// Writes the text into `out` as XML character data in UTF-8: the markup
// characters and the line ends as references, an unpaired surrogate as
// U+FFFD (as the text string does). Places at most `capacity` bytes but
// returns the full length, or -1 for a text XML cannot hold (a control
// character other than tab and line ends, U+FFFE, U+FFFF).
int32_t pdf_xml_text(char* out, int32_t capacity, const WCHAR* text);
