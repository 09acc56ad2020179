// Dump of undo segment headers (types 14 and 38): the extent control header,
// the retention table of a type-38 header, the transaction control area,
// the free block pool and the transaction table.

#include "base/printer.h"
#include "base/time_text.h"
#include "blocks/block_dump.h"
#include "blocks/undo_header.h"

namespace {

void show_retention_table(const ub1* buffer, const FLM_HEADER* header, ub4 block_size)
{
    sp_printf("\n Retention Table\n");
    sp_printf(" ---------------------------------------------------------------------------\n");
    for (ub4 i = 0; i < header->map_header_extents; i++) {
        ub4 commit_time;
        if (!get_retention_commit_time(buffer, header->map_offset, i, &commit_time, block_size)) {
            show_dump_damage("retention table entry", (size_t)header->map_offset + 20 + (size_t)i * 4);
            return;
        }
        char text[TIME_STR_LEN];
        sp_printf(" Extent Number: %-3u  Commit Time: %u (%s)\n", i, commit_time,
                  get_time_str((time_t)commit_time, text));
    }
}

void show_trans_control(const TRANS_CONTROL_HEADER* c)
{
    sp_printf("\n  TRN CTL::");
    sp_printf(" seq: 0x%04x chd: 0x%04x ctl: 0x%04x inc: 0x%08x nbf: 0x%04x\n", c->seq, c->commit_header,
              c->commit_tail, c->inc, c->nbf);
    sp_printf("%11c mgc: 0x%04x xts: 0x%04x flg: 0x%04x opt: %u(0x%08x)\n", ' ', c->magic_number, c->xts, c->flag,
              c->optimal, c->optimal);
    sp_printf("%11c uba: 0x%08x.%04x.%02x scn: 0x%04x.%08x\n", ' ', c->control_uba_rdba, c->control_uba_seq,
              c->control_uba_rec, c->control_scn_wrap, c->control_scn_base);
    sp_printf("Version: 0x%02x\n", c->version);
}

void show_free_block_pool(const ub1* buffer, ub4 control, ub4 block_size)
{
    sp_printf("  FREE BLOCK POOL::\n");
    for (ub4 i = 0; i < FREE_BLOCK_POOL_ENTRIES; i++) {
        FREE_BLOCK_POOL_ENTRY e;
        if (!get_free_block_pool_entry(&e, buffer, control, i, block_size)) {
            show_dump_damage("free block pool entry",
                             (size_t)control + TRANS_CONTROL_SIZE + (size_t)i * FREE_BLOCK_POOL_ENTRY_SIZE);
            return;
        }
        sp_printf("    uba: 0x%08x.%04x.%02x ext: 0x%x  spc: 0x%x\n", e.uba_dba, e.uba_seq, e.uba_rec, e.extent,
                  e.space);
    }
}

void show_trans_table(const ub1* buffer, ub4 control, ub4 block_size)
{
    sp_printf("  \nTRN TBL::\n\n");
    sp_printf("  index  state cflags  wrap#    uel         scn            dba            parent-xid    nub     "
              "stmt_num");
    sp_printf("\n");
    sp_printf("  ------------------------------------------------------------------------------------------------\n");
    ub4 offset = get_trans_table_offset(control);
    for (ub4 i = 0; i < TRANS_TABLE_MAX_ENTRIES; i++, offset += TRANS_TABLE_ENTRY_SIZE) {
        TRANS_TABLE_ENTRY e;
        if (!get_trans_table_entry(&e, buffer, offset, block_size)) {
            show_dump_damage("transaction table entry", offset);
            break;
        }
        if (e.wrap_no == 0)
            break;
        sp_printf("   0x%02x   %2u    0x%02x  0x%04x  0x%04x", i, e.state, e.cflags, e.wrap_no, e.uel);
        sp_printf("  0x%04x.%08x  0x%08x  0x%04x.%03x.%08x  0x%08x    0x%08x\n", e.scn_wrap, e.scn_base, e.dba,
                  e.parent_xid_usn, e.parent_xid_slot, e.parent_xid_wrap, e.nub, e.stmt_num);
    }
    sp_printf("\n\n");
}

} // namespace

void show_undo_segment_header(const ub1* buffer, ub1 block_type, ub4 block_size, int header_only)
{
    FLM_HEADER header;
    get_flm_header(buffer, &header, block_size);
    show_extentcontrol_header(buffer, &header, block_size);
    if (header_only)
        return;
    if (block_type == BT_SYS_UNDO_HEADER)
        show_retention_table(buffer, &header, block_size);
    ub4 control = get_undo_trans_control_offset(block_type, header.map_offset, block_size);
    if (control == 0) {
        // A type-38 header of a block size with no fixed place for the area
        // simply has none; anywhere else the area is out of the block.
        if (block_type != BT_SYS_UNDO_HEADER)
            show_dump_damage("transaction control area", (size_t)header.map_offset + 20);
        return;
    }
    TRANS_CONTROL_HEADER c;
    get_trans_control_header(&c, buffer, control, block_size);
    show_trans_control(&c);
    show_free_block_pool(buffer, control, block_size);
    show_trans_table(buffer, control, block_size);
}
