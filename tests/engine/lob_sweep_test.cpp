// Seeded damage to LOBs: random bytes of the rows' LOB columns, of LOB data
// blocks, LOB index leaves and branches and both segment headers, resealed
// or not. Every unload ends, every row is still delivered, and no value
// grows past what its segment could hold: nothing follows a damaged size or
// pointer further than the blocks that are there.

#include <gtest/gtest.h>

#include <random>

#include "support/lob_fixture.h"

namespace {

class LobSweep : public testing::TestWithParam<OrderAndSize> {};

TEST_P(LobSweep, DamagedLobsEndAndStayBounded)
{
    OrderAndSize p = GetParam();
    std::mt19937 rng(0x10b + p.block_size + (ub4)p.order);
    ub4 page = p.block_size - 60;
    zb::LobStorageDef s;
    s.leaf_rows = 2;
    s.branch_rows = 2;
    s.key_size = 20;
    std::vector<zb::LobContent> values;
    for (size_t size : {size_t(0), size_t(50), size_t(3 * page), size_t(30 * page + 3), size_t(6 * page)})
        values.push_back({to_bytes(lob_pattern(size, (unsigned)size)), false});
    for (int round = 0; round < 60; round++) {
        LobTable table = build_lob_table(p.order, p.block_size, lob_segment_def(s), values,
                                         [&](std::vector<std::vector<uint8_t>>& rows) {
                                             if (rng() % 2 == 0)
                                                 return;
                                             std::vector<uint8_t>& column = rows[rng() % rows.size()];
                                             for (int c = 1 + (int)(rng() % 4); c > 0 && !column.empty(); c--)
                                                 column[rng() % column.size()] = (uint8_t)rng();
                                         });
        std::vector<ub4> targets = table.lobs.data_blocks;
        targets.insert(targets.end(), table.lobs.leaf_blocks.begin(), table.lobs.leaf_blocks.end());
        targets.insert(targets.end(), table.lobs.branch_blocks.begin(), table.lobs.branch_blocks.end());
        targets.push_back(table.lobs.header_block);
        targets.push_back(table.lobs.index_header_block);
        for (int d = (int)(rng() % 6); d > 0; d--) {
            zb::BlockImage& block = table.file().at(targets[rng() % targets.size()]);
            for (int c = 1 + (int)(rng() % 6); c > 0; c--)
                block.data()[rng() % block.size()] = (uint8_t)((rng() % 3) == 0 ? 0xff : rng());
            if (rng() % 2)
                zb::seal_block(block);
        }
        EngineEnv env("lob_sweep");
        config_data.use_scanned_lob = 0;
        TableDesc desc({{"ID", ORA_NUMBER}, {"V", ORA_BLOB}}, LOB_TABLE_OBJ);
        Recorder recorder;
        unload_lob_table(env, table, desc, recorder);
        ASSERT_EQ(recorder.rows.size(), values.size()) << "round " << round;
        size_t held = (table.lobs.data_blocks.size() + 1) * (size_t)page + 4000;
        for (const RowRecord& row : recorder.rows) {
            size_t delivered = 0;
            for (const ColumnCall& call : row.calls)
                delivered += call.bytes.size();
            EXPECT_LE(delivered, held) << "round " << round;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, LobSweep,
                         testing::Values(OrderAndSize{BO_LITTLE, 2048}, OrderAndSize{BO_BIG, 8192}),
                         order_size_name);

} // namespace
