// ASCII case folding and XML's forbidden characters.
#include "platform/text.h"

WCHAR fold_ascii_case(WCHAR unit) {
    return unit >= WIDE('A') && unit <= WIDE('Z') ? static_cast<WCHAR>(unit - WIDE('A') + WIDE('a')) : unit;
}

int xml_forbids(uint32_t code) {
    return (code < 0x20 && code != 0x09 && code != 0x0A && code != 0x0D) || code == 0xFFFE || code == 0xFFFF;
}

int xml_can_hold(const WCHAR* text) {
    for (; *text != 0; ++text)
        if (xml_forbids(*text)) return 0;
    return 1;
}
