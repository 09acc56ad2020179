#include <cstring>

#include "base/printer.h"
#include "base/str_util.h"
#include "dict/dict_columns.h"
#include "dict/dict_lookup.h"
#include "output/table_ddl.h"
#include "unload/list_desc.h"

// desc owner.table [partition name]
void do_desc_table(LINE_ARRAY tokens, int count)
{
    sp_printf("\n");
    if (!(count == 2 || (count == 4 && str_case_equal(tokens[2], "partition")))) {
        sp_printf("desc <schema.tablename> [partition <partition_name>]\n");
        return;
    }
    ub4 user_id = 0, object_id = 0;
    char table[DICTNAME_LEN + 1];
    if (parse_user_table(tokens[1], &user_id, &object_id, nullptr, table, 0) != 0) {
        sp_printf("table '%s' does not exist.\n", tokens[1]);
        return;
    }
    ub4 iot_id = 0;
    char iot_name[DICTNAME_LEN + 1] = {};
    bool iot = get_iot_info(object_id, &iot_id, iot_name) == 1;

    ub4 part_id = 0;
    if (count == 4) {
        char part[LINE_MAX_SIZE];
        copy_str(part, sizeof(part), tokens[3]);
        transform_schema_name(part);
        part_id = get_partition_id(user_id, iot ? iot_name : table, part);
        if (part_id == 0)
            sp_printf("partition '%s' does not exist.\n", tokens[3]);
    }
    sp_printf("\nObject ID:%u\n", object_id);
    STORAGE_INFO storage;
    get_storage_info(&storage, part_id != 0 ? part_id : iot ? iot_id : object_id);
    sp_printf("Storage(Obj#=%u DataObj#=%u TS#=%u File#=%u Block#=%u Cluster=%u)\n\n", storage.obj_no,
              storage.dataobj_no, storage.ts_no, storage.file_no, storage.block_no, storage.cluster);

    sp_printf("NO. SEG INT %-30s %-9s %-30s\n", "Column Name", "Null?", "Type");
    sp_printf("--- --- --- ------------------------------ --------- ------------------------------\n");
    ZEM_LIST columns;
    init_zem_list(&columns, nullptr);
    get_column_info(&columns, object_id);
    sort_zem_list(&columns, comp_column_info_colno);
    char type[COL_TYPE_TEXT_LEN];
    for (PZEM_LIST_ITEM item = columns.header; item != nullptr; item = item->next) {
        const COLUMN* c = (const COLUMN*)item->data;
        sp_printf("%3u %3u %3u %-30s %-9s %-30s\n", (ub4)c->col_no, (ub4)c->segcol_no, (ub4)c->intcol_no, c->name,
                  c->nullable ? "" : "NOT NULL", get_col_type_fullname(c, type));
    }
    release_zem_list(&columns);
    sp_printf("\n");
}
