// Transaction header of data and index blocks, after the cache header:
//   off size field
//    20    1 block_type     1 data, 2 index
//    24    4 object_id      data object number
//    28    4 csc_base       cleanout SCN
//    32    2 csc_wrap
//    36    2 itl_cnt        low 8 bits only
//    38    1 flag byte      0x02 is ver; 0x02|0x04 has_object; high nibble
//                           set in ASSM blocks
//    39    1 fsl            (brn in ASSM blocks)
//    40    4 fnx            (bdba in ASSM blocks)
//    44 24*n ITL entries: xid usn ub2 +0, slot ub2 +2, seq ub4 +4, uba dba
//            ub4 +8, uba seq ub2 +12, uba rec ub1 +14, flag-and-lock ub2
//            +16, scn wrap or free space credit ub2 +18, scn base ub4 +20
// The data header follows the ITLs (8 bytes later in ASSM blocks):
//   +0 kdbh_flag ub1, +1 tab_cnt ub1, +2 row_cnt ub2, +4 first_free_row
//   sb2, +6 free_space_begin, +8 free_space_end, +10 avail_space, +12
//   total_space (ub2 each). A compressed block continues at +15 with r0
//   ub1, +16 mec ub2, +18 r1 ub1, +19 fcls count, +20 perm count, +21 flag,
//   then the fcls ub2 array at +22 and the perm ub1 array after it.
// Then the table directory (first row ub2, row count ub2 per table) and the
// row directory (ub2 per row, offsets from the data header).

#include "blocks/data_block.h"

#include <cstring>

#include "base/byte_order.h"
#include "blocks/extent_map.h"

namespace {

ub4 usable_end(ub4 block_size)
{
    return block_size >= BLOCK_TAIL_SIZE ? block_size - BLOCK_TAIL_SIZE : 0;
}

} // namespace

bool is_assm_datablock(const DATABLOCK_HEADER* header)
{
    return (header->fl_flag & 0xf0) != 0;
}

bool is_compressed_table(const DATABLOCK_HEADER* header)
{
    return (header->kdbh_flag & KDBH_FLAG_COMPRESS_TABLE) != 0;
}

ub4 calc_kdbh_9ir2_size(const DATABLOCK_HEADER* header)
{
    if (!is_compressed_table(header))
        return 0;
    ub4 size = KDBH_9IR2_SIZE + 2u * header->fcls_9ir2_cnt + header->perm_9ir2_cnt;
    return (size + 1) & ~1u;
}

int get_datablock_header(const ub1* buffer, PDATABLOCK_HEADER header, ub4 block_size)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_MIN_SIZE)
        return FALSE;
    header->block_type = get_ub1(buffer, 20);
    header->object_id = get_ub4(buffer, 24);
    header->csc_base = get_ub4(buffer, 28);
    header->csc_wrap = get_ub2(buffer, 32);
    header->itl_cnt = (ub1)(get_ub2(buffer, 36) & 0xff);
    ub1 flag_byte = get_ub1(buffer, 38);
    header->fl_flag = flag_byte & (ub1)~0x02;
    header->ver = (flag_byte & 0x02) >> 1;
    header->has_object = (flag_byte & 0x06) != 0 ? 1 : 0;
    header->fsl = get_ub1(buffer, 39);
    header->fnx = get_ub4(buffer, 40);
    header->data_header_offset =
        (is_assm_datablock(header) ? ASSM_TRANS_FIXED_SIZE : TRANS_FIXED_SIZE) + BLOCK_HEADER_SIZE +
        ITL_ENTRY_SIZE * header->itl_cnt;

    // itl_cnt comes from the block: up to 255 ITLs can push the data header
    // past a small block.
    ub4 end = usable_end(block_size);
    ub4 dh = header->data_header_offset;
    if (dh + KDBH_SIZE > end)
        return FALSE;
    header->kdbh_flag = get_ub1(buffer, dh);
    header->tab_cnt = get_ub1(buffer, dh + 1);
    header->row_cnt = get_ub2(buffer, dh + 2);
    header->first_free_row = (sb2)get_ub2(buffer, dh + 4);
    header->free_space_begin = get_ub2(buffer, dh + 6);
    header->free_space_end = get_ub2(buffer, dh + 8);
    header->avail_space = get_ub2(buffer, dh + 10);
    header->total_space = get_ub2(buffer, dh + 12);
    if (!is_compressed_table(header))
        return TRUE;
    if (dh + 22 > end)
        return FALSE;
    header->r0_9ir2 = get_ub1(buffer, dh + 15);
    header->mec_kdbh9ir2 = get_ub2(buffer, dh + 16);
    header->r1_9ir2 = get_ub1(buffer, dh + 18);
    header->fcls_9ir2_cnt = get_ub1(buffer, dh + 19);
    header->perm_9ir2_cnt = get_ub1(buffer, dh + 20);
    header->flag_9ir2 = get_ub1(buffer, dh + 21);
    header->fcls_9ir2_pos = dh + 22;
    header->perm_9ir2_pos = header->fcls_9ir2_pos + 2u * header->fcls_9ir2_cnt;
    return header->perm_9ir2_pos + header->perm_9ir2_cnt <= end ? TRUE : FALSE;
}

