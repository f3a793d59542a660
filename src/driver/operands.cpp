// Walking the operands: an option is looked up in the table, with its value
// in the next argument or after "=" (--output=book.pdf).
#include "driver/operands.h"

#include "driver/options.h"

// A usage error is noted only in the pass that takes the options.
static void note(Settings* settings, const char* what, const WCHAR* argument) {
    if (settings != nullptr) note_usage_error(settings, what, argument);
}

WCHAR* next_operand(OperandWalk* walk, WCHAR* token, int* too_long, Settings* settings) {
    while (next_argument(&walk->cursor, token, too_long) != nullptr) {
        if (walk->options_ended) return token;
        const WCHAR* value = nullptr;
        const OptionSpec* option = find_option(token, walk->posix);
        if (option == nullptr) option = find_option_with_value(token, walk->posix, &value);
        if (option == nullptr) {
            // On POSIX anything else that looks like an option is a mistake,
            // never a file: a file "-x.jpg" is named after "--".
            if (!(walk->posix && token[0] == WIDE('-') && token[1] != 0)) return token;
            note(settings, *too_long ? "argument too long" : "unknown option", token);
            continue;
        }
        if (option->kind == OPTION_END_OF_OPTIONS) walk->options_ended = 1;
        if (value != nullptr && (option->value_name == nullptr || *too_long)) {
            note(settings, *too_long ? "value too long" : "option takes no value", token);
            continue;
        }
        if (option->value_name != nullptr && value == nullptr) {
            WCHAR name[PATH_BUFFER_UNITS];
            for (int i = 0; (name[i] = token[i]) != 0; ++i) {
            }
            if (next_argument(&walk->cursor, token, too_long) == nullptr || *too_long) {
                note(settings, *too_long ? "value too long" : "missing value", name);
                continue;
            }
            value = token;
        }
        if (settings != nullptr) take_option(option, value, settings);
    }
    return nullptr;
}
