// The page layout options' values as typed: lengths with a unit, page sizes,
// resolutions. Read by hand, so "." is the decimal point in every locale.
#pragma once

#include "driver/cli/settings.h"
#include "platform/win32.h"

// The largest page side PDF 1.3 readers show: 200 inches.
constexpr double LARGEST_PAGE_PT = 14400.0;

// Each takes the whole of `text` into its result and returns null, or
// returns what is wrong with it (the result then undefined).
// A number and a unit, "12.5mm": mm, cm, in or pt; 0.01 to 14,400 pt.
const char* read_length(const WCHAR* text, double* points);
// A3, A4, A5, B5, Letter, Legal, Tabloid or WxH with one unit ("8.5x11in"),
// any letter case, optionally ending in -portrait or -landscape.
const char* read_page_size(const WCHAR* text, PageSize* size);
// Dots per inch, 1 to 65,535, decimals allowed.
const char* read_resolution(const WCHAR* text, double* dpi);

// What keeps the layout so far from being honoured (a margin that leaves no
// room on the page), or null.
const char* layout_conflict(const LayoutSettings* layout);
