#include "builder/sample_blocks.h"

#include "blocks/assm_header.h"
#include "blocks/block_header.h"
#include "blocks/block_names.h"
#include "blocks/compat_segment.h"
#include "blocks/data_block.h"
#include "blocks/file_header.h"
#include "blocks/index_header.h"
#include "blocks/lob_block.h"
#include "blocks/segment_header.h"
#include "blocks/undo_header.h"
#include "builder/data_blocks.h"
#include "builder/file_blocks.h"
#include "builder/segment_blocks.h"
#include "builder/undo_blocks.h"
#include "scan/disk_block.h"
#include "storage/checksum.h"

namespace zb {

std::vector<BlockImage> make_sample_blocks(uint32_t block_size, int order)
{
    std::vector<BlockImage> out;
    auto cache = [](uint8_t type) {
        CacheHeader h;
        h.type = type;
        h.rdba = 0x01400011;
        return h;
    };
    for (uint8_t format : {FMT_V7, FMT_V8, FMT_V10}) {
        FileHeaderDef f;
        f.cache.format = format;
        f.file_no = 5;
        f.ts_no = 4;
        f.rfile_no = 5;
        f.file_size = 1000;
        out.push_back(make_file_header_block(f, block_size, order));
    }
    FlmHeaderDef flm;
    flm.control.map = {{0x01400002, 8}, {0x01400010, 8}};
    flm.freelists = 2;
    flm.segment_lists.resize(3);
    flm.transaction_lists.resize(2);
    out.push_back(make_flm_header_block(cache(16), flm, block_size, order));
    out.push_back(make_limited_header_block(cache(5), 77, flm.control.map, block_size, order));
    AssmHeaderDef assm;
    assm.control.map = flm.control.map;
    assm.aux = {{1, 2}, {3, 4}};
    assm.level2_dbas = {5, 6};
    out.push_back(make_assm_header_block(cache(35), assm, block_size, order));
    EmbDef emb;
    emb.map = flm.control.map;
    out.push_back(make_emb_block(cache(18), emb, block_size, order));
    emb.aux = assm.aux;
    out.push_back(make_emb_block(cache(36), emb, block_size, order));
    UndoHeaderDef undo;
    undo.control.map = flm.control.map;
    undo.trans_table.resize(3);
    undo.retention = {1, 2};
    out.push_back(make_undo_header_block(cache(14), undo, block_size, order));
    out.push_back(make_undo_header_block(cache(38), undo, block_size, order));
    CompatDef compat;
    compat.entries = {{"KQLFBSTR", {1, 2}}, {"X", {}}};
    out.push_back(make_compat_block(cache(13), compat, block_size, order));
    DataBlockDef data;
    data.trans.itls.resize(2);
    data.tables.resize(1);
    data.tables[0].rows.resize(2);
    data.tables[0].rows[0].piece = {0x2c, 0x00, 0x01, 0x01, 0x41};
    data.tables[0].rows[1].raw_entry = 0xffff;
    out.push_back(make_data_block(cache(6), data, block_size, order));
    data.trans.flag_byte = FLAG_BYTE_ASSM;
    data.compression.on = true;
    data.compression.fcls = {3};
    data.compression.perm = {0, 1, 2};
    data.tables.resize(2);
    out.push_back(make_data_block(cache(6), data, block_size, order));
    IndexBlockDef index;
    index.trans.itls.resize(2);
    index.lock_opcode = 0x20;
    index.rows = {{0, 0, 2, 0xc1, 2}};
    out.push_back(make_index_block(cache(6), index, block_size, order));
    index.level = 1;
    out.push_back(make_index_block(cache(6), index, block_size, order));
    LobBlockDef lob;
    lob.data = {1, 2, 3};
    out.push_back(make_lob_block(cache(27), lob, block_size, order));
    out.push_back(make_blank_block(block_size, order, cache(0)));
    return out;
}

namespace {

uint32_t walk_segment_headers(const uint8_t* b, uint32_t bs)
{
    uint32_t acc = 0;
    FLM_HEADER flm;
    get_flm_header(b, &flm, bs);
    ub4 lists = get_flm_freelist_count(&flm);
    for (ub4 i = 0; i < lists; i++) {
        FREELIST_ENTRY f;
        if (!get_freelist_entry(b, &flm, i, &f, bs))
            break;
        acc += f.head;
    }
    ub4 n = get_fitting_entry_count(bs, FLM_EXTENT_MAP_OFFSET, EXTENT_MAP_ENTRY_SIZE, flm.map_header_extents);
    for (ub4 i = 0; i < n; i++) {
        EXTENT_MAP_ENTRY e;
        get_extent_map_entry(b, FLM_EXTENT_MAP_OFFSET, i, &e, bs);
        acc += e.length;
    }
    get_limited_seg_header(b, &flm, bs);
    acc += flm.object_id;

    ASSM_HEADER assm;
    get_assm_header(b, &assm, bs);
    n = get_fitting_entry_count(bs, get_assm_aux_map_offset(&assm), ASSM_AUX_ENTRY_SIZE, assm.map_header_extents);
    for (ub4 i = 0; i < n; i++) {
        ASSM_AUX_ENTRY a;
        get_assm_aux_entry(b, get_assm_aux_map_offset(&assm), i, &a, bs);
        acc += a.data_rdba;
    }
    for (ub4 i = 0; i < assm.level2_cnt; i++) {
        ub4 dba;
        if (!get_assm_level2_dba(b, &assm, i, &dba, bs))
            break;
        acc += dba;
    }
    EMB_BLOCK emb;
    get_emb_block(b, &emb, bs);
    n = get_fitting_entry_count(bs, EMB_EXTENT_MAP_OFFSET, EXTENT_MAP_ENTRY_SIZE, emb.extents);
    for (ub4 i = 0; i < n; i++) {
        EXTENT_MAP_ENTRY e;
        get_extent_map_entry(b, EMB_EXTENT_MAP_OFFSET, i, &e, bs);
        acc += e.start_rdba;
    }
    return acc;
}

uint32_t walk_data_block(const uint8_t* b, uint32_t bs)
{
    uint32_t acc = 0;
    DATABLOCK_HEADER d;
    get_datablock_header(b, &d, bs);
    for (ub4 i = 0; i < d.itl_cnt; i++) {
        ITL_ENTRY itl;
        if (!get_itl_entry(b, &d, i, &itl, bs))
            break;
        char name[ITL_FLAGNAME_LEN + 1];
        acc += itl.xid_seq + (ub1)set_datablock_hflag_name((ub1)(itl.flag_lock >> 12), name)[0];
    }
    for (ub4 i = 0; i < d.fcls_9ir2_cnt; i++) {
        ub2 v;
        if (!get_fcls_9ir2(b, &d, i, &v, bs))
            break;
        acc += v;
    }
    for (ub4 i = 0; i < d.perm_9ir2_cnt; i++) {
        ub1 v;
        if (!get_perm_9ir2(b, &d, i, &v, bs))
            break;
        acc += v;
    }
    for (ub4 t = 0; t < d.tab_cnt; t++) {
        ub2 first, count;
        if (!get_tab_dir_entry(b, &d, t, &first, &count, bs))
            break;
        acc += first + count;
    }
    for (ub4 r = 0; r < d.row_cnt; r++) {
        ub2 offset;
        if (!get_row_dir_entry(b, &d, r, &offset, bs))
            break;
        if (check_row_pos(offset, &d, bs) && d.data_header_offset + offset < bs)
            acc += b[d.data_header_offset + offset];
    }
    INDEX_HEADER ih;
    get_index_header(b, &d, &ih, bs);
    acc += ih.common.row_count + ih.leaf.prefix_row_count + ih.branch.left_most_child_block;
    return acc;
}

uint32_t walk_undo_and_others(const uint8_t* b, uint32_t bs, const BLOCK_HEADER& bh)
{
    uint32_t acc = 0;
    FLM_HEADER flm;
    get_flm_header(b, &flm, bs);
    ub4 control = get_undo_trans_control_offset(bh.block_type, flm.map_offset, bs);
    if (control != 0) {
        TRANS_CONTROL_HEADER t;
        get_trans_control_header(&t, b, control, bs);
        acc += t.inc;
        for (ub4 i = 0; i < FREE_BLOCK_POOL_ENTRIES; i++) {
            FREE_BLOCK_POOL_ENTRY p;
            get_free_block_pool_entry(&p, b, control, i, bs);
            acc += p.uba_dba;
        }
        ub4 at = get_trans_table_offset(control);
        for (ub4 i = 0; i < TRANS_TABLE_MAX_ENTRIES; i++, at += TRANS_TABLE_ENTRY_SIZE) {
            TRANS_TABLE_ENTRY e;
            get_trans_table_entry(&e, b, at, bs);
            if (e.wrap_no == 0)
                break;
            acc += e.dba;
        }
    }
    ub4 when;
    for (ub4 i = 0; i < flm.extents && get_retention_commit_time(b, flm.map_offset, i, &when, bs); i++)
        acc += when;

    COMPATBLOCK_HEADER ch;
    get_compatblock_header(b, &ch, bs);
    ub4 at = get_compat_first_entry_offset(&ch);
    for (ub4 i = 0; i < ch.entries; i++) {
        COMPAT_ENTRY e;
        if (!get_compat_entry(b, at, &e, bs))
            break;
        for (ub4 k = 0; k < e.value_count; k++) {
            ub4 v;
            get_compat_entry_value(b, &e, k, &v, bs);
            acc += v;
        }
        at += e.size;
    }
    LOB_BLOCK_HEADER lob;
    get_lob_block_header(b, &lob, bs);
    acc += lob.page_no;
    return acc;
}

} // namespace

uint32_t walk_block_parsers(const uint8_t* block, uint32_t block_size)
{
    BLOCK_HEADER bh;
    get_block_header(block, &bh, block_size);
    uint32_t acc = block_tail_match(&bh) + (uint32_t)check_block_header(&bh, bh.block_type);
    acc += calc_block_checksum(block, block_size) + block_checksum_ok(block, block_size);
    acc += (ub1)get_block_type_name(bh.block_type)[0] + (ub1)get_block_format_name(bh.block_format)[0];
    DATAFILE_HEADER fh;
    get_datafile_header(block, &fh, &bh, block_size);
    acc += fh.relative_fn + (ub1)fh.tbs_name[0];
    acc += walk_segment_headers(block, block_size);
    acc += walk_data_block(block, block_size);
    acc += walk_undo_and_others(block, block_size, bh);
    // The disk scan's test of a candidate, expecting the block's own format.
    DISK_SCAN_CONTEXT scan = {block_size, block[1], 1};
    DISK_BLOCK_INFO found;
    acc += (uint32_t)get_disk_block_info(&scan, block, &found) + found.data_object_id;
    char row[ROW_FLAGNAME_LEN + 1];
    acc += (ub1)set_row_flag_name(bh.flag, row)[0];
    return acc;
}

std::vector<uint8_t> encode_block_fuzz_input(const BlockImage& block, bool tru64)
{
    std::vector<uint8_t> input(2 + (size_t)block.size());
    input[0] = (uint8_t)((block.order() == BIG ? 1 : 0) | (tru64 ? 2 : 0));
    input[1] = (uint8_t)(block.size() / 1024 - 1);
    for (uint32_t i = 0; i < block.size(); i++)
        input[2 + i] = block.data()[i];
    return input;
}

} // namespace zb
