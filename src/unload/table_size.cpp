// How big a table is, from its segment headers alone: the user unload splits
// the tables above a size over all its workers instead of giving each to one.

#include "base/config.h"
#include "base/rdba.h"
#include "dict/dict_lookup.h"
#include "dict/dict_store.h"
#include "engine/extent_list.h"
#include "unload/unload_cmd.h"

namespace {

ub8 get_segment_blocks(ub4 object_id)
{
    STORAGE_INFO storage;
    if (get_storage_info(&storage, object_id) != 1 || storage.block_no == 0)
        return 0;
    ZEM_LIST list;
    init_extent_list(&list);
    ub8 blocks = 0;
    if (get_segment_extents(storage.ts_no, file_block_rdba(storage.file_no, storage.block_no), &list))
        blocks = count_extent_list_blocks(&list);
    release_zem_list(&list);
    return blocks;
}

} // namespace

ub8 get_table_blocks(ub4 user_id, const char* table_name)
{
    PDICT_OBJ obj = search_dict_obj(table_name, user_id, OT_TABLE);
    if (obj == nullptr)
        return 0;
    ub4 iot_id = 0;
    char iot_name[DICTNAME_LEN + 1] = {};
    bool iot = get_iot_info(obj->object_id, &iot_id, iot_name) == 1;
    const char* lookup_name = iot ? iot_name : table_name;
    ZEM_LIST parts;
    init_zem_list(&parts, nullptr);
    if (get_partition_list(&parts, user_id, lookup_name, 1) == 0)
        get_partition_list(&parts, user_id, lookup_name, 0);
    ub8 blocks = 0;
    if (parts.header != nullptr) {
        for (PZEM_LIST_ITEM item = parts.header; item != nullptr; item = item->next)
            blocks += get_segment_blocks(((const PARTITION_INFO*)item->data)->part_obj_id);
    } else {
        blocks = get_segment_blocks(iot ? iot_id : obj->object_id);
    }
    release_zem_list(&parts);
    return blocks;
}
