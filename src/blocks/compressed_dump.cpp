// Dump of the rows of a basic-compressed data block: the symbol rows of
// table 0 and the data rows of table 1, each with its columns as the
// engine's symbol table expands them and its stored bytes. A row that
// cannot be expanded is named with the reason; the other rows still show.

#include <memory>

#include "base/byte_order.h"
#include "base/printer.h"
#include "blocks/block_dump.h"
#include "blocks/block_names.h"
#include "engine/row_decode.h"
#include "engine/symbol_table.h"

namespace {

void show_symbol_columns(const SYMBOL_COL* cols, ub4 count)
{
    for (ub4 k = 0; k < count; k++) {
        sp_printf("col %3u: ", k);
        if (cols[k].data == nullptr || cols[k].data_len == 0) {
            sp_printf("*NULL*\n");
            continue;
        }
        sp_printf("[%3u] ", cols[k].data_len);
        show_hex_bytes(cols[k].data, cols[k].data_len);
        sp_printf("\n");
    }
}

void show_bindmp(const ub1* bytes, ub4 length)
{
    sp_printf("bindmp:");
    show_hex_bytes(bytes, length);
    sp_printf("\n");
}

void show_symbol_rows(const SYMBOL_TABLE* symbols)
{
    for (ub4 r = 0; r < symbols->row_cnt; r++) {
        const SYMBOL_ROW* row = &symbols->rows[r];
        if (row->decompressed == SYMS_EMPTY || row->row_pos == ROW_DIR_EMPTY_SLOT)
            continue;
        sp_printf("tab 0, row %u, @0x%x\n", r, row->row_pos);
        if (row->decompressed != SYMS_DONE) {
            sp_printf("*** damaged: symbol row %u can not be expanded: %s ***\n", r,
                      get_symbol_error_text(row->error));
            continue;
        }
        sp_printf("tl: %u fb: --H-FL-- lb: 0x0  cc: %u\n", row->raw_data_len, row->col_cnt);
        show_symbol_columns(symbols->cols.data() + row->col_first, row->col_cnt);
        show_bindmp(row->raw_data, row->raw_data_len);
    }
}

void show_data_rows(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols)
{
    // One expanded row at a time; it is too large for the stack.
    std::unique_ptr<UNCOMPRESSED_ROW> out(new UNCOMPRESSED_ROW);
    ub4 end = cb->block_size - BLOCK_TAIL_SIZE;
    for (ub4 r = 0; r < cb->data_cnt; r++) {
        int error = parse_uncompress_table_row(cb, symbols, r, out.get());
        if (out->row_pos == ROW_DIR_EMPTY_SLOT)
            continue;
        sp_printf("tab 1, row %u, @0x%x\n", r, out->row_pos);
        if (error != SYM_OK) {
            sp_printf("*** damaged: data row %u can not be expanded: %s ***\n", r, get_symbol_error_text(error));
            continue;
        }
        ub4 start = cb->header->data_header_offset + out->row_pos;
        char flags[ROW_FLAGNAME_LEN + 1];
        sp_printf("tl: %u fb: %s lb: 0x%x  cc: %u\n", out->raw_len, set_row_flag_name(out->flag, flags), out->lock,
                  out->col_cnt);
        if (!(out->flag & RF_DELETED_ROW)) {
            if (!(out->flag & RF_LAST_PIECE)) {
                sp_printf("nrid:  0x%08x.%x\n", out->next_rdba, out->next_slot);
            } else {
                // The head rowid follows the column count of a migrated row's body.
                ub4 hrid = start + ROW_PIECE_HEADER_SIZE;
                if ((out->flag & RF_FIRST_PIECE) && !(out->flag & RF_HEAD_PIECE) && hrid + ROW_RID_SIZE <= end)
                    sp_printf("hrid:  0x%08x.%x\n", get_ub4_big(cb->block, hrid), get_ub2_big(cb->block, hrid + 4));
                show_symbol_columns(out->cols, out->col_cnt);
            }
        }
        show_bindmp(cb->block + start, out->raw_len);
    }
}

} // namespace

void show_compressed_datablock_rows(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size)
{
    sp_printf("Block Rows Dump:\n");
    COMPRESSED_BLOCK cb;
    if (!get_compressed_block(buffer, block_size, header, &cb)) {
        sp_printf("parse symbol table failed.\n\n");
        return;
    }
    SYMBOL_TABLE symbols;
    build_symbol_table(&cb, &symbols);
    show_symbol_rows(&symbols);
    show_data_rows(&cb, &symbols);
    free_symbol_table(&symbols);
    sp_printf("\n");
}
