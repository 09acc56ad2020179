#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/config.h"
#include "dict/dict_lookup.h"
#include "dict/dict_store.h"
#include "support/capture.h"
#include "support/process.h"

namespace {

class DictStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_config_data();
        init_dict_list();
        write_file("user.zem", "0,SYS\n1,PUBLIC\n84,SCOTT\n85,Scott\n");
        // A dropped EMP (obj 90000) comes before the live one (obj 5000) in the file.
        write_file("obj.zem",
                   "90000,90000,84,EMP,,2\n5000,5100,84,EMP,,2\n5001,5001,84,DEPT,,2\n6000,6000,85,Emp,,2\n"
                   "7000,7000,1,EMP,,5\n"
                   "8000,,84,SALES,,2\n8001,8101,84,SALES,P2,19\n8002,8102,84,SALES,P1,19\n"
                   "8003,8103,84,SALES,P1_S1,34\n8004,8104,84,SALES_IDX,P1,20\n"
                   "8100,8100,84,ORDERS,,2\n8101,8101,84,SYS_IOT_TOP_8100,,1\nshort,line\n");
        write_file("col.zem", "5000,1,1,EMPNO,2,22,4,0,1,1,0,0,0\n5000,2,2,ENAME,1,10,,,0,2,0,852,1\n"
                              "5000,3,0,HIDDEN,2,22,,,0,3,0\n1,2\n");
        write_file("tab.zem", "5000,5100,4,4,130,\n5001,5001,4,4,140,2\n8001,8101,4,5,10\n8100,8100\n");
        write_file("ind.zem", "8100,8101,4\n5000,9000,1\n");
        write_file("lob.zem", "5000,4,4,9100,0,9101,4,4,200,8192,2\n5000,5,5,9102,0,9103,4,4,210,8192,2,extra\n"
                              "5000,6,6\n");
        write_file("lobfrag.zem", "9200,9100,8001,9300,0,P,4,5,300,8192\n");
        load_all_dict_list();
    }
    void TearDown() override
    {
        release_dict_list();
        init_config_data();
    }
    ScopedWorkDir dir_{"dict"};
};

} // namespace

TEST_F(DictStore, ConvertersAndFileOrder)
{
    PDICT_USER scott = search_dict_user("SCOTT");
    ASSERT_NE(scott, nullptr);
    EXPECT_EQ(scott->user_id, 84u);
    EXPECT_EQ(search_dict_user("scott"), nullptr); // case-sensitive

    PDICT_OBJ emp = search_dict_obj("EMP", 84, OT_TABLE);
    ASSERT_NE(emp, nullptr);
    EXPECT_EQ(emp->object_id, 90000u); // first in the file wins
    EXPECT_EQ(search_dict_obj("EMP", 1, 5), nullptr); // PUBLIC's objects are dropped
    EXPECT_EQ(search_dict_obj_id(8000)->data_object_id, 0u); // empty field reads 0

    PDICT_TAB tab = search_dict_tab(5000);
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->data_object_id, 5100u);
    EXPECT_EQ(tab->block_no, 130u);
    EXPECT_EQ(tab->table_no, 0u);
    EXPECT_EQ(search_dict_tab(5001)->table_no, 2u);
    EXPECT_EQ(search_dict_tab(8100)->file_no, 0u); // a short line keeps zeros

    ASSERT_NE(search_dict_lob(5000, 5), nullptr);
    EXPECT_EQ(search_dict_lob(5000, 5)->property, 2u);
    EXPECT_EQ(search_dict_lob(5000, 6), nullptr); // fewer than 11 fields
    PDICT_LOBFRAG frag = search_dict_lobfrag_part(9100, 8001);
    ASSERT_NE(frag, nullptr);
    EXPECT_EQ(frag->frag_type, 0u); // the letter P reads as 0
    EXPECT_EQ(frag->block_no, 300u);
    EXPECT_NE(search_dict_ind(5000, INDEXTYPE_NORMAL), nullptr);
    EXPECT_EQ(search_dict_ind(5000, INDEXTYPE_IOT), nullptr);
}

