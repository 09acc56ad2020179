#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/run_status.h"
#include "base/str_util.h"
#include "base/time_text.h"
#include "dict/dict_columns.h"
#include "dict/dict_lob_info.h"
#include "dict/dict_lookup.h"
#include "dict/iot_overflow.h"
#include "engine/lob_unload.h"
#include "engine/unload_model.h"
#include "output/table_output.h"
#include "output/text_output.h"
#include "scan/scanned_extent.h"
#include "unload/parallel_table.h"
#include "unload/unload_cmd.h"
#include "unload/unload_report.h"

namespace {

// The text writer's side of a table split over worker processes.
const SPLIT_WRITER TEXT_SPLIT_WRITER = {sync_unload_table_txt, get_unload_table_txt_file};

struct TABLE_REQUEST {
    ub4 user_id = 0;
    ub4 object_id = 0;
    char owner[DICTNAME_LEN + 1] = {};
    char table[DICTNAME_LEN + 1] = {};
    int mode = UM_NORMAL;
    ub4 spec_rfile = 0;
    ub4 spec_block = 0;
    ub4 spec_blocks = 1;
    const char* partition = nullptr; // as typed
    int degree = 1;                  // worker processes a segment may be split over
};

void prepare_params(PUNLOAD_PARAMS params, PTABLE table, int mode)
{
    memset(params, 0, sizeof(*params));
    copy_str(params->delimiter, sizeof(params->delimiter), config_data.delimiter);
    params->max_col_cnt = MAX_COL_CNT;
    params->unload_mode = mode;
    params->lob_output_format = get_lob_output_format();
    params->strict_dataobj = mode == UM_SPEC_BLOCK ? 0 : 1;
    params->table = table;
}

void copy_storage(PTABLE table, const STORAGE_INFO* storage)
{
    table->ts_no = storage->ts_no;
    table->dataobj_no = storage->dataobj_no;
    table->file_no = storage->file_no;
    table->block_no = storage->block_no;
    table->table_index = (ub1)storage->cluster;
}

void print_segment(const STORAGE_INFO* s)
{
    sp_printf("Unloading segment,storage(Obj#=%u DataObj#=%u TS#=%u File#=%u Block#=%u Cluster=%u)\n", s->obj_no,
              s->dataobj_no, s->ts_no, s->file_no, s->block_no, s->cluster);
}

// The truncated and scanned modes read the extents a scan found; without
// any there is nothing to read, and the user is told what to do.
void check_scanned_extents(const TABLE* table, const UNLOAD_PARAMS* params)
{
    if (is_unload_mode(params->unload_mode, UM_TRUNCATE | UM_SCANNED_EXTENT) &&
        count_scanned_data_extents(table->dataobj_no, table->ts_no) == 0)
        sp_printf("no scanned extent of data object %u, run scan extent first.\n", table->dataobj_no);
}

void unload_one_segment(PTABLE table, PUNLOAD_PARAMS params, ub4 object_id, bool truncated)
{
    STORAGE_INFO storage;
    get_storage_info(&storage, object_id);
    if (truncated)
        storage.dataobj_no = get_trunc_dataobj_id(&storage);
    print_segment(&storage);
    // A table whose output failed reads no further segment.
    if ((truncated && storage.dataobj_no == 0) || params->stop_unload)
        return;
    copy_storage(table, &storage);
    check_scanned_extents(table, params);
    get_columns_ind_buffer(table);
    table->damage.segment_error = 0;
    do_unload_table_output(table, params);
    show_segment_error(table);
}

// Block-range form: datafile <rfile#> block <block#> [blocks n] [partition p].
// -1 when the form is invalid, 0 when refused with a message, 1 when accepted.
int parse_block_range(LINE_ARRAY tokens, int count, TABLE_REQUEST* request)
{
    ub4 rfile = 0;
    if (!parse_decimal_ub4(tokens[4], &rfile) || rfile < 1 || rfile > 1024) {
        sp_printf("invalid datafile#\n\n");
        return 0;
    }
    if (!str_case_equal(tokens[5], "block"))
        return -1;
    ub4 block = 0;
    if (!parse_decimal_ub4(tokens[6], &block) || block == 0) {
        sp_printf("invalid block#\n\n");
        return 0;
    }
    bool blocks_seen = false;
    for (int i = 7; i < count; i += 2) {
        if (i + 1 >= count)
            return -1;
        if (str_case_equal(tokens[i], "blocks") && !blocks_seen) {
            blocks_seen = true;
            ub4 n = 0;
            if (!parse_decimal_ub4(tokens[i + 1], &n) || n == 0) {
                sp_printf("invalid blocks.\n\n");
                return 0;
            }
            request->spec_blocks = n;
        } else if (str_case_equal(tokens[i], "partition") && request->partition == nullptr)
            request->partition = tokens[i + 1];
        else
            return -1;
    }
    request->spec_rfile = rfile;
    request->spec_block = block;
    sp_printf("unload specific block mode.\n");
    return 1;
}

// Everything after the table is resolved: partitions, output files, segments.
int unload_resolved_table(TABLE_REQUEST* request)
{
    bool truncated = request->mode == UM_TRUNCATE;
    ub4 iot_id = 0;
    char iot_name[DICTNAME_LEN + 1] = {};
    bool iot = get_iot_info(request->object_id, &iot_id, iot_name) == 1;
    const char* lookup_name = iot ? iot_name : request->table;

    ZEM_LIST parts;
    init_zem_list(&parts, nullptr);
    bool subpartitions = get_partition_list(&parts, request->user_id, lookup_name, 1) != 0;
    if (!subpartitions)
        get_partition_list(&parts, request->user_id, lookup_name, 0);
    bool partitioned = parts.header != nullptr;

    char part_name[LINE_MAX_SIZE] = {};
    ub4 part_id = 0;
    if (request->partition != nullptr) {
        copy_str(part_name, sizeof(part_name), request->partition);
        transform_schema_name(part_name);
        part_id = get_partition_id(request->user_id, lookup_name, part_name);
        if (!partitioned || part_id == 0) {
            sp_printf("partition '%s' does not exist.\n", request->partition);
            release_zem_list(&parts);
            return 1;
        }
    } else if (request->mode == UM_SPEC_BLOCK && partitioned) {
        sp_printf("Must specifying partition name for partition table.\n");
        release_zem_list(&parts);
        return 1;
    }
    const char* partition = request->partition != nullptr ? part_name : nullptr;

    char now[TIME_STR_LEN];
    current_time_str(now);
    if (partition != nullptr)
        sp_printf("\nUnloading table: %s,partition: %s object ID: %u at %s\n", request->table, partition,
                  request->object_id, now);
    else
        sp_printf("\nUnloading table: %s,object ID: %u at %s\n", request->table, request->object_id, now);

    ZEM_LIST columns;
    init_zem_list(&columns, nullptr);
    get_column_info(&columns, request->object_id);
    TABLE table;
    init_table(&table, request->table, 0, 0, 0);
    table.obj_no = request->object_id;
    table.is_iot_table = iot;
    UNLOAD_PARAMS params;
    prepare_params(&params, &table, request->mode);
    if (request->mode == UM_SPEC_BLOCK) {
        params.spec_rdba = file_block_rdba(request->spec_rfile, request->spec_block);
        params.spec_blocks = request->spec_blocks;
    }
    if (iot && !partitioned)
        get_iot_overflow_storage(request->user_id, request->object_id, nullptr, &table);
    if (begin_unload_table_output(request->owner, request->table, partition, &table, &columns, &params)) {
        get_table_lobs_info(&table);
        TABLE_SPLIT split;
        init_table_split(&split, get_table_parallel_degree(&table, &params, request->table, request->degree),
                         &TEXT_SPLIT_WRITER, &params);
        PROGRESS_LINE line;
        begin_progress_line(&line, request->table, "rows");
        UNLOAD_PROGRESS progress;
        init_table_progress(&progress, &line);
        params.progress = &progress;
        if (partitioned) {
            for (PZEM_LIST_ITEM item = parts.header; item != nullptr; item = item->next) {
                const PARTITION_INFO* p = (const PARTITION_INFO*)item->data;
                if (part_id != 0 && p->part_obj_id != part_id)
                    continue;
                // Each partition of an index-organized table has its own
                // overflow partition.
                if (iot)
                    get_iot_overflow_storage(request->user_id, request->object_id, p->part_name, &table);
                get_table_lobpart_storage(&table, p->part_obj_id, subpartitions, iot, request->user_id,
                                          request->table, p->part_name);
                unload_one_segment(&table, &params, p->part_obj_id, truncated);
            }
        } else
            unload_one_segment(&table, &params, iot ? iot_id : request->object_id, truncated);
        end_progress_line(&line);
        bool complete = end_unload_table_output(&params);
        show_table_result(&table, request->table, partition, &params, complete);
    } else if (params.output_error != 0) {
        note_output_failure(); // its data file could not be opened (said by the writer)
    }
    release_table(&table, 0);
    release_zem_list(&columns);
    release_zem_list(&parts);
    return 1;
}

} // namespace

