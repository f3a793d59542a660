// The outline's entries as linked objects (/Parent, /Prev, /Next, /First,
// /Last, /Count, /Dest). An entry's number is taken when it is met and the
// entry written when its next sibling is met or its parent closes: all the
// links it holds are known by then.
#include "pdf/pdf_outline.h"

#include <cstdlib>
#include <cstring>

#include "pdf/pdf_objects.h"
#include "pdf/pdf_writer.h"

constexpr int OUTLINE_LEVELS = 160;  // folders in a path of 262 units, and the root

struct OutlineEntry {
    WCHAR title[PAGE_LABEL_UNITS];
    int32_t number;
    int32_t prev;
    int32_t first;  // of its entries; a page has none
    int32_t last;
    int32_t count;  // entries below it, all shown open
    int32_t dest;   // the page it opens: its own, or a folder's first
};

// Level 0 is the root; level L > 0 the open folder at depth L. Each level's
// last entry waits to be written: a page (`page`) or the folder one level
// down (`waiting_folder`), open or closed.
struct OutlineLevel {
    OutlineEntry folder;
    OutlineEntry page;
    int waiting_page;
    int waiting_folder;
};

struct PdfOutline {
    OutlineLevel levels[OUTLINE_LEVELS];
    int depth;  // open folders
};

static void write_entry(PdfWriter* writer, const OutlineEntry* entry, int32_t parent, int32_t next) {
    pdf_begin_reserved_object(writer, entry->number);
    pdf_printf(writer, "<<\r/Title (");
    pdf_write_text(writer, entry->title);
    pdf_printf(writer, ")\r/Parent %d 0 R\r", parent);
    if (entry->prev != 0) pdf_printf(writer, "/Prev %d 0 R\r", entry->prev);
    if (next != 0) pdf_printf(writer, "/Next %d 0 R\r", next);
    if (entry->first != 0)
        pdf_printf(writer, "/First %d 0 R\r/Last %d 0 R\r/Count %d\r", entry->first, entry->last, entry->count);
    pdf_printf(writer, "/Dest [ %d 0 R /Fit ]\r>>", entry->dest);
    pdf_end_reserved_object(writer);
}

// The entry waiting at `level`, written now that its next sibling (or none) is known.
static void write_waiting(PdfWriter* writer, PdfOutline* outline, int level, int32_t next) {
    OutlineLevel* at = &outline->levels[level];
    if (at->waiting_page) write_entry(writer, &at->page, at->folder.number, next);
    if (at->waiting_folder) write_entry(writer, &outline->levels[level + 1].folder, at->folder.number, next);
    at->waiting_page = at->waiting_folder = 0;
}

// A new entry under `level`: its number taken, its elder sibling written,
// every open level above it one entry larger.
static void add_entry(PdfWriter* writer, PdfOutline* outline, int level, OutlineEntry* entry, int32_t dest) {
    OutlineLevel* at = &outline->levels[level];
    entry->number = writer->next_object++;
    entry->prev = at->folder.last;
    entry->first = entry->last = entry->count = 0;
    entry->dest = dest;
    write_waiting(writer, outline, level, entry->number);
    if (at->folder.first == 0) at->folder.first = entry->number;
    at->folder.last = entry->number;
    for (int i = 0; i <= level; ++i) ++outline->levels[i].folder.count;
}

// Folder `level` closes: its last entry has no next.
static void close_level(PdfWriter* writer, PdfOutline* outline, int level) {
    write_waiting(writer, outline, level, 0);
    outline->levels[level - 1].waiting_folder = 1;
}

// Part `index` of a path ('\' between parts) into `part`, shown as the user
// sees names; 0 when there is no such part.
static int path_part(const WCHAR* path, int index, WCHAR* part) {
    for (int i = 0; i < index; ++i) {
        while (*path != 0 && *path != WIDE('\\')) ++path;
        if (*path++ == 0) return 0;
    }
    int n = 0;
    while (path[n] != 0 && path[n] != WIDE('\\') && n < PAGE_LABEL_UNITS - 1) part[n] = path[n], ++n;
    part[n] = 0;
    name_as_shown(part);
    return 1;
}

static int same_text(const WCHAR* a, const WCHAR* b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

int pdf_outline_page(PdfWriter* writer, PdfOutline** outline, int32_t page_object, const WCHAR* path) {
    if (*outline == nullptr) {
        *outline = static_cast<PdfOutline*>(calloc(1, sizeof(PdfOutline)));
        if (*outline == nullptr) return 0;
        (*outline)->levels[0].folder.number = writer->next_object++;
    }
    PdfOutline* tree = *outline;
    WCHAR part[PAGE_LABEL_UNITS];
    int parts = 0;
    while (parts < OUTLINE_LEVELS && path_part(path, parts, part)) ++parts;
    const int folders = parts > 0 ? parts - 1 : 0;
    // The open folders this page shares; the others close, deepest first.
    int shared = 0;
    while (shared < folders && shared < tree->depth && path_part(path, shared, part) &&
           same_text(part, tree->levels[shared + 1].folder.title))
        ++shared;
    while (tree->depth > shared) close_level(writer, tree, tree->depth--);
    // Each entry is made aside: the one it follows may wait in its place.
    OutlineEntry entry;
    while (tree->depth < folders) {
        const int level = tree->depth;
        path_part(path, level, entry.title);
        add_entry(writer, tree, level, &entry, page_object);
        OutlineLevel* opened = &tree->levels[level + 1];
        opened->folder = entry;
        opened->waiting_page = opened->waiting_folder = 0;
        tree->levels[level].waiting_folder = 1;
        ++tree->depth;
    }
    if (!path_part(path, folders, entry.title)) entry.title[0] = 0;
    add_entry(writer, tree, tree->depth, &entry, page_object);
    tree->levels[tree->depth].page = entry;
    tree->levels[tree->depth].waiting_page = 1;
    return 1;
}

int32_t pdf_end_outline(PdfWriter* writer, PdfOutline** outline) {
    PdfOutline* tree = *outline;
    if (tree == nullptr) return 0;
    while (tree->depth > 0) close_level(writer, tree, tree->depth--);
    write_waiting(writer, tree, 0, 0);
    const OutlineEntry* root = &tree->levels[0].folder;
    const int32_t number = root->number;
    pdf_begin_reserved_object(writer, number);
    pdf_printf(writer, "<<\r/Type /Outlines\r/First %d 0 R\r/Last %d 0 R\r/Count %d\r>>", root->first, root->last,
               root->count);
    pdf_end_reserved_object(writer);
    pdf_free_outline(outline);
    return number;
}

void pdf_free_outline(PdfOutline** outline) {
    free(*outline);
    *outline = nullptr;
}
