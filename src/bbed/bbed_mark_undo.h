#pragma once
// mark undo, by extent and by block.

#include "base/zem_list.h"
#include "dict/dict_types.h"

// Marks the blocks of SYS.UNDO$ below the high-water mark of each extent.
void mark_undo_extents(const ZEM_LIST* extents, const STORAGE_INFO* storage, ub4 status_col, ub4 us_col);
// Marks the rows of one block read from (ts_no, rfile_no, block_no) and, when
// any changed, cleans its transactions and writes it in place. Returns the
// rows changed and written.
ub4 mark_undo_block(ub1* buffer, ub4 ts_no, ub4 rfile_no, ub4 block_no, ub4 dataobj_no, ub4 status_col, ub4 us_col,
                    ub4 block_size);
