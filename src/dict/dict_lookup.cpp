#include "dict/dict_lookup.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "base/config.h"
#include "base/str_util.h"
#include "dict/dict_store.h"

namespace {

// Walks the bucket of `hash` and returns the first record the predicate accepts.
template <typename T, typename Pred>
T* first_in_bucket(const ZEM_HASH_TABLE* table, ub4 hash, Pred pred)
{
    PZEM_HASH_ITEM bucket = search_zem_hash_item(table, hash);
    if (bucket == nullptr)
        return nullptr;
    for (PZEM_LIST_ITEM item = bucket->data_list.header; item != nullptr; item = item->next)
        if (pred((T*)item->data))
            return (T*)item->data;
    return nullptr;
}

} // namespace

PDICT_USER search_dict_user(const char* name)
{
    return first_in_bucket<DICT_USER>(&dict_user_hash_table, calc_str_hash(name),
                                      [name](PDICT_USER u) { return strcmp(u->username, name) == 0; });
}

PDICT_OBJ search_dict_obj(const char* name, ub4 owner, ub4 type)
{
    return first_in_bucket<DICT_OBJ>(&dict_objname_hash_table, calc_str_hash(name), [&](PDICT_OBJ o) {
        return o->owner == owner && o->object_type == type && strcmp(o->name, name) == 0;
    });
}

PDICT_OBJ search_dict_obj_id(ub4 object_id)
{
    return first_in_bucket<DICT_OBJ>(&dict_obj_hash_table, object_id,
                                     [object_id](PDICT_OBJ o) { return o->object_id == object_id; });
}

PDICT_TAB search_dict_tab(ub4 object_id)
{
    return first_in_bucket<DICT_TAB>(&dict_tab_hash_table, object_id,
                                     [object_id](PDICT_TAB t) { return t->object_id == object_id; });
}

PDICT_IND search_dict_ind(ub4 base_object_id, ub4 index_type)
{
    return first_in_bucket<DICT_IND>(&dict_ind_hash_table, base_object_id, [&](PDICT_IND i) {
        return i->base_object_id == base_object_id && i->index_type == index_type;
    });
}

PDICT_LOB search_dict_lob(ub4 object_id, ub4 col_id)
{
    return first_in_bucket<DICT_LOB>(&dict_lob_hash_table, object_id,
                                     [&](PDICT_LOB l) { return l->object_id == object_id && l->col_id == col_id; });
}

PDICT_LOBFRAG search_dict_lobfrag_part(ub4 parent_object_id, ub4 tab_frag_object_id)
{
    return first_in_bucket<DICT_LOBFRAG>(&dict_lobfrag_hash_table, parent_object_id, [&](PDICT_LOBFRAG f) {
        return f->parent_object_id == parent_object_id && f->tab_frag_object_id == tab_frag_object_id;
    });
}

// Quotes are dropped; letters outside quotes are folded to upper case.
char* transform_schema_name(char* text)
{
    bool quoted = false;
    char* out = text;
    for (const char* p = text; *p; p++) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        *out++ = (!quoted && *p >= 'a' && *p <= 'z') ? (char)(*p - 'a' + 'A') : *p;
    }
    *out = '\0';
    return text;
}

int parse_user_table(const char* text, ub4* user_id, ub4* object_id, char* user_name, char* table_name,
                     int keep_table_case)
{
    const char* dot = strchr(text, '.');
    if (dot == nullptr || dot[1] == '\0')
        return -1;
    char user[LINE_MAX_SIZE];
    char table[LINE_MAX_SIZE];
    size_t ulen = (size_t)(dot - text);
    if (ulen >= sizeof(user) || strlen(dot + 1) >= sizeof(table))
        return -1;
    memcpy(user, text, ulen);
    user[ulen] = '\0';
    copy_str(table, sizeof(table), dot + 1);
    transform_schema_name(user);
    if (!keep_table_case)
        transform_schema_name(table);
    if (user_name != nullptr)
        copy_str(user_name, DICTNAME_LEN + 1, user);
    if (table_name != nullptr)
        copy_str(table_name, DICTNAME_LEN + 1, table);
    PDICT_USER u = search_dict_user(user);
    if (u == nullptr)
        return -2;
    *user_id = u->user_id;
    PDICT_OBJ o = search_dict_obj(table, u->user_id, OT_TABLE);
    if (o == nullptr)
        return -3;
    *object_id = o->object_id;
    return 0;
}

ub4 get_obj_type_from_name(const char* text)
{
    static const struct {
        const char* word;
        ub4 type;
    } words[] = {{"INDEX", OT_INDEX},         {"TABLE", OT_TABLE},         {"VIEW", OT_VIEW},
                 {"PACKAGE", OT_PACKAGE},     {"PROCEDURE", OT_PROCEDURE}, {"FUNCTION", OT_FUNCTION},
                 {"SEQUENCE", OT_SEQUENCE},   {"MATERIALIZED_VIEW", OT_MATERIALIZED_VIEW}};
    for (const auto& w : words)
        if (strcasecmp(w.word, text) == 0)
            return w.type;
    return 0;
}

