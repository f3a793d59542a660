// The order a folder's names are taken in: digits compared as numbers, so
// page2 comes before page10, as people number their scans.
#pragma once

#include "platform/win32.h"

// Below 0, 0 or above 0 as a comes before, is, or comes after b. Runs of
// digits compare by value, letters A-Z as a-z; names that still tie (page01,
// page1) are ordered by their units, so only equal names compare equal.
int natural_compare(const WCHAR* a, const WCHAR* b);
