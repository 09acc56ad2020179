// clean transaction and clean free_block_pool, on the editor's working copy
// (written only by a later sum apply), and the ITL and row lock cleaners
// that mark undo shares.
//
// ITL entry (24 bytes from offset 44): transaction id ub2 +0, ub2 +2, ub4 +4
// (all zero: a free entry); flag-and-lock ub2 +16, flags in the top 4 bits
// (C 8, B 4, U 2, T 1), the lock count in the low 12. A row's lock byte is
// the byte after its flag byte; it names the ITL that locks the row.

#include "bbed/bbed_clean.h"

#include "base/byte_order.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "bbed/bbed_module.h"
#include "blocks/block_header.h"
#include "blocks/index_rows.h"
#include "blocks/undo_header.h"
#include "blocks/segment_header.h"
#include "shell/shell.h"

namespace {

constexpr ub2 ITL_COMMITTED_NO_LOCKS = 0x8000;

ub4 usable_end(ub4 block_size)
{
    return block_size > BLOCK_TAIL_SIZE ? block_size - BLOCK_TAIL_SIZE : 0;
}

// Clears the lock byte of the row at `offset` (absolute) when it is set.
bool clear_lock_byte(ub1* buffer, ub4 offset, ub4 block_size)
{
    if (offset + 1 >= usable_end(block_size) || buffer[offset + 1] == 0)
        return false;
    buffer[offset + 1] = 0;
    return true;
}

// The second lock byte of an index-organized row: the data piece's, after
// the key columns the row holds itself.
bool clear_iot_piece_lock(ub1* buffer, ub4 offset, ub4 key_columns, ub4 block_size)
{
    ub4 end = usable_end(block_size);
    ub4 pos = offset + INDEX_ROW_HEADER_SIZE;
    for (ub4 j = 0; j < key_columns; j++) {
        const ub1* data;
        ub4 length;
        bool is_null;
        if (!get_index_key_column(buffer, &pos, end, &data, &length, &is_null))
            return false;
    }
    return clear_lock_byte(buffer, pos, block_size);
}

// The block being edited, or null (with the message) when no block is set
// or its working copy is already damaged.
ub1* sound_working_copy(const char* what, BLOCK_HEADER* header)
{
    if (bbed_env.datafile_item == nullptr || bbed_env.modified_buffer == nullptr) {
        sp_printf("Please set datafile for %s\n\n", what);
        return nullptr;
    }
    ub1* buffer = bbed_env.modified_buffer;
    get_block_header(buffer, header, bbed_env.block_size);
    if (!block_tail_match(header) || header->seq == BBED_CORRUPT_SEQ) {
        sp_printf("Current block is Corrupted\n");
        return nullptr;
    }
    return buffer;
}

void do_clean_fbp()
{
    BLOCK_HEADER header;
    ub1* buffer = sound_working_copy("clean free block pool", &header);
    if (buffer == nullptr)
        return;
    ub4 block_size = bbed_env.block_size;
    if (header.block_type != BT_UUNDO_HEADER) {
        sp_printf("The block is not the SYSTEM undo segment.\n");
        sp_printf("SYSTEM undo segment may be at file 1 block 9.\n");
        return;
    }
    FLM_HEADER flm;
    get_flm_header(buffer, &flm, block_size);
    ub4 control = get_undo_trans_control_offset(BT_UUNDO_HEADER, flm.map_offset, block_size);
    // The pool follows the control area; both must lie inside the block.
    if (control == 0 || get_trans_table_offset(control) > usable_end(block_size)) {
        sp_printf("Current block is Corrupted\n");
        return;
    }
    set_ub2(buffer, control + 20, 0);
    for (ub4 i = 0; i < FREE_BLOCK_POOL_ENTRIES; i++)
        set_ub4(buffer, control + TRANS_CONTROL_SIZE + i * FREE_BLOCK_POOL_ENTRY_SIZE, 0);
    sp_printf("Clean free block pool completed.you can use dump to verify the data, then can use sum apply "
              "command to save data.\n");
}

void do_clean_transaction()
{
    BLOCK_HEADER header;
    ub1* buffer = sound_working_copy("clean transaction", &header);
    if (buffer == nullptr)
        return;
    ub4 block_size = bbed_env.block_size;
    if (header.block_type != BT_DATA) {
        sp_printf("The block is not a DATA block.\n");
        return;
    }
    CLEAN_RESULT result;
    int changed = do_clean_itl(buffer, block_size, &result);
    show_clean_result(&result);
    if (changed)
        sp_printf("Clean transaction completed.you can use dump to verify the data, then can use sum apply "
                  "command to save data.\n");
}

} // namespace

