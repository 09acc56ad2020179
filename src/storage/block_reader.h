#pragma once
// The only two ways datafile blocks are read: a batch of consecutive blocks
// straight from the file, and single blocks through the LRU block cache.

#include "storage/datafile_registry.h"

// Reads up to block_cnt blocks starting at start_block (for a big-file entry
// at rdba, which holds the block number there) into buffer, which must hold
// block_cnt * block_size bytes. Returns the number of whole blocks read; a
// batch comes back short at the end of the file, 0 on failure (printed).
ub4 read_blocks(PDATAFILE_ITEM file_item, ub4 start_block, ub2 block_cnt, ub1* buffer, ub4 rdba);
// One block through the cache; 1 when delivered, 0 on failure (printed).
int read_buffered_block(PDATAFILE_ITEM file_item, ub4 block_no, ub1* buffer, ub4 rdba);
// TRUE when block_no lies at or past the end of a plain file or raw device,
// so that it and every block after it cannot be read (a datafile copied
// short). FALSE for an ASM file and when the size is not known.
int is_past_file_end(const DATAFILE_ITEM* file_item, ub4 block_no);
