// Datafile header layout written here (see the reader for the full table):
// the common fields at 20..105 (shifted on Tru64), the root dba at 96 (112 in
// Oracle 7 and Tru64 files), the tablespace number, name and relative file
// number at 332/338/368, or for format 0x02 at 244/250/280 (counted name),
// 492/498/528 (long form) or 260/266/296 (Tru64), and the checkpoint SCN at
// 484 (base) and 488 (wrap) in every layout.

#include "builder/file_blocks.h"

namespace zb {

namespace {

size_t tablespace_offset(const FileHeaderDef& def)
{
    if (def.cache.format != FMT_V8)
        return 332;
    if (def.tru64)
        return 260;
    return def.name_layout == NameLayout::counted ? 244 : 492;
}

} // namespace

BlockImage make_file_header_block(const FileHeaderDef& def, uint32_t block_size, int order)
{
    CacheHeader cache = def.cache;
    cache.type = 11;
    BlockImage block = make_block(block_size, order, cache);
    ByteWriter w = block.writer();
    bool t64 = def.tru64;
    w.u32(t64 ? 24 : 20, def.version);
    w.u32(t64 ? 28 : 24, def.compat_version);
    w.u32(t64 ? 32 : 28, def.db_id);
    w.text(t64 ? 36 : 32, def.db_name, 8);
    w.u32(t64 ? 44 : 40, def.control_seq);
    w.u32(t64 ? 48 : 44, def.file_size);
    w.u32(t64 ? 56 : 48, def.block_size != 0 ? def.block_size : block_size);
    w.u16(t64 ? 64 : 52, def.file_no);
    w.u16(t64 ? 66 : 54, def.file_type);
    w.u32(t64 || cache.format == FMT_V7 ? 112 : 96, def.root_dba);
    w.u32(t64 ? 116 : 100, def.creation_scn_base);
    w.u16(t64 ? 120 : 104, def.creation_scn_wrap);
    w.u32(484, (uint32_t)def.checkpoint_scn);
    w.u16(488, (uint16_t)(def.checkpoint_scn >> 32));

    if (cache.format == FMT_V8 && !t64)
        w.u16(248, def.name_layout == NameLayout::counted ? (uint16_t)def.ts_name.size() : def.long_name_length);
    size_t ts = tablespace_offset(def);
    w.u32(ts, def.ts_no);
    w.text(ts + 6, def.ts_name, 30);
    w.u32(ts + 36, def.rfile_no);
    seal_block(block);
    return block;
}

BlockImage make_os_block(uint32_t block_size, int order, uint8_t format, uint32_t blocks)
{
    BlockImage block(block_size, order);
    ByteWriter w = block.writer();
    w.u8(1, format);
    w.u32(4, 0xffc00000u);
    w.u32(20, block_size);
    w.u32(24, blocks);
    w.u32(28, 0x7a7b7c7du);
    return block;
}

} // namespace zb
