// Symbol tables and data rows of basic-compressed blocks, and the leaf rows
// of index-organized blocks: the parsers walked over arbitrary bytes, then
// the block unloaded as a table. Input: byte 0 bit 0 the byte order (1
// big); byte 1 the block size in KiB - 1 (mod 32); the block follows, cut or
// padded with zeros to the block size. Seeds are builder-made compressed
// blocks (symbols, pair symbols, perm, fcls runs, deleted rows) and IOT
// leaves (prefixes, row dependencies, overflow addresses).
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/config.h"
#include "builder/compressed_table.h"
#include "builder/iot_segment.h"
#include "builder/sample_blocks.h"
#include "engine/iot_block.h"
#include "engine/symbol_table.h"
#include "engine/unload_engine.h"
#include "fuzz_support.h"
#include "storage/datafile_registry.h"
#include "support_seeds.h"

namespace {

constexpr ub4 OBJ = 71500;
TABLE table;
ub8 sink = 0;
UNCOMPRESSED_ROW stored;

void touch_column(const ub1* data, ub4 length, PCOLUMN, PCOL_DATA col_data, PUNLOAD_PARAMS, ub1)
{
    for (ub4 i = 0; i < length; i++)
        sink += data[i];
    if (col_data != nullptr && !col_data->is_null && col_data->common_data.data != nullptr)
        for (ub4 i = 0; i < col_data->data_len; i++)
            sink += col_data->common_data.data[i];
}

void walk_compressed(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* header)
{
    COMPRESSED_BLOCK cb;
    if (!get_compressed_block(block, block_size, header, &cb))
        return;
    SYMBOL_TABLE symbols;
    sink += build_symbol_table(&cb, &symbols);
    for (ub4 r = 0; r < cb.data_cnt; r++) {
        if (parse_uncompress_table_row(&cb, &symbols, r, &stored) != SYM_OK)
            continue;
        for (ub4 c = 0; c < stored.col_cnt; c++)
            for (ub4 i = 0; stored.cols[c].data != nullptr && i < stored.cols[c].data_len; i++)
                sink += stored.cols[c].data[i];
    }
}

void walk_iot(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* header)
{
    IOT_LEAF leaf;
    if (!get_iot_leaf(block, block_size, header, &leaf) || leaf.index.common.block_level > 0)
        return;
    ub4 end = block_size - BLOCK_TAIL_SIZE;
    for (ub4 i = 0; i < leaf.row_cnt; i++) {
        ub4 pos = header->data_header_offset + get_ub2(block, leaf.row_dir + 2 * i) + 2;
        for (ub4 k = 0; k < leaf.index.common.columns_in_key; k++) {
            const ub1* data;
            ub4 length;
            bool is_null;
            if (!get_index_key_column(block, &pos, end, &data, &length, &is_null))
                break;
            sink += length;
        }
        ROW_PIECE piece;
        if (get_iot_row_piece(block, pos, block_size, &leaf.index, &piece))
            sink += piece.col_cnt + piece.next_rdba;
    }
}

void add_seed(int* n, const zb::BlockImage& block)
{
    std::vector<uint8_t> input = zb::encode_block_fuzz_input(block);
    write_seed("compressed_iot", std::to_string((*n)++).c_str(), std::string(input.begin(), input.end()));
}

void make_seeds()
{
    int n = 0;
    for (int order : {zb::LITTLE, zb::BIG})
        for (uint32_t size : {2048u, 8192u}) {
            zb::PackerOptions shape;
            shape.block_size = size;
            shape.order = order;
            shape.object_id = OBJ;
            std::vector<zb::LogicalRow> rows;
            const char* const states[] = {"OPEN", "SHUT", "WAIT"};
            for (int r = 0; r < 30; r++)
                rows.push_back(zb::make_row({zb::text_cell(states[r % 3]), zb::bytes_cell(zb::number_bytes((int64_t)r)),
                                             zb::text_cell(r % 4 ? "city" : "town"),
                                             zb::bytes_cell(zb::date_bytes(2020, 1 + r % 2, 1)),
                                             r % 5 ? zb::text_cell("note") : zb::null_cell()}));
            rows[3].deleted = true;
            zb::CacheHeader header;
            header.type = 6;
            header.rdba = 0x01400009;
            zb::CompressOptions options;
            add_seed(&n, zb::make_compressed_block(shape, header, rows, options));
            options.use_fcls = true;
            add_seed(&n, zb::make_compressed_block(shape, header, rows, options));
            options.use_perm = false;
            options.pair_symbols = false;
            add_seed(&n, zb::make_compressed_block(shape, header, rows, options));
            zb::IotLayout iot;
            iot.key_columns = 2;
            iot.prefix_columns = 1;
            iot.row_dependencies = true;
            std::vector<zb::Rid> overflow(rows.size());
            add_seed(&n, zb::make_iot_leaf_block(shape, header, iot, rows, overflow));
            iot.prefix_columns = 0;
            iot.row_dependencies = false;
            iot.overflow_from = 3;
            for (size_t r = 0; r < rows.size(); r++)
                overflow[r] = zb::Rid{0x01400020, (uint16_t)r};
            add_seed(&n, zb::make_iot_leaf_block(shape, header, iot, rows, overflow));
        }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_quiet_scratch_dir();
    init_config_data();
    init_datafile_list();
    init_table(&table, "FUZZ", 5, 0, 0);
    const ub1 types[] = {ORA_VARCHAR2, ORA_NUMBER, ORA_VARCHAR2, ORA_DATE, ORA_VARCHAR2};
    for (ub2 c = 0; c < 5; c++)
        init_column(&table.cols[c], "C", types[c], 1);
    table.dataobj_no = OBJ;
    table.ts_no = 4;
    make_seeds();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    ub4 block_size = 1024u * ((data[1] % 32) + 1);
    std::vector<ub1> block(block_size, 0);
    memcpy(block.data(), data + 2, size - 2 < block_size ? size - 2 : block_size);
    config_data.byte_order = (data[0] & 0x01) ? BO_BIG : BO_LITTLE;
    config_data.db_block_checksum = 0;

    DATABLOCK_HEADER header;
    if (get_datablock_header(block.data(), &header, block_size)) {
        if (header.block_type == DBT_INDEX)
            walk_iot(block.data(), block_size, &header);
        else
            walk_compressed(block.data(), block_size, &header);
    }
    table.row_cnt = 0;
    UNLOAD_PARAMS params;
    init_unload_params(&params, &table);
    params.strict_dataobj = 0;
    UNLOAD_CALLBACKS callbacks = {nullptr, nullptr, touch_column, nullptr};
    ZEM_LIST rows;
    init_row_batch(&rows);
    unload_block(block.data(), 0x01400009, &params, &rows, block_size, &callbacks);
    end_row_batch(&rows, &params, &callbacks);
    return 0;
}
