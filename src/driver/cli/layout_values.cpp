// Layout values read by hand: strtod follows the locale's decimal point and
// takes signs, exponents, "nan" and "inf", none of which is a length. A
// number is digits, optionally "." and digits; its value is one correctly
// rounded division of two exact integers, so 8.5in is 612 pt on every build.
#include "driver/cli/layout_values.h"

#include <cstdint>

#include "platform/text.h"

constexpr int MOST_DIGITS = 15;  // below 2^53: the digits and their power of ten stay exact

static const struct {
    const char* name;
    const char* size;
} NAMED_SIZES[] = {
    {"a3", "297x420mm"},  {"a4", "210x297mm"},   {"a5", "148x210mm"}, {"b5", "176x250mm"},
    {"letter", "8.5x11in"}, {"legal", "8.5x14in"}, {"tabloid", "11x17in"},
};

static const struct {
    const char* name;
    double points;
} UNITS[] = {{"mm", 72.0 / 25.4}, {"cm", 72.0 / 2.54}, {"in", 72.0}, {"pt", 1.0}};

// Whether the text from `at` to `end` is `word` (lower case ASCII) in any letter case.
static int is_word(const WCHAR* at, const WCHAR* end, const char* word) {
    while (at != end && *word != 0 && fold_ascii_case(*at) == static_cast<unsigned char>(*word)) ++at, ++word;
    return at == end && *word == 0;
}

static int is_digit(WCHAR unit) { return unit >= WIDE('0') && unit <= WIDE('9'); }

// A number at *at, which is moved past it; 0 when there is none.
static int read_number(const WCHAR** at, double* value) {
    uint64_t digits = 0;
    double divisor = 1.0;
    int count = 0;
    int point = 0;
    const WCHAR* p = *at;
    for (;; ++p) {
        if (*p == WIDE('.') && !point && count > 0 && is_digit(p[1])) {
            point = 1;
            continue;
        }
        if (!is_digit(*p)) break;
        if (++count > MOST_DIGITS) return 0;
        digits = digits * 10 + static_cast<uint64_t>(*p - WIDE('0'));
        if (point) divisor *= 10.0;
    }
    if (count == 0) return 0;
    *value = static_cast<double>(digits) / divisor;
    *at = p;
    return 1;
}

static const char* const NOT_A_LENGTH = "not a length (a number, then mm, cm, in or pt)";
static const char* const NO_UNIT = "length without a unit (mm, cm, in or pt)";
static const char* const NOT_A_SIZE =
    "unknown page size (A3-A5, B5, Letter, Legal, Tabloid, or WxH and a unit)";

// The points in one unit named from `at` to `end`, or 0 for no unit.
static double unit_points(const WCHAR* at, const WCHAR* end) {
    for (const auto& unit : UNITS)
        if (is_word(at, end, unit.name)) return unit.points;
    return 0.0;
}

static const char* check_points(double points) {
    if (points == 0.0) return "length must be more than 0";
    if (points < 0.01) return "length under 0.01 pt";
    if (points > LARGEST_PAGE_PT) return "length over 14400 pt (200 in), more than PDF readers show";
    return nullptr;
}

static const WCHAR* end_of(const WCHAR* text) {
    while (*text != 0) ++text;
    return text;
}

// "-5mm": a length below 0, not a mistyped one.
static int is_negative(const WCHAR* text) { return text[0] == WIDE('-') && is_digit(text[1]); }

const char* read_length(const WCHAR* text, double* points) {
    double number = 0.0;
    if (is_negative(text)) return "length must be more than 0";
    if (!read_number(&text, &number)) return NOT_A_LENGTH;
    const double unit = unit_points(text, end_of(text));
    if (unit == 0.0) return *text == 0 ? NO_UNIT : "unknown unit (mm, cm, in or pt)";
    *points = number * unit;
    return check_points(*points);
}

// "WxH" and one unit for both, from `at` to `end`.
static const char* read_sides(const WCHAR* at, const WCHAR* end, PageSize* size) {
    double width = 0.0;
    double height = 0.0;
    if (!read_number(&at, &width) || fold_ascii_case(*at) != WIDE('x')) return NOT_A_SIZE;
    ++at;
    if (!read_number(&at, &height)) return NOT_A_SIZE;
    const double unit = unit_points(at, end);
    if (unit == 0.0) return at == end ? NO_UNIT : "unknown unit (mm, cm, in or pt)";
    size->width_pt = width * unit;
    size->height_pt = height * unit;
    const char* error = check_points(size->width_pt);
    return error != nullptr ? error : check_points(size->height_pt);
}

const char* read_page_size(const WCHAR* text, PageSize* size) {
    if (is_negative(text)) return "length must be more than 0";
    const WCHAR* end = text;
    while (*end != 0 && *end != WIDE('-')) ++end;
    size->stand = SHEET_TURNS;
    if (*end != 0 && is_word(end + 1, end_of(end), "portrait")) size->stand = SHEET_PORTRAIT;
    if (*end != 0 && is_word(end + 1, end_of(end), "landscape")) size->stand = SHEET_LANDSCAPE;
    if (*end != 0 && size->stand == SHEET_TURNS) {
        // "US-Letter" is no size with a suffix: only a size's own name before it makes one.
        int named_before = text[0] >= WIDE('0') && text[0] <= WIDE('9');
        for (const auto& named : NAMED_SIZES) named_before = named_before || is_word(text, end, named.name);
        return named_before ? "unknown page size suffix (-portrait or -landscape)" : NOT_A_SIZE;
    }
    for (const auto& named : NAMED_SIZES) {
        if (!is_word(text, end, named.name)) continue;
        WCHAR sides[16];
        int n = 0;
        while ((sides[n] = static_cast<WCHAR>(named.size[n])) != 0) ++n;
        return read_sides(sides, sides + n, size);
    }
    return read_sides(text, end, size);
}

const char* read_resolution(const WCHAR* text, double* dpi) {
    const char* error = "not a resolution (1 to 65535 dots per inch)";
    if (!read_number(&text, dpi) || *text != 0) return error;
    return *dpi >= 1.0 && *dpi <= 65535.0 ? nullptr : error;
}

const char* layout_conflict(const LayoutSettings* layout) {
    const PageSize* sheet = &layout->sheet;
    const double shorter = sheet->width_pt < sheet->height_pt ? sheet->width_pt : sheet->height_pt;
    if (sheet->width_pt > 0.0 && 2.0 * layout->margin_pt >= shorter)
        return "margin leaves no room on the page";
    return nullptr;
}
