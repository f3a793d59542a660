// The date text of the information dictionary: the local clock's digits and
// the local zone's offset from UTC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "jpeg/exif_date.h"

// Room for any date this writer formats, terminating zero included.
constexpr size_t PDF_DATE_BYTES = 64;

// Formats `now` as local time with its offset ("D:20030701230509+09'00'"),
// re-reading the time-zone setting first. A time that cannot be converted
// gives the epoch, "D:19700101000000+00'00'".
void pdf_format_date(char* out, size_t capacity, time_t now);

// `seconds` after 1970 in UTC ("D:20030701140509+00'00'"), by the calendar
// alone, so both programs give the same text for any year up to 9999.
void pdf_format_utc_date(char* out, size_t capacity, int64_t seconds);
// A photo's date: with its offset when the photo has one, else without
// ("D:20030701230509"), the zone being unknown.
void pdf_format_exif_date(char* out, size_t capacity, const ExifDate* date);
// The same instant and offset as XMP writes it ("2003-07-01T23:05:09+09:00").
void pdf_xmp_date(char* out, size_t capacity, const char* pdf_date);
