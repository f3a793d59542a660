// Taking a wide Windows-form path apart without copying: file-name part,
// extension, and the locale-independent comparison used for extensions.
#include "platform/path.h"

#include "platform/text.h"

// Only the backslash separates folders: "C:photo.jpg" and "photos/a.jpg" are
// file names as a whole, as the Windows shell would hand them to us.
const WCHAR* path_file_name(const WCHAR* path) {
    if (path == nullptr) return nullptr;
    const WCHAR* name = path;
    for (const WCHAR* p = path; *p != 0; ++p)
        if (*p == WIDE('\\')) name = p + 1;
    return name;
}

WCHAR* path_file_name(WCHAR* path) {
    return const_cast<WCHAR*>(path_file_name(static_cast<const WCHAR*>(path)));
}

// Searching from the file-name part on keeps a dot in a folder name from
// counting; with no dot the extension is the empty string at the terminator.
const WCHAR* path_extension(const WCHAR* path) {
    const WCHAR* name = path_file_name(path);
    if (name == nullptr) return nullptr;
    const WCHAR* dot = nullptr;
    const WCHAR* p = name;
    for (; *p != 0; ++p)
        if (*p == WIDE('.')) dot = p;
    return dot != nullptr ? dot : p;
}

WCHAR* path_extension(WCHAR* path) {
    return const_cast<WCHAR*>(path_extension(static_cast<const WCHAR*>(path)));
}

int copy_text(WCHAR* to, const WCHAR* from, int capacity) {
    int n = 0;
    while (from[n] != 0 && n < capacity - 1) to[n] = from[n], ++n;
    to[n] = 0;
    return n;
}

// A piece at a time: whether a unit shows as something depends on it alone.
int shows_as_empty(const WCHAR* name) {
    WCHAR piece[32];
    for (const WCHAR* at = name; *at != 0;) {
        const int taken = copy_text(piece, at, 32);
        name_as_shown(piece);
        if (piece[0] != 0) return 0;
        at += taken;
    }
    return 1;
}

// The user's locale must not decide whether ".JPG" is a JPEG file (a Turkish
// dotless i, say), so only A-Z fold and every other unit compares as is.
bool same_text_ignoring_ascii_case(const WCHAR* a, const WCHAR* b) {
    if (a == nullptr || b == nullptr) return a == b;
    for (;; ++a, ++b) {
        if (fold_ascii_case(*a) != fold_ascii_case(*b)) return false;
        if (*a == 0) return true;
    }
}
