// What a document says about itself beyond its pages: the texts and dates of
// its information dictionary and, for PDF/A-1b, the same in an XMP packet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pdf/pdf_date.h"
#include "platform/win32.h"

// Units of one metadata text, terminating zero included.
constexpr int METADATA_TEXT_UNITS = 4097;

// The run's choices: each text replaces the default (title: the file name;
// subject: the profile's description) or, empty, leaves it.
struct DocumentMetadata {
    WCHAR title[METADATA_TEXT_UNITS];
    WCHAR author[METADATA_TEXT_UNITS];
    WCHAR subject[METADATA_TEXT_UNITS];
    WCHAR keywords[METADATA_TEXT_UNITS];
    int fixed_date;  // both dates are fixed_seconds after 1970 in UTC, not the clock
    int64_t fixed_seconds;
};

// What a document carries beyond its pages, given when it begins: the
// run's `metadata` (null: the defaults alone); with `archive`, PDF/A-1b's
// parts (a 1.4 header, an XMP packet, an /ID, ICC-based images, stream ends a
// validator accepts); the creation date as a PDF date ("D:..."), or empty
// for the modification date.
struct DocumentChoices {
    const DocumentMetadata* metadata;
    int archive;
    char creation_date[PDF_DATE_BYTES];
};

// Writes the text into `out` as XML character data in UTF-8: the markup
// characters and the line ends as references, an unpaired surrogate as
// U+FFFD (as the text string does). Places at most `capacity` bytes but
// returns the full length, or -1 for a text XML cannot hold (a control
// character other than tab and line ends, U+FFFE, U+FFFF).
int32_t pdf_xml_text(char* out, int32_t capacity, const WCHAR* text);
