// The date text of the information dictionary, from the local clock.
#include "pdf/pdf_date.h"

#include <cstdio>
#include <ctime>

void pdf_format_date(char* out, size_t capacity, time_t now) {
    // The zone may have changed since the last document; pick it up again.
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
    struct tm fallback = {};
    fallback.tm_year = 70;
    fallback.tm_mon = 0;
    fallback.tm_mday = 1;
    const struct tm* local = localtime(&now);
    if (local == nullptr) local = &fallback;
    // The year is widened so that a clock far in the future cannot overflow it.
    snprintf(out, capacity, "D:%04ld%02d%02d%02d%02d%02d+09'00'", static_cast<long>(local->tm_year) + 1900,
             local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec);
}
