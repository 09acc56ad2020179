// Rows of a table data block. The table directory (data header offset + 14,
// 4 bytes per table: first row directory index ub2, row count ub2) gives
// the table's share of the row directory; every directory entry is an
// offset from the data header offset, 0xFFFF for an empty slot or a small
// value for a link in the free-slot chain. A row is unloaded from its first
// piece (F); head pieces of migrated rows (H without F), continuation
// pieces and cluster key rows (K) are reached otherwise or not at all.

#include "base/byte_order.h"
#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "blocks/block_types.h"
#include "blocks/extent_map.h"
#include "engine/block_check.h"
#include "engine/block_decoders.h"
#include "engine/row_decode.h"
#include "engine/row_pool.h"
#include "engine/unload_engine.h"

void unload_block(const ub1* block, ub4 rdba, PUNLOAD_PARAMS params, PZEM_LIST rows, ub4 block_size,
                  const UNLOAD_CALLBACKS* callbacks)
{
    BLOCK_HEADER block_header;
    DATABLOCK_HEADER header;
    if (params == nullptr || params->table == nullptr ||
        !check_table_block(block, rdba, block_size, BCM_SEGMENT_BLOCK, params, &block_header, &header))
        return;
    params->segment_type = ST_TABLE;
    // Rows name the block by the address in its own header.
    if (header.block_type == DBT_INDEX)
        unload_iot_block(block, block_header.rdba, &block_header, params, rows, block_size, &header, callbacks);
    else if (header.block_type != DBT_DATA) {
        PTABLE table = params->table;
        ub4 file_no = rdba_file_no(rdba, table->ts_no);
        ub4 block_no = rdba_block_no(rdba, table->ts_no);
        sp_printf("block is not a data block,rfile#=%u,block#=%u\n", file_no, block_no);
        note_damaged_block(&table->damage, DMG_NOT_DATA, file_no, block_no);
    } else if (is_compressed_table(&header))
        unload_compressed_data_block(block, block_header.rdba, &block_header, params, rows, block_size, &header,
                                     callbacks);
    else
        unload_data_block(block, block_header.rdba, &block_header, params, rows, block_size, &header, callbacks);
}

void unload_data_block(const ub1* block, ub4 rdba, const BLOCK_HEADER* /*block_header*/, PUNLOAD_PARAMS params,
                       PZEM_LIST rows, ub4 block_size, const DATABLOCK_HEADER* header,
                       const UNLOAD_CALLBACKS* callbacks)
{
    PTABLE table = params->table;
    if (table == nullptr || header->tab_cnt == 0 || table->table_index >= header->tab_cnt)
        return;
    const ub4 file_no = rdba_file_no(rdba, table->ts_no);
    const ub4 block_no = rdba_block_no(rdba, table->ts_no);
    if (header->tab_cnt > 1 && table->table_index == 0) {
        sp_printf("cluster table index must greater than 0,rfile#=%u,block#=%u\n", file_no, block_no);
        note_damaged_block(&table->damage, DMG_UNDECODABLE, file_no, block_no);
        return;
    }
    ub2 first;
    ub2 count;
    if (!get_tab_dir_entry(block, header, table->table_index, &first, &count, block_size)) {
        note_damaged_block(&table->damage, DMG_BAD_HEADER, file_no, block_no);
        return;
    }
    ub8 max_rows = config_data.max_rows;
    int unload_deleted = config_data.unload_deleted;
    const UNLOAD_PIECE_CALLBACK whole_row = callbacks != nullptr && callbacks->unload_block_callback == nullptr
                                                ? callbacks->unload_piece_callback
                                                : nullptr;
    bool key_cnt_known = false;
    ub4 block_key_cnt = 0;
    // The row directory ends at row_cnt entries or at the tail, whichever
    // comes first; bounded once here, its entries are read directly.
    const ub4 dir_offset = get_row_dir_offset(header);
    ub4 dir_cnt = get_fitting_entry_count(block_size, dir_offset, ROW_DIR_ENTRY_SIZE, header->row_cnt);
    // A directory that runs past the tail, or a table whose rows run past
    // the directory: the block is counted once as damaged, and what can be
    // read of it still is.
    bool bad_directory = dir_cnt < header->row_cnt || (ub4)first + count > dir_cnt;
    if (bad_directory)
        note_damaged_block(&table->damage, DMG_BAD_HEADER, file_no, block_no);
    for (ub4 i = 0; i < count; i++) {
        if (max_rows != 0 && table->row_cnt >= max_rows)
            break;
        ub4 index = (ub4)first + i;
        if (index >= dir_cnt)
            break; // past the directory: so are the entries after it
        ub2 entry = get_ub2(block, dir_offset + ROW_DIR_ENTRY_SIZE * index);
        if (!check_row_pos(entry, header, block_size)) {
            // Empty slots and links of the free-slot chain are ordinary; an
            // offset past the block end is a row lost.
            if (entry != ROW_DIR_EMPTY_SLOT && header->data_header_offset + entry >= block_size)
                note_lost_row(&table->damage, file_no, block_no);
            continue;
        }
        ROW_PIECE piece;
        if (!get_row_piece(block, header->data_header_offset + entry, block_size, header, &piece)) {
            if (config_data.trace_level >= TL_MIN_TRACE)
                write_trace("row %u of block 0x%08x runs past the block end\n", i, rdba);
            note_lost_row(&table->damage, file_no, block_no);
            continue;
        }
        ub1 flag = piece.flag;
        if ((flag & RF_CLUSTER_KEY) || !(flag & RF_FIRST_PIECE) || ((flag & RF_DELETED_ROW) && unload_deleted != 1))
            continue;
        // Nearly every row: one piece, first and last, that the writer may
        // take whole.
        if (whole_row != nullptr &&
            (flag & (RF_FIRST_PIECE | RF_LAST_PIECE | RF_FROM_PREVIOUS | RF_CONTINUE_NEXT |
                     RF_CLUSTERED_TABLE_NUMBER)) == (RF_FIRST_PIECE | RF_LAST_PIECE) &&
            whole_row(block, piece.columns, piece.end, piece.col_cnt, rdba, i, params)) {
            table->row_cnt++;
            continue;
        }

        PROW_DATA row = add_engine_row(rows, table, rdba, i);
        if (row == nullptr)
            break;
        ROW_CURSOR cursor;
        init_row_cursor(&cursor, row, table);
        bool placed = true;
        if (flag & RF_CLUSTERED_TABLE_NUMBER) {
            if (!key_cnt_known) {
                block_key_cnt = get_block_key_column_count(block, block_size, header);
                key_cnt_known = true;
            }
            placed = unload_cluster_row(block, block_size, header, piece.cluster_key_index, block_key_cnt, &cursor,
                                        params, callbacks);
        }
        if (placed) {
            unload_piece_columns(block, &piece, &cursor, params, callbacks);
            if (!(flag & RF_LAST_PIECE) && !cursor.stopped && row->col_fact_cnt < row->col_cnt)
                follow_row_chain(table->ts_no, rdba, i, piece.next_rdba, piece.next_slot, table->table_index,
                                 &cursor, params, callbacks, 0);
        }
        // A row that stopped at damage, or whose chain broke before its last
        // piece, ends early.
        if (cursor.stopped || row->corrupted || (!cursor.ended && row->col_fact_cnt < row->col_cnt))
            note_cut_value(&table->damage, file_no, block_no);
        end_row(&cursor, params, callbacks);
        finish_engine_row(rows, row, callbacks);
    }
}
