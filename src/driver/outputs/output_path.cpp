// The names a run writes under, formed in the caller's PATH_BUFFER_UNITS
// buffer and refused, never cut, when they do not fit.
#include "driver/outputs/output_path.h"

#include <cstddef>

#include "platform/path.h"
#include "platform/random.h"

int make_output_path(const WCHAR* argument, WCHAR* output) {
    const WCHAR* extension = path_extension(argument);
    ptrdiff_t stem = extension - argument;
    if (stem + 5 > PATH_BUFFER_UNITS) return 0;  // ".pdf" and the zero must fit
    for (ptrdiff_t i = 0; i < stem; ++i) output[i] = argument[i];
    const WCHAR pdf[] = WIDE(".pdf");
    for (int i = 0; i < 5; ++i) output[stem + i] = pdf[i];
    return 1;
}

// Random bytes drawn from the system a name's worth at a time, fetched eight
// names ahead: one system call per eight files; a pool per thread.
static int next_random(unsigned char* random) {
    static thread_local unsigned char pool[64];
    static thread_local unsigned used = sizeof pool;
    if (used == sizeof pool) {
        if (!fill_random(pool, sizeof pool)) return 0;
        used = 0;
    }
    for (int i = 0; i < 8; ++i) random[i] = pool[used++];
    return 1;
}

// Where the usual name would not fit, a shorter one in no more units than
// the PDF's own name ("~" and random letters), so that wherever a PDF can
// be written, its temporary file can be too.
int make_temporary_path(const WCHAR* output_path, WCHAR* temporary_path) {
    static const char letters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const WCHAR* name = path_file_name(output_path);
    int folder = static_cast<int>(name - output_path);
    int name_units = 0;
    while (name[name_units] != 0) ++name_units;
    unsigned char random[8];
    char ascii[TEMPORARY_NAME_UNITS] = "~kestrel-########.tmp";
    int units = TEMPORARY_NAME_UNITS;
    if (folder + units > PATH_BUFFER_UNITS) {
        units = name_units < 9 ? name_units + 1 : 10;
        if (units < 4 || folder + units > PATH_BUFFER_UNITS) return 0;
        for (int i = 1; i < units - 1; ++i) ascii[i] = '#';
        ascii[units - 1] = 0;
    }
    if (!next_random(random)) return 0;
    for (int i = 0, r = 0; i < units - 1; ++i)
        if (ascii[i] == '#') ascii[i] = letters[random[r++] % 36];
    for (int i = 0; i < folder; ++i) temporary_path[i] = output_path[i];
    for (int i = 0; i < units; ++i) temporary_path[folder + i] = static_cast<WCHAR>(ascii[i]);
    return 1;
}
