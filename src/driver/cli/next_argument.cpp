// The command-line tokenizer: blanks separate arguments, a leading double
// quote runs to the next one, and there are no escapes.
#include <cstddef>

#include "driver/cli/next_argument.h"

WCHAR* next_argument(const WCHAR** cursor, WCHAR* token, int* too_long) {
    return next_argument_into(cursor, token, PATH_BUFFER_UNITS, too_long);
}

WCHAR* next_argument_into(const WCHAR** cursor, WCHAR* token, int capacity, int* too_long) {
    const WCHAR* at = *cursor;
    while (*at == u' ') ++at;
    if (*at == 0) {
        *cursor = at;
        return nullptr;
    }
    const WCHAR* start;
    const WCHAR* end;
    const WCHAR* after;
    if (*at == u'"') {
        start = at + 1;
        end = start;
        while (*end != 0 && *end != u'"') ++end;
        after = *end == u'"' ? end + 1 : end;
    } else {
        start = at;
        end = start;
        while (*end != 0 && *end != u' ') ++end;
        after = end;
    }
    // An empty argument ends the whole list, and the cursor stays put.
    if (end == start) return nullptr;
    *cursor = after;
    ptrdiff_t length = end - start;
    int cut = length > capacity - 1;
    if (cut) length = capacity - 1;
    for (ptrdiff_t i = 0; i < length; ++i) token[i] = start[i];
    token[length] = 0;
    if (too_long != nullptr) *too_long = cut;
    return token;
}
