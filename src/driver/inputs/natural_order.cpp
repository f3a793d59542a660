// Natural order of names, locale-independent: the same order on every machine.
#include "driver/inputs/natural_order.h"

#include "platform/text.h"

static int is_digit(WCHAR c) {
    return c >= WIDE('0') && c <= WIDE('9');
}

// Compares the digit runs at *a and *b by value and moves both past them.
static int compare_numbers(const WCHAR** a, const WCHAR** b) {
    while (**a == WIDE('0')) ++*a;
    while (**b == WIDE('0')) ++*b;
    int length_a = 0, length_b = 0;
    while (is_digit((*a)[length_a])) ++length_a;
    while (is_digit((*b)[length_b])) ++length_b;
    int order = length_a - length_b;
    for (int i = 0; order == 0 && i < length_a; ++i) order = (*a)[i] - (*b)[i];
    *a += length_a;
    *b += length_b;
    return order;
}

int natural_compare(const WCHAR* a, const WCHAR* b) {
    const WCHAR* x = a;
    const WCHAR* y = b;
    while (*x != 0 && *y != 0) {
        int order = is_digit(*x) && is_digit(*y) ? compare_numbers(&x, &y) : fold_ascii_case(*x++) - fold_ascii_case(*y++);
        if (order != 0) return order;
    }
    if (*x != 0 || *y != 0) return *x != 0 ? 1 : -1;
    while (*a != 0 && *a == *b) ++a, ++b;
    return static_cast<int>(*a) - static_cast<int>(*b);
}
