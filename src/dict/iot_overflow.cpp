#include "dict/iot_overflow.h"

#include <cstdio>

#include "dict/dict_lookup.h"

int get_iot_overflow_storage(ub4 owner_id, ub4 table_obj_id, const char* partition_name, PTABLE table)
{
    table->iot_ts_no = 0;
    table->iot_data_obj_id = 0;
    char name[DICTNAME_LEN + 1];
    snprintf(name, sizeof(name), "SYS_IOT_OVER_%u", table_obj_id);
    ub4 object_id = 0;
    if (partition_name != nullptr && partition_name[0] != '\0') {
        object_id = get_partition_id(owner_id, name, partition_name);
    } else {
        PDICT_OBJ obj = search_dict_obj(name, owner_id, OT_TABLE);
        object_id = obj != nullptr ? obj->object_id : 0;
    }
    STORAGE_INFO storage;
    if (object_id == 0 || !get_storage_info(&storage, object_id) || storage.dataobj_no == 0)
        return 0;
    table->iot_ts_no = storage.ts_no;
    table->iot_data_obj_id = storage.dataobj_no;
    return 1;
}
