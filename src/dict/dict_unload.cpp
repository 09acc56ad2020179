#include "dict/dict_unload.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "base/config.h"
#include "base/file_loader.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/run_status.h"
#include "base/str_util.h"
#include "dict/bootstrap.h"
#include "dict/dict_lookup.h"
#include "dict/dict_store.h"
#include "dict/dict_tables.h"
#include "engine/unload_engine.h"
#include "output/text_output.h"
#include "storage/datafile_registry.h"
#include "unload/unload_report.h"

const char dict_user_filename[] = "user.zem";
const char dict_obj_filename[] = "obj.zem";
const char dict_col_filename[] = "col.zem";
const char dict_tab_filename[] = "tab.zem";
const char dict_ind_filename[] = "ind.zem";
const char dict_lob_filename[] = "lob.zem";
const char dict_lobfrag_filename[] = "lobfrag.zem";

namespace {

// The cache files hold live rows only, all of them, without row addresses,
// whatever the settings; they are put back on every way out.
struct SAVED_ROW_SETTINGS {
    int unload_deleted = config_data.unload_deleted;
    ub8 max_rows = config_data.max_rows;
    int record_row_addr = config_data.record_row_addr;
    SAVED_ROW_SETTINGS()
    {
        config_data.unload_deleted = 0;
        config_data.max_rows = 0;
        config_data.record_row_addr = 0;
    }
    ~SAVED_ROW_SETTINGS()
    {
        config_data.unload_deleted = unload_deleted;
        config_data.max_rows = max_rows;
        config_data.record_row_addr = record_row_addr;
    }
};

void init_cache_params(PUNLOAD_PARAMS params, FILE* fp, int unload_mode)
{
    memset(params, 0, sizeof(*params));
    strcpy(params->delimiter, default_col_delimiter);
    params->max_col_cnt = MAX_COL_CNT;
    params->fp = fp;
    params->unload_mode = unload_mode;
}

// A cache file is written under a temporary name and put in place only when
// every write succeeded: a failed write (a full disk) leaves the file of the
// previous run as it was, never a cut one that the next start would load.
struct CACHE_FILE {
    const char* name = nullptr;
    std::string temp;
    FILE* fp = nullptr;
};

bool open_cache_file(CACHE_FILE* file, const char* filename)
{
    file->name = filename;
    file->temp = std::string(filename) + ".tmp";
    // The file it will replace must be replaceable: said now, as for any
    // file that cannot be opened, rather than after the whole pass.
    struct stat st;
    int error = 0;
    if (stat(filename, &st) == 0 && (S_ISDIR(st.st_mode) || access(filename, W_OK) != 0))
        error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    else if ((file->fp = fopen(file->temp.c_str(), "w")) == nullptr)
        error = errno;
    if (error != 0) {
        sp_printf("open file %s for write error! error message:%s.\n", filename, strerror(error));
        note_output_failure();
        return false;
    }
    return true;
}

void fail_cache_file(CACHE_FILE* file, int error)
{
    sp_printf("write file %s error! error message:%s.\n", file->name, strerror(error != 0 ? error : EIO));
    note_output_failure();
    if (file->fp != nullptr)
        fclose(file->fp);
    file->fp = nullptr;
    remove(file->temp.c_str());
}

// Everything written so far reaches the file (to be read back while more is
// appended); false, with the message, when a write failed.
bool flush_cache_file(CACHE_FILE* file)
{
    errno = 0;
    if (fflush(file->fp) != 0 || ferror(file->fp)) {
        fail_cache_file(file, errno);
        return false;
    }
    return true;
}

bool commit_cache_file(CACHE_FILE* file)
{
    if (!flush_cache_file(file))
        return false;
    errno = 0;
    int closed = fclose(file->fp);
    file->fp = nullptr;
    if (closed != 0 || rename(file->temp.c_str(), file->name) != 0) {
        fail_cache_file(file, errno);
        return false;
    }
    return true;
}

void unload_described(const DICT_TABLE_DESC* desc, ub1 table_index, ub4 ts_no, ub4 dataobj_no, ub4 file_no,
                      ub4 block_no, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    TABLE table;
    describe_dict_table(&table, desc, table_index, ts_no, dataobj_no);
    table.file_no = file_no;
    table.block_no = block_no;
    params->table = &table;
    unload_segment(file_block_rdba(file_no, block_no), params, callbacks);
    params->table = nullptr;
    // A dictionary table read only in part leaves objects or columns out.
    show_segment_error(&table);
    show_unload_damage(table.name, nullptr, &table.damage);
    release_table(&table, 0);
}

struct BOOTSTRAP_PASS {
    const char* prefix;
    const char* not_found;
    const char* found;
};

const BOOTSTRAP_PASS C_USER = {"CREATE CLUSTER C_USER#", "can not found CLUSTER C_USER#'s file no AND block no\n",
                               "CLUSTER C_USER# file_no: %d block_no: %d\n"};
const BOOTSTRAP_PASS OBJ_TABLE = {"CREATE TABLE OBJ$", "can not found TABLE OBJ$'s file no AND block no\n",
                                  "TABLE OBJ$ file_no: %d block_no: %d\n"};
const BOOTSTRAP_PASS C_OBJ = {"CREATE CLUSTER C_OBJ#", "can not found CLUSTER C_OBJ#'s file no AND block no\n",
                              "CLUSTER C_OBJ# file_no: %d block_no: %d\n"};

// A table whose segment the bootstrap text names, unloaded into its cache
// file, which is left open (TAB$ appends more).
bool run_bootstrap_pass(const BOOTSTRAP_PASS* pass, const ZEM_LIST* rows, const DICT_TABLE_DESC* desc,
                        ub1 table_index, CACHE_FILE* file, int unload_mode)
{
    ub4 obj_no = 0, file_no = 0, block_no = 0;
    if (!search_bootstrap_obj(pass->prefix, rows, &obj_no, &file_no, &block_no)) {
        sp_printf("%s", pass->not_found);
        return false;
    }
    sp_printf(pass->found, (int)file_no, (int)block_no);
    if (!open_cache_file(file, file->name))
        return false;
    UNLOAD_PARAMS params;
    init_cache_params(&params, file->fp, unload_mode);
    UNLOAD_CALLBACKS callbacks = {unload_data_to_txt, nullptr, nullptr, nullptr};
    unload_described(desc, table_index, system_ts_no, obj_no, file_no, block_no, &params, &callbacks);
    return true;
}

// The pass written whole: its cache file put in place.
bool run_bootstrap_pass_to_file(const BOOTSTRAP_PASS* pass, const ZEM_LIST* rows, const DICT_TABLE_DESC* desc,
                                ub1 table_index, const char* filename, int unload_mode)
{
    CACHE_FILE file;
    file.name = filename;
    return run_bootstrap_pass(pass, rows, desc, table_index, &file, unload_mode) && commit_cache_file(&file);
}

struct TAB_PASS {
    const char* table;
    const char* found_obj;
    const char* found_storage;
    const DICT_TABLE_DESC* desc;
};

// A table found through OBJ$ and TAB$ (both lines printed): its TAB$ entry,
// or null when either lookup fails.
PDICT_TAB find_tab_pass_table(const TAB_PASS* pass)
{
    PDICT_OBJ obj = search_dict_obj(pass->table, 0, OT_TABLE);
    if (obj == nullptr)
        return nullptr;
    sp_printf(pass->found_obj, obj->object_id);
    PDICT_TAB tab = search_dict_tab(obj->object_id);
    if (tab == nullptr)
        return nullptr;
    sp_printf(pass->found_storage, (int)tab->data_object_id, (int)tab->tablespace_no, (int)tab->file_no,
              (int)tab->block_no, (int)tab->table_no);
    return tab;
}

void unload_tab_pass_table(const TAB_PASS* pass, const DICT_TAB* tab, PUNLOAD_PARAMS params,
                           const UNLOAD_CALLBACKS* callbacks)
{
    unload_described(pass->desc, (ub1)tab->table_no, tab->tablespace_no, tab->data_object_id, tab->file_no,
                     tab->block_no, params, callbacks);
}

// A table found through OBJ$ and TAB$, unloaded into an open file.
void run_tab_pass(const TAB_PASS* pass, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    PDICT_TAB tab = find_tab_pass_table(pass);
    if (tab != nullptr)
        unload_tab_pass_table(pass, tab, params, callbacks);
}

// The same with a cache file of its own, opened once the table is found
// and loaded into its table afterwards.
void run_tab_pass_to_file(const TAB_PASS* pass, const char* filename, PZEM_HASH_TABLE table,
                          CONVERT_LINE_FUNC convert)
{
    release_zem_hash_table(table);
    PDICT_TAB tab = find_tab_pass_table(pass);
    if (tab == nullptr)
        return;
    CACHE_FILE file;
    if (!open_cache_file(&file, filename))
        return;
    UNLOAD_PARAMS params;
    init_cache_params(&params, file.fp, UM_NORMAL);
    UNLOAD_CALLBACKS callbacks = {unload_data_to_txt, nullptr, nullptr, nullptr};
    unload_tab_pass_table(pass, tab, &params, &callbacks);
    if (commit_cache_file(&file))
        load_file_to_hash_table(filename, table, convert);
}

const TAB_PASS IND_STORAGE = {"IND$", "found IND$'s obj# %u\n",
                              "found IND$'s dataobj#:%d,ts#:%d,file#:%d,block#:%d,tab#:%d\n", &dict_ind_storage_desc};
const TAB_PASS TABPART = {"TABPART$", "found TABPART$'s obj# %u\n",
                          "found TABPART$'s dataobj#:%d,ts#:%d,file#:%d,block#:%d,tab#:%d\n", &dict_tabpart_desc};
const TAB_PASS INDPART = {"INDPART$", "found INDPART$'s obj# %u\n",
                          "found INDPART$'s dataobj#:%d,ts#:%d,file#:%d,block#:%d,tab#:%d\n", &dict_indpart_desc};
const TAB_PASS TABSUBPART = {"TABSUBPART$", "found TABSUBPART$'s obj# %u\n",
                             "found TABSUBPART$'s dataobj#:%d,ts#:%d,file#:%d,block#:%d,tab#:%d\n",
                             &dict_tabsubpart_desc};
const TAB_PASS INDSUBPART = {"INDSUBPART$", "found INDSUBPART$'s obj# %u\n",
                             "found INDSUBPART$'s dataobj#:%d,ts#:%d,file#:%d,block#:%d,tab#:%d\n",
                             &dict_indsubpart_desc};
const TAB_PASS IND_TYPE = {"IND$", "found IND$'s obj# %u\n",
                           "found IND$'s dataobj#:%d,ts#:%d,file#:%d,block#:%d,tab#:%d\n", &dict_ind_type_desc};
const TAB_PASS LOB = {"LOB$", "found LOB$'s obj# %u\n", "found LOB$'s dataobj#:%d,ts#:%d,file#:%d,block#:%d,tab#:%d\n",
                      &dict_lob_desc};
const TAB_PASS LOBFRAG = {"LOBFRAG$", "found LOBFRAG$'s obj# %u\n",
                          "found LOBFRAG$'s dataobj#:%d,ts#:%d,file#:%d,block#:%d,tab#:%d\n", &dict_lobfrag_desc};

} // namespace

