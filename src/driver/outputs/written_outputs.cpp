// A hash set of the outputs' identities, mixed into 64 bits: two files of one
// key would take 2^32 outputs to be likely, and a run holds some 11 to 21
// bytes per output, whatever the number of files.
#include "driver/outputs/written_outputs.h"

#include <cstdlib>

// splitmix64's finish over volume, index and creation; never 0, the empty slot.
static uint64_t key_of(const FileIdentity* identity) {
    uint64_t x = identity->index ^ (uint64_t{identity->volume} << 32 | identity->volume) ^
                 (identity->created * 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return x != 0 ? x : 1;
}

// The slot that holds `key`, or the empty one where it would go.
static uint64_t* slot_of(const WrittenOutputs* outputs, uint64_t key) {
    uint32_t at = static_cast<uint32_t>(key) & (outputs->capacity - 1);
    while (outputs->slots[at] != 0 && outputs->slots[at] != key) at = (at + 1) & (outputs->capacity - 1);
    return &outputs->slots[at];
}

int was_written(const WrittenOutputs* outputs, const FileIdentity* identity) {
    return outputs->count != 0 && *slot_of(outputs, key_of(identity)) != 0;
}

// Doubles the table (from 64 slots) once it is three quarters full; 0 when
// memory runs out.
static int make_room(WrittenOutputs* outputs) {
    if (outputs->count < outputs->capacity / 4 * 3) return 1;
    WrittenOutputs grown = {nullptr, outputs->capacity == 0 ? 64u : outputs->capacity * 2, outputs->count};
    if (grown.capacity <= outputs->capacity) return 0;
    grown.slots = static_cast<uint64_t*>(calloc(grown.capacity, sizeof(uint64_t)));
    if (grown.slots == nullptr) return 0;
    for (uint32_t i = 0; i < outputs->capacity; ++i)
        if (outputs->slots[i] != 0) *slot_of(&grown, outputs->slots[i]) = outputs->slots[i];
    free(outputs->slots);
    *outputs = grown;
    return 1;
}

void remember_written(WrittenOutputs* outputs, const FileIdentity* identity) {
    if (!make_room(outputs)) return;
    uint64_t* slot = slot_of(outputs, key_of(identity));
    if (*slot == 0) ++outputs->count;
    *slot = key_of(identity);
}

void release_written(WrittenOutputs* outputs) {
    free(outputs->slots);
    *outputs = WrittenOutputs{};
}
