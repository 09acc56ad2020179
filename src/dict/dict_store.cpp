#include "dict/dict_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/file_loader.h"
#include "base/str_util.h"

const char default_col_delimiter[] = ",";

ZEM_HASH_TABLE dict_user_hash_table;
ZEM_HASH_TABLE dict_obj_hash_table;
ZEM_HASH_TABLE dict_objname_hash_table;
ZEM_HASH_TABLE dict_col_hash_table;
ZEM_HASH_TABLE dict_tab_hash_table;
ZEM_HASH_TABLE dict_ind_hash_table;
ZEM_HASH_TABLE dict_lob_hash_table;
ZEM_HASH_TABLE dict_lobfrag_hash_table;

namespace {

ub4 user_hash(const void* p) { return p ? calc_str_hash(((const DICT_USER*)p)->username) : 0; }
ub4 obj_hash(const void* p) { return p ? ((const DICT_OBJ*)p)->object_id : 0; }
ub4 objname_hash(const void* p) { return p ? calc_str_hash(((const DICT_OBJ*)p)->name) : 0; }
ub4 col_hash(const void* p) { return p ? ((const DICT_COL*)p)->object_id : 0; }
ub4 tab_hash(const void* p) { return p ? ((const DICT_TAB*)p)->object_id : 0; }
ub4 ind_hash(const void* p) { return p ? ((const DICT_IND*)p)->base_object_id : 0; }
ub4 lob_hash(const void* p) { return p ? ((const DICT_LOB*)p)->object_id : 0; }
ub4 lobfrag_hash(const void* p) { return p ? ((const DICT_LOBFRAG*)p)->parent_object_id : 0; }

template <typename T>
T* new_record()
{
    T* r = (T*)calloc(1, sizeof(T));
    if (r == nullptr)
        abort();
    return r;
}

void copy_name(char* dest, const char* field)
{
    copy_str(dest, DICTNAME_LEN + 1, field);
}

} // namespace

// The object file fills the object table and its name index in one pass, so
// both keep file order within a bucket: where a dropped and a new object share
// a name, the one first in the file is found first, and partitions list in
// file order.
void load_dict_obj_file(const char* filename)
{
    release_zem_hash_table(&dict_objname_hash_table);
    FILE* fp = fopen(filename, "r");
    if (fp == nullptr)
        return;
    char line[LINE_MAX_SIZE];
    static SMALL_LINE_ARRAY fields;
    while (fgets(line, sizeof(line), fp) != nullptr) {
        int n = split_line_delimiter_small(fields, line, default_col_delimiter);
        if (n < 1)
            continue;
        void* record = convert_row_to_dict_obj(fields, n);
        if (record == nullptr)
            continue;
        add_hash_item_data(&dict_obj_hash_table, record, 1);
        add_hash_item_data(&dict_objname_hash_table, record, 0);
    }
    fclose(fp);
    if (config_data.trace_config.build_hash_table > 3) {
        print_hash_table_info(&dict_obj_hash_table);
        print_hash_table_info(&dict_objname_hash_table);
    }
}

ub4 dict_field_number(const char* field)
{
    return (ub4)strtoul(field, nullptr, 10);
}

void init_dict_list()
{
    init_zem_hash_table(&dict_user_hash_table, "DICT_USER", DICT_USER_BUCKET_CNT, user_hash);
    init_zem_hash_table(&dict_obj_hash_table, "DICT_OBJ", DICT_OBJ_BUCKET_CNT, obj_hash);
    init_zem_hash_table(&dict_objname_hash_table, "DICT_OBJ_BY_NAME", DICT_OBJ_BUCKET_CNT, objname_hash);
    init_zem_hash_table(&dict_col_hash_table, "DICT_COL", DICT_COL_BUCKET_CNT, col_hash);
    init_zem_hash_table(&dict_tab_hash_table, "DICT_TAB", DICT_TAB_BUCKET_CNT, tab_hash);
    init_zem_hash_table(&dict_ind_hash_table, "DICT_IND", DICT_IND_BUCKET_CNT, ind_hash);
    init_zem_hash_table(&dict_lob_hash_table, "DICT_LOB", DICT_LOB_BUCKET_CNT, lob_hash);
    init_zem_hash_table(&dict_lobfrag_hash_table, "DICT_LOBFRAG", DICT_LOBFRAG_BUCKET_CNT, lobfrag_hash);
}

// The name index only points at the object records, so it goes first.
void release_dict_list()
{
    release_zem_hash_table(&dict_user_hash_table);
    release_zem_hash_table(&dict_objname_hash_table);
    release_zem_hash_table(&dict_obj_hash_table);
    release_zem_hash_table(&dict_col_hash_table);
    release_zem_hash_table(&dict_tab_hash_table);
    release_zem_hash_table(&dict_ind_hash_table);
    release_zem_hash_table(&dict_lob_hash_table);
    release_zem_hash_table(&dict_lobfrag_hash_table);
}

