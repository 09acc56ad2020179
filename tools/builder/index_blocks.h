#pragma once
// Rows of B-tree index blocks, for make_index_block: branch rows, leaf rows
// (with a data part such as a unique index's rowid, or prefix rows of a
// prefix-compressed leaf) and index-organized leaf rows carrying a data row
// piece.
// Branch row: child rdba (file order), the key, 0xFE for a key cut short.
// Leaf row: flag, lock, the data bytes, the key; an index-organized row adds
// a data row piece. Prefix row: flag 0x08, lock, the prefix key columns.
// Key columns in index key encoding (index_key_bytes).

#include <vector>

#include "builder/rows.h"

namespace zb {

constexpr uint8_t IROW_DELETED = 0x01;
constexpr uint8_t IROW_PREFIX = 0x08;

std::vector<uint8_t> encode_branch_row(uint32_t child, const std::vector<Cell>& key, bool cut_short, int order);
std::vector<uint8_t> encode_leaf_row(uint8_t flag, uint8_t lock, const std::vector<uint8_t>& data,
                                     const std::vector<Cell>& key);
std::vector<uint8_t> encode_iot_row(uint8_t flag, uint8_t lock, const std::vector<Cell>& key,
                                    const PieceLayout& piece, int order);

} // namespace zb
