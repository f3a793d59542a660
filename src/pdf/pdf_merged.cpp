// A document of any number of pages: each page's image, profile (the first
// time it is met), label, page and content objects written at once; the
// page tree, catalog and information dictionary after the last page.
#include "pdf/pdf_merged.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pdf/pdf_image.h"
#include "pdf/pdf_outline.h"
#include "pdf/pdf_metadata.h"
#include "pdf/pdf_writer.h"
#include "platform/files.h"

// Written last under numbers taken first: pages name their parent, and the
// trailer's /Root is object 1.
constexpr int32_t CATALOG_OBJECT = 1;
constexpr int32_t PAGE_TREE_OBJECT = 2;
constexpr int32_t ARCHIVE_LAST_OBJECT = 8388607;

// One distinct profile: the hash and size of its bytes, the address of a
// shared profile that has them (or null), a copy of an embedded one's bytes
// (or null), and the object that holds them.
struct MergedProfile {
    const IccProfile* shared;
    unsigned char* copy;
    uint64_t hash;
    int32_t size;
    int32_t object;
};

// A hash only tells profiles apart: two that share one are compared byte for
// byte, so an embedded profile's bytes are kept, up to this much in all. One
// met past it gets a stream of its own; the document is never wrong.
constexpr int64_t PROFILE_COPY_BYTES = 1024 * 1024;
constexpr int32_t QUICK_COMPARES = 4;

struct MergedDocument {
    int32_t* page_objects;  // a page's label object is the one before it
    int32_t page_count;
    int32_t page_capacity;
    MergedProfile* profiles;
    int32_t profile_count;
    int32_t profile_capacity;
    int64_t copied_bytes;
    int32_t first_profile;  // the first page's, -1 for none
    int same_profile;
    WCHAR subject[ICC_DESCRIPTION_UNITS];
    PdfOutline* outline;  // while pages come with an outline path
    int32_t outline_root;
};

static void release_tables(PdfWriter* writer) {
    MergedDocument* merged = writer->merged;
    if (merged == nullptr) return;
    for (int32_t i = 0; i < merged->profile_count; i++) free(merged->profiles[i].copy);
    free(merged->page_objects);
    free(merged->profiles);
    pdf_free_outline(&merged->outline);
    free(merged);
    writer->merged = nullptr;
}

int pdf_begin_merged(PdfWriter* writer, const WCHAR* path, const DocumentChoices* choices) {
    return pdf_begin_merged_on(writer, open_file(path, GENERIC_WRITE, CREATE_NEW), choices);
}

// The document is written front to back, never seeking, so `file` may be a pipe.
int pdf_begin_merged_on(PdfWriter* writer, HANDLE file, const DocumentChoices* choices) {
    release_tables(writer);
    writer->ok = 0;
    writer->failure = Failure{};
    writer->unended_images = 0;
    writer->choices = *choices;
    writer->choices.creation_date[0] = 0;  // the first page's, when it comes
    writer->file = file;
    if (writer->file == INVALID_HANDLE_VALUE) return 0;
    pdf_begin_bytes(writer);
    writer->merged = static_cast<MergedDocument*>(calloc(1, sizeof(MergedDocument)));
    writer->ok = writer->merged != nullptr && pdf_attach_grown_offsets(writer);
    pdf_write_header(writer);
    writer->next_object = PAGE_TREE_OBJECT + 1;
    writer->info_object = 0;
    return writer->ok;
}

int32_t pdf_merged_page_count(const PdfWriter* writer) {
    return writer->merged != nullptr ? writer->merged->page_count : 0;
}

// Doubles a table of `size`-byte entries when it is full; 0 when memory runs out.
static int make_room(void** table, int32_t count, int32_t* capacity, size_t size) {
    if (count < *capacity) return 1;
    int32_t grown = *capacity == 0 ? 256 : *capacity * 2;
    if (grown <= *capacity) return 0;
    void* bigger = realloc(*table, static_cast<size_t>(grown) * size);
    if (bigger == nullptr) return 0;
    *table = bigger;
    *capacity = grown;
    return 1;
}