void unload_dict_user(const ZEM_LIST* rows)
{
    release_zem_hash_table(&dict_user_hash_table);
    if (run_bootstrap_pass_to_file(&C_USER, rows, &dict_user_desc, 1, dict_user_filename, 0))
        load_file_to_hash_table(dict_user_filename, &dict_user_hash_table, convert_row_to_dict_user);
}

void unload_dict_obj(const ZEM_LIST* rows)
{
    release_zem_hash_table(&dict_objname_hash_table);
    release_zem_hash_table(&dict_obj_hash_table);
    if (run_bootstrap_pass_to_file(&OBJ_TABLE, rows, &dict_obj_desc, 0, dict_obj_filename, UM_NORMAL))
        load_dict_obj_file(dict_obj_filename);
}

void unload_dict_col(const ZEM_LIST* rows)
{
    release_zem_hash_table(&dict_col_hash_table);
    const DICT_TABLE_DESC* desc = config_data.compatible < 8 ? &dict_col7_desc : &dict_col_desc;
    if (run_bootstrap_pass_to_file(&C_OBJ, rows, desc, 5, dict_col_filename, UM_NORMAL))
        load_file_to_hash_table(dict_col_filename, &dict_col_hash_table, convert_row_to_dict_col);
}

void unload_dict_ind(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    run_tab_pass(&IND_STORAGE, params, callbacks);
}