TEST_F(DictStore, ColumnRecords)
{
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_col_hash_table, 5000);
    ASSERT_NE(bucket, nullptr);
    ASSERT_EQ(bucket->data_list_len, 3u);
    PDICT_COL empno = (PDICT_COL)bucket->data_list.header->data;
    EXPECT_STREQ(empno->name, "EMPNO");
    EXPECT_EQ(empno->precision, 4u);
    EXPECT_EQ(empno->precision_null, 0);
    EXPECT_EQ(empno->scale_null, 0);
    EXPECT_EQ(empno->is_null, 1u);
    PDICT_COL ename = (PDICT_COL)bucket->data_list.header->next->data;
    EXPECT_EQ(ename->precision_null, 1);
    EXPECT_EQ(ename->scale_null, 1);
    EXPECT_EQ(ename->charset_id, 852u);
    EXPECT_EQ(ename->charset_form, 1u);
    EXPECT_EQ(search_zem_hash_item(&dict_col_hash_table, 1), nullptr); // the two-field line is dropped
}

TEST_F(DictStore, ReleasingTheNameIndexLeavesObjects)
{
    release_zem_hash_table(&dict_objname_hash_table);
    EXPECT_NE(search_dict_obj_id(5001), nullptr);
    EXPECT_STREQ(search_dict_obj_id(5001)->name, "DEPT");
}

TEST_F(DictStore, SchemaNamesAndUserTable)
{
    char text[64];
    strcpy(text, "\"Scott\".\"Emp\"");
    EXPECT_STREQ(transform_schema_name(text), "Scott.Emp");
    strcpy(text, "scott.\"Emp\"x");
    EXPECT_STREQ(transform_schema_name(text), "SCOTT.EmpX");
    strcpy(text, "a\"bc");
    EXPECT_STREQ(transform_schema_name(text), "Abc"); // a lone quote keeps the rest as typed

    ub4 user = 0, obj = 0;
    char uname[DICTNAME_LEN + 1], tname[DICTNAME_LEN + 1];
    EXPECT_EQ(parse_user_table("scott.emp", &user, &obj, uname, tname, 0), 0);
    EXPECT_EQ(user, 84u);
    EXPECT_EQ(obj, 90000u);
    EXPECT_STREQ(tname, "EMP");
    EXPECT_EQ(parse_user_table("\"Scott\".\"Emp\"", &user, &obj, nullptr, nullptr, 0), 0);
    EXPECT_EQ(obj, 6000u);
    EXPECT_EQ(parse_user_table("scott.\"Emp\"", &user, &obj, nullptr, nullptr, 0), -3); // SCOTT has no Emp
    EXPECT_EQ(parse_user_table("scott", &user, &obj, nullptr, nullptr, 0), -1);
    EXPECT_EQ(parse_user_table("scott.", &user, &obj, nullptr, nullptr, 0), -1);
    EXPECT_EQ(parse_user_table("nobody.emp", &user, &obj, nullptr, nullptr, 0), -2);
    EXPECT_EQ(parse_user_table("SCOTT.emp", &user, &obj, nullptr, tname, 1), -3); // keeps "emp"
    EXPECT_STREQ(tname, "emp");
    EXPECT_EQ(parse_user_table("scott.emp.x", &user, &obj, nullptr, tname, 0), -3);
    EXPECT_STREQ(tname, "EMP.X");
    std::string longname = "scott." + std::string(200, 'q');
    EXPECT_EQ(parse_user_table(longname.c_str(), &user, &obj, uname, tname, 0), -3);
    EXPECT_EQ(strlen(tname), (size_t)DICTNAME_LEN);
}

