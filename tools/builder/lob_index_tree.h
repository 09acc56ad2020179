#pragma once
// The LOB index as a B-tree: entries packed into leaves in key order, branch
// levels above them until one block, the root, is left. Shared by the LOB
// segment writer only.

#include <array>
#include <cstdint>
#include <vector>

#include "builder/datafile_image.h"
#include "builder/lob_segment.h"

namespace zb {

struct LobIndexEntry {
    std::array<uint8_t, 10> lob_id{};
    uint32_t page = 0;
    std::vector<uint8_t> data; // key_size bytes
    size_t value = 0;          // which value it belongs to
    bool has_inode = false;
};

struct LobIndexNode {
    size_t first = 0, count = 0; // entries (a leaf) or nodes of the level below (a branch)
    size_t first_entry = 0;      // the entry its key is taken from
    uint32_t block = 0;
};

struct LobIndexTree {
    std::vector<std::vector<LobIndexNode>> levels; // levels[0]: leaves; the last holds the root alone
    size_t nodes() const;
};

// Entries must come in key order.
LobIndexTree plan_lob_index(const std::vector<LobIndexEntry>& entries, uint32_t block_size,
                            const LobStorageDef& storage);
// Gives the root blocks[0], then every other node in order, leaves first.
void place_lob_index(LobIndexTree& tree, const std::vector<uint32_t>& blocks);
void write_lob_index(DatafileImage& file, const LobIndexTree& tree, const std::vector<LobIndexEntry>& entries,
                     uint32_t index_object, const LobStorageDef& storage);

} // namespace zb
