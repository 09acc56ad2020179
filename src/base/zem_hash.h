#pragma once
// Chained hash table with a fixed bucket count. Records are hashed by a
// per-table function; lookups pass the same number and the caller walks the
// bucket comparing keys. Duplicates are kept in insertion order.

#include "base/zem_list.h"

constexpr int HASH_TABLE_NAME_LEN = 30;
constexpr ub4 HASH_MASK = 0xffffffc0u;
constexpr ub4 HASH_SHIFT = 6;

typedef ub4 (*ZEM_HASH_FUNC)(const void* data);

typedef struct _tag_zem_hash_item {
    ub4 hash_value;
    ub4 data_list_len;
    ZEM_LIST data_list;
} ZEM_HASH_ITEM, *PZEM_HASH_ITEM;

typedef struct _tag_zem_hash_table {
    ub4 bucket_cnt;
    char name[HASH_TABLE_NAME_LEN + 1];
    PZEM_HASH_ITEM* bucket_list;
    ZEM_HASH_FUNC hash_func;
} ZEM_HASH_TABLE, *PZEM_HASH_TABLE;

void init_zem_hash_table(PZEM_HASH_TABLE table, const char* name, ub4 bucket_cnt, ZEM_HASH_FUNC func);
PZEM_LIST_ITEM add_hash_item_data(PZEM_HASH_TABLE table, void* data, ub1 owns);
PZEM_HASH_ITEM search_zem_hash_item(const ZEM_HASH_TABLE* table, ub4 hash);
PZEM_LIST get_hash_item_list_container(PZEM_HASH_TABLE table, const void* data);
void release_zem_hash_table(PZEM_HASH_TABLE table);
void build_hash_table_from_list(PZEM_HASH_TABLE table, const ZEM_LIST* list);
void build_hash_table_from_hash_table(PZEM_HASH_TABLE table, const ZEM_HASH_TABLE* source);
void print_hash_table_info(const ZEM_HASH_TABLE* table);

ub4 calc_str_hash(const char* text);
ub4 calc_int_hash(ub4 n);
ub4 calc_ts_rfn_hash(ub4 ts_no, ub4 rfile_no);