void unload_dict_tabpart(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    run_tab_pass(&TABPART, params, callbacks);
}

void unload_dict_indpart(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    run_tab_pass(&INDPART, params, callbacks);
}

void unload_dict_tabsubpart(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    run_tab_pass(&TABSUBPART, params, callbacks);
}

void unload_dict_indsubpart(PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    run_tab_pass(&INDSUBPART, params, callbacks);
}

// TAB$ first, then the storage of indexes, partitions and subpartitions is
// appended, so that tab.zem maps every segment-owning object to its header.
void unload_dict_tab(const ZEM_LIST* rows)
{
    release_zem_hash_table(&dict_tab_hash_table);
    CACHE_FILE file;
    file.name = dict_tab_filename;
    if (!run_bootstrap_pass(&C_OBJ, rows, &dict_tab_desc, 1, &file, UM_NORMAL))
        return;
    // The storage passes find their tables through TAB$: loaded from what is
    // written so far, before they append to it.
    if (!flush_cache_file(&file))
        return;
    load_file_to_hash_table(file.temp.c_str(), &dict_tab_hash_table, convert_row_to_dict_tab);
    UNLOAD_PARAMS params;
    init_cache_params(&params, file.fp, UM_NORMAL);
    UNLOAD_CALLBACKS callbacks = {unload_data_to_txt, nullptr, nullptr, nullptr};
    unload_dict_ind(&params, &callbacks);
    unload_dict_tabpart(&params, &callbacks);
    unload_dict_indpart(&params, &callbacks);
    unload_dict_tabsubpart(&params, &callbacks);
    unload_dict_indsubpart(&params, &callbacks);
    release_zem_hash_table(&dict_tab_hash_table);
    if (commit_cache_file(&file))
        load_file_to_hash_table(dict_tab_filename, &dict_tab_hash_table, convert_row_to_dict_tab);
}

