#include "scan/scanned_extent.h"

#include <cstdlib>

ZEM_HASH_TABLE dict_ext_hash_table;

ub4 calc_dict_extent_hash(const void* data)
{
    return ((const DICT_EXTENT*)data)->data_object_id;
}

void init_dict_ext_hash_table()
{
    init_zem_hash_table(&dict_ext_hash_table, "SCANNED_EXTENT", SCANNED_HASH_BUCKET_CNT, calc_dict_extent_hash);
}

void release_dict_ext_hash_table()
{
    release_zem_hash_table(&dict_ext_hash_table);
}

int add_dict_extent(const DICT_EXTENT* extent)
{
    if (dict_ext_hash_table.hash_func == nullptr)
        init_dict_ext_hash_table();
    PDICT_EXTENT copy = (PDICT_EXTENT)malloc(sizeof(DICT_EXTENT));
    if (copy == nullptr)
        return FALSE;
    *copy = *extent;
    add_hash_item_data(&dict_ext_hash_table, copy, 1);
    return TRUE;
}