int do_unload_table(LINE_ARRAY tokens, int count, const char* partition_name, int degree)
{
    TABLE_REQUEST request;
    request.partition = partition_name;
    request.degree = degree;
    if (parse_user_table(tokens[2], &request.user_id, &request.object_id, request.owner, request.table, 0) != 0) {
        sp_printf("table '%s' does not exist.\n", tokens[2]);
        return 1;
    }
    bool object_form = count > 4 && str_case_equal(tokens[3], "object");
    bool truncated = object_form && str_case_equal(tokens[4], "truncate");
    bool scanned = object_form && str_case_equal(tokens[4], "scanned");
    if (truncated)
        sp_printf("Auto mode truncated table.\n");
    if (scanned)
        sp_printf("Using scanned extent.\n");
    bool block_range = count >= 7 && str_case_equal(tokens[3], "datafile");
    if (!block_range && !scanned && config_data.use_scanned_extent)
        scanned = true;
    if (block_range) {
        int r = parse_block_range(tokens, count, &request);
        if (r < 0)
            return 0;
        if (r == 0)
            return 1;
    }
    request.mode = truncated ? UM_TRUNCATE : block_range ? UM_SPEC_BLOCK : scanned ? UM_NORMAL | UM_SCANNED_EXTENT
                                                                                   : UM_NORMAL;
    return unload_resolved_table(&request);
}

