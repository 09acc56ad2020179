// Extent map block (types 18 and 36):
//   off size field
//    20    4 extents      entries in this block's map
//    24    4 next_rdba    next extent map block, 0 ends the chain
//    28    4 object_id
//    32    4 flag
//    36  8*n extent map; a type-36 block follows it with one 8-byte
//            auxiliary entry (level-1 bitmap dba, first data dba) per extent
// Extent map entry, wherever it appears: start_rdba ub4 at +0, length
// (blocks) ub4 at +4.

#include "blocks/extent_map.h"

#include <cstring>

#include "base/byte_order.h"

ub4 get_fitting_entry_count(ub4 block_size, size_t offset, ub4 entry_size, ub4 count)
{
    if (entry_size == 0 || block_size < BLOCK_TAIL_SIZE)
        return 0;
    size_t end = block_size - BLOCK_TAIL_SIZE;
    if (offset >= end)
        return 0;
    size_t room = (end - offset) / entry_size;
    return room < count ? (ub4)room : count;
}

int get_extent_map_entry(const ub1* buffer, size_t offset, ub4 index, PEXTENT_MAP_ENTRY entry, ub4 block_size)
{
    memset(entry, 0, sizeof(*entry));
    if (index >= get_fitting_entry_count(block_size, offset, EXTENT_MAP_ENTRY_SIZE, UB4_MAX))
        return FALSE;
    size_t at = offset + (size_t)index * EXTENT_MAP_ENTRY_SIZE;
    entry->start_rdba = get_ub4(buffer, at);
    entry->length = get_ub4(buffer, at + 4);
    return TRUE;
}

int get_emb_block(const ub1* buffer, PEMB_BLOCK header, ub4 block_size)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_MIN_SIZE)
        return FALSE;
    header->extents = get_ub4(buffer, 20);
    header->next_rdba = get_ub4(buffer, 24);
    header->object_id = get_ub4(buffer, 28);
    header->flag = get_ub4(buffer, 32);
    return TRUE;
}
