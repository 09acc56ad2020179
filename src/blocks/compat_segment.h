#pragma once
// The compatibility segment block (type 13) and its entries.

#include "blocks/block_types.h"

constexpr ub4 COMPAT_ENTRY_NAME_LEN = 8;
constexpr ub4 COMPAT_ENTRY_DATA_OFFSET = 20;

typedef struct _tag_compatblock_header {
    ub4 size;
    ub4 next_rdba;
    ub4 entries;
} COMPATBLOCK_HEADER, *PCOMPATBLOCK_HEADER;

typedef struct _tag_compat_entry {
    ub4 offset; // of the entry in the block
    ub2 size;   // the next entry starts this many bytes further
    char name[COMPAT_ENTRY_NAME_LEN + 1];
    ub4 value_count;
} COMPAT_ENTRY, *PCOMPAT_ENTRY;

int get_compatblock_header(const ub1* buffer, PCOMPATBLOCK_HEADER header, ub4 block_size);
ub4 get_compat_first_entry_offset(const COMPATBLOCK_HEADER* header);
// The entry at `offset`; FALSE (cleared) when it does not lie before the
// tail or is too short to hold its own header, which also ends a walk.
int get_compat_entry(const ub1* buffer, ub4 offset, PCOMPAT_ENTRY entry, ub4 block_size);
int get_compat_entry_value(const ub1* buffer, const COMPAT_ENTRY* entry, ub4 index, ub4* value, ub4 block_size);
