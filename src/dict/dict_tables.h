#pragma once
// How each dictionary table's rows are laid out, as far as the dictionary
// passes read them.

#include "engine/unload_model.h"

enum DICT_COL_USE : ub1 {
    DC_KEEP = 0,
    DC_SKIP = 1,        // stepped over, never written
    DC_PLACEHOLDER7 = 2 // not stored by release 7: delivered as NULL there
};

struct DICT_COL_DESC {
    const char* name;
    ub1 ora_type;
    ub1 use;
};

struct DICT_TABLE_DESC {
    const char* name;
    const DICT_COL_DESC* cols;
    ub2 col_cnt;
};

extern const DICT_TABLE_DESC dict_user_desc;
extern const DICT_TABLE_DESC dict_obj_desc;
extern const DICT_TABLE_DESC dict_col_desc;
extern const DICT_TABLE_DESC dict_col7_desc;
extern const DICT_TABLE_DESC dict_tab_desc;
extern const DICT_TABLE_DESC dict_ind_storage_desc;
extern const DICT_TABLE_DESC dict_tabpart_desc;
extern const DICT_TABLE_DESC dict_indpart_desc;
extern const DICT_TABLE_DESC dict_tabsubpart_desc;
extern const DICT_TABLE_DESC dict_indsubpart_desc;
extern const DICT_TABLE_DESC dict_ind_type_desc;
extern const DICT_TABLE_DESC dict_lob_desc;
extern const DICT_TABLE_DESC dict_lobfrag_desc;

// Builds the engine's description; release with release_table(table, 0).
void describe_dict_table(PTABLE table, const DICT_TABLE_DESC* desc, ub1 table_index, ub4 ts_no, ub4 dataobj_no);
