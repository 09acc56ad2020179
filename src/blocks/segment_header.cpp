// Freelist-managed segment header (types 16, 17; the extent control part of
// undo headers 14 and 38):
//   off size field                off size field
//    28    4 last_map              60    4 high_water
//    32    4 map_blocks            64    4 mapblk_rdba
//    36    4 extents               68    4 mapblk_offset
//    40    4 blocks                72    4 seg_fl_blocks
//    44    2 map_offset            76    4 blocks_below
//    48    4 extent_no             80    2 xid_usn
//    52    4 block_no              82    2 xid_slot
//    56    4 extent_size           84    2 xid_seq
//    92    4 map_header_extents    96    4 next_map_header
//   100    4 object_id            104    4 map_header_flag
//   108  8*n extent map
// Freelist summary, from map_offset: +20 trans_freelists ub2, +22 freelists
// ub2, +24 freelist_blocks ub2, +26 freelist_type ub1, +36 ccnt ub4; 20-byte
// freelist entries from +28: flag ub2 at 0, xid usn/slot/seq ub2 at 4/6/8,
// list head ub4 at 12, list tail ub4 at 16.
//
// Limited segment header (type 5): object_id ub4 at 24, map_header_extents
// ub4 at 32, extent map from 64; nothing else.

#include "blocks/segment_header.h"

#include <cstring>

#include "base/byte_order.h"

int get_flm_header(const ub1* buffer, PFLM_HEADER header, ub4 block_size)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_MIN_SIZE)
        return FALSE;
    get_extent_control(buffer, header);
    header->xid_usn = get_ub2(buffer, 80);
    header->xid_slot = get_ub2(buffer, 82);
    header->xid_seq = get_ub2(buffer, 84);
    header->map_header_extents = get_ub4(buffer, 92);
    header->next_map_header = get_ub4(buffer, 96);
    header->object_id = get_ub4(buffer, 100);
    header->map_header_flag = get_ub4(buffer, 104);

    // map_offset comes from the block: the summary must end before the tail.
    size_t summary = (size_t)header->map_offset;
    if (summary + 40 > block_size - BLOCK_TAIL_SIZE)
        return FALSE;
    header->trans_freelists = get_ub2(buffer, summary + 20);
    header->freelists = get_ub2(buffer, summary + 22);
    header->freelist_blocks = get_ub2(buffer, summary + 24);
    header->freelist_type = get_ub1(buffer, summary + 26);
    header->ccnt = get_ub4(buffer, summary + 36);
    return TRUE;
}

int get_limited_seg_header(const ub1* buffer, PFLM_HEADER header, ub4 block_size)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_MIN_SIZE)
        return FALSE;
    header->object_id = get_ub4(buffer, 24);
    header->map_header_extents = get_ub4(buffer, 32);
    return TRUE;
}

ub4 get_flm_freelist_count(const FLM_HEADER* header)
{
    return (ub4)header->freelists + (header->freelists >= 2 ? 1 : 0) + header->trans_freelists;
}

int get_freelist_entry(const ub1* buffer, const FLM_HEADER* header, ub4 index, PFREELIST_ENTRY entry,
                       ub4 block_size)
{
    memset(entry, 0, sizeof(*entry));
    size_t first = (size_t)header->map_offset + 28;
    if (index >= get_fitting_entry_count(block_size, first, FREELIST_ENTRY_SIZE, UB4_MAX))
        return FALSE;
    size_t at = first + (size_t)index * FREELIST_ENTRY_SIZE;
    entry->flag = get_ub2(buffer, at);
    entry->xid_usn = get_ub2(buffer, at + 4);
    entry->xid_slot = get_ub2(buffer, at + 6);
    entry->xid_seq = get_ub2(buffer, at + 8);
    entry->head = get_ub4(buffer, at + 12);
    entry->tail = get_ub4(buffer, at + 16);
    return TRUE;
}
