// LOB storage from the dictionary for the forms the builder does not write:
// index-organized tables, which are unloaded by their index partitions and
// find their LOB fragments through the table partition of the same name,
// and a LOB whose fragment is missing.

#include <gtest/gtest.h>

#include "base/config.h"
#include "dict/dict_lob_info.h"
#include "dict/dict_store.h"
#include "support/capture.h"
#include "support/process.h"

namespace {

class DictLobInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_config_data();
        init_dict_list();
        // T is index-organized (index T_PK), partitioned in P1 and P2, P2
        // subpartitioned in S1; its CLOB (LOB 120, index 130) has a fragment
        // for P1 (121, under the LOB) and for S1 (123, under the LOB
        // partition 122 of P2).
        write_file("user.zem", "84,SCOTT\n");
        write_file("obj.zem", "100,,84,T,,2\n101,,84,T,P1,19\n102,,84,T,P2,19\n103,103,84,T,S1,34\n"
                              "110,,84,T_PK,,1\n111,111,84,T_PK,P1,20\n112,,84,T_PK,P2,20\n113,113,84,T_PK,S1,35\n"
                              "120,,84,SYS_LOB1,,21\n121,121,84,SYS_LOB1,SYS_LOB_P1,40\n"
                              "122,,84,SYS_LOB1,SYS_LOB_P2,40\n123,123,84,SYS_LOB1,SYS_LOB_SUBP3,41\n"
                              "130,,84,SYS_IL1,,1\n131,131,84,SYS_IL1,SYS_IL_P1,20\n133,133,84,SYS_IL1,SYS_IL_S1,35\n");
        write_file("tab.zem", "131,131,4,4,55\n133,133,4,6,65\n");
        write_file("lob.zem", "100,2,2,120,0,130,4,0,0,1,514\n");
        write_file("lobfrag.zem", "121,120,101,131,1,P,4,4,50,2\n123,122,103,133,1,S,4,6,60,4\n");
        load_all_dict_list();
        init_table(&table_, "T", 2, 0, 0);
        table_.obj_no = 100;
        init_column(&table_.cols[0], "ID", ORA_NUMBER, 1);
        init_column(&table_.cols[1], "DOC", ORA_CLOB, 1);
        table_.cols[0].col_no = 1;
        table_.cols[1].col_no = 2;
        get_table_lobs_info(&table_);
    }
    void TearDown() override
    {
        release_table(&table_, 0);
        release_dict_list();
    }

    const LOB_STORAGE& storage() const { return table_.cols[1].lob_storage; }

    ScopedWorkDir dir_{"dict_lob_info"};
    TABLE table_;
};

TEST_F(DictLobInfo, PartitionsAndSubpartitionsPlainAndIndexOrganized)
{
    struct Case {
        ub4 part_obj;
        int subpart, iot;
        const char* part_name;
        ub4 frag, block, chunk, ind_file, ind_block;
    };
    // An index-organized table passes its index (sub)partition.
    const Case cases[] = {{101, 0, 0, "P1", 121, 50, 2, 4, 55}, {111, 0, 1, "P1", 121, 50, 2, 4, 55},
                          {103, 1, 0, "S1", 123, 60, 4, 6, 65}, {113, 1, 1, "S1", 123, 60, 4, 6, 65}};
    EXPECT_EQ(table_.cols[1].lob.lob_obj_id, 120u);
    EXPECT_EQ(table_.cols[1].lob.is_little_endian, 1); // property 0x200
    for (const Case& k : cases) {
        SCOPED_TRACE(k.part_obj);
        get_table_lobpart_storage(&table_, k.part_obj, k.subpart, k.iot, 84, "T", k.part_name);
        EXPECT_EQ(storage().lob_obj_id, k.frag);
        EXPECT_EQ(storage().lob_data_obj_id, k.frag);
        EXPECT_EQ(storage().block_no, k.block);
        EXPECT_EQ(storage().chunk, k.chunk);
        EXPECT_EQ(storage().ind_data_obj_id, k.frag + 10);
        EXPECT_EQ(storage().ind_file_no, k.ind_file);
        EXPECT_EQ(storage().ind_block_no, k.ind_block);
    }
    // Without its fragment the values are looked for where the whole LOB says.
    get_table_lobpart_storage(&table_, 999, 0, 0, 84, "T", "P9");
    EXPECT_EQ(storage().lob_obj_id, 120u);
    EXPECT_EQ(storage().ts_no, 4u);
}

} // namespace
