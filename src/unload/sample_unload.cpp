// unload object <id> ... sample and unload object all ... sample: up to
// SAMPLE_MAX_BLOCKS blocks of a data object taken from the extents a scan
// found, every column kept as its stored bytes (1024 columns of type
// ORA_GUESS), each column's type guessed from its values, the rows written
// with the guessed types, and the report "sample.txt" with the first rows
// and the command that unloads the whole object with those types.

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "blocks/block_types.h"
#include "convert/column_convert.h"
#include "dict/dict_columns.h"
#include "engine/extent_list.h"
#include "engine/unload_engine.h"
#include "output/file_names.h"
#include "output/table_ddl.h"
#include "output/text_output.h"
#include "scan/scanned_extent.h"
#include "unload/object_unload.h"
#include "unload/sample_guess.h"

const char sample_info_filename[] = "sample.txt";

namespace {

constexpr size_t SAMPLE_PATH_LEN = 2 * FILENAME_MAXLEN + 64;

// Why a sample found no rows: no extents at all, or only blocks that could
// not be read.
void explain_no_data(FILE* info, const TABLE* table, ub4 extents)
{
    if (extents == 0) {
        fsp_printf2(info, "  no scanned extent of data object %u, run scan extent first.\n\n", table->dataobj_no);
        return;
    }
    const UNLOAD_DAMAGE* damage = &table->damage;
    ub8 damaged = get_damaged_block_count(damage);
    if (damaged == 0 || damage->address_cnt == 0) {
        // Readable blocks, but no row begins in them: empty blocks, or only
        // the later pieces of rows whose head lies elsewhere.
        fsp_printf2(info, "  %u scanned extent(s) read, no row begins in them.\n\n", extents);
        return;
    }
    const DAMAGE_ADDRESS* first = &damage->addresses[0];
    fsp_printf2(info, "  %llu sampled block(s) could not be read, the first at file %u block %u (%s).\n\n",
                (unsigned long long)damaged, first->file_no, first->block_no, get_damage_reason_text(first->reason));
}

// The grid of sampled values: row r, column j, null when the row holds no
// value there.
struct SampleGrid {
    std::vector<std::vector<PCOL_DATA>> cells;
    ub4 columns = 0;
};

SampleGrid make_grid(const ZEM_LIST* rows)
{
    SampleGrid grid;
    for (PZEM_LIST_ITEM item = rows->header; item != nullptr; item = item->next) {
        const ROW_DATA* row = (const ROW_DATA*)item->data;
        std::vector<PCOL_DATA> values;
        for (PZEM_LIST_ITEM c = row->col_data.header; c != nullptr && values.size() < MAX_COL_CNT; c = c->next)
            values.push_back((PCOL_DATA)c->data);
        if (values.size() > grid.columns)
            grid.columns = (ub4)values.size();
        grid.cells.push_back(std::move(values));
    }
    return grid;
}

// Converts every present value of column j from its stored bytes with the
// guessed type.
void convert_column(SampleGrid& grid, ub4 j, const SAMPLE_COLUMN* guess)
{
    std::vector<ub1> bytes;
    for (std::vector<PCOL_DATA>& row : grid.cells) {
        if (j >= row.size() || row[j] == nullptr || row[j]->is_null)
            continue;
        PCOL_DATA value = row[j];
        bytes.assign(value->common_data.data, value->common_data.data + value->data_len);
        clear_col_value(value);
        value->ora_type = guess->col_type;
        raw_to_data(bytes.data(), (ub4)bytes.size(), value, 0, guess->scale, guess->charset_form);
    }
}

bool close_checked(FILE** fp)
{
    if (*fp == nullptr)
        return true;
    bool ok = fflush(*fp) == 0 && !ferror(*fp);
    ok = fclose(*fp) == 0 && ok;
    *fp = nullptr;
    return ok;
}

} // namespace

void generate_sample_column_list(PZEM_LIST list)
{
    for (ub4 k = 1; k <= MAX_COL_CNT; k++) {
        PCOLUMN column = (PCOLUMN)calloc(1, sizeof(COLUMN));
        if (column == nullptr)
            return;
        char name[COLNAME_LEN + 1];
        snprintf(name, sizeof(name), "C%04u", k);
        init_column(column, name, ORA_GUESS, 1);
        column->col_no = column->segcol_no = column->intcol_no = (ub2)k;
        column->length = 4000;
        column->nullable = 1;
        column->charset_form = 1;
        add_zem_list_item(list, column);
    }
}

