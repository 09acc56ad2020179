// The export dump's value writers driven by the engine's calls directly:
// piece sequences of chained values and LOBs as the engine and the LOB
// reader deliver them, refusals, and a full disk.

#include <gtest/gtest.h>

#include <cerrno>

#include "base/config.h"
#include "base/rdba.h"
#include "output/dmp_output.h"
#include "support/capture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes b(std::initializer_list<int> list)
{
    Bytes out;
    for (int v : list)
        out.push_back((uint8_t)v);
    return out;
}

Bytes operator+(Bytes a, const Bytes& c)
{
    a.insert(a.end(), c.begin(), c.end());
    return a;
}

class DmpValues : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_config_data();
        fp_ = tmpfile();
        ASSERT_NE(fp_, nullptr);
        open_writer(fp_);
        memset(&table_, 0, sizeof(table_));
        table_.ts_no = 4;
        params_.table = &table_;
    }
    void TearDown() override
    {
        release_dmp_writer(writer_);
        fclose(fp_);
    }
    void open_writer(FILE* fp)
    {
        if (writer_ != nullptr)
            release_dmp_writer(writer_);
        writer_ = init_dmp_writer(fp, "t.dmp");
        memset(&params_, 0, sizeof(params_));
        params_.writer = writer_;
        params_.table = &table_;
    }
    static COLUMN column(ub1 type, ub4 length = 0, bool nullable = true)
    {
        COLUMN c;
        init_column(&c, "C", type, 1);
        c.length = length;
        c.nullable = nullable;
        return c;
    }
    // One call; `value` null for a NULL.
    void call(COLUMN* c, const Bytes* value, ub1 flags, PCOL_DATA cd = nullptr)
    {
        COL_DATA local;
        init_col_data(&local);
        if (cd == nullptr)
            cd = &local;
        if (value != nullptr) {
            cd->is_null = 0;
            if (c->ora_type == ORA_CLOB) {
                cd->common_data.data = const_cast<ub1*>(value->data());
                cd->data_len = (ub4)value->size();
            }
        }
        unload_col_to_dmp(value ? value->data() : nullptr, value ? (ub4)value->size() : 0, c, cd, &params_, flags);
    }
    void end_row(ub4 rdba = 0, ub4 row_no = 0)
    {
        ROW_DATA row = {};
        row.rdba = rdba;
        row.row_no = row_no;
        unload_row_to_dmp(0, &params_, &row);
    }
    Bytes written()
    {
        flush_dmp_writer(writer_);
        Bytes out(writer_->written);
        rewind(fp_);
        EXPECT_EQ(fread(out.data(), 1, out.size(), fp_), out.size());
        return out;
    }

    FILE* fp_ = nullptr;
    PDMP_WRITER writer_ = nullptr;
    TABLE table_;
    UNLOAD_PARAMS params_;
};

constexpr ub1 WHOLE = IS_FIRST_COLUMN | IS_FIRST_PIECE | IS_LAST_PIECE;
constexpr ub1 LOB = IS_LOB_PIECE | IS_LAST_PIECE;

} // namespace

// A LONG over three row pieces goes chunk by chunk; a VARCHAR2 over two
// pieces waits for its last and goes whole.
TEST_F(DmpValues, ChainedValues)
{
    writer_->col_cnt = 2;
    COLUMN v = column(ORA_VARCHAR2, 10), l = column(ORA_LONG);
    Bytes p1 = b({'a', 'b'}), p2 = b({'c'}), p3 = b({'d', 'e', 'f'});
    COL_DATA joined;
    init_col_data(&joined);
    Bytes all = b({'x', 'y', 'z'});
    call(&v, &p1, IS_FIRST_COLUMN | IS_FIRST_PIECE, &joined);
    joined.raw_data = all.data();
    joined.raw_data_len = 3;
    call(&v, &p2, IS_LAST_PIECE, &joined);
    joined.raw_data = nullptr;
    joined.raw_data_len = 0;
    call(&l, &p1, IS_FIRST_PIECE);
    call(&l, &p2, 0);
    call(&l, &p3, IS_LAST_PIECE);
    end_row();
    EXPECT_EQ(written(), b({0x03, 0x00, 'x', 'y', 'z', 0xFD, 0xFF, 0x02, 0x00, 'a', 'b', 0x01, 0x00, 'c', 0x03, 0x00,
                            'd', 'e', 'f', 0x00, 0x00, 0x00, 0x00}));
}

