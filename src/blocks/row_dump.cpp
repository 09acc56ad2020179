// Dump of the rows of an uncompressed data block, and of one row piece
// wherever it lies (also the data part of an index-organized table's leaf
// row). Pieces and columns are read with the row decoder's own readers
// (get_row_piece, get_row_column).
//
// Cluster key row (K): flag, lock, column count, then curc ub2 at 3, comc
// ub2 at 5 (file order), the previous and next key rowids at 7 and 13
// (big-endian rdba ub4 + slot ub2), the next piece at 19 when L is clear,
// then the key columns.

#include "base/byte_order.h"
#include "base/printer.h"
#include "blocks/block_dump.h"
#include "blocks/block_names.h"
#include "blocks/row_dump.h"
#include "engine/row_decode.h"

namespace {

constexpr ub4 KEY_ROW_CURC = 3;
constexpr ub4 KEY_ROW_COMC = 5;
constexpr ub4 KEY_ROW_PREV = 7;
constexpr ub4 KEY_ROW_NEXT = 13;

ub4 usable_end(ub4 block_size)
{
    return block_size > BLOCK_TAIL_SIZE ? block_size - BLOCK_TAIL_SIZE : 0;
}

bool fits(ub4 offset, ub4 size, ub4 end)
{
    return offset <= end && end - offset >= size;
}

void show_rid(const char* label, const ub1* buffer, ub4 at)
{
    sp_printf("%s0x%08x.%x\n", label, get_ub4_big(buffer, at), get_ub2_big(buffer, at + 4));
}

void show_key_row(const ub1* buffer, ub4 offset, ub4 block_size, ub1 col_cnt)
{
    ub4 end = usable_end(block_size);
    ub1 flag = buffer[offset];
    if (!fits(offset, CLUSTER_KEY_COLUMNS_OFFSET, end)) {
        sp_printf("\n");
        show_dump_damage("cluster key row header", offset);
        return;
    }
    if (col_cnt == 0)
        sp_printf(" nk: 0x%08x.%x", get_ub4_big(buffer, offset + KEY_ROW_NEXT),
                  get_ub2_big(buffer, offset + KEY_ROW_NEXT + 4));
    sp_printf("\n");
    ub4 columns = offset + CLUSTER_KEY_COLUMNS_OFFSET;
    if (!(flag & RF_LAST_PIECE)) {
        if (!fits(columns, ROW_RID_SIZE, end)) {
            show_dump_damage("next piece address", columns);
            return;
        }
        show_rid("nrid:  ", buffer, columns);
        columns += ROW_RID_SIZE;
    }
    if (col_cnt > 0)
        sp_printf("curc: %u  comc: %u  pk: 0x%08x.%x  nk: 0x%08x.%x\n", get_ub2(buffer, offset + KEY_ROW_CURC),
                  get_ub2(buffer, offset + KEY_ROW_COMC), get_ub4_big(buffer, offset + KEY_ROW_PREV),
                  get_ub2_big(buffer, offset + KEY_ROW_PREV + 4), get_ub4_big(buffer, offset + KEY_ROW_NEXT),
                  get_ub2_big(buffer, offset + KEY_ROW_NEXT + 4));
    show_row_columns(buffer, columns, end, col_cnt);
}

} // namespace

void show_row_columns(const ub1* buffer, ub4 pos, ub4 end, ub4 col_cnt)
{
    for (ub4 j = 0; j < col_cnt; j++) {
        ub4 at = pos;
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_row_column(buffer, &pos, end, &data, &length, &is_null)) {
            show_dump_damage("column", at);
            return;
        }
        sp_printf("col %3u: ", j);
        if (is_null) {
            sp_printf("*NULL*\n");
            continue;
        }
        sp_printf("[%3u] ", length);
        show_hex_bytes(data, length);
        sp_printf("\n");
    }
}

void show_row_piece(const ub1* buffer, ub4 offset, ub4 block_size, const DATABLOCK_HEADER* header)
{
    ub4 end = usable_end(block_size);
    if (!fits(offset, ROW_PIECE_HEADER_SIZE, end)) {
        show_dump_damage("row header", offset);
        return;
    }
    ub1 flag = buffer[offset];
    char flags[ROW_FLAGNAME_LEN + 1];
    sp_printf("fb: %s lb: 0x%x  cc: %u", set_row_flag_name(flag, flags), buffer[offset + 1], buffer[offset + 2]);
    if (flag & RF_CLUSTER_KEY) {
        show_key_row(buffer, offset, block_size, buffer[offset + 2]);
        return;
    }
    ROW_PIECE piece;
    bool whole = get_row_piece(buffer, offset, block_size, header, &piece);
    ub4 pos = offset + ROW_PIECE_HEADER_SIZE;
    if ((flag & RF_CLUSTERED_TABLE_NUMBER) && pos < end) {
        sp_printf(" cki: %u", buffer[pos]);
        pos++;
    }
    sp_printf("\n");
    if (!whole) {
        show_dump_damage("row piece header", pos);
        return;
    }
    if ((flag & RF_HEAD_PIECE) && (header->kdbh_flag & KDBH_FLAG_ROWDEPENDENCIES)) {
        sp_printf("dscn 0x%04x.%08x\n", get_ub2(buffer, pos), get_ub4(buffer, pos + 2));
        pos += ROW_DSCN_SIZE;
    }
    // A whole piece holds these fields before its columns.
    if ((flag & RF_FIRST_PIECE) && !(flag & RF_HEAD_PIECE))
        show_rid("hrid:  ", buffer, pos);
    if (!(flag & RF_LAST_PIECE))
        sp_printf("nrid:  0x%08x.%x\n", piece.next_rdba, piece.next_slot);
    show_row_columns(buffer, piece.columns, piece.end, piece.col_cnt);
}

void show_datablock_rows(const ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size)
{
    sp_printf("Block Rows Dump:\n");
    for (ub4 t = 0; t < header->tab_cnt; t++) {
        ub2 first;
        ub2 count;
        if (!get_tab_dir_entry(buffer, header, t, &first, &count, block_size))
            return;
        for (ub4 i = 0; i < count; i++) {
            ub2 entry;
            // The directories were dumped, damage marked, just before.
            if (!get_row_dir_entry(buffer, header, (ub4)first + i, &entry, block_size))
                break;
            if (!check_row_pos(entry, header, block_size))
                continue;
            sp_printf("tab %u, row %u, @0x%x\n", t, i, entry);
            show_row_piece(buffer, header->data_header_offset + entry, block_size, header);
        }
    }
}