int begin_unload_table_sample(const char* schema, const char* table_name, PTABLE table, PZEM_LIST columns,
                              PUNLOAD_PARAMS params, int append)
{
    char name[SAMPLE_PATH_LEN];
    char path[2 * SAMPLE_PATH_LEN];
    get_table_file_name(name, sizeof(name), schema, table_name, nullptr, "txt");
    snprintf(path, sizeof(path), "%s%s", config_data.data_path, name);
    params->fp = fopen(path, "w");
    if (params->fp == nullptr) {
        sp_printf("open file %s for writing data error! error message:%s.\n", path, strerror(errno));
        return 0;
    }
    char info[2 * SAMPLE_PATH_LEN];
    snprintf(info, sizeof(info), "%s%s", config_data.data_path, sample_info_filename);
    params->info_fp = fopen(info, append ? "a" : "w");
    if (params->info_fp == nullptr) {
        sp_printf("open file %s for writing sample output error! error message:%s.\n", info, strerror(errno));
        fclose(params->fp);
        params->fp = nullptr;
        return 0;
    }
    sp_printf("output data is in file :  '%s' \n", path);
    sort_zem_list(columns, comp_column_info_segcol);
    column_list_to_table(table, columns);
    table->skip_cnt = 0;
    return 1;
}

void unload_block_to_sample(PZEM_LIST rows, PUNLOAD_PARAMS params)
{
    if (params != nullptr && params->sample_data != nullptr)
        combine_zem_list(&params->sample_data->row_data_list, rows);
}

void do_unload_table_sample(PTABLE /*table*/, PUNLOAD_PARAMS params)
{
    UNLOAD_CALLBACKS callbacks = {unload_block_to_sample, nullptr, nullptr, nullptr};
    unload_segment(0, params, &callbacks);
}

int end_unload_table_sample(PUNLOAD_PARAMS params)
{
    bool data_ok = close_checked(&params->fp);
    bool info_ok = close_checked(&params->info_fp);
    return data_ok && info_ok;
}

void do_sample_data(PUNLOAD_PARAMS params)
{
    FILE* info = params->info_fp;
    const TABLE* table = params->table;
    fsp_printf2(info, "Sample result:\n");
    fsp_printf2(info, "  object id: %u\n", table->dataobj_no);
    if (table->ts_no != INVALID_TS_NO)
        fsp_printf2(info, "  tablespace no: %u\n", table->ts_no);
    PZEM_LIST rows = &params->sample_data->row_data_list;
    if (rows->header == nullptr) {
        fsp_printf2(info, "  no data.\n\n");
        return;
    }
    SampleGrid grid = make_grid(rows);
    params->sample_data->max_col_cnt = (int)grid.columns;
    fsp_printf2(info, "  sampled %u rows\n", (ub4)grid.cells.size());
    fsp_printf2(info, "  column count: %u\n", grid.columns);
    SAMPLE_CONTEXT context = get_sample_context();
    std::vector<SAMPLE_COLUMN> guesses(grid.columns);
    std::vector<SAMPLE_VALUE> values(grid.cells.size());
    char word[32];
    for (ub4 j = 0; j < grid.columns; j++) {
        for (size_t r = 0; r < grid.cells.size(); r++) {
            const std::vector<PCOL_DATA>& row = grid.cells[r];
            PCOL_DATA v = j < row.size() ? row[j] : nullptr;
            values[r] = v == nullptr || v->is_null ? SAMPLE_VALUE{nullptr, 0, 1}
                                                    : SAMPLE_VALUE{v->common_data.data, v->data_len, 0};
        }
        do_sample_column(&guesses[j], values.data(), values.size(), &context);
        fsp_printf2(info, "  column %4u  type: %s\n", j + 1,
                    get_col_sample_fullname(guesses[j].col_type, word, guesses[j].charset_form));
        convert_column(grid, j, &guesses[j]);
    }
    output_row_data_list(rows, params->delimiter, (int)grid.columns, 0, params->fp);
    fsp_printf(info, "\nFirst %u rows: \n\n", SAMPLE_OUTPUT_ROWS);
    output_row_data_list(rows, params->delimiter, (int)grid.columns, SAMPLE_OUTPUT_ROWS, info);
    fsp_printf2(info, "\nCOMMAND: \n");
    fsp_printf2(info, "unload object %u ", table->dataobj_no);
    if (table->ts_no != INVALID_TS_NO)
        fsp_printf2(info, "tablespace %u ", table->ts_no);
    if (table->table_index != 0)
        fsp_printf2(info, "cluster %u ", table->table_index);
    fsp_printf2(info, "column ");
    for (ub4 j = 0; j < grid.columns; j++)
        fsp_printf2(info, "%s ", get_col_sample_fullname(guesses[j].col_type, word, guesses[j].charset_form));
    fsp_printf2(info, "\n");
    fsp_printf2(info, "\n");
}

