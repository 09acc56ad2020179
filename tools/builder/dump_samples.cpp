#include "builder/dump_samples.h"

#include <stdexcept>

#include "builder/compressed_table.h"
#include "builder/data_blocks.h"
#include "builder/file_blocks.h"
#include "builder/index_blocks.h"
#include "builder/iot_segment.h"
#include "builder/rows.h"
#include "builder/segment_blocks.h"
#include "builder/undo_blocks.h"

namespace zb {

namespace {

constexpr uint32_t FILE5 = 0x01400000; // relative file 5, block 0

CacheHeader cache(uint8_t type, uint32_t block)
{
    CacheHeader h;
    h.type = type;
    h.rdba = FILE5 + block;
    h.scn_base = 0x000a1230 + block;
    h.seq = (uint8_t)(block % 7 + 1);
    return h;
}

ItlDef itl(uint16_t usn, uint8_t flags, uint16_t lock)
{
    ItlDef i;
    i.xid_usn = usn;
    i.xid_slot = (uint16_t)(usn + 0x10);
    i.xid_seq = 0x00000100u + usn;
    i.uba_dba = 0x00c00040u + usn;
    i.uba_seq = (uint16_t)(0x20 + usn);
    i.uba_rec = (uint8_t)(usn + 3);
    i.flags = flags;
    i.lock = lock;
    i.scn_wrap = (uint16_t)usn;
    i.scn_base = 0x000a0000u + usn;
    return i;
}

RowSlot slot(const PieceLayout& piece, int order)
{
    RowSlot r;
    r.piece = encode_piece(piece, order);
    return r;
}

RowSlot raw_slot(uint16_t value)
{
    RowSlot r;
    r.raw_entry = value;
    return r;
}

std::vector<Cell> emp_cells(int n, const std::string& name)
{
    return {bytes_cell(number_bytes(7000 + n)), text_cell(name), bytes_cell(date_bytes(1981, 2, n, 9, 30, 0))};
}

ExtentControlDef extent_control(uint32_t object_id)
{
    ExtentControlDef c;
    c.extents = 3;
    c.blocks = 24;
    c.last_map = FILE5 + 40;
    c.map_blocks = 1;
    c.extent_no = 1;
    c.block_no = 5;
    c.extent_size = 8;
    c.high_water = FILE5 + 22;
    c.seg_fl_blocks = 2;
    c.blocks_below = 13;
    c.mapblk_rdba = FILE5 + 40;
    c.mapblk_offset = 1;
    c.map = {{FILE5 + 9, 8}, {FILE5 + 17, 8}};
    c.next_map_header = FILE5 + 40;
    c.object_id = object_id;
    return c;
}

BlockImage flm_header(uint16_t freelists, uint32_t bs, int order)
{
    FlmHeaderDef d;
    d.control = extent_control(70001);
    d.freelists = freelists;
    d.freelist_blocks = 2;
    d.freelist_type = 1;
    uint32_t lists = freelists + (freelists >= 2 ? 1u : 0u);
    for (uint32_t i = 0; i < lists; i++) {
        FreelistDef f;
        f.flag = i == 0 ? 1 : 0;
        f.head = i == 0 ? FILE5 + 20 : 0;
        f.tail = i == 0 ? FILE5 + 21 : 0;
        d.segment_lists.push_back(f);
    }
    FreelistDef x;
    x.flag = 1;
    x.xid_usn = 3;
    x.xid_slot = 0x1a;
    x.xid_seq = 0x1f2;
    x.head = FILE5 + 12;
    x.tail = FILE5 + 12;
    d.transaction_lists = {x};
    return make_flm_header_block(cache(16, 9), d, bs, order);
}

BlockImage assm_header(uint32_t bs, int order)
{
    AssmHeaderDef d;
    d.control = extent_control(70002);
    d.control.map = {{FILE5 + 64, 8}, {FILE5 + 72, 8}};
    d.low_extent_no = 1;
    d.low_block_no = 2;
    d.low_extent_size = 8;
    d.low_high_water = FILE5 + 74;
    d.low_blocks_below = 10;
    d.level1_bmb_high = FILE5 + 72;
    d.level1_bmb_low = FILE5 + 64;
    d.fbsz = 0;
    d.first_level3_bmb = 0;
    d.L2_insert_hint = FILE5 + 66;
    d.last_level1_bmb = FILE5 + 72;
    d.last_level2_bmb = FILE5 + 66;
    d.aux = {{FILE5 + 64, FILE5 + 67}, {FILE5 + 72, FILE5 + 73}};
    d.level2_dbas = {FILE5 + 66};
    return make_assm_header_block(cache(35, 66), d, bs, order);
}

BlockImage undo_header(uint8_t type, uint32_t bs, int order)
{
    UndoHeaderDef d;
    d.control = extent_control(0);
    d.control.map = {{0x00400009, 8}, {0x00400080, 128}};
    TransControlDef& t = d.trans_control;
    t.scn_base = 0x000a0010;
    t.scn_wrap = 0;
    t.uba_rdba = 0x00400011;
    t.uba_seq = 0x2b;
    t.uba_rec = 0x0c;
    t.flag = 1;
    t.seq = 0x2b;
    t.nbf = 2;
    t.inc = 0;
    t.commit_header = 0x0005;
    t.commit_tail = 0x0002;
    t.version = 1;
    t.xts = 0x20;
    d.free_block_pool[0] = {0x00400011, 0x2b, 0x0c, 1, 0x1e40};
    d.free_block_pool[1] = {0x00400012, 0x2b, 0x01, 1, 0x1f80};
    for (uint16_t i = 0; i < 3; i++) {
        TransEntryDef e;
        e.wrap_no = (uint16_t)(0x10 + i);
        e.state = i == 1 ? 10 : 9;
        e.cflags = i == 1 ? 0x80 : 0;
        e.uel = (uint16_t)(i + 1);
        e.scn_base = 0x000a0100u + i;
        e.dba = 0x00400011u + i;
        e.nub = 1;
        d.trans_table.push_back(e);
    }
    // 2008-06-01 00:00:00 and a day later (seconds since 1970).
    d.retention = {1212278400u, 1212364800u};
    return make_undo_header_block(cache(type, 9), d, bs, order);
}

BlockImage compat_block(uint32_t bs, int order)
{
    CompatDef d;
    d.next_rdba = 0;
    d.entries = {{"UNDOSEGS", {1, 0x00400009}}, {"BOOTSTRP", {0, 0x00400179}}};
    return make_compat_block(cache(13, 1), d, bs, order);
}

// ITL 1 active and locking two rows, ITL 2 committed; the rows: a head
// piece, one with a NULL and a long-form value, a deleted row, an empty slot,
// a free-slot link, the head of a chained row, the body of a migrated row.
BlockImage data_block(uint32_t bs, int order)
{
    DataBlockDef d;
    d.trans.object_id = 70001;
    d.trans.csc_base = 0x000a1200;
    d.trans.itls = {itl(4, 0x0, 2), itl(5, 0x8, 0)};
    d.trans.fsl = 1;
    d.tables.resize(1);
    std::vector<RowSlot>& rows = d.tables[0].rows;
    PieceLayout p;
    p.cells = emp_cells(1, "SMITH");
    p.lock = 1;
    rows.push_back(slot(p, order));
    p.cells = {bytes_cell(number_bytes(7002)), null_cell(), bytes_cell({0x41, 0x42})};
    p.cells[2].long_form = true;
    rows.push_back(slot(p, order));
    p.lock = 0;
    p.flag = ROW_H | ROW_D | ROW_F | ROW_L;
    p.cells = emp_cells(3, "GONE");
    rows.push_back(slot(p, order));
    rows.push_back(raw_slot(0xffff));
    rows.push_back(raw_slot(2));
    p.flag = ROW_H | ROW_F;
    p.next = {FILE5 + 30, 4};
    p.cells = {bytes_cell(number_bytes(7006)), text_cell("CHAINED")};
    rows.push_back(slot(p, order));
    p.flag = ROW_F | ROW_L;
    p.head = {FILE5 + 31, 0};
    p.cells = emp_cells(7, "MOVED");
    rows.push_back(slot(p, order));
    d.first_free_row = 4;
    return make_data_block(cache(6, 20), d, bs, order);
}

// Row dependencies, an ASSM block, and a cleanout SCN carrying the flag that
// release 12.2 keeps in the top bit of its wrap.
BlockImage rowdeps_block(uint32_t bs, int order)
{
    DataBlockDef d;
    d.trans.object_id = 70003;
    d.trans.flag_byte = FLAG_BYTE_ASSM;
    d.trans.csc_wrap = 0x8000;
    d.trans.csc_base = 0x0080e5e1;
    d.trans.fsl = 0;
    d.trans.fnx = FILE5 + 67;
    d.trans.itls = {itl(6, 0x8, 0)};
    d.kdbh_flag = 0x20;
    d.tables.resize(1);
    PieceLayout p;
    p.dscn = true;
    p.dscn_wrap = 0;
    p.dscn_base = 0x0080e5d0;
    p.cells = emp_cells(8, "DEPENDS");
    d.tables[0].rows.push_back(slot(p, order));
    return make_data_block(cache(6, 68), d, bs, order);
}

// A cluster block: table 0 holds the key rows (one with no columns left),
// table 1 the rows that point at them.
BlockImage cluster_block(uint32_t bs, int order)
{
    DataBlockDef d;
    d.trans.object_id = 70004;
    d.trans.itls = {itl(7, 0x8, 0), itl(0, 0, 0)};
    d.kdbh_flag = 0x01;
    d.tables.resize(2);
    KeyRowLayout k;
    k.rows_in_cluster = 2;
    k.cells = {bytes_cell(number_bytes(10))};
    RowSlot key;
    key.piece = encode_key_row(k, order);
    d.tables[0].rows.push_back(key);
    k.rows_in_cluster = 0;
    k.next_key = {FILE5 + 21, 1};
    k.cells.clear();
    key.piece = encode_key_row(k, order);
    d.tables[0].rows.push_back(key);
    PieceLayout p;
    p.flag = ROW_C | ROW_H | ROW_F | ROW_L;
    for (int i = 0; i < 2; i++) {
        p.cluster_key_index = 0;
        p.cells = {text_cell(i == 0 ? "ACCOUNTING" : "RESEARCH"), text_cell("NEW YORK")};
        d.tables[1].rows.push_back(slot(p, order));
    }
    return make_data_block(cache(6, 21), d, bs, order);
}

// A basic-compressed block: repeated values and a repeated pair become
// symbol rows, fixed-length leading columns fcls runs; one row is deleted.
BlockImage compressed_block(uint32_t bs, int order)
{
    PackerOptions shape;
    shape.block_size = bs;
    shape.order = order;
    shape.object_id = 70005;
    std::vector<LogicalRow> rows;
    const char* jobs[] = {"CLERK", "CLERK", "MANAGER", "CLERK"};
    for (int i = 0; i < 4; i++) {
        LogicalRow row = make_row({bytes_cell(number_bytes(7900 + i)), text_cell(jobs[i]), text_cell("DALLAS")});
        row.deleted = i == 3;
        rows.push_back(row);
    }
    CompressOptions options;
    options.use_fcls = true;
    return make_compressed_block(shape, cache(6, 22), rows, options);
}

IndexBlockDef index_def(uint8_t level, uint8_t columns_in_key)
{
    IndexBlockDef d;
    d.trans.object_id = 70010;
    d.trans.itls = {itl(8, 0x8, 0), itl(9, 0x0, 1)};
    d.level = level;
    d.columns_in_key = columns_in_key;
    d.split_count = 1;
    d.next_block = level == 0 ? FILE5 + 52 : 0;
    d.prev_block = level == 0 ? FILE5 + 50 : 0;
    d.left_most_child = level > 0 ? FILE5 + 50 : 0;
    return d;
}

BlockImage branch_block(uint32_t bs, int order)
{
    IndexBlockDef d = index_def(1, 2);
    d.rows = {encode_branch_row(FILE5 + 51, {text_cell("JONES")}, true, order),
                    encode_branch_row(FILE5 + 52, {text_cell("SCOTT"), bytes_cell({0x01, 0x40, 0x00, 0x14, 0, 2})},
                                      false, order)};
    return make_index_block(cache(6, 49), d, bs, order);
}

// A non-unique index: the rowid is the last key column.
BlockImage leaf_block(uint32_t bs, int order)
{
    IndexBlockDef d = index_def(0, 2);
    const std::vector<uint8_t> rid = {0x01, 0x40, 0x00, 0x14, 0x00, 0x00};
    d.rows = {encode_leaf_row(0, 0, {}, {text_cell("ADAMS"), bytes_cell(rid)}),
                    encode_leaf_row(0x01, 2, {}, {null_cell(), bytes_cell(rid)})};
    d.deleted_rows = 1;
    return make_index_block(cache(6, 51), d, bs, order);
}

// A unique index keeps the rowid as the row's data part (kdxledsz 6).
BlockImage unique_leaf_block(uint32_t bs, int order)
{
    IndexBlockDef d = index_def(0, 1);
    d.key_size = 6;
    d.rows = {encode_leaf_row(0, 0, {0x01, 0x40, 0x00, 0x14, 0x00, 0x01}, {bytes_cell(number_bytes(7369))})};
    return make_index_block(cache(6, 53), d, bs, order);
}

// Prefix compression on the first of two key columns: two prefixes, the
// first covering two rows, the second one.
BlockImage prefix_leaf_block(uint32_t bs, int order)
{
    IndexBlockDef d = index_def(0, 3);
    d.lock_opcode = 0x20;
    d.prefix_col_count = 1;
    const std::vector<uint8_t> rid = {0x01, 0x40, 0x00, 0x14, 0x00, 0x03};
    d.rows = {encode_leaf_row(0, 0, {}, {text_cell("CLERK"), bytes_cell(rid)}),
                    encode_leaf_row(0, 0, {}, {text_cell("MANAGER"), bytes_cell(rid)}),
                    encode_leaf_row(0, 0, {}, {text_cell("ANALYST"), bytes_cell(rid)})};
    d.prefixes = {{encode_leaf_row(IROW_PREFIX, 0, {}, {bytes_cell(number_bytes(10))}), 2},
                  {encode_leaf_row(IROW_PREFIX, 0, {}, {bytes_cell(number_bytes(20))}), 3}};
    d.prefix_row_count = (uint16_t)d.prefixes.size();
    return make_index_block(cache(6, 54), d, bs, order);
}

// An index-organized table: the key, then the rest of the row as a data
// piece; the second row goes on in the overflow segment.
BlockImage iot_leaf_block(uint32_t bs, int order)
{
    IndexBlockDef d = index_def(0, 1);
    d.lock_opcode = 0x10;
    PieceLayout p;
    p.cells = {text_cell("BOSTON"), bytes_cell(number_bytes(3))};
    std::vector<uint8_t> first = encode_iot_row(0, 0, {bytes_cell(number_bytes(40))}, p, order);
    p.flag = ROW_H | ROW_F;
    p.next = {FILE5 + 90, 0};
    p.cells = {text_cell("DALLAS")};
    std::vector<uint8_t> second = encode_iot_row(0, 1, {bytes_cell(number_bytes(20))}, p, order);
    d.rows = {first, second};
    return make_index_block(cache(6, 55), d, bs, order);
}

// The index-organized table writer's leaf: keys sharing a prefix, row
// dependencies, the last row going on in the overflow segment.
BlockImage iot_writer_leaf(uint32_t bs, int order)
{
    PackerOptions shape;
    shape.block_size = bs;
    shape.order = order;
    shape.object_id = 70011;
    IotLayout iot;
    iot.key_columns = 2;
    iot.prefix_columns = 1;
    iot.row_dependencies = true;
    std::vector<LogicalRow> rows;
    for (int i = 0; i < 3; i++)
        rows.push_back(make_row({text_cell(i < 2 ? "US" : "UK"), bytes_cell(number_bytes(i + 1)),
                                 text_cell(i == 0 ? "Seattle" : i == 1 ? "Boston" : "London")}));
    std::vector<Rid> overflow = {{}, {}, {FILE5 + 91, 2}};
    return make_iot_leaf_block(shape, cache(6, 56), iot, rows, overflow, FILE5 + 55, FILE5 + 57);
}

BlockImage lob_block(uint8_t type, uint32_t bs, int order)
{
    LobBlockDef d;
    d.object_id = 70020;
    d.lob_id = {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x12, 0x34};
    d.version_base = 0x000a1300;
    d.version_wrap = 0;
    d.page_no = 1;
    d.pdba = FILE5 + 80;
    const std::string text = "The quick brown fox jumps over the lazy dog. ";
    for (uint32_t i = 0; i < 96; i++)
        d.data.push_back((uint8_t)text[i % text.size()]);
    return make_lob_block(cache(type, 81), d, bs, order);
}

} // namespace

std::vector<NamedBlock> make_dump_samples(uint32_t bs, int order)
{
    std::vector<NamedBlock> out;
    for (uint8_t format : {FMT_V10, FMT_V8, FMT_V7}) {
        FileHeaderDef f;
        f.cache.format = format;
        f.cache.rdba = FILE5 + 1;
        f.file_no = 5;
        f.ts_no = 4;
        f.rfile_no = 5;
        f.file_size = 1280;
        f.root_dba = format == FMT_V10 ? 0 : 0x00400179;
        std::string name = format == FMT_V10 ? "file_header_10g" : format == FMT_V8 ? "file_header_9i" : "file_header_7";
        out.push_back({name, make_file_header_block(f, bs, order)});
    }
    out.push_back({"freelist_segment_header_1", flm_header(1, bs, order)});
    out.push_back({"freelist_segment_header_4", flm_header(4, bs, order)});
    out.push_back({"assm_segment_header", assm_header(bs, order)});
    EmbDef emb;
    emb.next_rdba = 0;
    emb.object_id = 70001;
    emb.map = {{FILE5 + 100, 16}, {FILE5 + 116, 16}};
    out.push_back({"extent_map", make_emb_block(cache(18, 40), emb, bs, order)});
    emb.aux = {{FILE5 + 100, FILE5 + 102}, {FILE5 + 116, FILE5 + 117}};
    out.push_back({"assm_extent_map", make_emb_block(cache(36, 41), emb, bs, order)});
    out.push_back({"undo_header_14", undo_header(14, bs, order)});
    out.push_back({"undo_header_38", undo_header(38, bs, order)});
    out.push_back({"compatibility_segment", compat_block(bs, order)});
    out.push_back({"data_rows", data_block(bs, order)});
    out.push_back({"data_row_dependencies", rowdeps_block(bs, order)});
    out.push_back({"data_cluster", cluster_block(bs, order)});
    out.push_back({"data_compressed", compressed_block(bs, order)});
    out.push_back({"index_branch", branch_block(bs, order)});
    out.push_back({"index_leaf", leaf_block(bs, order)});
    out.push_back({"index_leaf_unique", unique_leaf_block(bs, order)});
    out.push_back({"index_leaf_prefix", prefix_leaf_block(bs, order)});
    out.push_back({"iot_leaf", iot_leaf_block(bs, order)});
    out.push_back({"iot_leaf_prefix_row_dependencies", iot_writer_leaf(bs, order)});
    out.push_back({"lob_27", lob_block(27, bs, order)});
    out.push_back({"lob_40", lob_block(40, bs, order)});
    return out;
}

BlockImage dump_sample(const std::string& name, uint32_t block_size, int order)
{
    for (NamedBlock& sample : make_dump_samples(block_size, order))
        if (sample.name == name)
            return sample.block;
    throw std::invalid_argument("no dump sample named " + name);
}

} // namespace zb
