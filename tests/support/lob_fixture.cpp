#include "support/lob_fixture.h"

#include <gtest/gtest.h>

#include "convert/charset.h"
#include "engine/lob_unload.h"

namespace {

constexpr ub4 LOB_FIRST_BLOCK = 8;

// Column 1 of the table: a CLOB or BLOB stored as the table describes.
void describe_lob_column(PCOLUMN column, LobTable& table)
{
    const zb::DatafileDef& file = table.db.file(0).def();
    column->col_no = 2;
    column->charset_form = column->ora_type == ORA_CLOB ? 1 : 0;
    column->lob.lob_obj_id = table.def.data_object;
    column->lob.chunk = table.def.storage.chunk_blocks;
    column->lob.dir_ind = 1;
    LOB_STORAGE* s = &column->lob_storage;
    s->lob_obj_id = table.def.data_object;
    s->lob_data_obj_id = table.def.data_object;
    s->ts_no = file.ts_no;
    s->file_no = file.rfile_no;
    s->block_no = table.lobs.header_block;
    s->chunk = table.def.storage.chunk_blocks;
    s->ind_obj_id = table.def.index_object;
    s->ind_data_obj_id = table.def.index_object;
    s->ind_ts_no = file.ts_no;
    s->ind_file_no = file.rfile_no;
    s->ind_block_no = table.lobs.index_header_block;
}

} // namespace

zb::LobSegmentDef lob_segment_def(const zb::LobStorageDef& storage)
{
    zb::LobSegmentDef def;
    def.data_object = LOB_DATA_OBJ;
    def.index_object = LOB_INDEX_OBJ;
    def.storage = storage;
    return def;
}

LobTable build_lob_table(int order, ub4 block_size, const zb::LobSegmentDef& def,
                         const std::vector<zb::LobContent>& values,
                         const std::function<void(std::vector<std::vector<uint8_t>>&)>& patch)
{
    LobTable t;
    t.def = def;
    ub4 lob_blocks = zb::lob_segments_blocks(block_size, def, values);
    ub4 table_first = LOB_FIRST_BLOCK + lob_blocks;
    ub4 table_blocks = 16 + (ub4)values.size() * (4096 / block_size + 1) * 2;
    zb::DatafileImage& file =
        t.db.add_file("lobs01.dbf", datafile_layout(order, block_size, table_first + table_blocks + 8));
    t.lobs = zb::add_lob_segments(file, LOB_FIRST_BLOCK, def, values);
    for (const zb::PlacedLob& lob : t.lobs.lobs)
        t.columns.push_back(lob.column);
    if (patch)
        patch(t.columns);
    std::vector<zb::LogicalRow> rows;
    for (size_t i = 0; i < t.columns.size(); i++)
        rows.push_back(zb::make_row({zb::bytes_cell(zb::number_bytes((int64_t)i + 1)), zb::bytes_cell(t.columns[i])}));
    zb::TableSegmentLayout shape;
    shape.segment.object_id = LOB_TABLE_OBJ;
    shape.segment.extents = {{table_first, table_blocks}};
    t.table = zb::add_table_segment(file, shape, rows);
    return t;
}

std::string unload_lob_table(EngineEnv& env, LobTable& table, TableDesc& desc, Recorder& recorder,
                             int lob_output_format, int mode)
{
    config_data.charset_id = 873; // AL32UTF8
    init_iconv();
    env.load(table.db, table.file().def().order);
    describe_lob_column(&desc.get()->cols[1], table);
    get_columns_ind_buffer(desc.get());
    UNLOAD_PARAMS params;
    init_unload_params(&params, desc.get());
    params.unload_mode = mode;
    params.lob_output_format = lob_output_format;
    return env.unload_params(&params, table.table.segment.header_rdba, recorder).out;
}

LobRun run_lob_table(LobTable& table, ub1 type, int lob_output_format, const std::function<void(TableDesc&)>& prepare)
{
    EngineEnv env("lob");
    TableDesc desc({{"ID", ORA_NUMBER}, {"V", type}}, LOB_TABLE_OBJ);
    if (prepare)
        prepare(desc);
    Recorder recorder;
    LobRun r;
    r.out = unload_lob_table(env, table, desc, recorder, lob_output_format);
    r.values = lob_values(recorder);
    r.cut = desc.get()->damage.values_cut;
    return r;
}

std::vector<std::string> lob_values(const Recorder& recorder, int column)
{
    std::vector<std::string> values;
    for (const RowRecord& row : recorder.rows) {
        std::string value;
        int calls = 0, lasts = 0;
        for (const ColumnCall& call : row.calls) {
            if (call.column != column)
                continue;
            // A locator split over row pieces: its first pieces are handed
            // on as they come, never as complete values.
            if (!(call.flags & IS_LOB_PIECE)) {
                EXPECT_FALSE(call.flags & IS_LAST_PIECE);
                continue;
            }
            EXPECT_TRUE(call.flags & IS_LAST_PIECE);
            EXPECT_EQ((call.flags & IS_LOB_FIRST_PIECE) != 0, calls == 0);
            EXPECT_EQ(lasts, 0) << "a call after the last piece";
            lasts += (call.flags & IS_LOB_LAST_PIECE) != 0;
            calls++;
            if (!call.is_null)
                value += call.value.empty() ? call.bytes : call.value;
        }
        EXPECT_EQ(lasts, 1) << "row " << row.row_no;
        values.push_back(value);
    }
    return values;
}

std::string lob_pattern(size_t length, unsigned seed)
{
    std::string text(length, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < length; i++) {
        x = x * 1103515245u + 12345u;
        text[i] = (char)('a' + (x >> 16) % 26);
    }
    return text;
}

std::vector<uint8_t> to_bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}
