// Compatibility segment block (type 13):
//   off size field
//    20    2 size       the entry area starts at 20 + size
//    24    4 next_rdba
//    28    2 entries
// Each entry: its size ub2 at 0, an 8-byte name at 2, ub4 values from 20 up
// to its size; the next entry follows at that size.

#include "blocks/compat_segment.h"

#include <cstring>

#include "base/byte_order.h"

int get_compatblock_header(const ub1* buffer, PCOMPATBLOCK_HEADER header, ub4 block_size)
{
    memset(header, 0, sizeof(*header));
    if (block_size < BLOCK_MIN_SIZE)
        return FALSE;
    header->size = get_ub2(buffer, 20);
    header->next_rdba = get_ub4(buffer, 24);
    header->entries = get_ub2(buffer, 28);
    return TRUE;
}

ub4 get_compat_first_entry_offset(const COMPATBLOCK_HEADER* header)
{
    return BLOCK_HEADER_SIZE + header->size;
}

int get_compat_entry(const ub1* buffer, ub4 offset, PCOMPAT_ENTRY entry, ub4 block_size)
{
    memset(entry, 0, sizeof(*entry));
    if (block_size < BLOCK_TAIL_SIZE)
        return FALSE;
    size_t end = block_size - BLOCK_TAIL_SIZE;
    if ((size_t)offset + COMPAT_ENTRY_DATA_OFFSET > end)
        return FALSE;
    ub2 size = get_ub2(buffer, offset);
    if (size < COMPAT_ENTRY_DATA_OFFSET || (size_t)offset + size > end)
        return FALSE;
    entry->offset = offset;
    entry->size = size;
    memcpy(entry->name, buffer + offset + 2, COMPAT_ENTRY_NAME_LEN);
    entry->name[COMPAT_ENTRY_NAME_LEN] = '\0';
    entry->value_count = (size - COMPAT_ENTRY_DATA_OFFSET) / 4;
    return TRUE;
}

int get_compat_entry_value(const ub1* buffer, const COMPAT_ENTRY* entry, ub4 index, ub4* value, ub4 block_size)
{
    *value = 0;
    size_t at = (size_t)entry->offset + COMPAT_ENTRY_DATA_OFFSET + (size_t)index * 4;
    if (index >= entry->value_count || block_size < BLOCK_TAIL_SIZE || at + 4 > block_size - BLOCK_TAIL_SIZE)
        return FALSE;
    *value = get_ub4(buffer, at);
    return TRUE;
}
