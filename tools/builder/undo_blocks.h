#pragma once
// Undo segment headers (types 14 and 38) and the compatibility segment block
// (type 13).

#include <array>
#include <string>
#include <vector>

#include "builder/segment_blocks.h"

namespace zb {

struct TransControlDef {
    uint32_t scn_base = 0, uba_rdba = 0, inc = 0, optimal = 0;
    uint16_t scn_wrap = 0, uba_seq = 0, flag = 0, seq = 0, nbf = 0;
    uint16_t commit_header = 0, commit_tail = 0, magic_number = 0x002a, version = 0, xts = 0;
    uint16_t free_block_pool = 0;
    uint8_t uba_rec = 0;
};

struct FreeBlockPoolDef {
    uint32_t uba_dba = 0;
    uint16_t uba_seq = 0;
    uint8_t uba_rec = 0;
    uint16_t extent = 0, space = 0;
};

struct TransEntryDef {
    uint16_t wrap_no = 1; // 0 ends the table
    uint32_t dba = 0, scn_base = 0, parent_xid_wrap = 0, stmt_num = 0, nub = 0;
    uint16_t scn_wrap = 0, uel = 0, parent_xid_usn = 0, parent_xid_slot = 0;
    uint8_t state = 9, cflags = 0;
};

struct UndoHeaderDef {
    ExtentControlDef control;
    TransControlDef trans_control;
    std::array<FreeBlockPoolDef, 5> free_block_pool{};
    std::vector<TransEntryDef> trans_table;
    std::vector<uint32_t> retention; // type 38: commit time per extent
};

// Where the transaction control area lies: map_offset + 20 for type 14, a
// fixed place by block size for type 38 (0 when that size has none).
uint32_t undo_trans_control_offset(uint8_t type, uint16_t map_offset, uint32_t block_size);

// header.type chooses 14 or 38.
BlockImage make_undo_header_block(CacheHeader header, const UndoHeaderDef& def, uint32_t block_size, int order);

struct CompatEntryDef {
    std::string name; // 8 bytes at most
    std::vector<uint32_t> values;
};

struct CompatDef {
    uint16_t size = 12; // entries start at 20 + size
    uint32_t next_rdba = 0;
    std::vector<CompatEntryDef> entries;
    uint16_t entries_field = 0xffff; // 0xffff: entries.size()
};

BlockImage make_compat_block(CacheHeader header, const CompatDef& def, uint32_t block_size, int order);

} // namespace zb
