#include "base/zem_hash.h"

#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "base/trace.h"

void init_zem_hash_table(PZEM_HASH_TABLE table, const char* name, ub4 bucket_cnt, ZEM_HASH_FUNC func)
{
    memset(table, 0, sizeof(*table));
    copy_str(table->name, sizeof(table->name), name);
    table->bucket_cnt = bucket_cnt;
    table->hash_func = func;
}

PZEM_LIST_ITEM add_hash_item_data(PZEM_HASH_TABLE table, void* data, ub1 owns)
{
    if (table->hash_func == nullptr || table->bucket_cnt == 0)
        return nullptr;
    if (table->bucket_list == nullptr) {
        table->bucket_list = (PZEM_HASH_ITEM*)calloc(table->bucket_cnt, sizeof(PZEM_HASH_ITEM));
        if (table->bucket_list == nullptr)
            abort();
    }
    ub4 index = table->hash_func(data) % table->bucket_cnt;
    PZEM_HASH_ITEM bucket = table->bucket_list[index];
    if (bucket == nullptr) {
        bucket = (PZEM_HASH_ITEM)malloc(sizeof(ZEM_HASH_ITEM));
        if (bucket == nullptr)
            abort();
        bucket->hash_value = index;
        bucket->data_list_len = 0;
        init_zem_list(&bucket->data_list, nullptr);
        bucket->data_list.free_user_data = owns;
        table->bucket_list[index] = bucket;
    }
    bucket->data_list_len++;
    return add_zem_list_item(&bucket->data_list, data);
}

PZEM_HASH_ITEM search_zem_hash_item(const ZEM_HASH_TABLE* table, ub4 hash)
{
    if (table->bucket_cnt == 0 || table->bucket_list == nullptr)
        return nullptr;
    return table->bucket_list[hash % table->bucket_cnt];
}

PZEM_LIST get_hash_item_list_container(PZEM_HASH_TABLE table, const void* data)
{
    if (data == nullptr || table->hash_func == nullptr || table->bucket_list == nullptr || table->bucket_cnt == 0)
        return nullptr;
    PZEM_HASH_ITEM bucket = table->bucket_list[table->hash_func(data) % table->bucket_cnt];
    return bucket == nullptr ? nullptr : &bucket->data_list;
}

void release_zem_hash_table(PZEM_HASH_TABLE table)
{
    if (table->bucket_list == nullptr)
        return;
    for (ub4 i = 0; i < table->bucket_cnt; i++) {
        PZEM_HASH_ITEM bucket = table->bucket_list[i];
        if (bucket == nullptr)
            continue;
        release_zem_list(&bucket->data_list);
        free(bucket);
    }
    free(table->bucket_list);
    table->bucket_list = nullptr;
}

void build_hash_table_from_list(PZEM_HASH_TABLE table, const ZEM_LIST* list)
{
    for (PZEM_LIST_ITEM item = list->header; item != nullptr; item = item->next)
        if (item->data != nullptr)
            add_hash_item_data(table, item->data, 0);
    if (config_data.trace_level > 2)
        print_hash_table_info(table);
}

void build_hash_table_from_hash_table(PZEM_HASH_TABLE table, const ZEM_HASH_TABLE* source)
{
    if (source->bucket_list != nullptr)
        for (ub4 i = 0; i < source->bucket_cnt; i++) {
            PZEM_HASH_ITEM bucket = source->bucket_list[i];
            if (bucket == nullptr)
                continue;
            for (PZEM_LIST_ITEM item = bucket->data_list.header; item != nullptr; item = item->next)
                add_hash_item_data(table, item->data, 0);
        }
    if (config_data.trace_config.build_hash_table > 3)
        print_hash_table_info(table);
}

void print_hash_table_info(const ZEM_HASH_TABLE* table)
{
    write_trace("\nHash table info:\n");
    write_trace("  Hash table name:%s\n", table->name);
    write_trace("  Bucket count:%u\n", table->bucket_cnt);
    if (table->bucket_list == nullptr) {
        sp_printf("  Bucket list:none\n\n");
        return;
    }
    write_trace("  Bucket list:\n");
    for (ub4 i = 0; i < table->bucket_cnt; i++)
        if (table->bucket_list[i] != nullptr)
            write_trace("    Bucket[%u] length:%u\n", i, table->bucket_list[i]->data_list_len);
    write_trace("\n");
    flush_trace();
}

ub4 calc_str_hash(const char* text)
{
    if (text == nullptr)
        return 0;
    ub4 h = 0;
    for (const ub1* p = (const ub1*)text; *p; p++)
        h = (h & HASH_MASK) ^ (h << HASH_SHIFT) ^ *p;
    return h;
}

ub4 calc_int_hash(ub4 n)
{
    return n * 0x9e3779b9u;
}

ub4 calc_ts_rfn_hash(ub4 ts_no, ub4 rfile_no)
{
    return (rfile_no & 63) | (ts_no << 10);
}