TEST_F(DictStore, PartitionsIotAndStorage)
{
    ZEM_LIST parts;
    init_zem_list(&parts, nullptr);
    EXPECT_EQ(get_partition_list(&parts, 84, "SALES", 0), 2u);
    std::vector<std::string> names;
    for (PZEM_LIST_ITEM i = parts.header; i; i = i->next)
        names.push_back(((PPARTITION_INFO)i->data)->part_name);
    EXPECT_EQ(names, (std::vector<std::string>{"P2", "P1"})); // file order
    release_zem_list(&parts);
    EXPECT_EQ(get_partition_list(&parts, 84, "SALES", 1), 1u);
    release_zem_list(&parts);
    EXPECT_EQ(get_partition_list(&parts, 84, "SALES_IDX", 0), 1u); // index partitions count too
    release_zem_list(&parts);
    EXPECT_EQ(get_partition_id(84, "SALES", "P1"), 8002u);
    EXPECT_EQ(get_partition_id(84, "SALES", "P9"), 0u);

    ub4 index_id = 0;
    char index_name[DICTNAME_LEN + 1] = {};
    EXPECT_EQ(get_iot_info(8100, &index_id, index_name), 1);
    EXPECT_EQ(index_id, 8101u);
    EXPECT_STREQ(index_name, "SYS_IOT_TOP_8100");
    EXPECT_EQ(get_iot_info(5000, &index_id, index_name), 0);

    STORAGE_INFO info;
    EXPECT_EQ(get_storage_info(&info, 8001), 1);
    EXPECT_EQ(info.dataobj_no, 8101u);
    EXPECT_EQ(info.file_no, 5u);
    EXPECT_EQ(info.block_no, 10u);
    EXPECT_EQ(get_storage_info(&info, 4242), 0);
    EXPECT_EQ(info.block_no, 0u);
}

TEST_F(DictStore, Compatible7UsesObjectNumbers)
{
    release_dict_list();
    config_data.compatible = 7;
    write_file("col.zem", "5000,1,1,EMPNO,2,22,4\n5000,2,2,ENAME,1,10\n");
    load_all_dict_list();
    EXPECT_EQ(search_dict_obj("EMP", 84, OT_TABLE)->data_object_id, 90000u);
    EXPECT_EQ(search_dict_obj_id(5000)->data_object_id, 5000u);
    EXPECT_STREQ(search_dict_obj_id(8001)->subname, ""); // no partitions before release 8
    EXPECT_EQ(search_dict_tab(5000)->data_object_id, 5000u);
    STORAGE_INFO info;
    get_storage_info(&info, 5000);
    EXPECT_EQ(info.dataobj_no, 5000u);
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_col_hash_table, 5000);
    ASSERT_NE(bucket, nullptr);
    EXPECT_EQ(bucket->data_list_len, 1u); // seven fields at least
}

TEST(DictWords, TypeWords)
{
    EXPECT_EQ(get_obj_type_from_name("materialized_view"), (ub4)OT_MATERIALIZED_VIEW);
    EXPECT_EQ(get_obj_type_from_name("Table"), (ub4)OT_TABLE);
    EXPECT_EQ(get_obj_type_from_name("cluster"), 0u);
    ub4 type, form, length, scale;
    ASSERT_EQ(get_col_type_from_name("nchar", &type, &form, &length, &scale), 1);
    EXPECT_EQ(type, 96u);
    EXPECT_EQ(form, 2u);
    ASSERT_EQ(get_col_type_from_name("TIMESTAMP_TZ", &type, &form, &length, &scale), 1);
    EXPECT_EQ(type, 181u);
    EXPECT_EQ(length, 13u);
    EXPECT_EQ(scale, 9u);
    ASSERT_EQ(get_col_type_from_name("skip", &type, &form, &length, &scale), 1);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(length, 16u);
    EXPECT_EQ(get_col_type_from_name("XMLTYPE", &type, &form, &length, &scale), 0);
}