void load_all_dict_list()
{
    load_file_to_hash_table("user.zem", &dict_user_hash_table, convert_row_to_dict_user);
    load_dict_obj_file("obj.zem");
    load_file_to_hash_table("col.zem", &dict_col_hash_table, convert_row_to_dict_col);
    load_file_to_hash_table("tab.zem", &dict_tab_hash_table, convert_row_to_dict_tab);
    load_file_to_hash_table("ind.zem", &dict_ind_hash_table, convert_row_to_dict_ind);
    load_file_to_hash_table("lob.zem", &dict_lob_hash_table, convert_row_to_dict_lob);
    load_file_to_hash_table("lobfrag.zem", &dict_lobfrag_hash_table, convert_row_to_dict_lobfrag);
}

void* convert_row_to_dict_user(SMALL_LINE_ARRAY f, int count)
{
    if (count < 2)
        return nullptr;
    PDICT_USER r = new_record<DICT_USER>();
    r->user_id = dict_field_number(f[0]);
    copy_name(r->username, f[1]);
    return r;
}

// Objects owned by PUBLIC (user 1) are not kept. Before release 8 there is no
// separate data object number.
void* convert_row_to_dict_obj(SMALL_LINE_ARRAY f, int count)
{
    if (count < 6 || dict_field_number(f[2]) == 1)
        return nullptr;
    PDICT_OBJ r = new_record<DICT_OBJ>();
    r->object_id = dict_field_number(f[0]);
    r->data_object_id = config_data.compatible < 8 ? r->object_id : dict_field_number(f[1]);
    r->owner = dict_field_number(f[2]);
    copy_name(r->name, f[3]);
    if (config_data.compatible > 7)
        copy_name(r->subname, f[4]);
    r->object_type = dict_field_number(f[5]);
    return r;
}

void* convert_row_to_dict_col(SMALL_LINE_ARRAY f, int count)
{
    bool old = config_data.compatible < 8;
    if (count < (old ? 7 : 11))
        return nullptr;
    PDICT_COL r = new_record<DICT_COL>();
    r->object_id = dict_field_number(f[0]);
    r->col_id = dict_field_number(f[1]);
    r->seg_col_no = dict_field_number(f[2]);
    copy_name(r->name, f[3]);
    r->col_type = dict_field_number(f[4]);
    r->length = dict_field_number(f[5]);
    r->precision = dict_field_number(f[6]);
    r->precision_null = f[6][0] == '\0';
    r->scale_null = 1;
    if (count > 7) {
        r->scale = dict_field_number(f[7]);
        r->scale_null = f[7][0] == '\0';
    }
    if (count > 8)
        r->is_null = dict_field_number(f[8]);
    if (old)
        return r;
    r->internal_col_no = dict_field_number(f[9]);
    r->property = dict_field_number(f[10]);
    if (count > 11)
        r->charset_id = dict_field_number(f[11]);
    if (count >= 13)
        r->charset_form = dict_field_number(f[12]);
    return r;
}

void* convert_row_to_dict_tab(SMALL_LINE_ARRAY f, int count)
{
    if (count < 2)
        return nullptr;
    PDICT_TAB r = new_record<DICT_TAB>();
    r->object_id = dict_field_number(f[0]);
    r->data_object_id = config_data.compatible < 8 ? r->object_id : dict_field_number(f[1]);
    ub4* rest[] = {&r->tablespace_no, &r->file_no, &r->block_no, &r->table_no};
    for (int i = 0; i < 4; i++)
        if (count > 2 + i)
            *rest[i] = dict_field_number(f[2 + i]);
    return r;
}

void* convert_row_to_dict_ind(SMALL_LINE_ARRAY f, int count)
{
    if (count < 2)
        return nullptr;
    PDICT_IND r = new_record<DICT_IND>();
    r->base_object_id = dict_field_number(f[0]);
    r->object_id = dict_field_number(f[1]);
    if (count > 2)
        r->index_type = dict_field_number(f[2]);
    return r;
}

void* convert_row_to_dict_lob(SMALL_LINE_ARRAY f, int count)
{
    if (count < 11)
        return nullptr;
    PDICT_LOB r = new_record<DICT_LOB>();
    ub4* fields[] = {&r->object_id, &r->col_id,      &r->internal_col_id, &r->lob_object_id,
                     &r->partition_id, &r->index_id, &r->tablespace_no,   &r->file_no,
                     &r->block_no,  &r->chunk,       &r->property};
    for (int i = 0; i < 11; i++)
        *fields[i] = dict_field_number(f[i]);
    return r;
}

// FRAGTYPE$ is a one-letter text; read as a number it yields 0.
void* convert_row_to_dict_lobfrag(SMALL_LINE_ARRAY f, int count)
{
    if (count < 10)
        return nullptr;
    PDICT_LOBFRAG r = new_record<DICT_LOBFRAG>();
    ub4* fields[] = {&r->frag_object_id, &r->parent_object_id, &r->tab_frag_object_id, &r->ind_frag_object_id,
                     &r->frag_id,        &r->frag_type,        &r->tablespace_no,      &r->file_no,
                     &r->block_no,       &r->chunk};
    for (int i = 0; i < 10; i++)
        *fields[i] = dict_field_number(f[i]);
    return r;
}
