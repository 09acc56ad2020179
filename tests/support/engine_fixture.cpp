#include "support/engine_fixture.h"

#include <cstring>

#include "storage/block_reader.h"

namespace {

Recorder* active_recorder = nullptr;

void record_col(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params, ub1 flags)
{
    ColumnCall call;
    call.column = (int)(column - params->table->cols);
    call.flags = flags;
    call.length = length;
    call.has_col_data = col_data != nullptr;
    call.is_null = col_data == nullptr || col_data->is_null;
    if (col_data != nullptr && !col_data->is_null && (flags & IS_LAST_PIECE) && col_data->common_data.data != nullptr)
        call.value.assign(col_data->common_data.str_data, col_data->data_len);
    if (data != nullptr)
        call.bytes.assign((const char*)data, length);
    if (col_data != nullptr)
        call.raw_data_len = col_data->raw_data_len;
    active_recorder->pending.push_back(call);
}

void record_row(ub2, PUNLOAD_PARAMS, PROW_DATA row)
{
    RowRecord record;
    record.rdba = row->rdba;
    record.row_no = row->row_no;
    record.col_cnt = row->col_cnt;
    record.col_fact_cnt = row->col_fact_cnt;
    record.corrupted = row->corrupted;
    record.col_data_cnt = zem_list_item_cnt(&row->col_data);
    record.calls.swap(active_recorder->pending);
    active_recorder->rows.push_back(record);
}

void record_block(PZEM_LIST rows, PUNLOAD_PARAMS)
{
    active_recorder->batches.push_back(zem_list_item_cnt(rows));
    if (active_recorder->move_rows_out)
        combine_zem_list(&active_recorder->kept, rows);
}

std::string value_of(const ColumnCall& call)
{
    return call.is_null ? std::string() : call.value;
}

} // namespace

Recorder::Recorder()
{
    init_row_batch(&kept);
    active_recorder = this;
}

Recorder::~Recorder()
{
    release_zem_list(&kept);
    if (active_recorder == this)
        active_recorder = nullptr;
}

UNLOAD_CALLBACKS Recorder::callbacks(bool with_block_callback) const
{
    UNLOAD_CALLBACKS callbacks = {};
    callbacks.unload_block_callback = with_block_callback ? record_block : nullptr;
    callbacks.unload_row_callback = record_row;
    callbacks.unload_col_callback = record_col;
    return callbacks;
}

std::string row_text(const RowRecord& row)
{
    std::string text;
    bool first = true;
    for (const ColumnCall& call : row.calls) {
        if ((call.flags & IS_LAST_NULL) || !(call.flags & IS_LAST_PIECE))
            continue;
        if (!first)
            text += "|";
        first = false;
        text += value_of(call);
    }
    return text;
}

std::string kept_row_text(const ROW_DATA* row)
{
    std::string text;
    for (PZEM_LIST_ITEM item = row->col_data.header; item != nullptr; item = item->next) {
        const COL_DATA* value = (const COL_DATA*)item->data;
        if (item != row->col_data.header)
            text += "|";
        if (!value->is_null && value->common_data.data != nullptr)
            text.append(value->common_data.str_data, value->data_len);
    }
    return text;
}

std::vector<std::string> Recorder::texts() const
{
    std::vector<std::string> out;
    for (const RowRecord& row : rows)
        out.push_back(row_text(row));
    return out;
}

std::string Recorder::joined() const
{
    std::string out;
    for (const RowRecord& row : rows)
        out += row_text(row) + "\n";
    return out;
}

TableDesc::TableDesc(const std::vector<ColumnDesc>& columns, ub4 dataobj_no, ub4 ts_no, ub1 table_index)
{
    ub2 skip = 0;
    for (const ColumnDesc& c : columns)
        skip = (ub2)(skip + (c.can_unload ? 0 : 1));
    init_table(&table_, "T", (ub2)columns.size(), skip, table_index);
    table_.dataobj_no = dataobj_no;
    table_.ts_no = ts_no;
    for (size_t i = 0; i < columns.size(); i++) {
        const ColumnDesc& c = columns[i];
        init_column(&table_.cols[i], c.name.c_str(), c.ora_type, c.can_unload);
        table_.cols[i].is_placeholder = c.is_placeholder;
        table_.cols[i].length = c.length;
        table_.cols[i].scale = c.scale;
        table_.cols[i].segcol_no = (ub2)(i + 1);
    }
}

TableDesc::~TableDesc()
{
    release_table(&table_, 0);
}

EngineEnv::EngineEnv(const char* tag) : dir_(tag)
{
    init_config_data();
    init_datafile_list();
    free(bigfile_ts_array);
    bigfile_ts_array = (ub1*)calloc(MAX_TS_COUNT, 1);
}

EngineEnv::~EngineEnv()
{
    release_datafile_list();
    release_block_buffer_cache(&block_buffer_cache);
    free(bigfile_ts_array);
    bigfile_ts_array = nullptr;
    init_config_data();
}

std::string EngineEnv::load(const zb::DatabaseImage& db, int order)
{
    db.write(dir_.path());
    config_data.byte_order = order;
    release_block_buffer_cache(&block_buffer_cache);
    init_block_buffer_cache(&block_buffer_cache, (ub4)config_data.block_size, 64);
    return capture_stdout([] { load_control_file("control.txt"); });
}

UnloadResult EngineEnv::unload(TableDesc& table, ub4 segment_rdba, Recorder& recorder, int mode,
                               bool with_block_callback)
{
    UNLOAD_PARAMS params;
    init_unload_params(&params, table.get());
    params.unload_mode = mode;
    return unload_params(&params, segment_rdba, recorder, with_block_callback);
}

UnloadResult EngineEnv::unload_params(PUNLOAD_PARAMS params, ub4 segment_rdba, Recorder& recorder,
                                      bool with_block_callback)
{
    UnloadResult result;
    UNLOAD_CALLBACKS callbacks = recorder.callbacks(with_block_callback);
    result.out = capture_stdout([&] { result.found = unload_segment(segment_rdba, params, &callbacks); });
    return result;
}

zb::DatafileDef datafile_layout(int order, ub4 block_size, ub4 blocks)
{
    zb::DatafileDef shape;
    shape.order = order;
    shape.block_size = block_size;
    shape.blocks = blocks;
    shape.ts_no = 4;
    shape.file_no = 5;
    shape.rfile_no = 5;
    return shape;
}

std::vector<zb::Cell> simple_cells(int n)
{
    return {zb::bytes_cell(zb::number_bytes((int64_t)n)), zb::text_cell("row" + std::to_string(n)),
            zb::bytes_cell(zb::date_bytes(2000 + n % 20, 1 + n % 12, 1 + n % 28, n % 24, n % 60, 7))};
}

std::vector<ColumnDesc> simple_columns()
{
    return {{"ID", ORA_NUMBER}, {"NAME", ORA_VARCHAR2}, {"CREATED", ORA_DATE}};
}

std::string simple_text(int n)
{
    char date[32];
    snprintf(date, sizeof(date), "%04d-%02d-%02d %02d:%02d:07", 2000 + n % 20, 1 + n % 12, 1 + n % 28, n % 24,
             n % 60);
    return std::to_string(n) + "|row" + std::to_string(n) + "|" + date;
}
