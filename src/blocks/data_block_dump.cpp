// Dump of data blocks (type 6, kind 1): the transaction header with its ITL
// list (shared with index blocks), the data header, the compression
// extension, the table and row directories; the rows are dumped elsewhere.

#include "base/printer.h"
#include "blocks/block_dump.h"
#include "blocks/block_names.h"

namespace {

// Release 12.2 and later keep a flag in the top bit of the cleanout SCN's
// wrap; it is not part of the SCN.
constexpr ub2 CSC_WRAP_FLAG = 0x8000;

void show_datablock_itl(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size)
{
    sp_printf(" Itl%11cXid%18cUba%9cFlag  Lck%8cScn/Fsc\n", ' ', ' ', ' ', ' ');
    for (ub4 i = 0; i < header->itl_cnt; i++) {
        ITL_ENTRY itl;
        if (!get_itl_entry(buffer, header, i, &itl, block_size)) {
            show_dump_damage("ITL entry", ITL_LIST_OFFSET + (size_t)i * ITL_ENTRY_SIZE);
            return;
        }
        char flags[ITL_FLAGNAME_LEN + 1];
        sp_printf("0x%02x   0x%04x.%03x.%08x  0x%08x.%04x.%02x  %s  %3u  %s 0x%04x.%08x\n", i + 1, itl.xid_usn,
                  itl.xid_slot, itl.xid_seq, itl.uba_dba, itl.uba_seq, itl.uba_rec,
                  set_datablock_hflag_name((ub1)(itl.flag_lock >> 12), flags), itl.flag_lock & 0x0fffu,
                  (itl.flag_lock & 0x8000) ? "scn" : "fsc", itl.scn_wrap, itl.scn_base);
    }
}

void show_compression_extension(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size)
{
    char flags[KDBH_9IR2_FLAGNAME_LEN + 1];
    sp_printf("  r0_9ir2=0x%x\n", header->r0_9ir2);
    sp_printf("  mec_kdbh9ir2=0x%x=%u\n", header->mec_kdbh9ir2, header->mec_kdbh9ir2);
    sp_printf("  r1_9ir2=0x%x\n", header->r1_9ir2);
    sp_printf("  flag_9ir2=0x%x=%s\n", header->flag_9ir2, set_kdbh_9ir2_flag_name(header->flag_9ir2, flags));
    sp_printf("    fcls_9ir2[%u]={ ", header->fcls_9ir2_cnt);
    for (ub4 i = 0; i < header->fcls_9ir2_cnt; i++) {
        ub2 value;
        if (!get_fcls_9ir2(buffer, header, i, &value, block_size))
            break;
        sp_printf("%u ", value);
    }
    sp_printf("}\n");
    sp_printf("    perm_9ir2[%u]={ ", header->perm_9ir2_cnt);
    for (ub4 i = 0; i < header->perm_9ir2_cnt; i++) {
        ub1 value;
        if (!get_perm_9ir2(buffer, header, i, &value, block_size))
            break;
        sp_printf("%u ", value);
    }
    sp_printf("}\n");
}

void show_datablock_tab_dir(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size)
{
    ub4 first = get_tab_dir_offset(header);
    for (ub4 t = 0; t < header->tab_cnt; t++) {
        ub2 first_row;
        ub2 row_count;
        if (!get_tab_dir_entry(buffer, header, t, &first_row, &row_count, block_size)) {
            show_dump_damage("table directory entry", first + (size_t)t * TAB_DIR_ENTRY_SIZE);
            return;
        }
        sp_printf("0x%x:pti[%u] nrow=%u  offs=%u\n", first + t * TAB_DIR_ENTRY_SIZE - header->data_header_offset,
                  t, row_count, first_row);
    }
}

void show_datablock_row_dir(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size)
{
    ub4 first = get_row_dir_offset(header);
    for (ub4 i = 0; i < header->row_cnt; i++) {
        ub2 entry;
        if (!get_row_dir_entry(buffer, header, i, &entry, block_size)) {
            show_dump_damage("row directory entry", first + (size_t)i * ROW_DIR_ENTRY_SIZE);
            return;
        }
        ub4 at = first + i * ROW_DIR_ENTRY_SIZE - header->data_header_offset;
        if (entry == ROW_DIR_EMPTY_SLOT)
            sp_printf("0x%x:pri[%u]  sfll=-1\n", at, i);
        else if (check_row_pos(entry, header, block_size))
            sp_printf("0x%x:pri[%u]  offs=0x%x\n", at, i, entry);
        else
            sp_printf("0x%x:pri[%u]  sfll=%u\n", at, i, entry);
    }
}

} // namespace

void show_datablock_common_header(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size)
{
    sp_printf("Data Block Header Dump:\n");
    sp_printf(" Object id on Block? %c\n", header->has_object ? 'Y' : 'N');
    sp_printf(" seg/obj: 0x%x=%u  csc: 0x%02x.%x  itc: %u  flg: %s  typ: %u (%s)\n", header->object_id,
              header->object_id, header->csc_wrap & (ub2)~CSC_WRAP_FLAG, header->csc_base, header->itl_cnt,
              get_fl_flag_name(header->fl_flag), header->block_type, get_datablock_type_name(header->block_type));
    if (is_assm_datablock(header))
        sp_printf("     brn: %u  bdba: 0x%x ver: 0x%02x\n", header->fsl, header->fnx, header->ver);
    else
        sp_printf("     fsl: %u  fnx: 0x%x ver: 0x%02x\n", header->fsl, header->fnx, header->ver);
    sp_printf("\n");
    show_datablock_itl(buffer, header, block_size);
}

void show_datablock_header(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size, int header_only)
{
    show_datablock_common_header(buffer, header, block_size);
    sp_printf("Data Block Dump:\n");
    sp_printf("================\n");
    ub4 dh = header->data_header_offset;
    if (dh + KDBH_SIZE > block_size - BLOCK_TAIL_SIZE) {
        show_dump_damage("data header", dh);
        return;
    }
    char flags[KDBH_FLAGNAME_LEN + 1];
    sp_printf("flag=0x%x %s\nntab=%u\nnrow=%u\n", header->kdbh_flag, set_kdbh_flag_name(header->kdbh_flag, flags),
              header->tab_cnt, header->row_cnt);
    sp_printf("frre=%d\nfsbo=0x%x\nffeo=0x%x\n", header->first_free_row, header->free_space_begin,
              header->free_space_end);
    sp_printf("avsp=0x%x\ntosp=0x%x\n", header->avail_space, header->total_space);
    if (header_only)
        return;
    if (is_compressed_table(header)) {
        // The fixed part of the extension must be there to say where the
        // directories start.
        if (header->fcls_9ir2_pos == 0) {
            show_dump_damage("compression extension", dh + KDBH_SIZE);
            return;
        }
        show_compression_extension(buffer, header, block_size);
    }
    show_datablock_tab_dir(buffer, header, block_size);
    show_datablock_row_dir(buffer, header, block_size);
    if (is_compressed_table(header))
        show_compressed_datablock_rows(buffer, header, block_size);
    else
        show_datablock_rows(buffer, header, block_size);
}
