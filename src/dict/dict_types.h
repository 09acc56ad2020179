#pragma once
// Records of the rebuilt data dictionary, as kept in the cache files
// user.zem, obj.zem, col.zem, tab.zem, ind.zem, lob.zem and lobfrag.zem.

#include "base/types.h"

constexpr int DICTNAME_LEN = 30;

// OBJ$.TYPE#
enum {
    OT_INDEX = 1, OT_TABLE = 2, OT_CLUSTER = 3, OT_VIEW = 4, OT_SYNONYM = 5, OT_SEQUENCE = 6,
    OT_PROCEDURE = 7, OT_FUNCTION = 8, OT_PACKAGE = 9, OT_PACKAGE_BODY = 11, OT_TRIGGER = 12,
    OT_TYPE = 13, OT_TYPE_BODY = 14, OT_TABLE_PARTITION = 19, OT_INDEX_PARTITION = 20, OT_LOB = 21,
    OT_LIBRARY = 22, OT_DIRECTORY = 23, OT_QUEUE = 24, OT_JAVA_SOURCE = 28, OT_JAVA_CLASS = 29,
    OT_JAVA_RESOURCE = 30, OT_INDEXTYPE = 32, OT_OPERATOR = 33, OT_TABLE_SUBPARTITION = 34,
    OT_INDEX_SUBPARTITION = 35, OT_LOB_PARTITION = 40, OT_LOB_SUBPARTITION = 41, OT_MATERIALIZED_VIEW = 42,
    OT_DIMENTION = 43, OT_CONTEXT = 44, OT_RULE_SET = 46, OT_RESOURCE_PLAN = 47, OT_CONSUME_GROUP = 48,
    OT_SUBSCRIPTION = 51, OT_LOCATION = 52, OT_XML_SCHEMA = 55, OT_JAVA_DATA = 56,
    OT_SECURITY_PROFILE = 57, OT_RULE = 59, OT_EVALUATION_CONTEXT = 62
};

// IND$.TYPE#
enum {
    INDEXTYPE_NORMAL = 1, INDEXTYPE_BITMAP = 2, INDEXTYPE_CLUSTER = 3, INDEXTYPE_IOT = 4,
    INDEXTYPE_IOT_NESTED = 5, INDEXTYPE_SECONDARY = 6, INDEXTYPE_ANSI = 7, INDEXTYPE_LOB = 8,
    INDEXTYPE_DOMAIN = 9
};

constexpr ub4 DICT_USER_BUCKET_CNT = 1023;
constexpr ub4 DICT_OBJ_BUCKET_CNT = 65535;
constexpr ub4 DICT_COL_BUCKET_CNT = 65535;
constexpr ub4 DICT_TAB_BUCKET_CNT = 65535;
constexpr ub4 DICT_IND_BUCKET_CNT = 65535;
constexpr ub4 DICT_LOB_BUCKET_CNT = 16383;
constexpr ub4 DICT_LOBFRAG_BUCKET_CNT = 16383;

typedef struct _tag_dict_user {
    ub4 user_id;
    char username[DICTNAME_LEN + 1];
} DICT_USER, *PDICT_USER;

typedef struct _tag_dict_obj {
    ub4 object_id;
    ub4 data_object_id;
    ub4 owner;
    char name[DICTNAME_LEN + 1];
    char subname[DICTNAME_LEN + 1];
    ub4 object_type;
} DICT_OBJ, *PDICT_OBJ;

typedef struct _tag_dict_col {
    ub4 object_id;
    ub4 col_id;
    ub4 seg_col_no;
    char name[DICTNAME_LEN + 1];
    ub4 col_type;
    ub4 length;
    ub4 precision;
    ub4 scale;
    ub1 precision_null;
    ub1 scale_null;
    ub4 is_null;
    ub4 internal_col_no;
    ub4 property;
    ub4 charset_id;
    ub4 charset_form;
} DICT_COL, *PDICT_COL;

typedef struct _tag_dict_tab {
    ub4 object_id;
    ub4 data_object_id;
    ub4 tablespace_no;
    ub4 file_no;
    ub4 block_no;
    ub4 table_no;
} DICT_TAB, *PDICT_TAB;

typedef struct _tag_dict_ind {
    ub4 base_object_id;
    ub4 object_id;
    ub4 index_type;
} DICT_IND, *PDICT_IND;

typedef struct _tag_dict_lob {
    ub4 object_id;
    ub4 col_id;
    ub4 internal_col_id;
    ub4 lob_object_id;
    ub4 partition_id;
    ub4 index_id;
    ub4 tablespace_no;
    ub4 file_no;
    ub4 block_no;
    ub4 chunk;
    ub4 property;
} DICT_LOB, *PDICT_LOB;

typedef struct _tag_dict_lobfrag {
    ub4 frag_object_id;
    ub4 parent_object_id;
    ub4 tab_frag_object_id;
    ub4 ind_frag_object_id;
    ub4 frag_id;
    ub4 frag_type;
    ub4 tablespace_no;
    ub4 file_no;
    ub4 block_no;
    ub4 chunk;
} DICT_LOBFRAG, *PDICT_LOBFRAG;

typedef struct _tag_storage_info {
    ub4 ts_no;
    ub4 file_no;
    ub4 block_no;
    ub4 obj_no;
    ub4 dataobj_no;
    ub4 cluster;
} STORAGE_INFO, *PSTORAGE_INFO;

typedef struct _tag_partition_info {
    ub4 part_obj_id;
    char part_name[DICTNAME_LEN + 1];
} PARTITION_INFO, *PPARTITION_INFO;
