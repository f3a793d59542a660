// What PDF/A-1b cannot carry faithfully, told before anything is written:
// each rule gives the reason reported for an image it refuses.
#pragma once

#include <cstdint>

#include "driver/cli/settings.h"
#include "icc/icc.h"
#include "pdf/pdf_document.h"

// Why a page of an image of `components` components drawn in `profile` (the
// one chosen, or null) cannot be a page of a PDF/A-1b document, or null.
// `unnamed_space`: the image's own profile was of Lab or XYZ data.
const char* archive_refusal(const IccProfile* profile, uint32_t components, const PageSpec* page,
                            int unnamed_space, const ConvertSettings* settings);
