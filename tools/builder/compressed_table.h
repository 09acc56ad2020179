#pragma once
// Basic-compressed table blocks written from ordinary rows, choosing the
// symbols as an encoder would: a value met at least twice in a block becomes
// a one-column symbol row, a pair of neighbouring stored columns met twice
// together a two-column symbol row (referring to the one-column symbols);
// optionally the stored column order is permuted so that the columns with
// the fewest distinct values come first (the perm array), and leading
// columns of one fixed length in every row of the block are written as
// fcls runs.
//
// Block: table 0 the symbol rows (two-column ones first: their count is
// mec), table 1 the data rows. Symbol row: big-endian ub2 reference count, a
// column-count byte for rows below mec, the entries. Data row: flag, lock,
// entry count, the fcls lead byte when the block has fcls, the entries.
// Entries: 0xFF NULL; 201-249 data of length b - 200; 250 + big-endian ub2
// length; 0-200 a symbol row; 251 + big-endian ub2 symbol row.

#include <vector>

#include "builder/table_segment.h"

namespace zb {

struct CompressOptions {
    bool use_perm = true;         // permute stored columns, fewest distinct values first
    bool use_fcls = false;        // fixed-length leading columns as fcls runs
    bool pair_symbols = true;     // two-column symbol rows
    uint32_t min_repeats = 2;     // occurrences in a block that make a value a symbol
    uint32_t max_rows_per_block = 0; // 0: as many as fit
};

// What an encoder chose for one block, for tests that look inside.
struct CompressedBlockInfo {
    uint32_t symbol_rows = 0;
    uint32_t pair_symbols = 0; // mec
    uint32_t fcls_columns = 0;
    std::vector<uint8_t> perm;
};

// One compressed block of all `rows` (every row stores all its cells; a
// deleted row keeps flag and lock only). Throws std::length_error when
// they do not fit.
BlockImage make_compressed_block(const PackerOptions& shape, const CacheHeader& header,
                                 const std::vector<LogicalRow>& rows, const CompressOptions& options,
                                 CompressedBlockInfo* info = nullptr);

// A table segment whose blocks below the high-water mark are compressed
// blocks, filled in row order with as many rows as fit. Row addresses in
// the result are (block, index within the data table).
TableSegmentResult add_compressed_table_segment(DatafileImage& file, const TableSegmentLayout& shape,
                                                const std::vector<LogicalRow>& rows,
                                                const CompressOptions& options = {});

} // namespace zb
