// unload_block over arbitrary block bytes with a fixed table description.
// Input: byte 0 bit 0 the byte order (1 big), bit 1 hands the rows to the
// export dump writer (whose rows must come out whole), bit 2 turns checksum checking
// off, bit 3 unloads deleted rows, bit 4 reads table 1 of a cluster block,
// bit 5 turns data checking off, bit 6 writes text through the text writer
// (a table of NUMBER, VARCHAR2, DATE, RAW, TIMESTAMP and CHAR columns,
// which it writes from whole row pieces); byte 1 the block size in KiB - 1 (mod 32);
// the block follows, cut or padded with zeros to the block size. No
// datafile is registered, so chains end at their first continuation.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/config.h"
#include "builder/sample_blocks.h"
#include "builder/table_samples.h"
#include "engine/unload_engine.h"
#include "fuzz_support.h"
#include "output/dmp_output.h"
#include "output/table_files.h"
#include "output/text_output.h"
#include "storage/datafile_registry.h"
#include "support_seeds.h"

namespace {

TABLE heap_table;
TABLE cluster_table;
TABLE plain_table;
PTABLE_OUTPUT text_output = nullptr;
ub8 sink = 0;
PDMP_WRITER dump_writer = nullptr;

void describe(PTABLE table, ub1 key_columns, ub1 table_index)
{
    static const ub1 types[] = {ORA_NUMBER,       ORA_VARCHAR2,      ORA_DATE,  ORA_RAW,  ORA_TIMESTAMP,
                                ORA_TIMESTAMP_TZ, ORA_BINARY_DOUBLE, ORA_ROWID, ORA_LONG, ORA_CLOB};
    ub2 count = (ub2)(key_columns + sizeof(types) + 2);
    init_table(table, "FUZZ", count, 1, table_index);
    table->dataobj_no = zb::SAMPLE_TABLE_OBJECT;
    table->ts_no = 4;
    ub2 c = 0;
    if (key_columns) {
        init_column(&table->cols[c++], "K1", ORA_NUMBER, 1);
        init_column(&table->cols[c++], "K2", ORA_VARCHAR2, 1);
    }
    for (ub1 type : types) {
        init_column(&table->cols[c], "C", type, 1);
        if (type == ORA_TIMESTAMP)
            table->cols[c].scale = 6;
        c++;
    }
    init_column(&table->cols[c++], "SKIPPED", ORA_VARCHAR2, 0);
    init_column(&table->cols[c], "PLACEHOLDER", ORA_NUMBER, 1);
    table->cols[c].is_placeholder = 1;
}

void describe_plain(PTABLE table)
{
    static const ub1 types[] = {ORA_NUMBER, ORA_VARCHAR2, ORA_DATE, ORA_RAW, ORA_TIMESTAMP, ORA_CHAR, ORA_VARCHAR2};
    init_table(table, "PLAIN", (ub2)sizeof(types), 0, 0);
    table->dataobj_no = zb::SAMPLE_TABLE_OBJECT;
    table->ts_no = 4;
    for (ub2 c = 0; c < sizeof(types); c++) {
        init_column(&table->cols[c], "C", types[c], 1);
        table->cols[c].length = c == 1 || c == 3 ? 10 : 0;
        table->cols[c].scale = types[c] == ORA_TIMESTAMP ? 6 : 0;
    }
}

void touch_column(const ub1* data, ub4 length, PCOLUMN, PCOL_DATA col_data, PUNLOAD_PARAMS, ub1 flags)
{
    for (ub4 i = 0; i < length; i++)
        sink += data[i];
    if (col_data != nullptr && !col_data->is_null && (flags & IS_LAST_PIECE) && col_data->common_data.data != nullptr)
        for (ub4 i = 0; i < col_data->data_len; i++)
            sink += col_data->common_data.data[i];
    if (col_data != nullptr)
        for (ub4 i = 0; i < col_data->raw_data_len; i++)
            sink += col_data->raw_data[i];
}

void touch_row(ub2, PUNLOAD_PARAMS, PROW_DATA row)
{
    sink += row->col_fact_cnt;
}

void make_seeds()
{
    int n = 0;
    for (int order : {zb::LITTLE, zb::BIG})
        for (uint32_t size : {2048u, 8192u})
            for (const zb::BlockImage& block : zb::make_sample_table_blocks(size, order)) {
                std::vector<uint8_t> input = zb::encode_block_fuzz_input(block);
                write_seed("unload_block", ("table_" + std::to_string(n++)).c_str(),
                           std::string(input.begin(), input.end()));
                // The same block read as table 1 of a cluster.
                input[0] |= 0x10;
                write_seed("unload_block", ("cluster_" + std::to_string(n++)).c_str(),
                           std::string(input.begin(), input.end()));
                // And through the text writer.
                input[0] = (uint8_t)((input[0] & ~0x10) | 0x40);
                write_seed("unload_block", ("text_" + std::to_string(n++)).c_str(),
                           std::string(input.begin(), input.end()));
            }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_quiet_scratch_dir();
    init_config_data();
    init_datafile_list();
    describe(&heap_table, 0, 0);
    describe(&cluster_table, 2, 1);
    describe_plain(&plain_table);
    text_output = new TABLE_OUTPUT();
    if (!open_output_file(&text_output->data, "/dev/null", "w", DATA_BUFFER_SIZE))
        __builtin_trap();
    init_text_fields(&text_output->fields, "|");
    make_seeds();
    FILE* null_stream = fopen("/dev/null", "wb");
    if (null_stream != nullptr)
        dump_writer = init_dmp_writer(null_stream, "/dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    ub1 mode = data[0];
    ub4 block_size = 1024u * ((data[1] % 32) + 1);
    std::vector<ub1> block(block_size, 0);
    memcpy(block.data(), data + 2, size - 2 < block_size ? size - 2 : block_size);

    config_data.byte_order = (mode & 0x01) ? BO_BIG : BO_LITTLE;
    config_data.db_block_checksum = (mode & 0x04) ? 0 : 1;
    config_data.unload_deleted = (mode & 0x08) ? 1 : 0;
    config_data.db_block_checking = (mode & 0x20) ? 0 : 1;
    PTABLE table = (mode & 0x10) ? &cluster_table : &heap_table;
    table->row_cnt = 0;

    UNLOAD_PARAMS params;
    init_unload_params(&params, table);
    params.strict_dataobj = 0;
    UNLOAD_CALLBACKS callbacks = {nullptr, touch_row, touch_column, nullptr};
    if (mode & 0x40) {
        table = &plain_table;
        table->row_cnt = 0;
        params.table = table;
        params.output = text_output;
        callbacks = {nullptr, unload_row_to_txt, unload_col_to_txt, unload_whole_row_to_txt};
    }
    bool dump = (mode & 0x42) == 0x02 && dump_writer != nullptr;
    if (dump) {
        callbacks = {nullptr, unload_row_to_dmp, unload_col_to_dmp, nullptr};
        dump_writer->col_cnt = (ub2)(table->col_cnt - table->skip_cnt);
        dump_writer->len = 0;
        params.writer = dump_writer;
    }
    ZEM_LIST rows;
    init_row_batch(&rows);
    unload_block(block.data(), 0x01400009, &params, &rows, block_size, &callbacks);
    end_row_batch(&rows, &params, &callbacks);
    // Every row the engine ended is whole: no value left open, none missing.
    if (dump && (dump_writer->chunks_open || dump_writer->row_values != 0 || dump_writer->error != 0))
        __builtin_trap();
    return 0;
}
