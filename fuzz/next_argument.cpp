// Fuzz target: next_argument over an arbitrary UTF-16 command line,
// make_output_path and -o's temporary file name on the whole line and on each
// argument, -o / --output found as an option with a value in both programs,
// each argument taken as the text of --title,
// and every argument as the value of each layout option, the page laid out
// with the values taken.
// On POSIX the input's bytes are also a file name, which must come back exactly.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "driver/cli/layout_values.h"
#include "driver/cli/next_argument.h"
#include "driver/cli/options.h"
#include "driver/cli/read_settings.h"
#include "driver/outputs/output_path.h"
#include "driver/page/page_content.h"
#include "driver/page/prepare_page.h"
#include "pdf/pdf_metadata.h"
#include "platform/path.h"
#include "fuzz_input.h"
#ifndef _WIN32
#include "posix/names.h"

// A name becomes one token the tokenizer cannot split or end early, and
// comes back byte for byte; shown, it holds no escape and no lone surrogate.
static void check_name_round_trip(const uint8_t* data, size_t size) {
    std::string name(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    std::u16string text = posix_name_to_wide(name.data(), name.size());
    fuzz_require(!text.empty(), "every name is a token");
    fuzz_require(text.find_first_of(u"\"\\") == std::u16string::npos || name.find('/') != std::string::npos,
                 "no quote, and a backslash only for a slash");
    fuzz_require(posix_native_path(text.c_str()) == name, "the name comes back byte for byte");
    name_as_shown(text.data());
    for (size_t i = 0; text[i] != 0; ++i) {
        bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
        bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        fuzz_require(!low || (i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF),
                     "shown, a low surrogate has its partner");
        fuzz_require(!high || (text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF),
                     "shown, a high surrogate has its partner");
        fuzz_require(text[i] != 0xF022 && text[i] != 0xF05C, "shown, no escape is left");
    }
}
#endif

static bool is_end_of_argument(WCHAR unit, bool quoted) {
    return unit == 0 || (quoted ? unit == WIDE('"') : unit == WIDE(' '));
}

// The PDF name: the argument up to its extension, then ".pdf" and a zero,
// all inside the buffer; or 0, only when it would not fit.
static void check_output_path(const WCHAR* token, size_t length) {
    std::unique_ptr<WCHAR[]> output(new WCHAR[PATH_BUFFER_UNITS]);
    if (!make_output_path(token, output.get())) {
        fuzz_require(length + 5 > PATH_BUFFER_UNITS, "a name with room for .pdf is formed");
        return;
    }
    size_t n = 0;
    while (n < PATH_BUFFER_UNITS && output[n] != 0) ++n;
    fuzz_require(n < PATH_BUFFER_UNITS, "the PDF name ends inside its buffer");
    fuzz_require(n >= 4 && output[n - 4] == WIDE('.') && output[n - 3] == WIDE('p') &&
                     output[n - 2] == WIDE('d') && output[n - 1] == WIDE('f'),
                 "the PDF name ends in .pdf");
    for (size_t i = 0; i + 4 < n; ++i)
        fuzz_require(i < length && output[i] == token[i], "the PDF name keeps the argument's stem");
}

// The temporary file of a document named `token`: its folder part, then
// "~kestrel-" and 8 letters or digits, ".tmp", all inside the buffer; where
// that does not fit, "~" and letters or digits, no longer than the PDF's name;
// or 0, only when even that cannot be. Two long enough names in a row differ.
static void check_temporary_path(const WCHAR* token) {
    std::unique_ptr<WCHAR[]> temporary(new WCHAR[PATH_BUFFER_UNITS]);
    std::unique_ptr<WCHAR[]> again(new WCHAR[PATH_BUFFER_UNITS]);
    size_t folder = static_cast<size_t>(path_file_name(token) - token);
    size_t own = 0;
    while (token[folder + own] != 0) ++own;
    const bool usual = folder + TEMPORARY_NAME_UNITS <= PATH_BUFFER_UNITS;
    if (!make_temporary_path(token, temporary.get())) {
        fuzz_require(!usual && (own < 3 || folder + (own < 9 ? own + 1 : 10) > PATH_BUFFER_UNITS),
                     "a temporary name with room is formed");
        return;
    }
    for (size_t i = 0; i < folder; ++i)
        fuzz_require(temporary[i] == token[i], "the temporary file is in the document's folder");
    const WCHAR* name = temporary.get() + folder;
    size_t units = 0;
    while (name[units] != 0) ++units;
    const char frame[] = "~kestrel-########.tmp";
    for (size_t i = 0; i < units; ++i) {
        bool random = usual ? frame[i] == '#' : i > 0;
        bool letter = (name[i] >= WIDE('0') && name[i] <= WIDE('9')) || (name[i] >= WIDE('a') && name[i] <= WIDE('z'));
        fuzz_require(random ? letter : name[i] == static_cast<WCHAR>(frame[i]), "the temporary name is ~kestrel-XXXXXXXX.tmp or ~X...");
    }
    fuzz_require(usual ? units == TEMPORARY_NAME_UNITS - 1 : units <= own && units <= 9, "the temporary name's length");
    fuzz_require(path_file_name(temporary.get()) == name, "the name adds no folder");
    fuzz_require(make_temporary_path(token, again.get()), "a second name is formed");
    bool same = true;
    for (size_t i = 0; i < units; ++i) same = same && again[folder + i] == name[i];
    fuzz_require(!same || units < 7, "every name is new");
}

static bool is_ascii_text(const WCHAR* text, const char* ascii) {
    while (*ascii != 0 && *text == static_cast<WCHAR>(*ascii)) ++text, ++ascii;
    return *ascii == 0 && *text == 0;
}

// -o and --output are options of both programs and take the next argument.
static void check_option(const WCHAR* token) {
    bool output = is_ascii_text(token, "-o") || is_ascii_text(token, "--output");
    for (int posix = 0; posix <= 1; ++posix) {
        const OptionSpec* option = find_option(token, posix);
        fuzz_require(output == (option != nullptr && option->kind == OPTION_PDF_NAME),
                     "-o and --output name the output");
        if (output) fuzz_require(option->value_name != nullptr, "-o takes a value");
    }
}

// The metadata options take any argument as their text: as the user sees it,
// or a usage error for a control character XML cannot hold.
static void check_text_options(const WCHAR* token) {
    const OptionSpec* title = find_option(WIDE("--title"), 0);
    fuzz_require(title != nullptr && title->kind == OPTION_TEXT && title->value_name != nullptr,
                 "--title takes a text in both programs");
    std::unique_ptr<Settings> settings(new Settings{});
    take_option(title, token, settings.get());
    std::vector<WCHAR> shown(token, token + fuzz_length(token) + 1);
    name_as_shown(shown.data());
    bool holdable = pdf_xml_text(nullptr, 0, shown.data()) >= 0;
    fuzz_require((settings->usage_error == nullptr) == holdable, "refused only for what XML cannot hold");
    for (size_t i = 0; holdable && i < shown.size(); ++i)
        fuzz_require(settings->convert.metadata.title[i] == shown[i], "the title is the text as shown");
}

// The argument as each layout option's value: taken only within its limits,
// kept in `layout` when it is.
static void take_layout_values(const WCHAR* token, Settings* layout) {
    static const WCHAR* const names[] = {WIDE("--page-size"), WIDE("--fit"), WIDE("--margin"), WIDE("--dpi")};
    for (const WCHAR* name : names) {
        std::unique_ptr<Settings> trial(new Settings(*layout));
        trial->values_given = 0;
        take_option(find_option(name, 0), token, trial.get());
        if (trial->usage_error != nullptr) continue;
        const LayoutSettings* taken = &trial->convert.layout;
        for (double length : {taken->margin_pt, taken->sheet.width_pt, taken->sheet.height_pt})
            fuzz_require(length >= 0.0 && length <= LARGEST_PAGE_PT, "lengths within limits");
        fuzz_require(taken->dpi == 0.0 || (taken->dpi >= 1.0 && taken->dpi <= 65535.0), "a resolution within limits");
        *layout = *trial;
    }
}

// A picture of the input's size, density and orientation laid out with the
// values taken: its page and content stream are numbers a PDF can hold.
static void check_laid_out_page(const uint8_t* data, size_t size, Settings* layout) {
    check_layout(layout);
    if (size < 8 || layout->usage_error != nullptr) return;
    ImageInfo info = {};
    info.width = 1u + (data[0] | static_cast<uint32_t>(data[1]) << 8u);
    info.height = 1u + (data[2] | static_cast<uint32_t>(data[3]) << 8u);
    const double density = data[4] | static_cast<uint32_t>(data[5]) << 8u;
    info.width_pt = density > 0.0 ? info.width * 72.0 / density : info.width;
    info.height_pt = density > 0.0 ? info.height * 72.0 / density : info.height;
    info.orientation = data[6] % 10u;
    layout->convert.flags = data[7] & CONVERT_AUTO_ORIENT;
    PageLayout page;
    page_layout(&info, &layout->convert, &page);
    char content[PAGE_CONTENT_BYTES];
    fuzz_require(page_content(&info, &layout->convert, &page, 0, content, PAGE_CONTENT_BYTES) > 0,
                 "the content stream fits its buffer");
    fuzz_require(std::strstr(content, "nan") == nullptr && std::strstr(content, "inf") == nullptr,
                 "the content stream holds numbers");
    const PageSize* sheet = &layout->convert.layout.sheet;
    const double across = page.page_width_pt, down = page.page_height_pt;
    fuzz_require(std::isfinite(across) && std::isfinite(down) &&
                     (sheet->width_pt == 0.0 || (across == sheet->width_pt && down == sheet->height_pt) ||
                      (across == sheet->height_pt && down == sheet->width_pt)),
                 "a finite page, the page size turned or not");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<WCHAR> line = fuzz_units(data, size);
    const WCHAR* end = line.data() + line.size() - 1;  // the terminating zero
    std::unique_ptr<WCHAR[]> token(new WCHAR[PATH_BUFFER_UNITS]);
    std::unique_ptr<WCHAR[]> plain_token(new WCHAR[PATH_BUFFER_UNITS]);
    std::unique_ptr<Settings> layout(new Settings());
    // The naming takes any text, not only what fits a token.
    check_output_path(line.data(), line.size() - 1);
    check_temporary_path(line.data());
#ifndef _WIN32
    check_name_round_trip(data, size);
#endif

    const WCHAR* cursor = line.data();
    const WCHAR* plain_cursor = line.data();  // the same walk without the too-long flag
    size_t count = 0;
    for (;;) {
        const WCHAR* before = cursor;
        int too_long = -1;
        WCHAR* result = next_argument(&cursor, token.get(), &too_long);
        WCHAR* plain_result = next_argument(&plain_cursor, plain_token.get(), nullptr);
        fuzz_require((result == nullptr) == (plain_result == nullptr) && cursor == plain_cursor,
                     "the too-long flag is optional");
        fuzz_require(cursor >= before && cursor <= end, "the cursor stays in the line");
        if (result == nullptr) break;
        fuzz_require(result == token.get(), "the argument is in the caller's buffer");
        fuzz_require(cursor > before, "every argument moves the cursor on");
        fuzz_require(++count <= line.size(), "the arguments end");
        fuzz_require(too_long == 0 || too_long == 1, "the too-long flag is set");

        // The argument is the line's text from its first unit on, cut only
        // when too long, and it ends where the line says it ends.
        const WCHAR* start = before;
        while (*start == WIDE(' ')) ++start;
        bool quoted = *start == WIDE('"');
        if (quoted) ++start;
        size_t length = fuzz_length(token.get());
        fuzz_require(length >= 1 && length <= PATH_BUFFER_UNITS - 1, "1 to 261 units");
        for (size_t i = 0; i < length; ++i)
            fuzz_require(token[i] == start[i] && !is_end_of_argument(start[i], quoted),
                         "the argument is the line's text");
        fuzz_require(too_long == (is_end_of_argument(start[length], quoted) ? 0 : 1),
                     "only an argument that does not fit is flagged");
        for (size_t i = 0; i <= length; ++i)
            fuzz_require(plain_token[i] == token[i], "both walks give the same argument");
        check_output_path(token.get(), length);
        check_temporary_path(token.get());
        check_option(token.get());
        check_text_options(token.get());
        take_layout_values(token.get(), layout.get());
    }
    check_laid_out_page(data, size, layout.get());
    return 0;
}
