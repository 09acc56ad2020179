// mark undo: the STATUS$ of every undo segment in SYS.UNDO$ but segment 0
// becomes 5, written into the datafiles block by block after one
// confirmation, so that a database whose undo is lost can be opened.
//
// STATUS$ is a NUMBER: 5 is stored as 0xC1 0x06. US# 0 (the SYSTEM undo
// segment) is stored as the single byte 0x80.

#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/str_util.h"
#include "base/trace.h"
#include "base/zem_list.h"
#include "bbed/bbed_clean.h"
#include "bbed/bbed_mark_undo.h"
#include "bbed/bbed_module.h"
#include "blocks/block_header.h"
#include "dict/dict_columns.h"
#include "dict/dict_lookup.h"
#include "engine/extent_list.h"
#include "engine/row_decode.h"
#include "shell/shell.h"
#include "storage/block_reader.h"
#include "storage/checksum.h"

namespace {

constexpr ub1 STATUS_FIVE[2] = {0xc1, 0x06};
constexpr ub1 NUMBER_ZERO = 0x80;

typedef struct _tag_undo_columns {
    ub4 status_col; // segment column numbers, from 1
    ub4 us_col;
} UNDO_COLUMNS;

bool find_undo_columns(ub4 object_id, UNDO_COLUMNS* columns)
{
    ZEM_LIST list;
    init_zem_list(&list, nullptr);
    get_column_info(&list, object_id);
    columns->status_col = 0;
    columns->us_col = 0;
    for (PZEM_LIST_ITEM item = list.header; item != nullptr; item = item->next) {
        const COLUMN* column = (const COLUMN*)item->data;
        if (columns->status_col == 0 && str_case_equal(column->name, "STATUS$"))
            columns->status_col = column->segcol_no;
        if (columns->us_col == 0 && str_case_equal(column->name, "US#"))
            columns->us_col = column->segcol_no;
    }
    release_zem_list(&list);
    if (columns->status_col == 0) {
        sp_printf("Can not get STATUS$ column of table 'SYS.UNDO$'.\n");
        return false;
    }
    if (columns->us_col == 0) {
        sp_printf("Can not get US# column of table 'SYS.UNDO$'.\n");
        return false;
    }
    return true;
}

// Sets STATUS$ of the row whose first piece is at `offset`; true when it did.
bool mark_undo_row(ub1* buffer, ub4 offset, ub4 block_size, const DATABLOCK_HEADER* header,
                   const UNDO_COLUMNS* columns)
{
    ROW_PIECE piece;
    if (!get_row_piece(buffer, offset, block_size, header, &piece))
        return false;
    ub1 excluded = RF_CLUSTER_KEY | RF_DELETED_ROW | RF_CLUSTERED_TABLE_NUMBER;
    if (!(piece.flag & RF_FIRST_PIECE) || (piece.flag & excluded))
        return false;
    ub4 pos = piece.columns;
    for (ub4 col = 1; col <= columns->status_col && col <= piece.col_cnt; col++) {
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_row_column(buffer, &pos, piece.end, &data, &length, &is_null))
            return false;
        if (col == columns->us_col && length == 1 && data[0] == NUMBER_ZERO)
            return false;
        if (col == columns->status_col) {
            if (length != 2)
                return false;
            memcpy(buffer + (pos - length), STATUS_FIVE, sizeof(STATUS_FIVE));
            return true;
        }
    }
    return false;
}

} // namespace

// Returns the number of rows changed and written.
ub4 mark_undo_block(ub1* buffer, ub4 ts_no, ub4 rfile_no, ub4 block_no, ub4 dataobj_no, ub4 status_col, ub4 us_col,
                    ub4 block_size)
{
    BLOCK_HEADER block_header;
    get_block_header(buffer, &block_header, block_size);
    if (!block_tail_match(&block_header) || block_header.seq == BBED_CORRUPT_SEQ) {
        sp_printf("Corrupted block,rdba=%u\n", file_block_rdba(rfile_no, block_no));
        return 0;
    }
    if (config_data.db_block_checksum && !block_checksum_ok(buffer, block_size)) {
        sp_printf("Block's checksum value failed error.\n");
        return 0;
    }
    if (block_header.block_type != BT_DATA)
        return 0;
    DATABLOCK_HEADER header;
    get_datablock_header(buffer, &header, block_size);
    if (header.object_id != dataobj_no) {
        if (config_data.trace_level >= TL_MIN_TRACE)
            sp_printf("block is not the block of dataobj %u, block's object_no : %u\n", dataobj_no, header.object_id);
        return 0;
    }
    if (header.block_type != DBT_DATA) {
        sp_printf("block is not a data block\n");
        return 0;
    }
    if (is_compressed_table(&header)) {
        sp_printf("Can not modify compressed block.\n");
        return 0;
    }
    ub2 first;
    ub2 rows;
    if (header.tab_cnt != 1 || !get_tab_dir_entry(buffer, &header, 0, &first, &rows, block_size))
        return 0;
    UNDO_COLUMNS columns = {status_col, us_col};
    ub4 changed = 0;
    for (ub4 i = 0; i < rows; i++) {
        ub2 entry;
        if (!get_row_dir_entry(buffer, &header, (ub4)first + i, &entry, block_size))
            break;
        // An empty slot or a free-slot link is no row; the rows after it
        // still are.
        if (!check_row_pos(entry, &header, block_size))
            continue;
        if (mark_undo_row(buffer, header.data_header_offset + entry, block_size, &header, &columns))
            changed++;
    }
    if (changed == 0)
        return 0;
    CLEAN_RESULT result;
    do_clean_itl(buffer, block_size, &result);
    show_clean_result(&result);
    // The stored checksum must agree with the block as written, whatever
    // its flag says.
    set_ub2(buffer, BLOCK_CHECKSUM_OFFSET, calc_block_checksum(buffer, block_size));
    PDATAFILE_ITEM datafile = get_datafile_item_rfn((int)ts_no, (int)rfile_no);
    if (datafile == nullptr || !write_block(buffer, datafile, block_no))
        return 0;
    sp_printf("Change %u records of table UNDO$ at file_no %u block %u successful.\n", changed, rfile_no, block_no);
    return changed;
}

