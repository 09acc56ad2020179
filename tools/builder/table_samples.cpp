#include "builder/table_samples.h"

#include "builder/compressed_table.h"
#include "builder/data_blocks.h"
#include "builder/iot_segment.h"
#include "builder/table_rows.h"
#include "builder/table_segment.h"

namespace zb {

namespace {

std::vector<Cell> sample_cells(int n, uint32_t long_length)
{
    return {bytes_cell(number_bytes(std::to_string(n * 37) + ".25")),
            text_cell("name" + std::to_string(n)),
            bytes_cell(date_bytes(1990 + n, 1 + n % 12, 1 + n % 28, n % 24, 30, 15)),
            n % 3 == 0 ? null_cell() : bytes_cell({0x00, (uint8_t)n, 0xff}),
            bytes_cell(timestamp_bytes(2001, 2, 3, 4, 5, 6, 123456789u * (uint32_t)n % 1000000000u)),
            bytes_cell(timestamp_tz_bytes(2008, 7, 4, 10, 30, 0, 0, n % 2 ? 8 * 60 : -5 * 60)),
            bytes_cell(binary_double_bytes(n - 2.5)),
            bytes_cell(rowid_bytes(SAMPLE_TABLE_OBJECT, 0x01400009, (uint16_t)n)),
            long_length ? text_cell(std::string(long_length, (char)('a' + n % 26))) : null_cell()};
}

struct Collector {
    PackerOptions options;
    uint32_t next = 9;
    std::vector<BlockImage> blocks;

    CacheHeader header(uint32_t block_no) const
    {
        CacheHeader h;
        h.type = 6;
        h.rdba = 0x01400000u | block_no;
        h.scn_base = 0x00450000u + block_no;
        h.seq = (uint8_t)(1 + block_no % 7);
        return h;
    }
    void pack(const std::vector<LogicalRow>& rows)
    {
        TablePacker packer(
            options, [this]() { return next++; }, [this](uint32_t n) { return header(n); },
            [this](uint32_t, const BlockImage& block) { blocks.push_back(block); });
        for (const LogicalRow& row : rows)
            packer.add(row);
        packer.finish();
    }
};

} // namespace

std::vector<BlockImage> make_sample_table_blocks(uint32_t block_size, int order)
{
    Collector c;
    c.options.block_size = block_size;
    c.options.order = order;
    c.options.object_id = SAMPLE_TABLE_OBJECT;

    std::vector<LogicalRow> plain;
    for (int n = 0; n < 6; n++) {
        plain.push_back(make_row(sample_cells(n, n == 4 ? 300 : 0)));
        plain.back().deleted = n == 5;
    }
    c.pack(plain);

    // A chained row over three blocks with its long value split, and a
    // migrated row (head here, body in the next block).
    LogicalRow chained = make_row(sample_cells(7, block_size / 2));
    chained.cuts = {{8, block_size / 8}, {8, block_size / 4}};
    LogicalRow migrated = make_row(sample_cells(8, 0));
    migrated.migrated = true;
    c.pack({chained, migrated});

    c.options.row_dependencies = true;
    c.options.assm = true;
    c.pack({make_row(sample_cells(9, 0)), make_row(sample_cells(10, 20))});
    c.options.row_dependencies = false;
    c.options.assm = false;

    std::vector<ClusterGroup> groups(2);
    for (int g = 0; g < 2; g++) {
        std::string key = "k";
        key += std::to_string(g);
        groups[g].key = {bytes_cell(number_bytes((int64_t)g)), text_cell(key)};
        groups[g].tables.resize(2);
        for (int r = 0; r < 2; r++)
            groups[g].tables[0].push_back(make_row(sample_cells(r + g, 0)));
        groups[g].tables[1].push_back(make_row({text_cell("second table")}));
    }
    c.blocks.push_back(make_cluster_block(c.options, c.header(40), groups, 2));

    // A compressed block from the encoder (symbols, pair symbols, perm),
    // and an index-organized leaf with prefix rows whose rows continue in an
    // overflow block.
    std::vector<LogicalRow> repeated;
    for (int r = 0; r < 8; r++)
        repeated.push_back(make_row(sample_cells(r % 3, 0)));
    repeated[5].deleted = true;
    c.blocks.push_back(make_compressed_block(c.options, c.header(41), repeated, CompressOptions{}));
    IotLayout iot;
    iot.key_columns = 2;
    iot.prefix_columns = 1;
    iot.overflow_from = 6;
    std::vector<Rid> overflow;
    for (uint16_t r = 0; r < 8; r++)
        overflow.push_back(Rid{0x01400000u | 43, r});
    c.blocks.push_back(make_iot_leaf_block(c.options, c.header(42), iot, repeated, overflow));
    return c.blocks;
}

} // namespace zb
