// LOB storage of a table's columns from the dictionary: LOB$ rows (table
// object, COL#, LOB object, LOB index object, segment header, chunk,
// property bit 0x200 for two-byte CLOB text stored little-endian) and
// LOBFRAG$ rows (fragment object, parent: the LOB or one of its
// partitions, table fragment, index fragment, segment header, chunk).

#include "dict/dict_lob_info.h"

#include <cstring>

#include "base/config.h"
#include "base/str_util.h"
#include "base/trace.h"
#include "dict/dict_lookup.h"

namespace {

constexpr ub4 LOB_PROPERTY_LITTLE_ENDIAN = 0x200;

bool is_lob_column(const COLUMN* column)
{
    return column->ora_type == ORA_CLOB || column->ora_type == ORA_BLOB;
}

void trace_storage(const char* who, const COLUMN* column)
{
    const LOB_STORAGE* storage = &column->lob_storage;
    if (config_data.trace_level >= TL_INFO)
        write_trace("%s: lob_obj_id:%u lob_data_obj_id:%u\n     lob_ts_no:%u,lob_file_no:%u,lob_block_no:%u\n", who,
                    storage->lob_obj_id, storage->lob_data_obj_id, storage->ts_no, storage->file_no,
                    storage->block_no);
}

void set_storage(LOB_STORAGE* storage, ub4 lob_obj_id, ub4 tab_obj_id, ub4 ind_obj_id, ub4 ts_no, ub4 file_no,
                 ub4 block_no, ub4 chunk)
{
    storage->lob_obj_id = lob_obj_id;
    storage->tab_obj_id = tab_obj_id;
    storage->ind_obj_id = ind_obj_id;
    storage->ts_no = ts_no;
    storage->file_no = file_no;
    storage->block_no = block_no;
    storage->chunk = chunk;
}

// A fragment's storage replaces the column's; the count of its values, and
// so the numbering of its LOB files, starts again (its files are named
// after the fragment).
void use_fragment(PCOLUMN column, const DICT_LOBFRAG* frag)
{
    LOB_INFO* lob = &column->lob;
    memset(&column->lob_storage, 0, sizeof(column->lob_storage));
    LOB_STORAGE* storage = &column->lob_storage;
    if (frag == nullptr) {
        // Without its fragment the values are still looked for where the
        // whole LOB says.
        set_storage(storage, lob->lob_obj_id, 0, lob->ind_obj_id, lob->ts_no, 0, 0, lob->chunk);
        return;
    }
    set_storage(storage, frag->frag_object_id, frag->tab_frag_object_id, frag->ind_frag_object_id,
                frag->tablespace_no, frag->file_no, frag->block_no, frag->chunk);
    storage->parent_obj_id = frag->parent_object_id;
}

} // namespace

void get_lob_base_info(PCOLUMN column, int keep_names)
{
    LOB_STORAGE* storage = &column->lob_storage;
    PDICT_OBJ lob = search_dict_obj_id(storage->lob_obj_id);
    if (lob != nullptr) {
        storage->lob_data_obj_id = lob->data_object_id;
        if (!keep_names)
            copy_str(column->lob.lob_name, sizeof(column->lob.lob_name), lob->name);
    }
    PDICT_OBJ index = search_dict_obj_id(storage->ind_obj_id);
    if (index != nullptr) {
        storage->ind_data_obj_id = index->data_object_id;
        copy_str(column->lob.index_name, sizeof(column->lob.index_name), index->name);
    }
    STORAGE_INFO index_storage;
    if (storage->ind_obj_id != 0 && get_storage_info(&index_storage, storage->ind_obj_id)) {
        storage->ind_ts_no = index_storage.ts_no;
        storage->ind_file_no = index_storage.file_no;
        storage->ind_block_no = index_storage.block_no;
    }
    if (config_data.trace_level >= TL_INFO)
        write_trace("get_lob_base_info:ind_obj_id=%u,ind_ts_no=%u,file_no=%u,block_no=%u\n", storage->ind_obj_id,
                    storage->ind_ts_no, storage->ind_file_no, storage->ind_block_no);
}

