// Walking the operands: an option is looked up in the table, with its value
// in the next argument or after "=" (--output=book.pdf).
#include "driver/cli/operands.h"

#include "driver/cli/next_argument.h"
#include "driver/cli/options.h"

// A usage error is noted only in the pass that takes the options.
static void note(Settings* settings, const char* what, const WCHAR* argument) {
    if (settings != nullptr) note_usage_error(settings, what, argument);
}

// A text option's value, which may be longer than a path: read again from
// `from` (where the argument holding it starts) into a buffer of its own.
static const WCHAR* long_text_value(const WCHAR* from, int separate, int* too_long) {
    static WCHAR text[TEXT_VALUE_UNITS + PATH_BUFFER_UNITS];
    if (next_argument_into(&from, text, TEXT_VALUE_UNITS + PATH_BUFFER_UNITS, too_long) == nullptr) return nullptr;
    const WCHAR* value = text;
    if (!separate)
        while (*value != 0 && *value++ != WIDE('=')) {
        }
    int length = 0;
    while (value[length] != 0) ++length;
    *too_long = *too_long || length > TEXT_VALUE_UNITS - 1;
    return value;
}

WCHAR* next_operand(OperandWalk* walk, WCHAR* token, int* too_long, Settings* settings) {
    const WCHAR* before = walk->cursor;
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
            before = walk->cursor;
            continue;
        }
        if (option->kind == OPTION_END_OF_OPTIONS) walk->options_ended = 1;
        const int text = option->kind == OPTION_TEXT;
        if (value != nullptr && text && *too_long) value = long_text_value(before, 0, too_long);
        if (value != nullptr && (option->value_name == nullptr || *too_long)) {
            note(settings, text ? "value too long (4,096 characters at most)" : *too_long ? "value too long" : "option takes no value",
                 token);
            before = walk->cursor;
            continue;
        }
        if (option->value_name != nullptr && value == nullptr) {
            WCHAR name[PATH_BUFFER_UNITS];
            for (int i = 0; (name[i] = token[i]) != 0; ++i) {
            }
            before = walk->cursor;
            value = next_argument(&walk->cursor, token, too_long);
            if (value != nullptr && text && *too_long) value = long_text_value(before, 1, too_long);
            if (value == nullptr || *too_long) {
                note(settings, value == nullptr ? "missing value" : text ? "value too long (4,096 characters at most)" : "value too long",
                     name);
                before = walk->cursor;
                continue;
            }
        }
        if (settings != nullptr) take_option(option, value, settings);
        before = walk->cursor;
    }
    return nullptr;
}
