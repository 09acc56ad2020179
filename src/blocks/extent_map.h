#pragma once
// Extent map entries (in segment headers and extent map blocks) and the
// extent map blocks that continue a segment header's map.

#include "blocks/block_types.h"

typedef struct _tag_extent_map_entry {
    ub4 start_rdba;
    ub4 length;
} EXTENT_MAP_ENTRY, *PEXTENT_MAP_ENTRY;

typedef struct _tag_emb_block {
    ub4 extents;
    ub4 next_rdba;
    ub4 object_id;
    ub4 flag;
} EMB_BLOCK, *PEMB_BLOCK;

constexpr ub4 EMB_EXTENT_MAP_OFFSET = 36;

// How many of `count` entries of `entry_size` bytes starting at `offset` lie
// wholly before the block's tail word. Every loop over entries whose count
// comes from a block is bounded by this.
ub4 get_fitting_entry_count(ub4 block_size, size_t offset, ub4 entry_size, ub4 count);
// Entry `index` of a map at `offset`; FALSE (entry cleared) past the tail.
int get_extent_map_entry(const ub1* buffer, size_t offset, ub4 index, PEXTENT_MAP_ENTRY entry, ub4 block_size);
int get_emb_block(const ub1* buffer, PEMB_BLOCK header, ub4 block_size);
