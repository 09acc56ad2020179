#include "engine/row_pool.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

void* pop_record(RECORD_STACK* stack, size_t size)
{
    if (stack->count > 0)
        return stack->records[--stack->count];
    return malloc(size);
}

void push_record(RECORD_STACK* stack, void* record)
{
    if (stack->count == stack->capacity) {
        ub4 capacity = stack->capacity == 0 ? 1024 : stack->capacity * 2;
        void** grown = (void**)realloc(stack->records, sizeof(void*) * capacity);
        if (grown == nullptr) {
            free(record);
            return;
        }
        stack->records = grown;
        stack->capacity = capacity;
    }
    stack->records[stack->count++] = record;
}

void release_stack(RECORD_STACK* stack)
{
    for (ub4 i = 0; i < stack->count; i++)
        free(stack->records[i]);
    free(stack->records);
    memset(stack, 0, sizeof(*stack));
}

void link_item(PZEM_LIST list, PZEM_LIST_ITEM item, void* data)
{
    item->data = data;
    item->next = nullptr;
    item->prev = list->tail;
    if (list->tail != nullptr)
        list->tail->next = item;
    else
        list->header = item;
    list->tail = item;
}

// Values go back with what they own freed.
void recycle_col_chain(PROW_POOL pool, PZEM_LIST_ITEM item)
{
    while (item != nullptr) {
        PZEM_LIST_ITEM next = item->next;
        if (item->data != nullptr) {
            release_col_data(item->data);
            push_record(&pool->cols, item->data);
        }
        push_record(&pool->items, item);
        item = next;
    }
}

void recycle_row(PROW_POOL pool, PROW_DATA row)
{
    recycle_col_chain(pool, row->col_data.header);
    row->col_data.header = nullptr;
    row->col_data.tail = nullptr;
    push_record(&pool->rows, row);
}

void drop_spares(PROW_POOL pool)
{
    recycle_col_chain(pool, pool->spare_cols);
    pool->spare_cols = nullptr;
    if (pool->spare_row != nullptr) {
        recycle_row(pool, pool->spare_row);
        push_record(&pool->items, pool->spare_row_item);
    }
    pool->spare_row = nullptr;
    pool->spare_row_item = nullptr;
}

} // namespace

PROW_POOL active_row_pool = nullptr;

void init_row_pool(PROW_POOL pool)
{
    memset(pool, 0, sizeof(*pool));
}

void release_row_pool(PROW_POOL pool)
{
    drop_spares(pool);
    release_stack(&pool->rows);
    release_stack(&pool->cols);
    release_stack(&pool->items);
}

PROW_POOL set_active_row_pool(PROW_POOL pool)
{
    PROW_POOL previous = active_row_pool;
    active_row_pool = pool;
    return previous;
}

PROW_DATA add_engine_row(PZEM_LIST rows, PTABLE table, ub4 rdba, ub4 row_no)
{
    PROW_POOL pool = active_row_pool;
    if (pool == nullptr)
        return add_row_data(rows, table, rdba, row_no);
    PROW_DATA row;
    PZEM_LIST_ITEM item;
    // Values the row taken over last time did not use.
    if (pool->spare_cols != nullptr) {
        recycle_col_chain(pool, pool->spare_cols);
        pool->spare_cols = nullptr;
    }
    if (pool->spare_row != nullptr) {
        row = pool->spare_row;
        item = pool->spare_row_item;
        pool->spare_cols = row->col_data.header;
        pool->spare_row = nullptr;
        pool->spare_row_item = nullptr;
    } else {
        row = (PROW_DATA)pop_record(&pool->rows, sizeof(ROW_DATA));
        item = (PZEM_LIST_ITEM)pop_record(&pool->items, sizeof(ZEM_LIST_ITEM));
        if (row == nullptr || item == nullptr) {
            free(row);
            free(item);
            return nullptr;
        }
    }
    init_row_data(row, table, rdba, row_no);
    link_item(rows, item, row);
    if (table != nullptr)
        table->row_cnt++;
    return row;
}

PCOL_DATA add_engine_col_other(PROW_DATA row, ub1 ora_type)
{
    PROW_POOL pool = active_row_pool;
    if (pool == nullptr)
        return add_col_data(row, ora_type);
    PZEM_LIST_ITEM item = pool->spare_cols;
    PCOL_DATA col_data;
    if (item != nullptr) {
        // A value of the row this one took over.
        pool->spare_cols = item->next;
        col_data = (PCOL_DATA)item->data;
        if (col_data->mem_alloc || col_data->raw_data != nullptr)
            release_col_data(col_data);
    } else {
        col_data = (PCOL_DATA)pop_record(&pool->cols, sizeof(COL_DATA));
        item = (PZEM_LIST_ITEM)pop_record(&pool->items, sizeof(ZEM_LIST_ITEM));
        if (col_data == nullptr || item == nullptr) {
            free(col_data);
            free(item);
            return nullptr;
        }
    }
    reset_col_data(col_data, ora_type);
    link_item(&row->col_data, item, col_data);
    return col_data;
}

void finish_engine_row(PZEM_LIST rows, PROW_DATA row, const UNLOAD_CALLBACKS* callbacks)
{
    PROW_POOL pool = active_row_pool;
    if (pool == nullptr || (callbacks != nullptr && callbacks->unload_block_callback != nullptr))
        return;
    PZEM_LIST_ITEM item = rows->tail;
    if (item == nullptr || item->data != row)
        return;
    rows->tail = item->prev;
    if (rows->tail != nullptr)
        rows->tail->next = nullptr;
    else
        rows->header = nullptr;
    // The next row has usually taken over the spares already.
    if (pool->spare_cols != nullptr || pool->spare_row != nullptr)
        drop_spares(pool);
    pool->spare_row = row;
    pool->spare_row_item = item;
}

void end_engine_batch(PZEM_LIST rows, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    PROW_POOL pool = active_row_pool;
    if (pool == nullptr) {
        end_row_batch(rows, params, callbacks);
        return;
    }
    if (callbacks != nullptr && callbacks->unload_block_callback != nullptr)
        callbacks->unload_block_callback(rows, params);
    PZEM_LIST_ITEM item = rows->header;
    while (item != nullptr) {
        PZEM_LIST_ITEM next = item->next;
        if (item->data != nullptr)
            recycle_row(pool, (PROW_DATA)item->data);
        push_record(&pool->items, item);
        item = next;
    }
    rows->header = nullptr;
    rows->tail = nullptr;
}
