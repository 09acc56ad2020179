#include "builder/segment_blocks.h"

namespace zb {

uint16_t default_map_offset(uint32_t block_size)
{
    return (uint16_t)(block_size / 2 + 32);
}

uint32_t flm_map_capacity(uint16_t map_offset)
{
    return map_offset + 20u > 108u ? (map_offset + 20u - 108u) / 8u : 0u;
}

uint32_t emb_map_capacity(uint32_t block_size, bool assm)
{
    // An ASSM map block pairs every extent with an 8-byte auxiliary entry.
    return (block_size - 4 - 36) / (assm ? 16 : 8);
}

uint16_t effective_map_offset(const ExtentControlDef& def, uint32_t block_size)
{
    return def.map_offset != 0 ? def.map_offset : default_map_offset(block_size);
}

void write_extent_control(BlockImage& block, const ExtentControlDef& def, size_t map_at)
{
    ByteWriter w = block.writer();
    w.u32(28, def.last_map);
    w.u32(32, def.map_blocks);
    w.u32(36, def.extents);
    w.u32(40, def.blocks);
    w.u16(44, effective_map_offset(def, block.size()));
    w.u32(48, def.extent_no);
    w.u32(52, def.block_no);
    w.u32(56, def.extent_size);
    w.u32(60, def.high_water);
    w.u32(64, def.mapblk_rdba);
    w.u32(68, def.mapblk_offset);
    w.u32(72, def.seg_fl_blocks);
    w.u32(76, def.blocks_below);
    for (size_t i = 0; i < def.map.size(); i++) {
        w.u32(map_at + 8 * i, def.map[i].start_rdba);
        w.u32(map_at + 8 * i + 4, def.map[i].length);
    }
}

namespace {

uint32_t map_count(const ExtentControlDef& def)
{
    return def.map_header_extents != ~0u ? def.map_header_extents : (uint32_t)def.map.size();
}

void write_freelist(ByteWriter& w, size_t at, const FreelistDef& list)
{
    w.u16(at, list.flag);
    w.u16(at + 4, list.xid_usn);
    w.u16(at + 6, list.xid_slot);
    w.u16(at + 8, list.xid_seq);
    w.u32(at + 12, list.head);
    w.u32(at + 16, list.tail);
}

} // namespace

BlockImage make_flm_header_block(CacheHeader header, const FlmHeaderDef& def, uint32_t block_size, int order)
{
    BlockImage block = make_block(block_size, order, header);
    const ExtentControlDef& c = def.control;
    write_extent_control(block, c, 108);
    ByteWriter w = block.writer();
    w.u16(80, c.xid_usn);
    w.u16(82, c.xid_slot);
    w.u16(84, c.xid_seq);
    w.u32(92, map_count(c));
    w.u32(96, c.next_map_header);
    w.u32(100, c.object_id);
    w.u32(104, c.map_header_flag);

    size_t summary = effective_map_offset(c, block_size);
    w.u16(summary + 20, (uint16_t)def.transaction_lists.size());
    w.u16(summary + 22, def.freelists);
    w.u16(summary + 24, def.freelist_blocks);
    w.u8(summary + 26, def.freelist_type);
    w.u32(summary + 36, def.ccnt);
    size_t at = summary + 28;
    for (const FreelistDef& list : def.segment_lists) {
        write_freelist(w, at, list);
        at += 20;
    }
    for (const FreelistDef& list : def.transaction_lists) {
        write_freelist(w, at, list);
        at += 20;
    }
    seal_block(block);
    return block;
}

BlockImage make_limited_header_block(CacheHeader header, uint32_t object_id, const std::vector<Extent>& map,
                                     uint32_t block_size, int order)
{
    header.type = 5;
    BlockImage block = make_block(block_size, order, header);
    ByteWriter w = block.writer();
    w.u32(24, object_id);
    w.u32(32, (uint32_t)map.size());
    for (size_t i = 0; i < map.size(); i++) {
        w.u32(64 + 8 * i, map[i].start_rdba);
        w.u32(68 + 8 * i, map[i].length);
    }
    seal_block(block);
    return block;
}

BlockImage make_assm_header_block(CacheHeader header, const AssmHeaderDef& def, uint32_t block_size, int order)
{
    header.type = 35;
    BlockImage block = make_block(block_size, order, header);
    const ExtentControlDef& c = def.control;
    write_extent_control(block, c, 280);
    ByteWriter w = block.writer();
    w.u32(92, def.low_extent_no);
    w.u32(96, def.low_block_no);
    w.u32(100, def.low_extent_size);
    w.u32(104, def.low_high_water);
    w.u32(108, def.low_mapblk_rdba);
    w.u32(112, def.low_mapblk_offset);
    w.u32(116, def.low_seg_fl_blocks);
    w.u32(120, def.low_blocks_below);
    w.u32(124, def.level1_bmb_high);
    w.u32(128, def.level1_bmb_low);
    w.u16(208, def.seg_type);
    w.u32(212, block_size);
    w.u32(216, def.fbsz);
    uint32_t l2 = def.L2_start_off != 0 ? def.L2_start_off : block_size / 4 * 3;
    w.u32(220, l2);
    w.u32(224, def.first_level3_bmb);
    w.u32(228, def.L2_insert_hint);
    w.u32(232, (uint32_t)def.level2_dbas.size());
    w.u32(236, def.last_level1_bmb);
    w.u32(240, def.last_level2_bmb);
    w.u32(244, def.last_level3_bmb);
    w.u32(264, map_count(c));
    w.u32(268, c.next_map_header);
    w.u32(272, c.object_id);
    w.u32(276, c.map_header_flag);
    size_t aux_at = effective_map_offset(c, block_size) + 20u;
    for (size_t i = 0; i < def.aux.size(); i++) {
        w.u32(aux_at + 8 * i, def.aux[i].level1_rdba);
        w.u32(aux_at + 8 * i + 4, def.aux[i].data_rdba);
    }
    for (size_t i = 0; i < def.level2_dbas.size(); i++)
        w.u32(l2 + 20 + 4 * i, def.level2_dbas[i]);
    seal_block(block);
    return block;
}

BlockImage make_emb_block(CacheHeader header, const EmbDef& def, uint32_t block_size, int order)
{
    BlockImage block = make_block(block_size, order, header);
    ByteWriter w = block.writer();
    w.u32(20, (uint32_t)def.map.size());
    w.u32(24, def.next_rdba);
    w.u32(28, def.object_id);
    w.u32(32, def.flag);
    size_t at = 36;
    for (const Extent& e : def.map) {
        w.u32(at, e.start_rdba);
        w.u32(at + 4, e.length);
        at += 8;
    }
    for (const AssmAux& a : def.aux) {
        w.u32(at, a.level1_rdba);
        w.u32(at + 4, a.data_rdba);
        at += 8;
    }
    seal_block(block);
    return block;
}

} // namespace zb
