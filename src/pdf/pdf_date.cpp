// The date text of the information dictionary, from the local clock and the
// local zone's offset from UTC at that instant.
#include "pdf/pdf_date.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
static long long days_from_civil(long long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long of_era = year - era * 400;
    const long long of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long of_cycle = of_era * 365 + of_era / 4 - of_era / 100 + of_year;
    return era * 146097 + of_cycle - 719468;
}

// A broken-down time read as if it were UTC, in seconds since 1970.
static long long seconds_of(const struct tm* t) {
    return days_from_civil(t->tm_year + 1900LL, t->tm_mon + 1, t->tm_mday) * 86400 + t->tm_hour * 3600LL +
           t->tm_min * 60LL + t->tm_sec;
}

void pdf_format_date(char* out, size_t capacity, time_t now) {
    // The zone may have changed since the last document; pick it up again.
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
    // The epoch in UTC where the clock cannot be converted.
    struct tm local = {};
    local.tm_year = 70;
    local.tm_mday = 1;
    long long offset_minutes = 0;
    const struct tm* converted = localtime(&now);
    if (converted != nullptr) {
        local = *converted;  // gmtime shares its buffer
        const struct tm* utc = gmtime(&now);
        if (utc != nullptr) offset_minutes = (seconds_of(&local) - seconds_of(utc)) / 60;
    }
    const long long size = llabs(offset_minutes);
    // The year is widened so that a clock far in the future cannot overflow it.
    snprintf(out, capacity, "D:%04ld%02d%02d%02d%02d%02d%c%02lld'%02lld'",
             static_cast<long>(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
             local.tm_min, local.tm_sec, offset_minutes < 0 ? '-' : '+', size / 60 % 100, size % 60);
}