void get_lob_info(ub4 table_obj_no, PCOLUMN column)
{
    LOB_INFO* lob = &column->lob;
    LOB_STORAGE* storage = &column->lob_storage;
    lob->lob_obj_id = table_obj_no;
    storage->lob_obj_id = table_obj_no;
    lob->chunk = 1;
    storage->chunk = 1;
    lob->dir_ind = 1;
    lob->lob_dir_name[0] = '\0';
    PDICT_LOB entry = search_dict_lob(table_obj_no, column->col_no);
    if (entry == nullptr || entry->lob_object_id == 0)
        return;
    lob->obj_id = entry->object_id;
    lob->col_no = (ub2)entry->col_id;
    lob->lob_obj_id = entry->lob_object_id;
    lob->ind_obj_id = entry->index_id;
    lob->ts_no = entry->tablespace_no;
    lob->file_no = entry->file_no;
    lob->block_no = entry->block_no;
    lob->chunk = entry->chunk;
    lob->is_little_endian = (entry->property & LOB_PROPERTY_LITTLE_ENDIAN) != 0;
    set_storage(storage, entry->lob_object_id, entry->object_id, entry->index_id, entry->tablespace_no,
                entry->file_no, entry->block_no, entry->chunk);
    get_lob_base_info(column, 0);
    trace_storage("get_lob_info", column);
}

void get_table_lobs_info(PTABLE table)
{
    for (ub4 i = 0; table->cols != nullptr && i < table->col_cnt; i++) {
        PCOLUMN column = &table->cols[i];
        if (is_lob_column(column) && column->can_unload)
            get_lob_info(table->obj_no, column);
    }
}

void get_lob_part_info(ub4 part_obj_no, PCOLUMN column)
{
    use_fragment(column, search_dict_lobfrag_part(column->lob.lob_obj_id, part_obj_no));
    get_lob_base_info(column, 1);
    trace_storage("get_lob_subpart_info", column);
}

void get_lob_subpart_info(ub4 owner, ub4 subpart_obj_no, PCOLUMN column)
{
    // A subpartition's fragment hangs below one of the LOB's partitions.
    ZEM_LIST parts;
    init_zem_list(&parts, nullptr);
    get_partition_list(&parts, owner, column->lob.lob_name, 0);
    PDICT_LOBFRAG frag = nullptr;
    for (PZEM_LIST_ITEM item = parts.header; item != nullptr && frag == nullptr; item = item->next)
        frag = search_dict_lobfrag_part(((const PARTITION_INFO*)item->data)->part_obj_id, subpart_obj_no);
    release_zem_list(&parts);
    use_fragment(column, frag);
    get_lob_base_info(column, 1);
    trace_storage("get_lob_subpart_info", column);
}

void get_iot_lob_part_info(ub4 owner, const char* table_name, const char* part_name, PCOLUMN column)
{
    get_lob_part_info(get_partition_id(owner, table_name, part_name), column);
}

void get_iot_lob_subpart_info(ub4 owner, const char* table_name, const char* subpart_name, PCOLUMN column)
{
    get_lob_subpart_info(owner, get_partition_id(owner, table_name, subpart_name), column);
}

void get_lob_part_storage(PCOLUMN column, ub4 part_obj_no, int is_subpart, int is_iot, ub4 owner,
                          const char* table_name, const char* part_name)
{
    if (is_iot && is_subpart)
        get_iot_lob_subpart_info(owner, table_name, part_name, column);
    else if (is_iot)
        get_iot_lob_part_info(owner, table_name, part_name, column);
    else if (is_subpart)
        get_lob_subpart_info(owner, part_obj_no, column);
    else
        get_lob_part_info(part_obj_no, column);
}

void get_table_lobpart_storage(PTABLE table, ub4 part_obj_no, int is_subpart, int is_iot, ub4 owner,
                               const char* table_name, const char* part_name)
{
    for (ub4 i = 0; table->cols != nullptr && i < table->col_cnt; i++) {
        PCOLUMN column = &table->cols[i];
        if (is_lob_column(column) && column->can_unload && column->lob.obj_id != 0)
            get_lob_part_storage(column, part_obj_no, is_subpart, is_iot, owner, table_name, part_name);
    }
}
