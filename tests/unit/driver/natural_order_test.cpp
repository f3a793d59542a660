// The order -r takes a folder's names in.
#include <gtest/gtest.h>

#include "driver/inputs/natural_order.h"
#include "support.h"

namespace {

TEST(NaturalOrder, NumbersByValueLettersWithoutCaseThenUnits) {
    // Each name comes strictly before the next.
    // A-Z fold to a-z at both ends of the range and nowhere else: '@' and '['
    // stay where they are, and letters beyond ASCII compare as their units.
    const char* const ordered[] = {"",          "2",         "10",     "@",       "[",      "_",
                                   "a",         "Apple",     "page",   "page 9",  "page1",  "Page2",
                                   "page02.jpg", "page2.jpg", "page2a", "page010", "page10", "page10b",
                                   "x0",        "x00",       "Zebra",  "zoo",     "ZZ",     "~",
                                   "\u00c0",    "\u00e0",    "\u00e9"};
    for (size_t i = 0; i + 1 < sizeof ordered / sizeof *ordered; ++i) {
        WideString a = wide(ordered[i]), b = wide(ordered[i + 1]);
        EXPECT_LT(natural_compare(a.c_str(), b.c_str()), 0) << ordered[i] << " < " << ordered[i + 1];
        EXPECT_GT(natural_compare(b.c_str(), a.c_str()), 0) << ordered[i + 1] << " > " << ordered[i];
        EXPECT_EQ(natural_compare(a.c_str(), a.c_str()), 0) << ordered[i];
    }
}

}  // namespace
