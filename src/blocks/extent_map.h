#pragma once
// Extent map entries (in segment headers and extent map blocks) and the
// extent map blocks that continue a segment header's map.

#include "base/byte_order.h"
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
// The extent control header that freelist and ASSM segment headers share,
// bytes 28-79 after the cache header: last map, map blocks, extents, blocks,
// map offset (ub2 at 44), then the high-water record (extent, block, extent
// size, high water, map block and offset, free blocks, blocks below). The
// caller has checked the block holds BLOCK_MIN_SIZE bytes.
template <typename HEADER>
void get_extent_control(const ub1* buffer, HEADER* header)
{
    header->last_map = get_ub4(buffer, 28);
    header->map_blocks = get_ub4(buffer, 32);
    header->extents = get_ub4(buffer, 36);
    header->blocks = get_ub4(buffer, 40);
    header->map_offset = get_ub2(buffer, 44);
    header->extent_no = get_ub4(buffer, 48);
    header->block_no = get_ub4(buffer, 52);
    header->extent_size = get_ub4(buffer, 56);
    header->high_water = get_ub4(buffer, 60);
    header->mapblk_rdba = get_ub4(buffer, 64);
    header->mapblk_offset = get_ub4(buffer, 68);
    header->seg_fl_blocks = get_ub4(buffer, 72);
    header->blocks_below = get_ub4(buffer, 76);
}

ub4 get_fitting_entry_count(ub4 block_size, size_t offset, ub4 entry_size, ub4 count);
// Entry `index` of a map at `offset`; FALSE (entry cleared) past the tail.
int get_extent_map_entry(const ub1* buffer, size_t offset, ub4 index, PEXTENT_MAP_ENTRY entry, ub4 block_size);
int get_emb_block(const ub1* buffer, PEMB_BLOCK header, ub4 block_size);
