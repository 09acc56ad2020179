#pragma once
// Index-organized tables: rows kept in the leaf blocks of a B-tree index,
// optionally with prefix-compressed keys, and with the columns from a given
// one on moved to an overflow segment (an ordinary table segment holding
// the rows' last pieces).
//
// Leaf row: flag, lock, the key columns not held in a prefix row (index key
// encoding: a length byte, 0xFF NULL, a big-endian ub2 with 0x8000 set and
// the length in its low 12 bits above 127 bytes), then a data row piece:
// flag (H F, and L when nothing overflows), lock, column count, the row
// dependency SCN when the index has row dependencies, the next piece
// (big-endian rdba and slot) when L is clear, the non-key columns.
// Prefix row: flag 0x08, lock, the shared leading key columns.
// Branch row: the child block address (file order), then the first key of
// that child; the leftmost child is in the branch header.

#include <vector>

#include "builder/table_segment.h"

namespace zb {

struct IotLayout {
    uint32_t key_columns = 1;    // leading columns of every row form the key
    uint32_t prefix_columns = 0; // > 0: leaves share this many leading key columns through prefix rows
    int overflow_from = -1;      // first column stored in the overflow segment; -1 none
    uint32_t rows_per_leaf = 0;  // 0: as many as fit
    bool row_dependencies = false;
};

struct IotSegmentResult {
    SegmentResult index;           // header, branch and leaves
    uint32_t branch_block = 0;     // 0 when one leaf holds every row
    std::vector<uint32_t> leaves;  // in key order
    std::vector<Rid> rows;         // leaf block address and row index of each row
    TableSegmentResult overflow;   // when overflow_from >= 0
    std::vector<Rid> overflow_rows; // each row's overflow piece (rdba 0: none)
};

std::vector<uint8_t> index_key_bytes(const Cell& cell);

// A leaf of the rows (each with the address of its overflow piece, rdba 0
// for none). Throws std::length_error when they do not fit.
BlockImage make_iot_leaf_block(const PackerOptions& shape, const CacheHeader& header, const IotLayout& iot,
                               const std::vector<LogicalRow>& rows, const std::vector<Rid>& overflow,
                               uint32_t prev_leaf = 0, uint32_t next_leaf = 0);
// A level-1 branch block over leaves: the leftmost child and, for each
// further child, its address and first key.
BlockImage make_index_branch_block(const PackerOptions& shape, const CacheHeader& header, uint8_t lock_opcode,
                                   uint8_t columns_in_key, uint32_t left_most_child,
                                   const std::vector<std::pair<uint32_t, std::vector<Cell>>>& children);

// The index segment at `index_layout` (header, one branch block when the
// rows need several leaves, the leaves) and, with overflow, the overflow
// table segment at `overflow_layout`. Rows are written in the order given.
IotSegmentResult add_iot_segment(DatafileImage& file, const SegmentLayout& index_layout, const IotLayout& iot,
                                 const std::vector<LogicalRow>& rows, const SegmentLayout* overflow_layout = nullptr);

} // namespace zb