void unload_dict_ind_type(const ZEM_LIST*)
{
    run_tab_pass_to_file(&IND_TYPE, dict_ind_filename, &dict_ind_hash_table, convert_row_to_dict_ind);
}

void unload_dict_lob(const ZEM_LIST*)
{
    run_tab_pass_to_file(&LOB, dict_lob_filename, &dict_lob_hash_table, convert_row_to_dict_lob);
}

void unload_dict_lobfrag(const ZEM_LIST*)
{
    run_tab_pass_to_file(&LOBFRAG, dict_lobfrag_filename, &dict_lobfrag_hash_table, convert_row_to_dict_lobfrag);
}

int do_unload_dict(LINE_ARRAY tokens, int count)
{
    long block = 0;
    if (count == 4 && str_case_equal(tokens[2], "block"))
        block = atol(tokens[3]);
    else if (count != 2)
        return 0;
    if (datafile_list == nullptr) {
        sp_printf("please run open command before unloading dict\n");
        return 1;
    }
    SAVED_ROW_SETTINGS saved;
    release_dict_list();
    init_dict_list();
    ub4 rdba = block != 0 ? file_block_rdba(1, (ub4)block) : get_bootstrap_rdba();
    if (rdba == 0) {
        sp_printf("can not get bootstrap$ address from SYSTEM tablespace\n");
        return 1;
    }
    ZEM_LIST rows;
    init_zem_list(&rows, release_row_data);
    unload_bootstrap(rdba, &rows);
    if (config_data.trace_level > 2) {
        sp_printf("bootstrap data list:\n");
        show_row_data_list(&rows, ",", MAX_COL_CNT);
    }
    unload_dict_user(&rows);
    unload_dict_obj(&rows);
    unload_dict_col(&rows);
    unload_dict_tab(&rows);
    unload_dict_ind_type(&rows);
    unload_dict_lob(&rows);
    unload_dict_lobfrag(&rows);
    release_zem_list(&rows);
    return 1;
}
