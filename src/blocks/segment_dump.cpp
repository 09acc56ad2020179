// Dumps of segment headers (freelist 16, ASSM 35), extent map blocks (18,
// 36), the compatibility segment (13) and LOB data blocks (27, 40). The
// counts of every list come from the block; a list is printed as far as the
// block holds it.

#include "base/byte_order.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "blocks/assm_header.h"
#include "blocks/block_dump.h"
#include "blocks/compat_segment.h"
#include "blocks/lob_block.h"

namespace {

const char SEPARATOR[] = "  -------------------------------------------------------------\n";
const char SHORT_SEPARATOR[] = "  --------------------------------------------------------\n";

// `count` extent map entries at `offset`, one line each.
void show_extent_entries(const ub1* buffer, size_t offset, ub4 count, ub4 block_size)
{
    for (ub4 i = 0; i < count; i++) {
        EXTENT_MAP_ENTRY entry;
        if (!get_extent_map_entry(buffer, offset, i, &entry, block_size)) {
            show_dump_damage("extent map entry", offset + (size_t)i * EXTENT_MAP_ENTRY_SIZE);
            return;
        }
        sp_printf("   0x%08x  length: %u\n", entry.start_rdba, entry.length);
    }
}

// `count` auxiliary entries at `offset`, one line each.
void show_aux_entries(const ub1* buffer, size_t offset, ub4 count, ub4 block_size)
{
    for (ub4 i = 0; i < count; i++) {
        ASSM_AUX_ENTRY entry;
        if (!get_assm_aux_entry(buffer, offset, i, &entry, block_size)) {
            show_dump_damage("auxiliary map entry", offset + (size_t)i * ASSM_AUX_ENTRY_SIZE);
            return;
        }
        sp_printf("   Extent %-6u :  L1 dba:  0x%08x Data dba:  0x%08x\n", i, entry.level1_rdba, entry.data_rdba);
    }
}

void show_flm_header_extent(const ub1* buffer, const FLM_HEADER* header, ub4 block_size)
{
    sp_printf("  Extent Control Header\n");
    sp_printf("%s", SEPARATOR);
    show_extent_entries(buffer, FLM_EXTENT_MAP_OFFSET, header->map_header_extents, block_size);
}

void show_flm_header_fl(const ub1* buffer, const FLM_HEADER* header, ub4 block_size)
{
    ub4 segment_lists = (ub4)header->freelists + (header->freelists >= 2 ? 1 : 0);
    ub4 total = get_flm_freelist_count(header);
    for (ub4 i = 0; i < total; i++) {
        FREELIST_ENTRY entry;
        if (!get_freelist_entry(buffer, header, i, &entry, block_size)) {
            show_dump_damage("freelist entry", (size_t)header->map_offset + 28 + (size_t)i * FREELIST_ENTRY_SIZE);
            return;
        }
        const char* flag = entry.flag == 1 ? "USED" : "UNUSED";
        if (i < segment_lists)
            sp_printf("  SEG LST:: flg:%6s lhd: 0x%08x ltl: 0x%08x\n", flag, entry.head, entry.tail);
        else
            sp_printf("  XCT LST:: flg:%6s lhd: 0x%08x ltl: 0x%08x xid: 0x%04x.%03x.%08x\n", flag, entry.head,
                      entry.tail, entry.xid_usn, entry.xid_slot, (ub4)entry.xid_seq);
    }
}

// The lines an ASSM header shares with the extent control header.
template <typename HEADER>
void show_extent_header_lines(const HEADER* header)
{
    sp_printf("  Extent Header:: extents: %u  blocks: %u\n", header->extents, header->blocks);
    sp_printf("                  last map: 0x%08x  #maps: %u  offset: %u\n", header->last_map, header->map_blocks,
              header->map_offset);
    sp_printf("      Highwater:: 0x%08x  (rfile#=%u,block#=%u)\n", header->high_water,
              rdba_file_no(header->high_water, NO_TS), rdba_block_no(header->high_water, NO_TS));
    sp_printf("                  ext#: %u  blk#: %u   ext size:%u\n", header->extent_no, header->block_no,
              header->extent_size);
    sp_printf("      #blocks in seg. hdr's freelists: %u\n", header->seg_fl_blocks);
    sp_printf("      #blocks below: %u\n", header->blocks_below);
    sp_printf("      mapblk: 0x%08x   offset: %u\n", header->mapblk_rdba, header->mapblk_offset);
}

} // namespace

