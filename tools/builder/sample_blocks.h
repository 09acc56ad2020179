#pragma once
// One valid block of every kind the builder makes, for seed corpora and
// corruption sweeps, and a walk that hands a buffer to every block parser the
// way a careful caller would (counts from the block bounded as the parsers
// allow). Fuzz targets and tests share both.

#include <cstdint>
#include <vector>

#include "builder/block_image.h"

namespace zb {

std::vector<BlockImage> make_sample_blocks(uint32_t block_size, int order);

// Returns a value folded from everything parsed, so nothing is optimised away.
uint32_t walk_block_parsers(const uint8_t* block, uint32_t block_size);

// Fuzz inputs for block parsers: byte 0 bit 0 the byte order, bit 1 Tru64
// headers; byte 1 the block size in KiB - 1 (mod 32); the block follows.
std::vector<uint8_t> encode_block_fuzz_input(const BlockImage& block, bool tru64 = false);

} // namespace zb
