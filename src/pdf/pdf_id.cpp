// The document hash behind /ID. Not a cryptographic hash: it only has to give
// a different ID to different content and the same ID to the same bytes,
// cheaply (about 3 GB/s). The round and the final mix are the well-known
// multiply-rotate kind; four independent lanes keep the multiplier busy.
#include "pdf/pdf_id.h"

#include <cstring>

static const uint64_t PRIME_1 = 0x9E3779B185EBCA87ull;
static const uint64_t PRIME_2 = 0xC2B2AE3D27D4EB4Full;
static const uint64_t PRIME_3 = 0x165667B19E3779F9ull;

static uint64_t rotate(uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

// Little-endian, as on every machine both programs run on (x86-64); read
// byte by byte the result would be the same, only slower.
static uint64_t word_at(const unsigned char* bytes) {
    uint64_t word;
    memcpy(&word, bytes, sizeof word);
    return word;
}

static uint64_t round_of(uint64_t lane, const unsigned char* bytes) {
    return rotate(lane + word_at(bytes) * PRIME_2, 31) * PRIME_1;
}

static void mix_block(uint64_t lanes[4], const unsigned char* block) {
    for (int i = 0; i < 4; ++i) lanes[i] = round_of(lanes[i], block + 8 * i);
}

void pdf_hash_begin(DocumentHash* hash) {
    *hash = DocumentHash{};
    for (int i = 0; i < 4; ++i) hash->lanes[i] = PRIME_1 * static_cast<uint64_t>(i + 1) + PRIME_3;
}

void pdf_hash_bytes(DocumentHash* hash, const void* data, size_t count) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    hash->total += count;
    if (hash->tail_bytes != 0) {
        size_t take = 32 - hash->tail_bytes < count ? 32 - hash->tail_bytes : count;
        memcpy(hash->tail + hash->tail_bytes, bytes, take);
        hash->tail_bytes += static_cast<uint32_t>(take);
        bytes += take;
        count -= take;
        if (hash->tail_bytes < 32) return;
        mix_block(hash->lanes, hash->tail);
        hash->tail_bytes = 0;
    }
    // The lanes in registers for the run of whole blocks: through the
    // record, every store would have to wait for the bytes it might alias.
    uint64_t a = hash->lanes[0], b = hash->lanes[1], c = hash->lanes[2], d = hash->lanes[3];
    for (; count >= 32; bytes += 32, count -= 32) {
        a = round_of(a, bytes);
        b = round_of(b, bytes + 8);
        c = round_of(c, bytes + 16);
        d = round_of(d, bytes + 24);
    }
    hash->lanes[0] = a, hash->lanes[1] = b, hash->lanes[2] = c, hash->lanes[3] = d;
    memcpy(hash->tail, bytes, count);
    hash->tail_bytes = static_cast<uint32_t>(count);
}

// Every input bit reaches every output bit.
static uint64_t avalanche(uint64_t value) {
    value ^= value >> 33;
    value *= PRIME_2;
    value ^= value >> 29;
    value *= PRIME_3;
    return value ^ (value >> 32);
}

void pdf_hash_id(const DocumentHash* hash, unsigned char id[16]) {
    uint64_t lanes[4];
    memcpy(lanes, hash->lanes, sizeof lanes);
    // The tail padded with zeros, and the length, so "a" and "a\0" differ.
    unsigned char block[32] = {};
    memcpy(block, hash->tail, hash->tail_bytes);
    mix_block(lanes, block);
    uint64_t high = hash->total * PRIME_3, low = ~hash->total;
    for (int i = 0; i < 4; ++i) {
        high = avalanche(high ^ rotate(lanes[i], 7 * i + 1));
        low = avalanche(low + lanes[3 - i] * PRIME_1);
    }
    for (int i = 0; i < 8; ++i) {
        id[i] = static_cast<unsigned char>(high >> (56 - 8 * i));
        id[8 + i] = static_cast<unsigned char>(low >> (56 - 8 * i));
    }
}
