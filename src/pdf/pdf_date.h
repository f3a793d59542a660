// The date text of the information dictionary: the local clock's digits and
// the local zone's offset from UTC.
#pragma once

#include <cstddef>
#include <ctime>

// Room for any date this writer formats, terminating zero included.
constexpr size_t PDF_DATE_BYTES = 64;

// Formats `now` as local time with its offset ("D:20030701230509+09'00'"),
// re-reading the time-zone setting first. A time that cannot be converted
// gives the epoch, "D:19700101000000+00'00'".
void pdf_format_date(char* out, size_t capacity, time_t now);