static uint64_t hash_bytes(const unsigned char* bytes, int32_t size) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (int32_t i = 0; i < size; i++) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// The index of the entry of a profile met before, or -1 with its hash and
// size for add_profile. A shared profile is hashed once at most.
static int32_t find_profile(PdfWriter* writer, const IccProfile* profile, int shared, uint64_t* hash_out, int32_t* size_out) {
    MergedDocument* merged = writer->merged;
    if (shared)
        for (int32_t i = 0; i < merged->profile_count; i++)
            if (merged->profiles[i].shared == profile) return i;
    int32_t size = pdf_profile_stream_length(profile);
    // A document holds few profiles, seldom two of one size: an embedded one
    // compared with the first few of its size is mostly found without the
    // hash, which takes far longer than comparing.
    for (int32_t i = 0, tried = 0; !shared && i < merged->profile_count && tried < QUICK_COMPARES; i++) {
        const MergedProfile* known = &merged->profiles[i];
        const unsigned char* bytes = known->shared != nullptr ? icc_bytes(known->shared) : known->copy;
        if (known->size != size || bytes == nullptr) continue;
        if (memcmp(bytes, icc_bytes(profile), static_cast<size_t>(size)) == 0) return i;
        ++tried;
    }
    uint64_t hash = hash_bytes(icc_bytes(profile), size);
    *hash_out = hash;
    *size_out = size;
    for (int32_t i = 0; i < merged->profile_count; i++) {
        MergedProfile* known = &merged->profiles[i];
        if (known->hash != hash || known->size != size) continue;
        const unsigned char* bytes = known->shared != nullptr ? icc_bytes(known->shared) : known->copy;
        if (bytes == nullptr || memcmp(bytes, icc_bytes(profile), static_cast<size_t>(size)) != 0)
            continue;
        if (shared && known->shared == nullptr) known->shared = profile;
        return i;
    }
    return -1;
}

// A new entry, its profile written as the next object; -1 when the document failed.
static int32_t add_profile(PdfWriter* writer, const IccProfile* profile, int shared, uint64_t hash, int32_t size) {
    MergedDocument* merged = writer->merged;
    void* table = merged->profiles;
    if (!make_room(&table, merged->profile_count, &merged->profile_capacity, sizeof(MergedProfile))) {
        writer->ok = 0;
        return -1;
    }
    merged->profiles = static_cast<MergedProfile*>(table);
    MergedProfile* entry = &merged->profiles[merged->profile_count];
    entry->shared = shared ? profile : nullptr;
    entry->copy = nullptr;
    if (!shared && merged->copied_bytes + size <= PROFILE_COPY_BYTES) {
        entry->copy = static_cast<unsigned char*>(malloc(static_cast<size_t>(size) + 1));
        if (entry->copy != nullptr) {
            memcpy(entry->copy, icc_bytes(profile), static_cast<size_t>(size));
            merged->copied_bytes += size;
        }
    }
    entry->hash = hash;
    entry->size = size;
    entry->object = writer->next_object;
    if (!pdf_write_profile_stream(writer, profile)) {
        free(entry->copy);
        return -1;
    }
    return merged->profile_count++;
}

