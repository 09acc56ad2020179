#include <cstdlib>
#include <cstring>

#include "base/printer.h"
#include "base/str_util.h"
#include "dict/dict_lookup.h"
#include "dict/dict_store.h"
#include "storage/datafile_registry.h"
#include "unload/list_desc.h"

namespace {

void print_list_usage()
{
    sp_printf("list user\n");
    sp_printf("list <table | view | procedure | function | index | package | sequence> <user_name>\n");
    sp_printf("list partition <user_name.table_name>\n");
    sp_printf("list datafile\n");
}

void print_heading(const char* number, const char* name)
{
    sp_printf("\n%10s   %-30s\n", number, name);
    sp_printf("----------   ------------------------------\n");
}

template <typename Visit>
void for_each_record(const ZEM_HASH_TABLE* table, Visit visit)
{
    if (table->bucket_list == nullptr)
        return;
    for (ub4 b = 0; b < table->bucket_cnt; b++) {
        PZEM_HASH_ITEM bucket = table->bucket_list[b];
        if (bucket == nullptr)
            continue;
        for (PZEM_LIST_ITEM item = bucket->data_list.header; item != nullptr; item = item->next)
            visit(item->data);
    }
}

ub4 print_partition_block(ub4 owner, const char* table, int subpartitions)
{
    ZEM_LIST parts;
    init_zem_list(&parts, nullptr);
    ub4 count = get_partition_list(&parts, owner, table, subpartitions);
    if (count > 0) {
        sp_printf("\n%-30s %12s %-30s\n", "Table Name", subpartitions ? "SubPart Id" : "Partition Id",
                  subpartitions ? "Sub Partition Name" : "Partition Name");
        sp_printf("------------------------------ ------------ ------------------------------\n");
        bool first = true;
        for (PZEM_LIST_ITEM item = parts.header; item != nullptr; item = item->next) {
            const PARTITION_INFO* p = (const PARTITION_INFO*)item->data;
            sp_printf("%-30s %12u %-30s\n", first ? table : "", p->part_obj_id, p->part_name);
            first = false;
        }
        if (subpartitions)
            sp_printf("Total %u sub partitions.\n", count);
        else
            sp_printf("Total %u partitions.\n", count);
    }
    release_zem_list(&parts);
    return count;
}

} // namespace

void do_list_user()
{
    print_heading("USER#", "USERNAME");
    for_each_record(&dict_user_hash_table, [](void* data) {
        const DICT_USER* u = (const DICT_USER*)data;
        sp_printf("%10u   %-30s\n", u->user_id, u->username);
    });
}

int do_list_schema_obj(const char* user_name, const char* type_name)
{
    ub4 type = get_obj_type_from_name(type_name);
    if (type == 0)
        return -1;
    print_heading("OBJ#", "OBJECT_NAME");
    char name[LINE_MAX_SIZE];
    copy_str(name, sizeof(name), user_name);
    transform_schema_name(name);
    PDICT_USER user = search_dict_user(name);
    if (user == nullptr)
        return 0;
    ub4 owner = user->user_id;
    for_each_record(&dict_obj_hash_table, [owner, type](void* data) {
        const DICT_OBJ* o = (const DICT_OBJ*)data;
        if (o->owner == owner && o->object_type == type)
            sp_printf("%10u   %-30s\n", o->object_id, o->name);
    });
    return 0;
}

void do_list_partition(const char* qualified_name)
{
    ub4 user_id = 0, object_id = 0;
    char table[DICTNAME_LEN + 1];
    if (parse_user_table(qualified_name, &user_id, &object_id, nullptr, table, 0) != 0) {
        sp_printf("table '%s' does not exist.\n\n", qualified_name);
        return;
    }
    if (print_partition_block(user_id, table, 0) == 0) {
        sp_printf("table '%s' has not partitions.\n", qualified_name);
        return;
    }
    print_partition_block(user_id, table, 1);
    sp_printf("\n");
}

void do_list_schema(LINE_ARRAY tokens, int count)
{
    if (count == 2 && str_case_equal(tokens[1], "user")) {
        do_list_user();
        return;
    }
    if (count == 2 && str_case_equal(tokens[1], "datafile")) {
        sp_printf("\n");
        show_datafile_list_info(datafile_list);
        sp_printf("\n");
        return;
    }
    if (count == 3 && str_case_equal(tokens[1], "partition")) {
        do_list_partition(tokens[2]);
        return;
    }
    if (count == 3 && do_list_schema_obj(tokens[2], tokens[1]) == 0)
        return;
    print_list_usage();
}