void mark_undo_extents(const ZEM_LIST* extents, const STORAGE_INFO* storage, ub4 status_col, ub4 us_col)
{
    if (config_data.trace_level > TL_MIN_TRACE) {
        sp_printf("\nUNDO$ extent list(extent map list):\n");
        for (PZEM_LIST_ITEM item = extents->header; item != nullptr; item = item->next) {
            const EXTENT_LIST_ITEM* e = (const EXTENT_LIST_ITEM*)item->data;
            sp_printf("    rdba: 0x%08x (file_no: %u,block_no: %u)  length: %u\n", e->start_rdba,
                      rdba_file_no(e->start_rdba, storage->ts_no), rdba_block_no(e->start_rdba, storage->ts_no),
                      e->length - e->hwm_blocks);
        }
    }
    ub1* buffer = (ub1*)malloc(BLOCK_MAX_SIZE);
    if (buffer == nullptr)
        return;
    for (PZEM_LIST_ITEM item = extents->header; item != nullptr; item = item->next) {
        const EXTENT_LIST_ITEM* e = (const EXTENT_LIST_ITEM*)item->data;
        if (is_extent_above_hwm(e))
            break;
        ub4 rfile = rdba_file_no(e->start_rdba, storage->ts_no);
        ub4 start = rdba_block_no(e->start_rdba, storage->ts_no);
        PDATAFILE_ITEM datafile = get_datafile_item_rfn((int)storage->ts_no, (int)rfile);
        if (datafile == nullptr || datafile->block_size <= 0 || (ub4)datafile->block_size > BLOCK_MAX_SIZE) {
            sp_printf("Can not found file information for extent, ts#=%u, start rfile#=%u, start block#=%u, extent "
                      "length=%u\n",
                      storage->ts_no, rfile, start, e->length);
            continue;
        }
        ub4 block_size = (ub4)datafile->block_size;
        ub4 blocks = e->length - e->hwm_blocks;
        for (ub4 n = 0; n < blocks; n++) {
            ub4 b = start + n;
            if (read_blocks(datafile, b, 1, buffer, get_datafile_block_rdba(datafile, b)) != 1) {
                sp_printf("read data from rfn %d block %d error.\n", (int)rfile, (int)b);
                break;
            }
            mark_undo_block(buffer, storage->ts_no, rfile, b, storage->dataobj_no, status_col, us_col, block_size);
        }
    }
    free(buffer);
}

void do_mark_undo_segment(LINE_ARRAY tokens, int count)
{
    if ((count != 2 && count != 3) || !str_case_equal(tokens[1], "undo")) {
        show_cmd_format(CMD_BBED_MARK);
        return;
    }
    ub4 user_id = 0;
    ub4 object_id = 0;
    if (parse_user_table("SYS.UNDO$", &user_id, &object_id, nullptr, nullptr, 0) != 0) {
        sp_printf("Can not find table infomation of table 'SYS.UNDO$'\n");
        return;
    }
    STORAGE_INFO storage;
    if (!get_storage_info(&storage, object_id)) {
        sp_printf("Can not get storage infomation of table 'SYS.UNDO$'\n");
        return;
    }
    sp_printf("UNDO$ information:object_id %u, data object id %u, header_file_no %u, header_block %u.\n",
              storage.obj_no, storage.dataobj_no, storage.file_no, storage.block_no);
    UNDO_COLUMNS columns;
    if (!find_undo_columns(object_id, &columns))
        return;
    ZEM_LIST extents;
    init_extent_list(&extents);
    if (!get_segment_extents(storage.ts_no, file_block_rdba(storage.file_no, storage.block_no), &extents)) {
        sp_printf("Can not get extents of table 'SYS.UNDO$'.\n");
        release_zem_list(&extents);
        return;
    }
    sp_printf("\nWarning: the command will overwrite original data.\n");
    if (!ask_to_continue()) {
        sp_printf("Not executed.\n\n");
        release_zem_list(&extents);
        return;
    }
    mark_undo_extents(&extents, &storage, columns.status_col, columns.us_col);
    sp_printf("\n");
    release_zem_list(&extents);
}
