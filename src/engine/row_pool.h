#pragma once
// Recycled row records. A batch of blocks produces tens of thousands of
// ROW_DATA and COL_DATA records with their list items; rather than freeing
// them at the end of every batch and allocating them again for the next,
// the engine keeps them in a pool for the life of one unload. Every record
// is still a block of its own from malloc, so a block callback may move rows
// out of a batch and release them later as usual.

#include <cstddef>
#include <cstring>

#include "engine/unload_model.h"

typedef struct _tag_record_stack {
    void** records;
    ub4 count;
    ub4 capacity;
} RECORD_STACK;

typedef struct _tag_row_pool {
    RECORD_STACK rows;  // ROW_DATA
    RECORD_STACK cols;  // COL_DATA
    RECORD_STACK items; // ZEM_LIST_ITEM
    // The last finished row, kept whole: the next row takes it over with
    // its chain of values, so that a table's rows reuse the same records.
    PROW_DATA spare_row;
    PZEM_LIST_ITEM spare_row_item;
    PZEM_LIST_ITEM spare_cols; // values of the spare row not yet taken over
} ROW_POOL, *PROW_POOL;

void init_row_pool(PROW_POOL pool);
void release_row_pool(PROW_POOL pool);
// The pool the row decoder draws from; null (the default) means plain
// allocation. Returns the pool it replaces.
PROW_POOL set_active_row_pool(PROW_POOL pool);

// The pool set by set_active_row_pool, null without one.
extern PROW_POOL active_row_pool;

// As add_row_data and add_col_data, from the active pool when there is one.
PROW_DATA add_engine_row(PZEM_LIST rows, PTABLE table, ub4 rdba, ub4 row_no);
// add_engine_col for every case but the common one below.
PCOL_DATA add_engine_col_other(PROW_DATA row, ub1 ora_type);

// init_col_data without clearing the inline result area, which nothing reads
// before a converter fills it: a recycled record is reset with a few stores
// instead of a block clear, once per column of every row.
static_assert(offsetof(COL_DATA, inline_data) + sizeof(((COL_DATA*)nullptr)->inline_data) == sizeof(COL_DATA),
              "the inline area must be the last field of COL_DATA");
inline void reset_col_data(PCOL_DATA col_data, ub1 ora_type)
{
    memset(col_data, 0, offsetof(COL_DATA, inline_data));
    col_data->is_null = 1;
    col_data->ora_type = ora_type;
}

// Inline for its common case, once per column of every row: the next value
// of the row this one took over, holding nothing that needs freeing.
inline PCOL_DATA add_engine_col(PROW_DATA row, ub1 ora_type)
{
    PROW_POOL pool = active_row_pool;
    PZEM_LIST_ITEM item = pool != nullptr ? pool->spare_cols : nullptr;
    if (item == nullptr)
        return add_engine_col_other(row, ora_type);
    PCOL_DATA col_data = (PCOL_DATA)item->data;
    if (col_data->mem_alloc || col_data->raw_data != nullptr)
        return add_engine_col_other(row, ora_type);
    pool->spare_cols = item->next;
    reset_col_data(col_data, ora_type);
    PZEM_LIST list = &row->col_data;
    item->next = nullptr;
    item->prev = list->tail;
    if (list->tail != nullptr)
        list->tail->next = item;
    else
        list->header = item;
    list->tail = item;
    return col_data;
}
// Called after a row's row callback. Without a block callback nothing can
// see a row once its row callback has returned, so the row goes back to the
// pool at once and the batch stays one row deep in memory; with one, the row
// waits in the batch for the block callback.
void finish_engine_row(PZEM_LIST rows, PROW_DATA row, const UNLOAD_CALLBACKS* callbacks);
// As end_row_batch: the block callback sees the batch, then whatever it left
// in the list goes back to the active pool (or is freed without one).
void end_engine_batch(PZEM_LIST rows, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