void show_extentcontrol_header(const ub1* buffer, const FLM_HEADER* header, ub4 block_size)
{
    sp_printf("  Extent Control Header\n");
    sp_printf("%s", SEPARATOR);
    show_extent_header_lines(header);
    sp_printf("      Map Header:: next: 0x%08x   #extents: %u  obj#: %u  flag: 0x%08x\n", header->next_map_header,
              header->map_header_extents, header->object_id, header->map_header_flag);
    show_flm_header_extent(buffer, header, block_size);
    sp_printf("\n");
}

void show_flm_header(const ub1* buffer, ub4 block_size, int /*header_only*/)
{
    FLM_HEADER header;
    bool summary_ok = get_flm_header(buffer, &header, block_size);
    sp_printf("Data Segment Header:\n");
    show_extentcontrol_header(buffer, &header, block_size);
    if (!summary_ok) {
        show_dump_damage("freelist summary", (size_t)header.map_offset + 20);
        return;
    }
    sp_printf("  nfl = %u, nfb = %u, typ = %u, nxf = %u, ccnt = %u\n", header.freelists, header.freelist_blocks,
              header.freelist_type, header.trans_freelists, header.ccnt);
    show_flm_header_fl(buffer, &header, block_size);
}

void show_assm_header(const ub1* buffer, ub4 block_size, int /*header_only*/)
{
    ASSM_HEADER h;
    get_assm_header(buffer, &h, block_size);
    sp_printf("Data Segment Header:\n");
    sp_printf("  Extent Control Header\n");
    sp_printf("%s", SEPARATOR);
    show_extent_header_lines(&h);
    sp_printf("%s", SHORT_SEPARATOR);
    sp_printf("  Low HighWater Mark :\n");
    sp_printf("      Highwater::  0x%08x  ext#: %u      blk#: %u      ext size: %u\n", h.low_high_water,
              h.low_extent_no, h.low_block_no, h.low_extent_size);
    sp_printf("  #blocks in seg. hdr's freelists: %u \n", h.low_seg_fl_blocks);
    sp_printf("  #blocks below: %u\n", h.low_blocks_below);
    sp_printf("  mapblk  0x%08x  offset: %u\n", h.low_mapblk_rdba, h.low_mapblk_offset);
    sp_printf("  Level 1 BMB for High HWM block: 0x%08x\n", h.level1_bmb_high);
    sp_printf("  Level 1 BMB for Low HWM block: 0x%08x\n", h.level1_bmb_low);
    sp_printf("%s", SHORT_SEPARATOR);
    sp_printf("  Segment Type: %u nl2: %-6u blksz: %u   fbsz: %u\n", h.seg_type, h.level2_cnt, h.block_size, h.fbsz);
    sp_printf("  L2 Array start offset:  0x%08x\n", h.L2_start_off);
    sp_printf("  First Level 3 BMB:  0x%08x\n", h.first_level3_bmb);
    sp_printf("  L2 Hint for inserts:  0x%08x\n", h.L2_insert_hint);
    sp_printf("  Last Level 1 BMB:  0x%08x\n", h.last_level1_bmb);
    sp_printf("  Last Level 1I BMB:  0x%08x\n", h.last_level2_bmb);
    sp_printf("  Last Level 1II BMB:  0x%08x\n", h.last_level3_bmb);
    sp_printf("     Map Header:: next  0x%08x  #extents: %u    obj#: %u  flag: 0x2%08x\n", h.next_map_header,
              h.map_header_extents, h.object_id, h.map_header_flag);
    sp_printf("  Extent Map\n");
    sp_printf("%s", SEPARATOR);
    show_extent_entries(buffer, ASSM_EXTENT_MAP_OFFSET, h.map_header_extents, block_size);
    sp_printf("\n");

    sp_printf("  Auxillary Map\n");
    sp_printf("%s", SEPARATOR);
    show_aux_entries(buffer, get_assm_aux_map_offset(&h), h.map_header_extents, block_size);
    sp_printf("  -------------------------------------------------------------\n\n");

    sp_printf("   Second Level Bitmap block DBAs\n");
    sp_printf("%s", SEPARATOR);
    for (ub4 i = 0; i < h.level2_cnt; i++) {
        ub4 dba;
        if (!get_assm_level2_dba(buffer, &h, i, &dba, block_size)) {
            show_dump_damage("second level bitmap block DBA", (size_t)h.L2_start_off + 20 + (size_t)i * 4);
            break;
        }
        sp_printf("   DBA %u:   0x%08x\n", i + 1, dba);
    }
    sp_printf("\n");
}

