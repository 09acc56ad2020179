#pragma once
// Extent lists: which blocks of a segment the engine reads, built from the
// segment header and its chain of extent map blocks, from a range the user
// named, or from the results of an extent scan.
//
// Extent map entry, wherever it appears: start_rdba ub4 at +0, length
// (blocks) ub4 at +4, in the file's byte order. The map of a freelist
// segment header (types 16, 17) starts at 108, of a limited header (type 5)
// at 64, of an ASSM header (type 35) at 280, of an extent map block (types
// 18, 36) at 36.

#include "base/zem_list.h"
#include "blocks/assm_header.h"
#include "blocks/segment_header.h"
#include "engine/unload_model.h"

constexpr ub4 SAMPLE_MAX_BLOCKS = 1000;
constexpr ub8 SAMPLE_MAX_ROWS = 1000;
// A chain of extent map blocks longer than this is taken as a loop.
constexpr ub4 MAX_EXTENT_MAP_BLOCKS = 16384;

typedef struct _tag_extent_list_item {
    ub4 start_rdba;
    ub4 length;
    ub4 hwm_blocks; // blocks at or above the high-water mark: not read
} EXTENT_LIST_ITEM, *PEXTENT_LIST_ITEM;

// An item with hwm_blocks = length ends the useful part of a list.
inline bool is_extent_above_hwm(const EXTENT_LIST_ITEM* item)
{
    return item->hwm_blocks >= item->length;
}

// The list owns its items.
void init_extent_list(PZEM_LIST list);
PEXTENT_LIST_ITEM add_extent_list_item(PZEM_LIST list, ub4 start_rdba, ub4 length, ub4 hwm_blocks);

// Appends `count` map entries found at `offset` (only those that lie wholly
// before the tail of a block of block_size bytes), marking the blocks at or
// above the high-water address. Returns the number appended.
ub4 add_extentmap_to_list(const ub1* buffer, ub4 ts_no, PZEM_LIST list, ub4 count, size_t offset, ub4 hwm_rdba,
                          int* hwm_found, ub4 block_size);
// The three segment header forms; unless header_only, the chain of extent
// map blocks is followed. TRUE when the header's own map was read.
// A map block of the chain that cannot be read is counted in `damage`
// (when given).
int get_extent_list(const ub1* buffer, const FLM_HEADER* flm_header, PZEM_LIST list, ub4 ts_no, int header_only,
                    ub4 block_size, PUNLOAD_DAMAGE damage = nullptr);
int get_limited_extent_list(const ub1* buffer, const FLM_HEADER* flm_header, PZEM_LIST list, ub4 ts_no,
                            int header_only, ub4 block_size);
int get_assm_extent_list(const ub1* buffer, const ASSM_HEADER* assm_header, PZEM_LIST list, ub4 ts_no,
                         int header_only, ub4 block_size, PUNLOAD_DAMAGE damage = nullptr);
// Reads the segment header at segment_rdba and builds the list; 1 on
// success, 0 when the header cannot be read or is of another type.
int get_segment_extents(ub4 ts_no, ub4 segment_rdba, PZEM_LIST list);

// Results of read_segment_extents: the extents were read, or why not.
constexpr int SEG_EXTENTS_READ = 1;
constexpr int SEG_NO_DATAFILE = -1; // no registered datafile holds the header
constexpr int SEG_READ_FAILED = -2;
constexpr int SEG_NOT_HEADER = -3;  // the block is of another type
constexpr int SEG_BAD_TAIL = -4;    // tail and cache header disagree (checked with db_block_checksum)
// get_segment_extents that tells why, and counts in `damage` (when given) a
// header or an extent map block of the chain that could not be read.
int read_segment_extents(ub4 ts_no, ub4 segment_rdba, PZEM_LIST list, PUNLOAD_DAMAGE damage);
const char* get_segment_error_text(int result);

void get_spec_extent_list(PTABLE table, PZEM_LIST list, PUNLOAD_PARAMS params);
void get_scan_extent_list(PTABLE table, PZEM_LIST list, ub4 dataobj_no, ub4 ts_no, int data_blocks_only);
// Replaces the list by up to SAMPLE_MAX_BLOCKS single blocks, taken from the
// extents in turn: the first block of every extent, then the second ...
void generate_sample_blocks(PZEM_LIST list);

// Blocks the list holds below the high-water mark, up to the first extent
// wholly above it: the blocks an unload of the list reads.
ub8 count_extent_list_blocks(const ZEM_LIST* list);
// Adds to `part` (an extent list) the blocks [first, end) of that sequence,
// in the same order: extents cut at both ends, those outside left out. A run
// of a segment that one worker reads.
void slice_extent_list(const ZEM_LIST* list, ub8 first, ub8 end, PZEM_LIST part);