// Every object of one name shares a bucket of the name index, in file order.
ub4 get_partition_list(PZEM_LIST list, ub4 owner, const char* name, int subpartitions)
{
    PZEM_HASH_ITEM bucket = search_zem_hash_item(&dict_objname_hash_table, calc_str_hash(name));
    if (bucket == nullptr)
        return 0;
    ub4 count = 0;
    for (PZEM_LIST_ITEM item = bucket->data_list.header; item != nullptr; item = item->next) {
        PDICT_OBJ o = (PDICT_OBJ)item->data;
        if (o->owner != owner || strcmp(o->name, name) != 0 || o->subname[0] == '\0')
            continue;
        bool wanted = subpartitions ? (o->object_type == OT_TABLE_SUBPARTITION ||
                                       o->object_type == OT_INDEX_SUBPARTITION || o->object_type == OT_LOB_SUBPARTITION)
                                    : (o->object_type == OT_TABLE_PARTITION || o->object_type == OT_INDEX_PARTITION ||
                                       o->object_type == OT_LOB_PARTITION);
        if (!wanted)
            continue;
        PPARTITION_INFO p = (PPARTITION_INFO)calloc(1, sizeof(PARTITION_INFO));
        p->part_obj_id = o->object_id;
        copy_str(p->part_name, sizeof(p->part_name), o->subname);
        add_zem_list_item(list, p);
        count++;
    }
    return count;
}

ub4 get_partition_id(ub4 owner, const char* name, const char* subname)
{
    PDICT_OBJ found = first_in_bucket<DICT_OBJ>(&dict_objname_hash_table, calc_str_hash(name), [&](PDICT_OBJ o) {
        return o->owner == owner && strcmp(o->name, name) == 0 && strcmp(o->subname, subname) == 0;
    });
    return found ? found->object_id : 0;
}

int get_iot_info(ub4 table_object_id, ub4* index_object_id, char* index_name)
{
    PDICT_IND ind = search_dict_ind(table_object_id, INDEXTYPE_IOT);
    if (ind == nullptr || ind->object_id == 0)
        return 0;
    PDICT_OBJ obj = search_dict_obj_id(ind->object_id);
    if (obj == nullptr || obj->object_type != OT_INDEX)
        return 0;
    *index_object_id = ind->object_id;
    if (index_name != nullptr)
        copy_str(index_name, DICTNAME_LEN + 1, obj->name);
    return 1;
}

int get_storage_info(STORAGE_INFO* info, ub4 object_id)
{
    memset(info, 0, sizeof(*info));
    PDICT_TAB tab = search_dict_tab(object_id);
    if (tab == nullptr)
        return 0;
    info->obj_no = tab->object_id;
    info->dataobj_no = config_data.compatible < 8 ? tab->object_id : tab->data_object_id;
    info->ts_no = tab->tablespace_no;
    info->file_no = tab->file_no;
    info->block_no = tab->block_no;
    info->cluster = tab->table_no;
    return 1;
}

int get_col_type_from_name(const char* word, ub4* type, ub4* charset_form, ub4* length, ub4* scale)
{
    static const struct {
        const char* word;
        ub4 type, length, form, scale;
    } words[] = {
        {"VARCHAR2", 1, 4000, 1, 0},       {"NVARCHAR2", 1, 4000, 2, 0},    {"NUMBER", 2, 22, 1, 0},
        {"VARCHAR", 9, 4000, 1, 0},        {"LONG", 8, 4000, 1, 0},         {"RAW", 23, 2000, 1, 0},
        {"DATE", 12, 7, 1, 0},             {"TIMESTAMP", 180, 11, 1, 9},    {"TIMESTAMP_TZ", 181, 13, 1, 9},
        {"TIMESTAMP_LTZ", 231, 11, 1, 9},  {"LONG_RAW", 24, 4000, 1, 0},    {"CHAR", 96, 4000, 1, 0},
        {"NCHAR", 96, 4000, 2, 0},         {"TIME", 178, 7, 1, 0},          {"BINARY_FLOAT", 100, 8, 1, 0},
        {"BINARY_DOUBLE", 101, 16, 1, 0},  {"CLOB", 112, 4000, 1, 0},       {"NCLOB", 112, 4000, 2, 0},
        {"BLOB", 113, 4000, 1, 0},         {"SKIP", 0, 16, 1, 0},
    };
    for (const auto& w : words)
        if (strcasecmp(w.word, word) == 0) {
            *type = w.type;
            *length = w.length;
            *charset_form = w.form;
            *scale = w.scale;
            return 1;
        }
    return 0;
}