int clean_datablock_row_lock(ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size, PCLEAN_RESULT result)
{
    if (is_compressed_table(header)) {
        result->compressed = 1;
        return FALSE;
    }
    ub4 count = 0;
    for (ub4 t = 0; t < header->tab_cnt; t++) {
        ub2 first;
        ub2 rows;
        if (!get_tab_dir_entry(buffer, header, t, &first, &rows, block_size))
            break;
        for (ub4 i = 0; i < rows; i++) {
            ub2 entry;
            if (!get_row_dir_entry(buffer, header, (ub4)first + i, &entry, block_size))
                break;
            if (!check_row_pos(entry, header, block_size))
                continue;
            ub4 offset = header->data_header_offset + entry;
            if (offset + 1 >= usable_end(block_size) || buffer[offset] == 0)
                continue;
            buffer[offset + 1] = 0;
            count++;
        }
    }
    result->row_lock_count += count;
    return count != 0 ? TRUE : FALSE;
}

int clean_indexblock_row_lock(ub1* buffer, const DATABLOCK_HEADER* header, ub4 block_size, PCLEAN_RESULT result)
{
    IOT_LEAF rows;
    if (!get_index_rows(buffer, block_size, header, &rows) || rows.index.common.block_level != 0)
        return FALSE;
    const INDEX_HEADER& ih = rows.index;
    ub4 count = 0;
    for (ub4 p = 0; p < rows.prefix_cnt; p++) {
        ub2 entry;
        ub2 limit;
        get_index_prefix_entry(buffer, &rows, p, &entry, &limit);
        if (check_index_row_pos(entry, header, block_size) &&
            clear_lock_byte(buffer, header->data_header_offset + entry, block_size))
            count++;
    }
    bool iot = is_iot(ih.common.lock_opcode);
    ub4 key_columns = ih.common.columns_in_key > ih.leaf.prefix_col_count
                          ? (ub4)ih.common.columns_in_key - ih.leaf.prefix_col_count
                          : 0;
    for (ub4 i = 0; i < rows.row_cnt; i++) {
        ub2 entry = get_index_row_entry(buffer, &rows, i);
        if (!check_index_row_pos(entry, header, block_size))
            continue;
        ub4 offset = header->data_header_offset + entry;
        if (clear_lock_byte(buffer, offset, block_size))
            count++;
        if (iot && clear_iot_piece_lock(buffer, offset, key_columns, block_size))
            count++;
    }
    result->row_lock_count += count;
    return count != 0 ? TRUE : FALSE;
}

int do_clean_itl(ub1* buffer, ub4 block_size, PCLEAN_RESULT result)
{
    *result = CLEAN_RESULT{};
    DATABLOCK_HEADER header;
    get_datablock_header(buffer, &header, block_size);
    for (ub4 i = 0; i < header.itl_cnt; i++) {
        ITL_ENTRY itl;
        if (!get_itl_entry(buffer, &header, i, &itl, block_size))
            break;
        if (itl.xid_usn == 0 && itl.xid_slot == 0 && itl.xid_seq == 0)
            continue;
        result->itl_count++;
        ub1 flags = (ub1)(itl.flag_lock >> 12);
        if (flags == 0 || flags == 2) {
            set_ub2(buffer, ITL_LIST_OFFSET + (size_t)i * ITL_ENTRY_SIZE + 16, ITL_COMMITTED_NO_LOCKS);
            result->itl_committed++;
        }
    }
    int rows = FALSE;
    if (header.block_type == DBT_DATA)
        rows = clean_datablock_row_lock(buffer, &header, block_size, result);
    else if (header.block_type == DBT_INDEX)
        rows = clean_indexblock_row_lock(buffer, &header, block_size, result);
    return result->itl_count != 0 || rows ? TRUE : FALSE;
}

void show_clean_result(const CLEAN_RESULT* result)
{
    sp_printf("Changed itl: %u\n", result->itl_count);
    if (result->compressed)
        sp_printf("Can not clear row block for compressed block.\n");
    else if (result->row_lock_count != 0)
        sp_printf("Clear row lock  0 for %u rows.\n", result->row_lock_count);
}

void do_bbed_clean(LINE_ARRAY tokens, int count)
{
    if (count == 2 && str_case_equal(tokens[1], "free_block_pool"))
        do_clean_fbp();
    else if (count == 2 && str_case_equal(tokens[1], "transaction"))
        do_clean_transaction();
    else
        show_cmd_format(CMD_BBED_CLEAN);
}