int pdf_add_merged_page(PdfWriter* writer, const MergedPage* added) {
    if (!writer->ok) return 0;
    MergedDocument* merged = writer->merged;
    const PageSpec* page = added->page;
    const IccProfile* profile = added->profile;
    const int shared = added->shared_profile;
    // PDF/A-1 allows 8,388,607 objects: a page past them is left out, the
    // document kept for the catalog, information and XMP objects still to come.
    if (writer->choices.archive && writer->next_object > ARCHIVE_LAST_OBJECT - 8) return 0;
    void* table = merged->page_objects;
    if (!make_room(&table, merged->page_count, &merged->page_capacity, sizeof(int32_t))) {
        writer->ok = 0;
        return 0;
    }
    merged->page_objects = static_cast<int32_t*>(table);

    uint64_t hash = 0;
    int32_t size = 0;
    int32_t entry = profile != nullptr ? find_profile(writer, profile, shared, &hash, &size) : -1;
    // The image first: one refused before its object began leaves nothing
    // behind, so the page is left out and the document goes on.
    int64_t before = writer->bytes_written;
    int32_t image_object = writer->next_object;
    // An archive's image is drawn in its profile: one met before, or the new
    // stream that follows the image.
    int32_t profile_object = entry >= 0 ? merged->profiles[entry].object : image_object + 1;
    writer->image_profile_object = writer->choices.archive && profile != nullptr ? profile_object : 0;
    if (!pdf_write_image(writer, added->image_path, added->image, 0, 0)) {
        if (writer->bytes_written == before) writer->ok = 1;
        return 0;
    }
    if (profile != nullptr && entry < 0) entry = add_profile(writer, profile, shared, hash, size);
    if (!writer->ok) return 0;

    if (merged->page_count == 0) {
        snprintf(writer->choices.creation_date, sizeof writer->choices.creation_date, "%s", added->creation_date);
        merged->first_profile = entry;
        merged->same_profile = 1;
        if (profile != nullptr) {
            // The description lives in the profile, which the caller may free.
            const WCHAR* description = icc_description(profile);
            int n = 0;
            while (description[n] != 0 && n < ICC_DESCRIPTION_UNITS - 1)
                merged->subject[n] = description[n], ++n;
            merged->subject[n] = 0;
        }
    } else if (entry != merged->first_profile) {
        merged->same_profile = 0;
    }

    pdf_begin_object(writer);
    pdf_write_label(writer, page->label);
    pdf_end_object(writer);

    const int32_t page_object = writer->next_object;
    const PageResources resources = {entry >= 0 ? merged->profiles[entry].object : 0,
                                     icc_component_count(profile), 0, 0, 1, image_object};
    pdf_write_page_object(writer, PAGE_TREE_OBJECT, &resources, page_object + 1, page);
    pdf_write_stream_object(writer, "<< /Length %ld >>", added->content, static_cast<int32_t>(strlen(added->content)));
    if (!writer->ok) return 0;
    merged->page_objects[merged->page_count++] = page_object;
    if (added->outline_path != nullptr && !pdf_outline_page(writer, &merged->outline, page_object, added->outline_path))
        writer->ok = 0;
    return writer->ok;
}

// The pages as the catalog and the page tree name them: each page's label is
// the object before it.
static CatalogSpec pages_of(const MergedDocument* merged) {
    return CatalogSpec{PAGE_TREE_OBJECT, merged->page_objects[0], merged->page_count, nullptr, 0,
                       merged->page_objects, merged->outline_root};
}

// The catalog with a label for every page, each a piece of its own.
static void write_catalog(PdfWriter* writer) {
    const CatalogSpec catalog = pages_of(writer->merged);
    pdf_begin_reserved_object(writer, CATALOG_OBJECT);
    pdf_write_catalog_dictionary(writer, &catalog);
    pdf_end_reserved_object(writer);
}

static void write_page_tree(PdfWriter* writer) {
    const CatalogSpec pages = pages_of(writer->merged);
    pdf_begin_reserved_object(writer, PAGE_TREE_OBJECT);
    pdf_write_page_tree_head(writer, &pages);
    pdf_printf(writer, ">>");
    pdf_end_reserved_object(writer);
}

int pdf_end_merged(PdfWriter* writer, const WCHAR* title) {
    MergedDocument* merged = writer->merged;
    if (merged == nullptr || merged->page_count == 0) writer->ok = 0;
    if (writer->ok) {
        merged->outline_root = pdf_end_outline(writer, &merged->outline);
        write_page_tree(writer);
        // The information dictionary comes next, and an archive's XMP packet after it.
        writer->info_object = writer->next_object;
        writer->metadata_object = writer->choices.archive ? writer->info_object + 1 : 0;
        write_catalog(writer);
        int subject = merged->same_profile && merged->first_profile >= 0;
        pdf_write_info(writer, title, subject ? merged->subject : nullptr);
    }
    int complete = pdf_end_document(writer);
    release_tables(writer);
    return complete;
}
