// The date text of the information dictionary, from the local clock and the
// local zone's offset from UTC at that instant.
#include "pdf/pdf_date.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/win32.h"

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

// One conversion at a time: the zone is read again each time (it may have
// changed since the last document), into the C library's shared state.
static CRITICAL_SECTION* clock_lock(void) {
    static CRITICAL_SECTION section;
    static const int ready = (InitializeCriticalSection(&section), 1);
    (void)ready;
    return &section;
}

// The thread's own results: localtime and gmtime would share one buffer.
static int convert_clock(time_t now, struct tm* local, struct tm* utc) {
    EnterCriticalSection(clock_lock());
#ifdef _WIN32
    _tzset();
    const int converted = localtime_s(local, &now) == 0 && gmtime_s(utc, &now) == 0;
#else
    tzset();
    const int converted = localtime_r(&now, local) != nullptr && gmtime_r(&now, utc) != nullptr;
#endif
    LeaveCriticalSection(clock_lock());
    return converted;
}

void pdf_format_date(char* out, size_t capacity, time_t now) {
    // A run writes many documents a second: each thread keeps its last
    // second's text, with the TZ it was made under.
    static thread_local time_t last_second = -1;
    static thread_local char last_text[PDF_DATE_BYTES];
    static thread_local char last_zone[64];
    const char* zone = getenv("TZ");
    if (zone == nullptr) zone = "";
    if (now == last_second && now != -1 && strcmp(zone, last_zone) == 0) {
        snprintf(out, capacity, "%s", last_text);
        return;
    }
    // The epoch in UTC where the clock cannot be converted.
    struct tm local = {};
    local.tm_year = 70;
    local.tm_mday = 1;
    long long offset_minutes = 0;
    struct tm converted, utc;
    if (convert_clock(now, &converted, &utc)) {
        local = converted;
        offset_minutes = (seconds_of(&local) - seconds_of(&utc)) / 60;
    }
    const long long size = llabs(offset_minutes);
    // The year is widened so that a clock far in the future cannot overflow it.
    snprintf(last_text, sizeof last_text, "D:%04ld%02d%02d%02d%02d%02d%c%02lld'%02lld'",
             static_cast<long>(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
             local.tm_min, local.tm_sec, offset_minutes < 0 ? '-' : '+', size / 60 % 100, size % 60);
    // A zone too long to keep is never taken for the same.
    last_second = strlen(zone) < sizeof last_zone ? now : -1;
    snprintf(last_zone, sizeof last_zone, "%s", zone);
    snprintf(out, capacity, "%s", last_text);
}

// Howard Hinnant's inverse of days_from_civil.
static void civil_from_days(long long days, long long* year, int* month, int* day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long of_era = days - era * 146097;
    const long long year_of_era = (of_era - of_era / 1460 + of_era / 36524 - of_era / 146096) / 365;
    const long long of_year = of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const long long shifted_month = (5 * of_year + 2) / 153;
    *day = static_cast<int>(of_year - (153 * shifted_month + 2) / 5 + 1);
    *month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    *year = year_of_era + era * 400 + (*month <= 2 ? 1 : 0);
}

void pdf_format_utc_date(char* out, size_t capacity, int64_t seconds) {
    long long days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    long long year;
    int month, day;
    civil_from_days(days, &year, &month, &day);
    snprintf(out, capacity, "D:%04lld%02d%02d%02lld%02lld%02lld+00'00'", year, month, day, rest / 3600,
             rest / 60 % 60, rest % 60);
}

void pdf_format_exif_date(char* out, size_t capacity, const ExifDate* date) {
    int written = snprintf(out, capacity, "D:%04d%02d%02d%02d%02d%02d", date->year, date->month,
                           date->day, date->hour, date->minute, date->second);
    if (!date->has_offset || written < 0 || static_cast<size_t>(written) >= capacity) return;
    const int size = date->offset_minutes < 0 ? -date->offset_minutes : date->offset_minutes;
    snprintf(out + written, capacity - static_cast<size_t>(written), "%c%02d'%02d'",
             date->offset_minutes < 0 ? '-' : '+', size / 60, size % 60);
}

// "D:YYYYMMDDHHmmSS" and an optional "+HH'mm'": the digits rearranged.
void pdf_xmp_date(char* out, size_t capacity, const char* pdf_date) {
    // Where each character of "YYYY-MM-DDTHH:mm:SS+HH:mm" comes from in the
    // PDF date, or the separator itself.
    static const char FROM[] = "2345-67-89T01:23:45?67:01";
    static const int PLACE[] = {2, 3, 4, 5, 0, 6, 7, 0, 8, 9, 0, 10, 11, 0, 12, 13, 0, 14, 15,
                                16, 17, 18, 0, 20, 21};
    const size_t length = strlen(pdf_date);
    const size_t units = length >= 23 ? 25 : 19;
    if (length < 16 || capacity <= units) {
        if (capacity > 0) out[0] = 0;
        return;
    }
    for (size_t i = 0; i < units; ++i) out[i] = PLACE[i] != 0 ? pdf_date[PLACE[i]] : FROM[i];
    out[units] = 0;
}
