// A hash set of file identities, 16 bytes a slot and at most half full: a
// few dozen bytes per output, whatever the number of files.
#include "driver/written_outputs.h"

#include <cstdlib>

static uint64_t mix(const FileIdentity* identity) {
    uint64_t x = identity->index ^ (uint64_t{identity->volume} << 32 | identity->volume);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;  // splitmix64's finish
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

static int is_empty(const FileIdentity* slot) {
    return slot->volume == 0 && slot->index == 0;
}

// The slot that holds `identity`, or the empty one where it would go.
static FileIdentity* slot_of(const WrittenOutputs* outputs, const FileIdentity* identity) {
    uint32_t at = static_cast<uint32_t>(mix(identity)) & (outputs->capacity - 1);
    for (;;) {
        FileIdentity* slot = &outputs->slots[at];
        if (is_empty(slot) || (slot->volume == identity->volume && slot->index == identity->index)) return slot;
        at = (at + 1) & (outputs->capacity - 1);
    }
}

int was_written(const WrittenOutputs* outputs, const WCHAR* path) {
    FileIdentity identity;
    if (outputs->count == 0 || !file_identity(path, &identity) || is_empty(&identity)) return 0;
    return !is_empty(slot_of(outputs, &identity));
}

// Doubles the table (from 64 slots) once it is half full; 0 when memory runs out.
static int make_room(WrittenOutputs* outputs) {
    if (outputs->count < outputs->capacity / 2) return 1;
    WrittenOutputs grown = {nullptr, outputs->capacity == 0 ? 64u : outputs->capacity * 2, outputs->count};
    if (grown.capacity <= outputs->capacity) return 0;
    grown.slots = static_cast<FileIdentity*>(calloc(grown.capacity, sizeof(FileIdentity)));
    if (grown.slots == nullptr) return 0;
    for (uint32_t i = 0; i < outputs->capacity; ++i)
        if (!is_empty(&outputs->slots[i])) *slot_of(&grown, &outputs->slots[i]) = outputs->slots[i];
    free(outputs->slots);
    *outputs = grown;
    return 1;
}

void remember_written(WrittenOutputs* outputs, const WCHAR* path) {
    FileIdentity identity;
    if (!file_identity(path, &identity) || is_empty(&identity) || !make_room(outputs)) return;
    FileIdentity* slot = slot_of(outputs, &identity);
    if (is_empty(slot)) ++outputs->count;
    *slot = identity;
}

void release_written(WrittenOutputs* outputs) {
    free(outputs->slots);
    *outputs = WrittenOutputs{};
}