// The user unloads take names from the dictionary: they are looked up exactly
// as stored, user and table alike, so mixed-case names resolve too.
void unload_user_table(const char* user_name, const char* table_name, int degree)
{
    TABLE_REQUEST request;
    PDICT_USER user = search_dict_user(user_name);
    PDICT_OBJ obj = user ? search_dict_obj(table_name, user->user_id, OT_TABLE) : nullptr;
    if (obj == nullptr) {
        sp_printf("table '%s.%s' does not exist.\n", user_name, table_name);
        return;
    }
    request.user_id = user->user_id;
    request.object_id = obj->object_id;
    copy_str(request.owner, sizeof(request.owner), user->username);
    copy_str(request.table, sizeof(request.table), obj->name);
    request.mode = config_data.use_scanned_extent ? UM_NORMAL | UM_SCANNED_EXTENT : UM_NORMAL;
    request.degree = degree;
    unload_resolved_table(&request);
}

void do_unload_truncated_table(LINE_ARRAY tokens, int, ub4 data_object_id, ub4 ts_no, int degree)
{
    ub4 user_id = 0, object_id = 0;
    char table_name[DICTNAME_LEN + 1];
    if (parse_user_table(tokens[2], &user_id, &object_id, nullptr, table_name, 0) != 0) {
        sp_printf("table '%s' does not exist.\n", tokens[2]);
        return;
    }
    ub4 iot_id = 0;
    TABLE table;
    init_table(&table, table_name, 0, 0, 0);
    table.obj_no = object_id;
    table.is_iot_table = get_iot_info(object_id, &iot_id, nullptr) == 1;
    sp_printf("\nUnloading table: %s,object ID: %u\n", table_name, object_id);

    ZEM_LIST columns;
    init_zem_list(&columns, nullptr);
    get_column_info(&columns, object_id);
    UNLOAD_PARAMS params;
    prepare_params(&params, &table, UM_TRUNCATE);
    params.strict_dataobj = 0;
    // The files are named after the object, without an owner prefix.
    char file_table[DICTNAME_LEN + 1];
    snprintf(file_table, sizeof(file_table), "ZEM_%010u", object_id);
    if (begin_unload_table_output("", file_table, nullptr, &table, &columns, &params)) {
        get_table_lobs_info(&table);
        STORAGE_INFO storage;
        bool found = get_storage_info(&storage, object_id) == 1;
        storage.dataobj_no = data_object_id;
        if (ts_no != 0xFFFFFFFFu)
            storage.ts_no = ts_no;
        char now[TIME_STR_LEN];
        sp_printf("Unloading segment,storage(Obj#=%u DataObj#=%u TS#=%u File#=%u Block#=%u Cluster=%u) at %s\n",
                  storage.obj_no, storage.dataobj_no, storage.ts_no, storage.file_no, storage.block_no,
                  storage.cluster, current_time_str(now));
        TABLE_SPLIT split;
        init_table_split(&split, get_table_parallel_degree(&table, &params, table_name, degree),
                         &TEXT_SPLIT_WRITER, &params);
        PROGRESS_LINE line;
        begin_progress_line(&line, table_name, "rows");
        UNLOAD_PROGRESS progress;
        init_table_progress(&progress, &line);
        params.progress = &progress;
        if (found)
            copy_storage(&table, &storage);
        else {
            table.ts_no = ts_no;
            table.dataobj_no = data_object_id;
            table.file_no = table.block_no = 0;
            table.table_index = 0;
        }
        check_scanned_extents(&table, &params);
        do_unload_table_output(&table, &params);
        end_progress_line(&line);
        bool complete = end_unload_table_output(&params);
        show_table_result(&table, table_name, nullptr, &params, complete);
    } else if (params.output_error != 0) {
        note_output_failure();
    }
    release_table(&table, 0);
    release_zem_list(&columns);
}
