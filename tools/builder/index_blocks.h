#pragma once
// B-tree index blocks with their rows: branch rows, leaf rows (with a data
// part such as a unique index's rowid), prefix-compressed leaves with their
// prefix rows and prefix directory, index-organized leaf rows carrying a data
// row piece, and the row dependency area of the leaf header.
//
// Row directory, offsets from the data header: 28 in a branch; 36 in a leaf,
// +4 with prefix-compressed keys (lock_opcode 0x20), +6 with row
// dependencies (flag bit 0x80). After the row_count row offsets, a
// prefix-compressed leaf keeps a pair per prefix row: its offset and the
// first row it no longer covers.
// Key column: 0xFF NULL; a length up to 127 in one byte; longer lengths as a
// big-endian ub2 with the top bit set and the length in the low 12 bits.
// Branch row: child rdba (file order), the key, 0xFE for a key cut short.
// Leaf row: flag, lock, the data bytes, the key; an index-organized row adds
// a data row piece. Prefix row: flag, lock, the prefix key columns.

#include <vector>

#include "builder/data_blocks.h"
#include "builder/rows.h"

namespace zb {

constexpr uint8_t IROW_DELETED = 0x01;
constexpr uint8_t IROW_PREFIX = 0x08;

std::vector<uint8_t> encode_index_key(const std::vector<Cell>& key);
std::vector<uint8_t> encode_branch_row(uint32_t child, const std::vector<Cell>& key, bool cut_short, int order);
std::vector<uint8_t> encode_leaf_row(uint8_t flag, uint8_t lock, const std::vector<uint8_t>& data,
                                     const std::vector<Cell>& key);
std::vector<uint8_t> encode_iot_row(uint8_t flag, uint8_t lock, const std::vector<Cell>& key,
                                    const PieceLayout& piece, int order);

struct PrefixRow {
    std::vector<uint8_t> row; // encode_leaf_row(IROW_PREFIX, ...) of the prefix columns
    uint16_t row_limit = 0;   // first row not covered
};

struct BtreeBlockDef {
    IndexBlockDef index;            // its rows are the block's rows, in directory order
    std::vector<PrefixRow> prefixes; // prefix_row_count follows its size
};

BlockImage make_btree_block(CacheHeader header, const BtreeBlockDef& def, uint32_t block_size, int order);

} // namespace zb
