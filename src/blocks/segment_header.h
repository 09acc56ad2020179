#pragma once
// Freelist-managed segment headers (types 16 and 17, also the extent control
// part of undo segment headers 14 and 38) and limited segment headers
// (type 5), both parsed into FLM_HEADER.

#include "blocks/extent_map.h"

typedef struct _tag_flm_header {
    ub4 last_map;
    ub4 map_blocks;
    ub4 extents;
    ub4 blocks;
    ub2 map_offset;
    ub4 extent_no;
    ub4 block_no;
    ub4 extent_size;
    ub4 high_water;
    ub4 mapblk_rdba;
    ub4 mapblk_offset;
    ub4 seg_fl_blocks;
    ub4 blocks_below;
    ub2 xid_usn;
    ub2 xid_slot;
    ub2 xid_seq;
    ub4 map_header_extents;
    ub4 next_map_header;
    ub4 object_id;
    ub4 map_header_flag;
    ub2 trans_freelists;
    ub2 freelists;
    ub2 freelist_blocks;
    ub1 freelist_type;
    ub4 ccnt;
} FLM_HEADER, *PFLM_HEADER;

typedef struct _tag_freelist_entry {
    ub2 flag; // 1 = in use
    ub2 xid_usn;
    ub2 xid_slot;
    ub2 xid_seq;
    ub4 head;
    ub4 tail;
} FREELIST_ENTRY, *PFREELIST_ENTRY;

constexpr ub4 FLM_EXTENT_MAP_OFFSET = 108;
constexpr ub4 LIMITED_EXTENT_MAP_OFFSET = 64;
constexpr ub4 FREELIST_ENTRY_SIZE = 20;

// FALSE when map_offset leaves the freelist summary outside the block (those
// fields stay 0).
int get_flm_header(const ub1* buffer, PFLM_HEADER header, ub4 block_size);
int get_limited_seg_header(const ub1* buffer, PFLM_HEADER header, ub4 block_size);
// Segment freelists (one more than `freelists` when there are two or more),
// then transaction freelists.
ub4 get_flm_freelist_count(const FLM_HEADER* header);
// Entry `index` of that sequence; FALSE (cleared) when it lies past the tail.
int get_freelist_entry(const ub1* buffer, const FLM_HEADER* header, ub4 index, PFREELIST_ENTRY entry,
                       ub4 block_size);
