// The document's /ID: a hash of every byte written before the trailer, kept
// as the bytes go out, so it follows from the content and costs no re-read.
#pragma once

#include <cstddef>
#include <cstdint>

// Four lanes of 64 bits over 32-byte blocks; a block cut by a write waits in
// `tail`. The state of one document, a few dozen bytes whatever its size.
struct DocumentHash {
    uint64_t lanes[4];
    unsigned char tail[32];
    uint32_t tail_bytes;
    uint64_t total;
};

void pdf_hash_begin(DocumentHash* hash);
void pdf_hash_bytes(DocumentHash* hash, const void* data, size_t count);
// The 16 bytes of the ID from all the bytes given so far; the state is kept.
void pdf_hash_id(const DocumentHash* hash, unsigned char id[16]);
