#include "scan/scanned_extent.h"

#include <cstdlib>

#include "base/config.h"
#include "base/file_loader.h"
#include "blocks/block_types.h"
#include "scan/scanned_lob.h"

ZEM_HASH_TABLE dict_ext_hash_table;

const char dict_ext_filename[] = "ext.zem";

ub4 calc_dict_extent_hash(const void* data)
{
    return data == nullptr ? 0 : ((const DICT_EXTENT*)data)->data_object_id;
}

void* convert_row_to_dict_ext(SMALL_LINE_ARRAY fields, int count)
{
    if (count < 6)
        return nullptr;
    PDICT_EXTENT r = (PDICT_EXTENT)malloc(sizeof(DICT_EXTENT));
    if (r == nullptr)
        return nullptr;
    ub4* out[] = {&r->data_object_id, &r->tablespace_no, &r->file_no, &r->block_no, &r->length, &r->block_type};
    for (int i = 0; i < 6; i++)
        *out[i] = (ub4)strtoul(fields[i], nullptr, 10);
    return r;
}

void load_scanned_data_list()
{
    release_dict_ext_hash_table();
    load_file_to_hash_table(dict_ext_filename, &dict_ext_hash_table, convert_row_to_dict_ext);
    release_scanned_lob_tables();
    if (config_data.use_scanned_lob)
        load_scanned_lob_tables();
}

void init_scanned_data_list()
{
    init_dict_ext_hash_table();
    init_scanned_lob_tables();
}

void release_scanned_data_list()
{
    release_dict_ext_hash_table();
    release_scanned_lob_tables();
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

ub4 count_scanned_data_extents(ub4 data_object_id, ub4 ts_no)
{
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_ext_hash_table, data_object_id);
    ub4 count = 0;
    for (PZEM_LIST_ITEM item = bucket ? bucket->data_list.header : nullptr; item != nullptr; item = item->next) {
        const DICT_EXTENT* extent = (const DICT_EXTENT*)item->data;
        if (extent->data_object_id == data_object_id && extent->block_type == BT_DATA &&
            (ts_no == 0xFFFFFFFFu || extent->tablespace_no == ts_no))
            count++;
    }
    return count;
}