// LOB pieces as the LOB reader delivers them: an out-of-row value one call
// per block and a closing call; an empty value the closing call alone.
TEST_F(DmpValues, LobPieces)
{
    writer_->col_cnt = 5;
    COLUMN blob = column(ORA_BLOB), clob = column(ORA_CLOB), strict = column(ORA_CLOB, 0, false);
    Bytes ab = b({'a', 'b'}), cd = b({'c', 'd'});
    call(&blob, &ab, LOB | IS_FIRST_COLUMN | IS_LOB_FIRST_PIECE);
    call(&blob, &cd, LOB);
    call(&blob, nullptr, LOB | IS_LOB_LAST_PIECE);
    call(&blob, nullptr, LOB | IS_LOB_FIRST_PIECE | IS_LOB_LAST_PIECE);
    call(&clob, nullptr, LOB | IS_LOB_FIRST_PIECE | IS_LOB_LAST_PIECE);
    call(&strict, nullptr, LOB | IS_LOB_FIRST_PIECE | IS_LOB_LAST_PIECE);
    // Longer than a chunk: split, never cut.
    Bytes text(70000, 'q');
    call(&clob, &text, LOB | IS_LOB_FIRST_PIECE | IS_LOB_LAST_PIECE);
    end_row();
    Bytes chunked = b({0xFD, 0xFF, 0x00, 0x80}) + Bytes(32768, 'q') + b({0x00, 0x80}) + Bytes(32768, 'q') +
                    b({0x70, 0x11}) + Bytes(4464, 'q') + b({0x00, 0x00});
    EXPECT_EQ(written(), b({0xFD, 0xFF, 0x02, 0x00, 'a', 'b', 0x02, 0x00, 'c', 'd', 0x00, 0x00, 0xFE, 0xFF, 0xFE,
                            0xFF, 0x01, 0x00, ' '}) +
                             chunked + b({0x00, 0x00}));
}

// Whatever the calls, every row has the announced number of values: a
// chain given up mid-LONG is closed, missing values are NULL, extra ones
// dropped; a value longer than its column is refused and named.
TEST_F(DmpValues, RowsKeepTheirShapeAndRefusedValuesAreNamed)
{
    writer_->col_cnt = 2;
    COLUMN l = column(ORA_LONG), v = column(ORA_VARCHAR2, 4);
    Bytes p = b({'z'}), too_long = b({'1', '2', '3', '4', '5'});
    call(&l, &p, IS_FIRST_COLUMN | IS_FIRST_PIECE);
    end_row();
    call(&v, &too_long, WHOLE);
    call(&v, &p, IS_FIRST_PIECE | IS_LAST_PIECE);
    call(&v, &p, IS_FIRST_PIECE | IS_LAST_PIECE);
    std::string out = capture_stdout([&] { end_row(file_block_rdba(4, 130), 7); });
    EXPECT_EQ(out, "value of column C (5 bytes) does not fit the export dump, written as NULL: row 7 of file 4 "
                   "block 130.\n");
    EXPECT_EQ(written(), b({0xFD, 0xFF, 0x01, 0x00, 'z', 0x00, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0xFE, 0xFF, 0x01, 0x00,
                            'z', 0x00, 0x00}));
}

TEST_F(DmpValues, FullDiskStopsTheUnload)
{
    FILE* full = fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    open_writer(full);
    writer_->col_cnt = 1;
    COLUMN blob = column(ORA_BLOB);
    Bytes big(2 * DMP_BUFFER_SIZE, 0x5a);
    call(&blob, &big, LOB | IS_FIRST_COLUMN | IS_LOB_FIRST_PIECE | IS_LOB_LAST_PIECE);
    EXPECT_EQ(writer_->error, ENOSPC);
    EXPECT_EQ(params_.stop_unload, 1);
    EXPECT_FALSE(flush_dmp_writer(writer_));
    release_dmp_writer(writer_);
    writer_ = nullptr;
    fclose(full);
    open_writer(fp_);
}
