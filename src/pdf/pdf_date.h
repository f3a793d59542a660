// The date text of the information dictionary: the local clock's digits with
// the fixed offset the documents have always carried.
#pragma once

#include <cstddef>
#include <ctime>

// Room for any date this writer formats, terminating zero included.
constexpr size_t PDF_DATE_BYTES = 64;

// Formats `now` as local time, re-reading the time-zone setting first. A time
// that cannot be converted gives the digits 19700101000000.
void pdf_format_date(char* out, size_t capacity, time_t now);
