#pragma once
// LOB blocks for seed corpora and corruption sweeps (LOB data blocks, LOB
// index leaves and branches, and a row's LOB column bytes), and a walk that
// hands bytes to every LOB parser the way the LOB reader does.

#include <cstdint>
#include <vector>

#include "builder/block_image.h"

namespace zb {

std::vector<BlockImage> make_lob_sample_blocks(uint32_t block_size, int order);
// A row's LOB column bytes: a locator, an inode and chunk addresses.
std::vector<uint8_t> make_lob_sample_column(uint32_t block_size, int order);

// Parses `bytes` as a LOB column (locator, inode, chunk list) and, when it
// is a whole block, as a LOB index block (every branch or leaf row, keys
// compared) and a LOB data block (content end). Returns a value folded from
// everything parsed.
uint32_t walk_lob_parsers(const uint8_t* bytes, uint32_t length, uint32_t block_size, int order);

} // namespace zb
