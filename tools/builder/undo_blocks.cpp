// Undo segment header after the extent control part: a type-14 header keeps
// the 44-byte transaction control area at map_offset + 20; a type-38 header
// keeps a retention table (ub4 per extent) there and the control area at
// 1488, 3024, 6096 or 12240 for 2, 4, 8 and 16 KiB blocks. Five 12-byte free
// block pool entries and the 40-byte transaction table entries follow it.

#include "builder/undo_blocks.h"

namespace zb {

uint32_t undo_trans_control_offset(uint8_t type, uint16_t map_offset, uint32_t block_size)
{
    if (type != 38)
        return map_offset + 20u;
    switch (block_size) {
    case 2048:
        return 1488;
    case 4096:
        return 3024;
    case 8192:
        return 6096;
    case 16384:
        return 12240;
    default:
        return 0;
    }
}

namespace {

void write_trans_control(ByteWriter& w, size_t at, const TransControlDef& c)
{
    w.u32(at, c.scn_base);
    w.u16(at + 4, c.scn_wrap);
    w.u32(at + 8, c.uba_rdba);
    w.u16(at + 12, c.uba_seq);
    w.u8(at + 14, c.uba_rec);
    w.u16(at + 16, c.flag);
    w.u16(at + 18, c.seq);
    w.u16(at + 20, c.nbf);
    w.u32(at + 24, c.inc);
    w.u16(at + 28, c.commit_header);
    w.u16(at + 30, c.commit_tail);
    w.u16(at + 32, c.magic_number);
    w.u16(at + 34, c.version);
    w.u16(at + 36, c.xts);
    w.u16(at + 38, c.free_block_pool);
    w.u32(at + 40, c.optimal);
}

void write_trans_entry(ByteWriter& w, size_t at, const TransEntryDef& e)
{
    w.u16(at, e.wrap_no);
    w.u32(at + 4, e.dba);
    w.u32(at + 8, e.scn_base);
    w.u16(at + 12, e.scn_wrap);
    w.u8(at + 16, e.state);
    w.u8(at + 17, e.cflags);
    w.u16(at + 18, e.uel);
    w.u16(at + 20, e.parent_xid_usn);
    w.u16(at + 22, e.parent_xid_slot);
    w.u32(at + 24, e.parent_xid_wrap);
    w.u32(at + 28, e.stmt_num);
    w.u32(at + 32, e.nub);
}

} // namespace

BlockImage make_undo_header_block(CacheHeader header, const UndoHeaderDef& def, uint32_t block_size, int order)
{
    BlockImage block = make_block(block_size, order, header);
    const ExtentControlDef& c = def.control;
    write_extent_control(block, c, 108);
    ByteWriter w = block.writer();
    w.u32(92, c.map_header_extents != ~0u ? c.map_header_extents : (uint32_t)c.map.size());
    w.u32(96, c.next_map_header);
    w.u32(100, c.object_id);
    w.u32(104, c.map_header_flag);
    uint16_t map_offset = effective_map_offset(c, block_size);
    if (header.type == 38)
        for (size_t i = 0; i < def.retention.size(); i++)
            w.u32(map_offset + 20u + 4 * i, def.retention[i]);
    uint32_t control = undo_trans_control_offset(header.type, map_offset, block_size);
    if (control != 0) {
        write_trans_control(w, control, def.trans_control);
        for (size_t i = 0; i < def.free_block_pool.size(); i++) {
            const FreeBlockPoolDef& p = def.free_block_pool[i];
            size_t at = control + 44 + 12 * i;
            w.u32(at, p.uba_dba);
            w.u16(at + 4, p.uba_seq);
            w.u8(at + 6, p.uba_rec);
            w.u16(at + 8, p.extent);
            w.u16(at + 10, p.space);
        }
        size_t at = control + 44 + 60;
        for (const TransEntryDef& e : def.trans_table) {
            write_trans_entry(w, at, e);
            at += 40;
        }
    }
    seal_block(block);
    return block;
}

BlockImage make_compat_block(CacheHeader header, const CompatDef& def, uint32_t block_size, int order)
{
    header.type = 13;
    BlockImage block = make_block(block_size, order, header);
    ByteWriter w = block.writer();
    w.u16(20, def.size);
    w.u32(24, def.next_rdba);
    w.u16(28, def.entries_field != 0xffff ? def.entries_field : (uint16_t)def.entries.size());
    size_t at = 20u + def.size;
    for (const CompatEntryDef& e : def.entries) {
        uint16_t size = (uint16_t)(20 + 4 * e.values.size());
        w.u16(at, size);
        w.text(at + 2, e.name, 8);
        for (size_t i = 0; i < e.values.size(); i++)
            w.u32(at + 20 + 4 * i, e.values[i]);
        at += size;
    }
    seal_block(block);
    return block;
}

} // namespace zb
