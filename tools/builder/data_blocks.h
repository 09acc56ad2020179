#pragma once
// Data blocks (type 6, kind 1), index blocks (type 6, kind 2) and LOB data
// blocks (27, 40).

#include <array>
#include <utility>
#include <vector>

#include "builder/block_image.h"

namespace zb {

struct ItlDef {
    uint16_t xid_usn = 0, xid_slot = 0;
    uint32_t xid_seq = 0, uba_dba = 0;
    uint16_t uba_seq = 0;
    uint8_t uba_rec = 0;
    uint8_t flags = 0;  // 4 bits: C B U T
    uint16_t lock = 0;  // 12 bits
    uint16_t scn_wrap = 0; // or free space credit
    uint32_t scn_base = 0;
};

// Byte 38 of a data or index block: bit 0x02 is the version, the high nibble
// marks an ASSM block.
constexpr uint8_t FLAG_BYTE_FREELIST = 0x02;
constexpr uint8_t FLAG_BYTE_ASSM = 0x32;

struct TransHeaderDef {
    uint8_t kind = 1; // 1 data, 2 index
    uint32_t object_id = 0;
    uint32_t csc_base = 0;
    uint16_t csc_wrap = 0;
    uint8_t flag_byte = FLAG_BYTE_FREELIST;
    uint8_t fsl = 0;
    uint32_t fnx = 0;
    std::vector<ItlDef> itls;
    uint8_t itl_count_high_byte = 0; // the reader must ignore it
};

// One row directory slot: a row piece placed from the end of the block
// downwards, or a raw directory value with no piece (0xFFFF for an empty
// slot, a small value for a free-slot link).
struct RowSlot {
    std::vector<uint8_t> piece;
    int32_t raw_entry = -1;
};

struct TableDef {
    std::vector<RowSlot> rows;
};

struct CompressionDef {
    bool on = false;
    uint8_t r0 = 0, r1 = 0, flag = 0;
    uint16_t mec = 0;
    std::vector<uint16_t> fcls;
    std::vector<uint8_t> perm;
};

struct DataBlockDef {
    TransHeaderDef trans;
    uint8_t kdbh_flag = 0; // 0x40 added when compression is on
    CompressionDef compression;
    std::vector<TableDef> tables;
    int16_t first_free_row = -1;
};

struct IndexBlockDef {
    TransHeaderDef trans; // kind forced to 2
    uint8_t level = 0;
    uint8_t flag_bits = 0; // 0x80 row dependencies, 0x40
    uint8_t itl = 1;
    uint8_t lock_opcode = 0;
    uint8_t columns_in_key = 1;
    uint32_t split_count = 0;
    uint32_t left_most_child = 0, last_service_trans = 0;    // branch
    uint16_t split_holes = 0, deleted_rows = 0;              // leaf
    uint32_t next_block = 0, prev_block = 0;
    uint8_t key_size = 0, none_key_columns = 0;
    uint16_t prefix_row_count = 0;
    uint8_t prefix_col_count = 0;
    std::vector<std::vector<uint8_t>> rows;
    // Prefix rows of a prefix-compressed leaf, each with the number of the
    // first row it no longer covers; their (offset, limit) pairs follow the
    // row directory.
    std::vector<std::pair<std::vector<uint8_t>, uint16_t>> prefixes;
};

struct LobBlockDef {
    uint32_t object_id = 0;
    std::array<uint8_t, 10> lob_id{};
    uint32_t version_base = 0;
    uint16_t version_wrap = 0;
    uint32_t page_no = 0;
    uint32_t pdba = 0;
    std::vector<uint8_t> data; // at most block size - 60 bytes
};

uint32_t data_header_offset(const TransHeaderDef& trans);
uint32_t compression_extension_size(const CompressionDef& compression);

BlockImage make_data_block(CacheHeader header, const DataBlockDef& def, uint32_t block_size, int order);
BlockImage make_index_block(CacheHeader header, const IndexBlockDef& def, uint32_t block_size, int order);
// header.type chooses 27 or 40.
BlockImage make_lob_block(CacheHeader header, const LobBlockDef& def, uint32_t block_size, int order);

} // namespace zb
