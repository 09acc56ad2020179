// unload_block over damaged copies of every sample table block: each byte
// in turn changed, with and without resealing, in both byte orders. Nothing
// may be read or written outside the block (the sanitizer build checks),
// and every row must still keep the protocol: each column that can be
// unloaded ends exactly once, in column order, with a last piece or a
// trailing NULL.

#include <gtest/gtest.h>

#include <cstring>

#include "builder/table_samples.h"
#include "support/engine_fixture.h"

namespace {

struct Ended {
    std::vector<int> columns; // columns ended, in call order
};

std::vector<Ended>* ended_rows = nullptr;
Ended current;

void on_column(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params, ub1 flags)
{
    volatile ub1 sink = 0;
    for (ub4 i = 0; i < length; i++)
        sink = (ub1)(sink + data[i]);
    if (col_data != nullptr && !col_data->is_null && (flags & IS_LAST_PIECE) && col_data->common_data.data != nullptr)
        for (ub4 i = 0; i < col_data->data_len; i++)
            sink = (ub1)(sink + col_data->common_data.data[i]);
    if (flags & (IS_LAST_PIECE | IS_LAST_NULL))
        current.columns.push_back((int)(column - params->table->cols));
}

void on_row(ub2, PUNLOAD_PARAMS, PROW_DATA)
{
    ended_rows->push_back(current);
    current = Ended{};
}

void describe(TableDesc*& table, bool cluster)
{
    std::vector<ColumnDesc> columns;
    if (cluster)
        columns = {{"K1", ORA_NUMBER}, {"K2", ORA_VARCHAR2}};
    for (ub1 type : {ORA_NUMBER, ORA_VARCHAR2, ORA_DATE, ORA_RAW, ORA_TIMESTAMP, ORA_TIMESTAMP_TZ, ORA_BINARY_DOUBLE,
                     ORA_ROWID, ORA_LONG})
        columns.push_back({"C", type});
    columns.push_back({"SKIPPED", ORA_VARCHAR2, 0});
    columns.push_back({"PLACEHOLDER", ORA_NUMBER, 1, 1});
    table = new TableDesc(columns, zb::SAMPLE_TABLE_OBJECT, 4, cluster ? 1 : 0);
}

void check_rows(const std::vector<Ended>& rows, const TABLE* table, const std::string& where)
{
    std::vector<int> expected;
    for (int c = 0; c < table->col_cnt; c++)
        if (table->cols[c].can_unload)
            expected.push_back(c);
    for (const Ended& row : rows)
        ASSERT_EQ(row.columns, expected) << where;
}

// Decodes every damaged copy of the sample blocks; returns the rows seen.
size_t sweep(TableDesc* heap, TableDesc* cluster, std::vector<Ended>& rows)
{
    UNLOAD_CALLBACKS callbacks = {nullptr, on_row, on_column, nullptr};
    size_t decoded_rows = 0;
    for (int order : {BO_LITTLE, BO_BIG}) {
        config_data.byte_order = order;
        std::vector<zb::BlockImage> blocks = zb::make_sample_table_blocks(2048, order);
        for (size_t b = 0; b < blocks.size(); b++) {
            for (ub4 pos = 0; pos < 2048; pos++) {
                for (int variant = 0; variant < 2; variant++) {
                    zb::BlockImage damaged = blocks[b];
                    ub1 value = variant == 0 ? (ub1)(damaged.data()[pos] ^ 0xff) : (ub1)(pos * 131 + b);
                    damaged.data()[pos] = value;
                    // Resealed copies reach the decoder with checksums on;
                    // the others only with checksum checking off.
                    config_data.db_block_checksum = variant == 0 ? 0 : 1;
                    if (variant == 1 && pos >= 20 && pos < 2044)
                        zb::seal_block(damaged);
                    for (TableDesc* desc : {heap, cluster}) {
                        PTABLE table = desc->get();
                        table->row_cnt = 0;
                        UNLOAD_PARAMS params;
                        init_unload_params(&params, table);
                        params.strict_dataobj = 0;
                        ZEM_LIST list;
                        init_row_batch(&list);
                        rows.clear();
                        unload_block(damaged.data(), 0x01400009, &params, &list, 2048, &callbacks);
                        end_row_batch(&list, &params, &callbacks);
                        decoded_rows += rows.size();
                        check_rows(rows, table, "block " + std::to_string(b) + " byte " + std::to_string(pos));
                        if (testing::Test::HasFatalFailure())
                            return decoded_rows;
                    }
                }
            }
        }
    }
    return decoded_rows;
}

TEST(UnloadBlockSweep, EveryDamagedByteKeepsTheDecoderInsideTheBlock)
{
    init_config_data();
    TableDesc* heap;
    TableDesc* cluster;
    describe(heap, false);
    describe(cluster, true);
    std::vector<Ended> rows;
    ended_rows = &rows;
    size_t decoded_rows = 0;
    // The messages of damaged blocks are not looked at here.
    capture_stdout([&] { decoded_rows = sweep(heap, cluster, rows); });
    // The sweep reached the rows, not only the block checks.
    EXPECT_GT(decoded_rows, 100000u);
    ended_rows = nullptr;
    delete heap;
    delete cluster;
    init_config_data();
}

} // namespace