int do_unload_object_sample(ub4 data_object_id, ub4 ts_no, ub4 cluster, int append)
{
    ZEM_LIST columns;
    init_zem_list(&columns, nullptr);
    generate_sample_column_list(&columns);
    int format = config_data.output_format;
    config_data.output_format = OUTPUT_TEXT;
    sp_printf("\nUnloading Object,object ID: %u,  Cluster: %u\n", data_object_id, cluster);

    TABLE table;
    init_table(&table, "", 0, 0, 0);
    table.obj_no = data_object_id;
    SAMPLE_DATA sample;
    init_sample_data(&sample);
    UNLOAD_PARAMS params;
    memset(&params, 0, sizeof(params));
    copy_str(params.delimiter, sizeof(params.delimiter), config_data.delimiter);
    params.max_col_cnt = MAX_COL_CNT;
    params.unload_mode = UM_NO_SYSTEM;
    params.is_sample = 1;
    params.lob_output_format = LOF_NONE;
    params.sample_data = &sample;
    params.table = &table;
    char table_name[TABNAME_LEN + 1];
    snprintf(table_name, sizeof(table_name), "ZEM_%010u", data_object_id);
    if (begin_unload_table_sample("", table_name, &table, &columns, &params, append)) {
        table.ts_no = ts_no;
        table.dataobj_no = data_object_id;
        table.table_index = (ub1)cluster;
        ub4 extents = count_scanned_data_extents(data_object_id, ts_no);
        do_unload_table_sample(&table, &params);
        sp_printf("\n");
        FILE* info = params.info_fp;
        do_sample_data(&params);
        if (sample.row_data_list.header == nullptr)
            explain_no_data(info, &table, extents);
        if (!end_unload_table_sample(&params))
            sp_printf("writing the sample of data object %u failed: %s.\n", data_object_id, strerror(errno));
    }
    release_sample_data(&sample);
    release_table(&table, 0);
    release_zem_list(&columns);
    config_data.output_format = format;
    return 1;
}

int do_unload_allobject_sample(ub4 ts_no)
{
    // Objects are taken from a copy of their numbers first: sampling reads
    // the same table it walks.
    std::vector<std::pair<ub4, ub4>> objects;
    const ZEM_HASH_TABLE* table = &dict_ext_hash_table;
    for (ub4 b = 0; table->bucket_list != nullptr && b < table->bucket_cnt; b++) {
        PZEM_HASH_ITEM bucket = table->bucket_list[b];
        if (bucket == nullptr)
            continue;
        for (PZEM_LIST_ITEM item = bucket->data_list.header; item != nullptr; item = item->next) {
            const DICT_EXTENT* e = (const DICT_EXTENT*)item->data;
            bool header = e->block_type == BT_UDATA_HEADER || e->block_type == BT_UDATA_HEADER_FLG ||
                          e->block_type == BT_ASSM_HEADER;
            if (header && e->data_object_id != 0 && (ts_no == INVALID_TS_NO || e->tablespace_no == ts_no))
                objects.push_back({e->data_object_id, e->tablespace_no});
        }
    }
    if (objects.empty())
        sp_printf("no segment header in the scanned extents%s, run scan extent first.\n",
                  ts_no == INVALID_TS_NO ? "" : " of that tablespace");
    for (size_t i = 0; i < objects.size(); i++)
        do_unload_object_sample(objects[i].first, objects[i].second, 0, i > 0);
    return 1;
}
