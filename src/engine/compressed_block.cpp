// Rows of a basic-compressed table block (layout in symbol_table.h). The
// symbol rows are expanded once per block; each data row is then expanded
// against them and its columns delivered in output order: column j is the
// stored column perm[j] when the block has a perm array that long, else
// stored column j. A row that cannot be expanded is reported and skipped,
// and the rest of the block still decodes.

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "engine/block_decoders.h"
#include "engine/row_decode.h"
#include "engine/row_pool.h"
#include "engine/symbol_table.h"
#include "engine/whole_value.h"

namespace {

void trace_arrays(const COMPRESSED_BLOCK* cb)
{
    write_trace("trace: fcls_9ir2[%u]={", cb->fcls_cnt);
    for (ub4 i = 0; i < cb->fcls_cnt; i++)
        write_trace(" %u", cb->fcls[i]);
    write_trace("}\n");
    write_trace("trace: perm_9ir2[%u]={", cb->perm_cnt);
    for (ub4 i = 0; i < cb->perm_cnt; i++)
        write_trace(" %u", cb->perm[i]);
    write_trace("}\n");
}

// The first symbol row that failed, for the block's one message.
void report_symbol_failures(const SYMBOL_TABLE* symbols, ub4 failed, ub4 file_no, ub4 block_no)
{
    for (ub4 r = 0; r < symbols->row_cnt; r++) {
        const SYMBOL_ROW* row = &symbols->rows[r];
        if (row->decompressed != SYMS_FAILED)
            continue;
        sp_printf("file %u block %u: %u symbol row(s) cannot be expanded, the first is row %u: %s\n", file_no,
                  block_no, failed, r, get_symbol_error_text(row->error));
        return;
    }
}

void deliver_row(const COMPRESSED_BLOCK* cb, const UNCOMPRESSED_ROW* stored, PROW_CURSOR cursor,
                 PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    ub4 n = stored->col_cnt;
    for (ub4 j = 0; j < n; j++) {
        if (cursor->stopped || cursor->row->col_fact_cnt >= cursor->row->col_cnt || cursor->column >= cursor->end)
            break;
        ub4 s = j < cb->perm_cnt ? cb->perm[j] : j;
        const ub1* data = nullptr;
        ub4 length = 0;
        if (s < n) {
            data = stored->cols[s].data;
            length = stored->cols[s].data_len;
        }
        deliver_whole_value(cursor, data, length, data == nullptr || length == 0, params, callbacks);
    }
}

} // namespace

void unload_compressed_data_block(const ub1* block, ub4 rdba, const BLOCK_HEADER* /*block_header*/,
                                  PUNLOAD_PARAMS params, PZEM_LIST rows, ub4 block_size,
                                  const DATABLOCK_HEADER* datablock_header, const UNLOAD_CALLBACKS* callbacks)
{
    PTABLE table = params->table;
    if (table == nullptr || !is_compressed_table(datablock_header))
        return;
    ub4 file_no = rdba_file_no(rdba, table->ts_no);
    ub4 block_no = rdba_block_no(rdba, table->ts_no);
    // Only blocks of exactly two tables are compressed blocks; others hold
    // nothing this decoder can read and yield nothing, without a message,
    // but they count in the table's summary (an empty one holds nothing).
    if (datablock_header->tab_cnt != 2) {
        if (datablock_header->tab_cnt != 0)
            note_damaged_block(&table->damage, DMG_UNDECODABLE, file_no, block_no);
        return;
    }
    COMPRESSED_BLOCK cb;
    if (!get_compressed_block(block, block_size, datablock_header, &cb)) {
        sp_printf("file %u block %u: ", file_no, block_no);
        sp_printf("parse symbol table failed.\n\n");
        note_damaged_block(&table->damage, DMG_UNDECODABLE, file_no, block_no);
        return;
    }
    if ((ub4)cb.data_first + cb.data_cnt > cb.dir_cnt) {
        sp_printf("file %u block %u: ", file_no, block_no);
        sp_printf("uncompress table failed.\n\n");
        note_damaged_block(&table->damage, DMG_UNDECODABLE, file_no, block_no);
        return;
    }
    SYMBOL_TABLE symbols;
    ub4 failed = build_symbol_table(&cb, &symbols);
    if (failed > 0)
        report_symbol_failures(&symbols, failed, file_no, block_no);
    if (config_data.trace_level >= TL_DETAIL)
        trace_arrays(&cb);

    UNCOMPRESSED_ROW row_columns; // filled by each parse before use
    PUNCOMPRESSED_ROW stored = &row_columns;
    ub8 max_rows = config_data.max_rows;
    for (ub4 r = 0; r < cb.data_cnt; r++) {
        if (max_rows != 0 && table->row_cnt >= max_rows)
            break;
        if (config_data.trace_level >= TL_DETAIL)
            write_trace("trace: cur_row=%u\n", r);
        int error = parse_uncompress_table_row(&cb, &symbols, r, stored);
        if (error != SYM_OK) {
            sp_printf("file %u block %u: compressed row %u skipped: %s\n", file_no, block_no, r,
                      get_symbol_error_text(error));
            table->damage.rows_lost++;
            continue;
        }
        ub1 flag = stored->flag;
        // Deleted rows keep only flag and lock; head pieces of migrated rows
        // are reached from their bodies.
        if (stored->row_pos == ROW_DIR_EMPTY_SLOT || !(flag & RF_FIRST_PIECE) ||
            (flag & (RF_CLUSTER_KEY | RF_DELETED_ROW)))
            continue;
        PROW_DATA row = add_engine_row(rows, table, rdba, r);
        if (row == nullptr)
            break;
        ROW_CURSOR cursor;
        init_row_cursor(&cursor, row, table);
        deliver_row(&cb, stored, &cursor, params, callbacks);
        // The rest of a row that did not fit lies in ordinary row pieces.
        if (!(flag & RF_LAST_PIECE) && !cursor.stopped && row->col_fact_cnt < row->col_cnt)
            follow_row_chain(table->ts_no, rdba, r, stored->next_rdba, stored->next_slot, table->table_index,
                             &cursor, params, callbacks, 0);
        end_row(&cursor, params, callbacks);
        finish_engine_row(rows, row, callbacks);
    }
    free_symbol_table(&symbols);
}
