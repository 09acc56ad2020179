#pragma once
// Logical table rows laid out as row pieces: trailing NULLs left out,
// rows chained over several pieces (a value may be split between pieces),
// migrated rows, deleted rows; and a packer that fills data blocks with them
// in order, handing each finished block to its caller.

#include <functional>
#include <vector>

#include "builder/block_image.h"
#include "builder/rows.h"

namespace zb {

// A piece boundary: the next piece begins at byte `offset` of column
// `column`; offset 0 is the boundary between column - 1 and column.
struct Cut {
    uint32_t column;
    uint32_t offset;
};

struct LogicalRow {
    std::vector<Cell> cells; // every column, in segment column order
    bool deleted = false;
    bool migrated = false;   // head piece where the row was, body in the next block
    std::vector<Cut> cuts;   // explicit piece boundaries; a row too large for a block is cut anyway
    uint8_t lock = 0;
};

LogicalRow make_row(std::vector<Cell> cells);

// The columns of one piece and how it joins its neighbours.
struct PieceColumns {
    std::vector<Cell> cells;
    bool from_previous = false; // P: the first column continues the previous piece's last
    bool continue_next = false; // N
};

// The stored columns (trailing NULLs dropped) split at the cuts.
std::vector<PieceColumns> split_row(const LogicalRow& row);
// Cuts so that every piece fits in `room` bytes (piece header included),
// for a row that does not fit one block.
std::vector<Cut> plan_cuts(const std::vector<Cell>& cells, uint32_t room);

struct PackerOptions {
    uint32_t block_size = 8192;
    int order = LITTLE;
    uint32_t object_id = 70001;
    bool assm = false;             // ASSM data blocks: the data header 8 bytes later
    bool row_dependencies = false; // kdbh flag 0x20 and a row dependency SCN in head pieces
    uint32_t itl_count = 2;
    uint32_t rows_per_block = 0;   // at most this many directory slots (0: as many as fit)
    uint32_t reserved_bytes = 0;   // free space every block keeps
};

// Fills data blocks in the order next_block gives them. A chained row
// continues in fresh blocks; the block of its last piece takes the rows
// after it.
class TablePacker {
public:
    using NextBlock = std::function<uint32_t()>;              // throws when no block is left
    using HeaderOf = std::function<CacheHeader(uint32_t)>;    // cache header of a block number
    using Emit = std::function<void(uint32_t, const BlockImage&)>;

    TablePacker(const PackerOptions& options, NextBlock next_block, HeaderOf header_of, Emit emit);

    // Returns where the row's first piece holding columns (F) went.
    Rid add(const LogicalRow& row);
    // Emits the block in progress.
    void finish();
    uint32_t blocks_emitted() const { return blocks_emitted_; }
    // Room for row pieces in an empty block (the directory entry excluded).
    uint32_t empty_block_room() const;

private:
    struct Open {
        uint32_t block_no = 0;
        std::vector<std::vector<uint8_t>> pieces;
        uint32_t used = 0;
        bool active = false;
    };
    bool fits(uint32_t piece_size) const;
    void open_block(uint32_t block_no);
    uint16_t place(const std::vector<uint8_t>& piece);
    void emit_open();
    Rid here(uint16_t slot) const;

    PackerOptions options_;
    NextBlock next_block_;
    HeaderOf header_of_;
    Emit emit_;
    Open open_;
    uint32_t blocks_emitted_ = 0;
    uint32_t scn_ = 0x1000;
};

// An empty table data block (the segment's blocks that hold no rows).
BlockImage make_empty_table_block(const PackerOptions& options, const CacheHeader& header);

} // namespace zb
