// What a document carries beyond its pages, chosen by the run and given to the
// writer when the document begins.
#pragma once

#include <cstdint>

#include "pdf/pdf_date.h"
#include "platform/win32.h"

// Units of one metadata text, terminating zero included: the writer's
// buffers hold four texts of this size.
constexpr int METADATA_TEXT_UNITS = 4097;

// The run's texts, each null or empty for the default (title: the file name;
// subject: the profile's description), owned by the caller for the document's
// life; with fixed_date both dates are fixed_seconds after 1970 in UTC, not
// the clock.
struct DocumentMetadata {
    const WCHAR* title;
    const WCHAR* author;
    const WCHAR* subject;
    const WCHAR* keywords;
    int fixed_date;
    int64_t fixed_seconds;
};

// With `archive`, PDF/A-1b's parts (a 1.4 header, an XMP packet, an /ID,
// ICC-based images, stream ends a validator accepts); the creation date as a
// PDF date ("D:..."), or empty for the modification date.
struct DocumentChoices {
    DocumentMetadata metadata;
    int archive;
    char creation_date[PDF_DATE_BYTES];
};
