#pragma once
// The unload engine's entry points: a segment (or the blocks a request
// names) read in batches of block_read_count blocks, each block checked and
// its rows decoded and handed to the request's callbacks.

#include "blocks/block_header.h"
#include "blocks/data_block.h"
#include "engine/extent_list.h"
#include "engine/unload_model.h"

// The source of the extents follows params->unload_mode: the segment header
// at segment_rdba (UM_NORMAL), the range spec_rdba/spec_blocks
// (UM_SPEC_BLOCK), or the extent scan results of the table's data object
// (UM_TRUNCATE, UM_NO_SYSTEM, UM_SCANNED_EXTENT). Returns 0 when the segment
// header could not be read (nothing was unloaded), else 1.
// With params->splitter set, the list built is offered to it first.
int unload_segment(ub4 segment_rdba, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
// Reads and decodes the blocks of the list, stopping at the first extent
// wholly above the high-water mark, at max_rows rows, or at the sampling
// limit.
void unload_extents(PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);

// One block of block_size bytes, read at rdba: checked (tail, sequence,
// checksum, type, data object) and handed to the decoder of its kind. Rows
// are appended to `rows`.
void unload_block(const ub1* block, ub4 rdba, PUNLOAD_PARAMS params, PZEM_LIST rows, ub4 block_size,
                  const UNLOAD_CALLBACKS* callbacks);
// The rows of the table params->table in an uncompressed table data block.
void unload_data_block(const ub1* block, ub4 rdba, const BLOCK_HEADER* block_header, PUNLOAD_PARAMS params,
                       PZEM_LIST rows, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                       const UNLOAD_CALLBACKS* callbacks);
