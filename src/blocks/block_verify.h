#pragma once
// Consistency checks of one block image: the cache header against the
// block's place and its tail, the checksum, and, in data and index blocks,
// whether the headers, directories and every row lie inside the block.

#include "base/types.h"

typedef struct _tag_block_verify {
    ub1 format_known;
    ub1 rdba_ok;        // the block names the address it was read from
    ub4 rdba;           // the address it names
    ub1 tail_ok;
    ub1 marked_corrupt; // sequence byte 255
    ub1 checksum_ok;    // no checksum stored, or a consistent one
    ub2 stored_checksum;
    ub2 computed_checksum;
    ub1 header_ok;      // data or index header inside the block
    ub4 rows;           // rows the directories name
    ub4 bad_rows;       // of them, rows that run past the block
    ub4 first_bad_row;  // offset (from the block start) of the first
} BLOCK_VERIFY, *PBLOCK_VERIFY;

// expected_rdba is the address of the place the block was read from.
void verify_block(const ub1* buffer, ub4 block_size, ub4 expected_rdba, PBLOCK_VERIFY result);
// Number of problems the record holds.
ub4 count_block_problems(const BLOCK_VERIFY* result);