int get_itl_entry(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 index, PITL_ENTRY entry, ub4 block_size)
{
    memset(entry, 0, sizeof(*entry));
    if (index >= header->itl_cnt ||
        index >= get_fitting_entry_count(block_size, ITL_LIST_OFFSET, ITL_ENTRY_SIZE, UB4_MAX))
        return FALSE;
    size_t at = ITL_LIST_OFFSET + (size_t)index * ITL_ENTRY_SIZE;
    entry->xid_usn = get_ub2(buffer, at);
    entry->xid_slot = get_ub2(buffer, at + 2);
    entry->xid_seq = get_ub4(buffer, at + 4);
    entry->uba_dba = get_ub4(buffer, at + 8);
    entry->uba_seq = get_ub2(buffer, at + 12);
    entry->uba_rec = get_ub1(buffer, at + 14);
    entry->flag_lock = get_ub2(buffer, at + 16);
    entry->scn_wrap = get_ub2(buffer, at + 18);
    entry->scn_base = get_ub4(buffer, at + 20);
    return TRUE;
}

int get_fcls_9ir2(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 index, ub2* value, ub4 block_size)
{
    *value = 0;
    if (!is_compressed_table(header) || index >= header->fcls_9ir2_cnt ||
        index >= get_fitting_entry_count(block_size, header->fcls_9ir2_pos, 2, UB4_MAX))
        return FALSE;
    *value = get_ub2(buffer, header->fcls_9ir2_pos + 2 * index);
    return TRUE;
}

int get_perm_9ir2(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 index, ub1* value, ub4 block_size)
{
    *value = 0;
    if (!is_compressed_table(header) || index >= header->perm_9ir2_cnt ||
        index >= get_fitting_entry_count(block_size, header->perm_9ir2_pos, 1, UB4_MAX))
        return FALSE;
    *value = get_ub1(buffer, header->perm_9ir2_pos + index);
    return TRUE;
}

ub4 get_tab_dir_offset(const DATABLOCK_HEADER* header)
{
    return header->data_header_offset + KDBH_SIZE + calc_kdbh_9ir2_size(header);
}

ub4 get_row_dir_offset(const DATABLOCK_HEADER* header)
{
    return get_tab_dir_offset(header) + TAB_DIR_ENTRY_SIZE * header->tab_cnt;
}

int get_tab_dir_entry(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 table, ub2* first_row,
                      ub2* row_count, ub4 block_size)
{
    *first_row = 0;
    *row_count = 0;
    ub4 first = get_tab_dir_offset(header);
    if (table >= header->tab_cnt || table >= get_fitting_entry_count(block_size, first, TAB_DIR_ENTRY_SIZE, UB4_MAX))
        return FALSE;
    *first_row = get_ub2(buffer, first + TAB_DIR_ENTRY_SIZE * table);
    *row_count = get_ub2(buffer, first + TAB_DIR_ENTRY_SIZE * table + 2);
    return TRUE;
}

int get_row_dir_entry(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 index, ub2* offset, ub4 block_size)
{
    *offset = ROW_DIR_EMPTY_SLOT;
    ub4 first = get_row_dir_offset(header);
    if (index >= header->row_cnt || index >= get_fitting_entry_count(block_size, first, ROW_DIR_ENTRY_SIZE, UB4_MAX))
        return FALSE;
    *offset = get_ub2(buffer, first + ROW_DIR_ENTRY_SIZE * index);
    return TRUE;
}

bool check_row_pos(ub4 offset, const DATABLOCK_HEADER* header, ub4 block_size)
{
    if (offset == ROW_DIR_EMPTY_SLOT)
        return false;
    if (block_size != 0 && offset >= block_size)
        return false;
    if (header->block_type != DBT_DATA)
        return true;
    if (block_size != 0 && header->data_header_offset + offset >= block_size)
        return false;
    // Smaller values are links in the chain of free row slots.
    return offset >= KDBH_SIZE + TAB_DIR_ENTRY_SIZE * header->tab_cnt + ROW_DIR_ENTRY_SIZE * header->row_cnt;
}
