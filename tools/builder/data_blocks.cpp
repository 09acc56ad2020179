// Layout written here: the transaction header at 20 with ITLs from 44, the
// data header at 44 + 24n (52 + 24n in ASSM blocks), an optional compression
// extension, the table and row directories, and row pieces packed against
// the tail. Row directory values are offsets from the data header.

#include "builder/data_blocks.h"

#include <stdexcept>

namespace zb {

uint32_t data_header_offset(const TransHeaderDef& trans)
{
    return ((trans.flag_byte & 0xf0) ? 52u : 44u) + 24u * (uint32_t)trans.itls.size();
}

uint32_t compression_extension_size(const CompressionDef& compression)
{
    if (!compression.on)
        return 0;
    uint32_t size = 8 + 2 * (uint32_t)compression.fcls.size() + (uint32_t)compression.perm.size();
    return (size + 1) & ~1u;
}

namespace {

void write_trans_header(BlockImage& block, const TransHeaderDef& t)
{
    if (t.itls.size() > 255)
        throw std::invalid_argument("more than 255 ITLs");
    ByteWriter w = block.writer();
    w.u8(20, t.kind);
    w.u32(24, t.object_id);
    w.u32(28, t.csc_base);
    w.u16(32, t.csc_wrap);
    w.u16(36, (uint16_t)(((uint16_t)t.itl_count_high_byte << 8) | t.itls.size()));
    w.u8(38, t.flag_byte);
    w.u8(39, t.fsl);
    w.u32(40, t.fnx);
    for (size_t i = 0; i < t.itls.size(); i++) {
        const ItlDef& itl = t.itls[i];
        size_t at = 44 + 24 * i;
        w.u16(at, itl.xid_usn);
        w.u16(at + 2, itl.xid_slot);
        w.u32(at + 4, itl.xid_seq);
        w.u32(at + 8, itl.uba_dba);
        w.u16(at + 12, itl.uba_seq);
        w.u8(at + 14, itl.uba_rec);
        w.u16(at + 16, (uint16_t)(((itl.flags & 0x0f) << 12) | (itl.lock & 0x0fff)));
        w.u16(at + 18, itl.scn_wrap);
        w.u32(at + 20, itl.scn_base);
    }
}

// Packs pieces downwards from the tail; returns the lowest piece start.
uint32_t place_piece(ByteWriter& w, uint32_t* low, const std::vector<uint8_t>& piece, uint32_t floor)
{
    if (piece.size() > *low || *low - (uint32_t)piece.size() < floor)
        throw std::length_error("row pieces do not fit in the block");
    *low -= (uint32_t)piece.size();
    w.raw(*low, piece.data(), piece.size());
    return *low;
}

} // namespace

BlockImage make_data_block(CacheHeader header, const DataBlockDef& def, uint32_t block_size, int order)
{
    header.type = 6;
    BlockImage block = make_block(block_size, order, header);
    write_trans_header(block, def.trans);
    ByteWriter w = block.writer();
    uint32_t dh = data_header_offset(def.trans);
    const CompressionDef& z = def.compression;
    uint32_t ext = compression_extension_size(z);
    uint32_t row_total = 0;
    for (const TableDef& t : def.tables)
        row_total += (uint32_t)t.rows.size();
    uint32_t tab_dir = dh + 14 + ext;
    uint32_t row_dir = tab_dir + 4 * (uint32_t)def.tables.size();
    uint32_t free_begin = row_dir + 2 * row_total;

    w.u8(dh, (uint8_t)(def.kdbh_flag | (z.on ? 0x40 : 0)));
    w.u8(dh + 1, (uint8_t)def.tables.size());
    w.u16(dh + 2, (uint16_t)row_total);
    w.u16(dh + 4, (uint16_t)def.first_free_row);
    if (z.on) {
        w.u8(dh + 15, z.r0);
        w.u16(dh + 16, z.mec);
        w.u8(dh + 18, z.r1);
        w.u8(dh + 19, (uint8_t)z.fcls.size());
        w.u8(dh + 20, (uint8_t)z.perm.size());
        w.u8(dh + 21, z.flag);
        for (size_t i = 0; i < z.fcls.size(); i++)
            w.u16(dh + 22 + 2 * i, z.fcls[i]);
        for (size_t i = 0; i < z.perm.size(); i++)
            w.u8(dh + 22 + 2 * z.fcls.size() + i, z.perm[i]);
    }
    uint32_t low = block_size - 4;
    uint32_t index = 0;
    for (size_t t = 0; t < def.tables.size(); t++) {
        w.u16(tab_dir + 4 * t, (uint16_t)index);
        w.u16(tab_dir + 4 * t + 2, (uint16_t)def.tables[t].rows.size());
        for (const RowSlot& row : def.tables[t].rows) {
            uint32_t entry = row.raw_entry >= 0 ? (uint32_t)row.raw_entry
                                                : place_piece(w, &low, row.piece, free_begin) - dh;
            w.u16(row_dir + 2 * index, (uint16_t)entry);
            index++;
        }
    }
    w.u16(dh + 6, (uint16_t)(free_begin - dh));
    w.u16(dh + 8, (uint16_t)(low - dh));
    w.u16(dh + 10, (uint16_t)(low - free_begin));
    w.u16(dh + 12, (uint16_t)(low - free_begin));
    seal_block(block);
    return block;
}

BlockImage make_index_block(CacheHeader header, const IndexBlockDef& def, uint32_t block_size, int order)
{
    header.type = 6;
    BlockImage block = make_block(block_size, order, header);
    TransHeaderDef trans = def.trans;
    trans.kind = 2;
    write_trans_header(block, trans);
    ByteWriter w = block.writer();
    uint32_t dh = data_header_offset(trans);
    bool prefix = def.level == 0 && (def.lock_opcode & 0x20);
    uint32_t row_dir = dh + (def.level > 0 ? 28u : prefix ? 40u : 36u);
    // A leaf of an index with row dependencies keeps 6 more header bytes.
    if (def.level == 0 && (def.flag_bits & 0x80))
        row_dir += 6;
    uint32_t prefix_dir = row_dir + 2 * (uint32_t)def.rows.size();
    uint32_t free_begin = prefix_dir + 4 * (uint32_t)def.prefixes.size();

    w.u8(dh, (uint8_t)((def.level & 0x1f) | (def.flag_bits & 0xe0)));
    w.u8(dh + 1, def.itl);
    w.u8(dh + 2, def.lock_opcode);
    w.u8(dh + 3, def.columns_in_key);
    w.u32(dh + 4, def.split_count);
    w.u16(dh + 8, (uint16_t)def.rows.size());
    if (def.level > 0) {
        w.u32(dh + 16, def.left_most_child);
        w.u32(dh + 20, def.last_service_trans);
        w.u16(dh + 24, (uint16_t)(block_size - 4 - dh));
    } else {
        w.u16(dh + 16, def.split_holes);
        w.u16(dh + 18, def.deleted_rows);
        w.u32(dh + 20, def.next_block);
        w.u32(dh + 24, def.prev_block);
        w.u8(dh + 28, def.key_size);
        w.u8(dh + 29, def.none_key_columns);
        w.u16(dh + 32, (uint16_t)(block_size - 4 - dh));
        if (prefix) {
            w.u16(dh + 36, def.prefix_row_count);
            w.u8(dh + 38, def.prefix_col_count);
        }
    }
    uint32_t low = block_size - 4;
    for (size_t i = 0; i < def.rows.size(); i++)
        w.u16(row_dir + 2 * i, (uint16_t)(place_piece(w, &low, def.rows[i], free_begin) - dh));
    for (size_t i = 0; i < def.prefixes.size(); i++) {
        w.u16(prefix_dir + 4 * i, (uint16_t)(place_piece(w, &low, def.prefixes[i].first, free_begin) - dh));
        w.u16(prefix_dir + 4 * i + 2, def.prefixes[i].second);
    }
    w.u16(dh + 10, (uint16_t)(free_begin - dh));
    w.u16(dh + 12, (uint16_t)(low - dh));
    w.u16(dh + 14, (uint16_t)(low - free_begin));
    seal_block(block);
    return block;
}

BlockImage make_lob_block(CacheHeader header, const LobBlockDef& def, uint32_t block_size, int order)
{
    BlockImage block = make_block(block_size, order, header);
    ByteWriter w = block.writer();
    w.u32(20, def.object_id);
    w.raw(24, def.lob_id.data(), def.lob_id.size());
    w.u32(36, def.version_base);
    w.u16(40, def.version_wrap);
    w.u32(44, def.page_no);
    w.u32(48, def.pdba);
    if (def.data.size() > block_size - 60)
        throw std::length_error("LOB page data larger than the block");
    w.raw(56, def.data.data(), def.data.size());
    seal_block(block);
    return block;
}

} // namespace zb
