// Rows of an index-organized table's leaf blocks (layout in iot_block.h).
// Each row delivers its key columns (those of its prefix first, in a
// prefix-compressed block), then the columns of the data piece after the
// key, and follows that piece into the overflow segment when the row does
// not end there. Branch blocks hold no rows and are passed over.

#include "engine/iot_block.h"

#include "base/byte_order.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "blocks/extent_map.h"
#include "engine/block_decoders.h"
#include "engine/row_pool.h"
#include "engine/whole_value.h"

int get_iot_leaf(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* datablock_header, PIOT_LEAF leaf)
{
    leaf->row_dir = leaf->row_cnt = leaf->prefix_dir = leaf->prefix_cnt = 0;
    if (!get_index_header(block, datablock_header, &leaf->index, block_size))
        return FALSE;
    const INDEX_COMMON_HEADER* common = &leaf->index.common;
    bool prefixed = is_compressed_index(common->lock_opcode);
    ub4 dir = datablock_header->data_header_offset + (prefixed ? LEAF_PREFIX_HEADER_SIZE : LEAF_HEADER_SIZE);
    if (common->flag & INDEX_ROWDEPENDENCIES)
        dir += IOT_ROWDEP_SIZE;
    leaf->row_dir = dir;
    leaf->row_cnt = get_fitting_entry_count(block_size, dir, ROW_DIR_ENTRY_SIZE, common->row_count);
    if (prefixed && leaf->row_cnt == common->row_count) {
        leaf->prefix_dir = dir + ROW_DIR_ENTRY_SIZE * leaf->row_cnt;
        leaf->prefix_cnt = get_fitting_entry_count(block_size, leaf->prefix_dir, 4, leaf->index.leaf.prefix_row_count);
    }
    return TRUE;
}

int get_iot_row_piece(const ub1* block, ub4 offset, ub4 block_size, const INDEX_HEADER* index, PROW_PIECE piece)
{
    // Every piece of a leaf row carries the dependency SCN when the index
    // keeps them; leaf rows have no cluster table number.
    return read_row_piece(block, offset, block_size, false, (index->common.flag & INDEX_ROWDEPENDENCIES) != 0, false,
                          piece);
}

namespace {

// Delivers `count` key columns from *pos; FALSE when one runs past the
// block (the rest of the row cannot be placed).
bool deliver_key_columns(const ub1* block, ub4* pos, ub4 end, ub4 count, PROW_CURSOR cursor,
                         PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    for (ub4 k = 0; k < count; k++) {
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_index_key_column(block, pos, end, &data, &length, &is_null))
            return false;
        if (!deliver_whole_value(cursor, data, length, is_null, params, callbacks))
            return false;
    }
    return true;
}

// The rest of a row in the overflow segment, read as chained pieces in the
// overflow's tablespace and data object. FALSE when the pieces loop.
bool follow_overflow(ub4 rdba, ub4 slot, const ROW_PIECE* piece, PROW_CURSOR cursor, PUNLOAD_PARAMS params,
                     const UNLOAD_CALLBACKS* callbacks)
{
    PTABLE table = params->table;
    // Without a known overflow segment (no dictionary) the pieces are
    // looked for in the table's own tablespace, of any data object.
    bool known = table->iot_data_obj_id != 0;
    ub4 ts_no = known ? table->iot_ts_no : table->ts_no;
    ub4 own_dataobj = table->dataobj_no;
    int strict = params->strict_dataobj;
    if (known)
        table->dataobj_no = table->iot_data_obj_id;
    else
        params->strict_dataobj = 0;
    int ended = follow_row_chain(ts_no, rdba, slot, piece->next_rdba, piece->next_slot, 0, cursor, params,
                                 callbacks, 1);
    table->dataobj_no = own_dataobj;
    params->strict_dataobj = strict;
    return ended != FALSE;
}

} // namespace