void show_emb_block(const ub1* buffer, ub4 block_size, int /*header_only*/)
{
    EMB_BLOCK h;
    get_emb_block(buffer, &h, block_size);
    sp_printf("EMB Block:\n");
    sp_printf("      Map Header:: next: 0x%08x   #extents: %u  obj#: %u  flag: 0x%08x\n", h.next_rdba, h.extents,
              h.object_id, h.flag);
    sp_printf("  Extent Map\n");
    sp_printf("%s", SEPARATOR);
    show_extent_entries(buffer, EMB_EXTENT_MAP_OFFSET, h.extents, block_size);
}

void show_assm_emb_block(const ub1* buffer, ub4 block_size, int header_only)
{
    show_emb_block(buffer, block_size, header_only);
    EMB_BLOCK h;
    get_emb_block(buffer, &h, block_size);
    sp_printf("  \nAuxillary Map\n");
    sp_printf("%s", SEPARATOR);
    // The auxiliary map follows the extent map; an extent count no block
    // can hold puts it past the end, which the entry reader reports.
    size_t aux = EMB_EXTENT_MAP_OFFSET + (size_t)h.extents * EXTENT_MAP_ENTRY_SIZE;
    show_aux_entries(buffer, aux, h.extents, block_size);
    sp_printf("  -------------------------------------------------------------\n\n");
}

void show_compatblock_header(const ub1* buffer, ub4 block_size, int header_only)
{
    COMPATBLOCK_HEADER h;
    get_compatblock_header(buffer, &h, block_size);
    sp_printf("Compatibility segment Dump:\n");
    sp_printf("Header: size %u  next rdba 0x%x   entries %u\n", h.size, h.next_rdba, h.entries);
    if (header_only)
        return;
    ub4 offset = get_compat_first_entry_offset(&h);
    for (ub4 i = 0; i < h.entries; i++) {
        COMPAT_ENTRY entry;
        if (!get_compat_entry(buffer, offset, &entry, block_size)) {
            show_dump_damage("compatibility entry", offset);
            return;
        }
        sp_printf("Compatibility entry for '%s'\n   size: %u Data:", entry.name, entry.size);
        for (ub4 v = 0; v < entry.value_count; v++) {
            ub4 value;
            if (!get_compat_entry_value(buffer, &entry, v, &value, block_size))
                break;
            sp_printf(" 0x%08x", value);
        }
        sp_printf("\n");
        offset += entry.size;
    }
}

void show_lob_data_block(const ub1* buffer, ub4 block_size, int header_only)
{
    LOB_BLOCK_HEADER h;
    get_lob_block_header(buffer, &h, block_size);
    sp_printf("Long field block dump:\n");
    sp_printf("Object Id  %u\n", h.object_id);
    sp_printf("LobId: %04x%08x%08x  PageNo %8u\n", h.lob_id_high, h.lob_id_mid, h.lob_id_low, h.page_no);
    sp_printf("Version: 0x%04x.%08x  pdba: %8u\n", h.version_wrap, h.version_base, h.pdba);
    if (!header_only) {
        ub4 end = block_size - BLOCK_TAIL_SIZE;
        for (ub4 at = LOB_DATA_OFFSET; at < end; at += 24) {
            sp_printf("   ");
            show_hex_bytes(buffer + at, end - at < 24 ? end - at : 24);
            sp_printf("\n");
        }
    }
    sp_printf("\n");
}
