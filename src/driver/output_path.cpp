// The names a run writes under, formed in the caller's PATH_BUFFER_UNITS
// buffer and refused, never cut, when they do not fit.
#include "driver/output_path.h"

#include <cstddef>
#include <cstdio>

#include "driver/next_argument.h"
#include "platform/path.h"

int make_output_path(const WCHAR* argument, WCHAR* output) {
    const WCHAR* extension = path_extension(argument);
    ptrdiff_t stem = extension - argument;
    if (stem + 5 > PATH_BUFFER_UNITS) return 0;  // ".pdf" and the zero must fit
    for (ptrdiff_t i = 0; i < stem; ++i) output[i] = argument[i];
    const WCHAR pdf[] = WIDE(".pdf");
    for (int i = 0; i < 5; ++i) output[stem + i] = pdf[i];
    return 1;
}

int make_temporary_path(const WCHAR* output_path, int number, WCHAR* temporary_path) {
    const WCHAR* name = path_file_name(output_path);
    int folder = static_cast<int>(name - output_path);
    char ascii[TEMPORARY_NAME_UNITS + 8];
    int length = snprintf(ascii, sizeof ascii, "~kestrel-%04d.tmp", number);
    if (number < 0 || length != TEMPORARY_NAME_UNITS - 1 || folder + TEMPORARY_NAME_UNITS > PATH_BUFFER_UNITS)
        return 0;
    for (int i = 0; i < folder; ++i) temporary_path[i] = output_path[i];
    for (int i = 0; i < TEMPORARY_NAME_UNITS; ++i)
        temporary_path[folder + i] = static_cast<WCHAR>(ascii[i]);
    return 1;
}
