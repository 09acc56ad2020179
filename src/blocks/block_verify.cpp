#include "blocks/block_verify.h"

#include <cstring>

#include "blocks/block_header.h"
#include "blocks/data_block.h"
#include "blocks/index_rows.h"
#include "engine/row_decode.h"
#include "storage/checksum.h"

namespace {

ub4 usable_end(ub4 block_size)
{
    return block_size > BLOCK_TAIL_SIZE ? block_size - BLOCK_TAIL_SIZE : 0;
}

void note_row(PBLOCK_VERIFY result, bool whole, ub4 offset)
{
    result->rows++;
    if (whole)
        return;
    if (result->bad_rows == 0)
        result->first_bad_row = offset;
    result->bad_rows++;
}

bool data_row_is_whole(const ub1* buffer, ub4 offset, ub4 block_size, const DATABLOCK_HEADER* header)
{
    ub1 flag = buffer[offset];
    ROW_PIECE piece;
    // Cluster key rows and deleted rows keep no column list to follow.
    if ((flag & (RF_CLUSTER_KEY | RF_DELETED_ROW)) != 0)
        return offset + ROW_PIECE_HEADER_SIZE <= usable_end(block_size);
    if (!get_row_piece(buffer, offset, block_size, header, &piece))
        return false;
    ub4 pos = piece.columns;
    for (ub4 j = 0; j < piece.col_cnt; j++) {
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_row_column(buffer, &pos, piece.end, &data, &length, &is_null))
            return false;
    }
    return true;
}

void verify_data_rows(const ub1* buffer, ub4 block_size, const DATABLOCK_HEADER* header, PBLOCK_VERIFY result)
{
    for (ub4 t = 0; t < header->tab_cnt; t++) {
        ub2 first;
        ub2 count;
        if (!get_tab_dir_entry(buffer, header, t, &first, &count, block_size)) {
            result->header_ok = 0;
            return;
        }
        for (ub4 i = 0; i < count; i++) {
            ub2 entry;
            if (!get_row_dir_entry(buffer, header, (ub4)first + i, &entry, block_size)) {
                result->header_ok = 0;
                return;
            }
            if (!check_row_pos(entry, header, block_size))
                continue;
            ub4 offset = header->data_header_offset + entry;
            note_row(result, data_row_is_whole(buffer, offset, block_size, header), offset);
        }
    }
}

bool index_row_is_whole(const ub1* buffer, ub4 offset, ub4 end, const INDEX_HEADER* ih)
{
    bool branch = ih->common.block_level > 0;
    ub4 fixed = branch ? INDEX_BRANCH_CHILD_SIZE : INDEX_ROW_HEADER_SIZE + ih->leaf.key_size;
    if (end - offset < fixed)
        return false;
    ub4 pos = offset + fixed;
    ub4 columns = ih->common.columns_in_key;
    if (!branch)
        columns = columns > ih->leaf.prefix_col_count ? columns - ih->leaf.prefix_col_count : 0;
    for (ub4 j = 0; j < columns; j++) {
        if (branch && pos < end && buffer[pos] == INDEX_KEY_TERM)
            return true;
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_index_key_column(buffer, &pos, end, &data, &length, &is_null))
            return false;
    }
    return true;
}

void verify_index_rows(const ub1* buffer, ub4 block_size, const DATABLOCK_HEADER* header, PBLOCK_VERIFY result)
{
    IOT_LEAF rows;
    if (!get_index_rows(buffer, block_size, header, &rows) || rows.row_cnt < rows.index.common.row_count) {
        result->header_ok = 0;
        return;
    }
    ub4 end = usable_end(block_size);
    for (ub4 i = 0; i < rows.row_cnt; i++) {
        ub2 entry = get_index_row_entry(buffer, &rows, i);
        if (!check_index_row_pos(entry, header, block_size))
            continue;
        ub4 offset = header->data_header_offset + entry;
        note_row(result, index_row_is_whole(buffer, offset, end, &rows.index), offset);
    }
}

} // namespace

void verify_block(const ub1* buffer, ub4 block_size, ub4 expected_rdba, PBLOCK_VERIFY result)
{
    memset(result, 0, sizeof(*result));
    BLOCK_HEADER header;
    if (!get_block_header(buffer, &header, block_size))
        return;
    result->format_known = is_valid_block_format(header.block_format);
    result->rdba = header.rdba;
    result->rdba_ok = header.rdba == expected_rdba;
    result->tail_ok = (ub1)block_tail_match(&header);
    result->marked_corrupt = header.seq == 0xff;
    result->stored_checksum = header.chkval;
    result->computed_checksum = calc_block_checksum(buffer, block_size);
    result->checksum_ok = (ub1)block_checksum_ok(buffer, block_size);
    result->header_ok = 1;
    if (header.block_type != BT_DATA || block_size < BLOCK_MIN_SIZE)
        return;
    DATABLOCK_HEADER dbh;
    if (!get_datablock_header(buffer, &dbh, block_size)) {
        result->header_ok = 0;
        return;
    }
    if (dbh.block_type == DBT_DATA && !is_compressed_table(&dbh))
        verify_data_rows(buffer, block_size, &dbh, result);
    else if (dbh.block_type == DBT_INDEX)
        verify_index_rows(buffer, block_size, &dbh, result);
}

ub4 count_block_problems(const BLOCK_VERIFY* result)
{
    return (result->format_known ? 0u : 1u) + (result->rdba_ok ? 0u : 1u) + (result->tail_ok ? 0u : 1u) +
           (result->marked_corrupt ? 1u : 0u) + (result->checksum_ok ? 0u : 1u) + (result->header_ok ? 0u : 1u) +
           (result->bad_rows != 0 ? 1u : 0u);
}
