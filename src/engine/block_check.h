#pragma once
// The checks a block passes before its rows are read, shared by the blocks
// of a segment and the blocks that continuation pieces are read from.

#include "blocks/block_header.h"
#include "blocks/data_block.h"
#include "engine/unload_model.h"

// Which kind of read the block comes from; it chooses the messages.
constexpr int BCM_SEGMENT_BLOCK = 0; // a block of the segment: kinds other than data pass
constexpr int BCM_CONTINUE = 1;      // a continuation piece's block: only table data blocks pass

// Tail (with db_block_checksum), sequence 0xFF, checksum (with
// db_block_checksum), type 6, a data header that fits, and, with
// strict_dataobj, the table's data object number. Prints the message of a
// damaged block; fills both headers and returns TRUE when the rows may be
// read.
int check_table_block(const ub1* block, ub4 rdba, ub4 block_size, int mode, const UNLOAD_PARAMS* params,
                      PBLOCK_HEADER block_header, PDATABLOCK_HEADER datablock_header);
