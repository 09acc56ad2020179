// Transaction control area (44 bytes), offsets from its start:
//    0 control_scn_base ub4    4 control_scn_wrap ub2
//    8 control_uba_rdba ub4   12 control_uba_seq ub2    14 control_uba_rec ub1
//   16 flag ub2               18 seq ub2                20 nbf ub2
//   24 inc ub4                28 commit_header ub2      30 commit_tail ub2
//   32 magic_number ub2       34 version ub2            36 xts ub2
//   38 free_block_pool ub2    40 optimal ub4
// Five 12-byte free block pool entries follow: uba dba ub4 at 0, seq ub2 at
// 4, rec ub1 at 6, extent ub2 at 8, space ub2 at 10; then the transaction
// table, 40 bytes an entry: wrap_no ub2 at 0, dba ub4 at 4, scn_base ub4 at
// 8, scn_wrap ub2 at 12, state ub1 at 16, cflags ub1 at 17, uel ub2 at 18,
// parent xid usn ub2 at 20, slot ub2 at 22, wrap ub4 at 24, stmt_num ub4 at
// 28, nub ub4 at 32.
// A type-14 header keeps the control area at map_offset + 20. A type-38
// (system managed) header keeps a retention table there, one ub4 commit time
// per extent, and the control area at a fixed offset by block size.

#include "blocks/undo_header.h"

#include <cstring>

#include "base/byte_order.h"
#include "blocks/extent_map.h"

namespace {

bool area_fits(size_t offset, size_t size, ub4 block_size)
{
    return block_size >= BLOCK_TAIL_SIZE && offset + size <= block_size - BLOCK_TAIL_SIZE;
}

} // namespace

ub4 get_undo_trans_control_offset(ub1 block_type, ub2 map_offset, ub4 block_size)
{
    ub4 offset = 0;
    if (block_type == BT_SYS_UNDO_HEADER) {
        switch (block_size) {
        case 2048:
            offset = 1488;
            break;
        case 4096:
            offset = 3024;
            break;
        case 8192:
            offset = 6096;
            break;
        case 16384:
            offset = 12240;
            break;
        default:
            return 0;
        }
    } else
        offset = (ub4)map_offset + 20;
    return area_fits(offset, TRANS_CONTROL_SIZE, block_size) ? offset : 0;
}

ub4 get_trans_table_offset(ub4 trans_control_offset)
{
    return trans_control_offset + TRANS_CONTROL_SIZE + FREE_BLOCK_POOL_ENTRIES * FREE_BLOCK_POOL_ENTRY_SIZE;
}

int get_trans_control_header(PTRANS_CONTROL_HEADER record, const ub1* buffer, ub4 offset, ub4 block_size)
{
    memset(record, 0, sizeof(*record));
    if (!area_fits(offset, TRANS_CONTROL_SIZE, block_size))
        return FALSE;
    record->control_scn_base = get_ub4(buffer, offset);
    record->control_scn_wrap = get_ub2(buffer, offset + 4);
    record->control_uba_rdba = get_ub4(buffer, offset + 8);
    record->control_uba_seq = get_ub2(buffer, offset + 12);
    record->control_uba_rec = get_ub1(buffer, offset + 14);
    record->flag = get_ub2(buffer, offset + 16);
    record->seq = get_ub2(buffer, offset + 18);
    record->nbf = get_ub2(buffer, offset + 20);
    record->inc = get_ub4(buffer, offset + 24);
    record->commit_header = get_ub2(buffer, offset + 28);
    record->commit_tail = get_ub2(buffer, offset + 30);
    record->magic_number = get_ub2(buffer, offset + 32);
    record->version = get_ub2(buffer, offset + 34);
    record->xts = get_ub2(buffer, offset + 36);
    record->free_block_pool = get_ub2(buffer, offset + 38);
    record->optimal = get_ub4(buffer, offset + 40);
    return TRUE;
}

int get_free_block_pool_entry(PFREE_BLOCK_POOL_ENTRY record, const ub1* buffer, ub4 trans_control_offset,
                              ub4 index, ub4 block_size)
{
    memset(record, 0, sizeof(*record));
    size_t at = (size_t)trans_control_offset + TRANS_CONTROL_SIZE + (size_t)index * FREE_BLOCK_POOL_ENTRY_SIZE;
    if (index >= FREE_BLOCK_POOL_ENTRIES || !area_fits(at, FREE_BLOCK_POOL_ENTRY_SIZE, block_size))
        return FALSE;
    record->uba_dba = get_ub4(buffer, at);
    record->uba_seq = get_ub2(buffer, at + 4);
    record->uba_rec = get_ub1(buffer, at + 6);
    record->extent = get_ub2(buffer, at + 8);
    record->space = get_ub2(buffer, at + 10);
    return TRUE;
}

int get_trans_table_entry(PTRANS_TABLE_ENTRY record, const ub1* buffer, ub4 offset, ub4 block_size)
{
    memset(record, 0, sizeof(*record));
    if (!area_fits(offset, TRANS_TABLE_ENTRY_SIZE, block_size))
        return FALSE;
    record->wrap_no = get_ub2(buffer, offset);
    if (record->wrap_no == 0)
        return TRUE;
    record->dba = get_ub4(buffer, offset + 4);
    record->scn_base = get_ub4(buffer, offset + 8);
    record->scn_wrap = get_ub2(buffer, offset + 12);
    record->state = get_ub1(buffer, offset + 16);
    record->cflags = get_ub1(buffer, offset + 17);
    record->uel = get_ub2(buffer, offset + 18);
    record->parent_xid_usn = get_ub2(buffer, offset + 20);
    record->parent_xid_slot = get_ub2(buffer, offset + 22);
    record->parent_xid_wrap = get_ub4(buffer, offset + 24);
    record->stmt_num = get_ub4(buffer, offset + 28);
    record->nub = get_ub4(buffer, offset + 32);
    return TRUE;
}

int get_retention_commit_time(const ub1* buffer, ub2 map_offset, ub4 index, ub4* commit_time, ub4 block_size)
{
    *commit_time = 0;
    size_t first = (size_t)map_offset + 20;
    if (index >= get_fitting_entry_count(block_size, first, 4, UB4_MAX))
        return FALSE;
    *commit_time = get_ub4(buffer, first + (size_t)index * 4);
    return TRUE;
}