void unload_iot_block(const ub1* block, ub4 rdba, const BLOCK_HEADER* /*block_header*/, PUNLOAD_PARAMS params,
                      PZEM_LIST rows, ub4 block_size, const DATABLOCK_HEADER* datablock_header,
                      const UNLOAD_CALLBACKS* callbacks)
{
    PTABLE table = params->table;
    if (table == nullptr)
        return;
    ub4 file_no = rdba_file_no(rdba, table->ts_no);
    ub4 block_no = rdba_block_no(rdba, table->ts_no);
    IOT_LEAF leaf;
    if (!get_iot_leaf(block, block_size, datablock_header, &leaf)) {
        sp_printf("file %u block %u: index header lies past the block end\n", file_no, block_no);
        note_damaged_block(&table->damage, DMG_BAD_HEADER, file_no, block_no);
        return;
    }
    const INDEX_COMMON_HEADER* common = &leaf.index.common;
    if (common->block_level > 0)
        return; // branch blocks hold keys and child addresses only
    if (!is_iot(common->lock_opcode)) {
        // The leaves of an ordinary index (sampled as an object, say) come by
        // the thousand: the first is named, all are counted.
        if (table->damage.blocks[DMG_UNDECODABLE] == 0) {
            sp_printf("file %u block %u: ", file_no, block_no);
            sp_printf("block is not a iot index block\n");
        }
        note_damaged_block(&table->damage, DMG_UNDECODABLE, file_no, block_no);
        return;
    }
    if (leaf.row_cnt < common->row_count) {
        sp_printf("file %u block %u: row directory of %u rows runs past the block end, %u rows read\n", file_no,
                  block_no, common->row_count, leaf.row_cnt);
        table->damage.rows_lost += common->row_count - leaf.row_cnt;
    }
    const ub4 dh = datablock_header->data_header_offset;
    const ub4 end = block_size - BLOCK_TAIL_SIZE;
    const ub4 prefix_cols = leaf.index.leaf.prefix_col_count;
    const ub4 key_cols = common->columns_in_key;
    const ub4 own_key_cols = leaf.prefix_cnt > 0 && key_cols >= prefix_cols ? key_cols - prefix_cols : key_cols;
    ub8 max_rows = config_data.max_rows;
    ub4 prefix = 0; // the first prefix whose limit may still be above the row
    for (ub4 i = 0; i < leaf.row_cnt; i++) {
        if (max_rows != 0 && table->row_cnt >= max_rows)
            break;
        ub2 entry = get_ub2(block, leaf.row_dir + ROW_DIR_ENTRY_SIZE * i);
        if (!check_row_pos(entry, datablock_header, block_size) || dh + entry + 2 > end)
            continue;
        ub4 pos = dh + entry;
        if (block[pos] & KDXODEL)
            continue;
        pos += 2;

        PROW_DATA row = add_engine_row(rows, table, rdba, i);
        if (row == nullptr)
            break;
        ROW_CURSOR cursor;
        init_row_cursor(&cursor, row, table);
        bool readable = true;
        if (leaf.prefix_cnt > 0) {
            // Prefix rows whose flag lacks KDXOPREFIX, or that lie outside
            // the block, are passed over.
            for (; prefix < leaf.prefix_cnt; prefix++) {
                ub4 at = leaf.prefix_dir + 4 * prefix;
                ub2 limit = get_ub2(block, at + 2);
                ub2 prefix_entry = get_ub2(block, at);
                if (limit > i && dh + prefix_entry + 2 <= end && (block[dh + prefix_entry] & KDXOPREFIX))
                    break;
            }
            if (prefix < leaf.prefix_cnt) {
                ub4 prefix_pos = dh + get_ub2(block, leaf.prefix_dir + 4 * prefix) + 2;
                readable = deliver_key_columns(block, &prefix_pos, end, prefix_cols, &cursor, params, callbacks);
            } else {
                for (ub4 k = 0; k < prefix_cols; k++)
                    deliver_whole_value(&cursor, nullptr, 0, true, params, callbacks);
            }
        }
        if (readable)
            readable = deliver_key_columns(block, &pos, end, own_key_cols, &cursor, params, callbacks);
        ROW_PIECE piece;
        if (readable && get_iot_row_piece(block, pos, block_size, &leaf.index, &piece)) {
            unload_piece_columns(block, &piece, &cursor, params, callbacks);
            if (!(piece.flag & RF_LAST_PIECE) && !cursor.stopped && row->col_fact_cnt < row->col_cnt &&
                !follow_overflow(rdba, i, &piece, &cursor, params, callbacks)) {
                sp_printf("file %u block %u: the overflow pieces of iot row %u loop, its other columns are NULL\n",
                          file_no, block_no, i);
                table->damage.values_cut++;
            }
        } else {
            sp_printf("file %u block %u: iot row %u runs past the block end, its other columns are NULL\n",
                      file_no, block_no, i);
            table->damage.values_cut++;
        }
        end_row(&cursor, params, callbacks);
        finish_engine_row(rows, row, callbacks);
    }
}
