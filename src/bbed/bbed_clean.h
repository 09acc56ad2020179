#pragma once
// Repairs of a block image in memory: committing every interested
// transaction (ITL) and clearing row locks, and emptying the free block pool
// of the SYSTEM undo segment header. Nothing here writes a file.

#include "blocks/data_block.h"

typedef struct _tag_clean_result {
    ub4 itl_count;      // ITL entries in use (a transaction id), changed or not
    ub4 itl_committed;  // of them, entries whose flag-and-lock word became 0x8000
    ub4 row_lock_count; // rows whose lock byte was cleared
    ub1 compressed;     // a compressed data block: its row locks were left alone
} CLEAN_RESULT, *PCLEAN_RESULT;

// ITLs 1..itl_cnt: an entry in use whose flags are 0 (active) or 2 (upper
// bound) becomes committed with no locks (0x8000); then the row locks of a
// data or index block. TRUE when an ITL was in use or a row lock cleared.
int do_clean_itl(ub1* buffer, ub4 block_size, PCLEAN_RESULT result);
// Lock bytes of every row of every table; TRUE when any row was counted.
int clean_datablock_row_lock(ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size, PCLEAN_RESULT result);
// Lock bytes of a leaf block's rows and prefix rows, and of the data piece
// that follows the key in an index-organized table.
int clean_indexblock_row_lock(ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size, PCLEAN_RESULT result);
// "Changed itl: %u" and the row lock line.
void show_clean_result(const CLEAN_RESULT* result);
