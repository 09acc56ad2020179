// Chained and migrated rows. A row that does not fit in one block is split
// into pieces; every piece but the last ends with the address of the next
// (block address ub4 and slot ub2, big-endian). A migrated row leaves only
// its head piece (H without F) in the old block, pointing at the body.
// Pieces are read one block at a time through the block cache; the chain is
// followed until the row has all its columns, a piece cannot be read, or an
// address comes round again.

#include <cstdlib>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "blocks/block_header.h"
#include "engine/block_check.h"
#include "engine/row_decode.h"
#include "storage/block_reader.h"

namespace {

typedef struct _tag_piece_address {
    ub4 rdba;
    ub4 slot;
} PIECE_ADDRESS;

} // namespace

int check_continue_row(PZEM_LIST visited, ub4 rdba, ub4 slot)
{
    for (PZEM_LIST_ITEM item = visited->header; item != nullptr; item = item->next) {
        const PIECE_ADDRESS* address = (const PIECE_ADDRESS*)item->data;
        if (address->rdba == rdba && address->slot == slot)
            return 0;
    }
    PIECE_ADDRESS* address = (PIECE_ADDRESS*)malloc(sizeof(PIECE_ADDRESS));
    if (address == nullptr)
        return 0;
    address->rdba = rdba;
    address->slot = slot;
    add_zem_list_item(visited, address);
    return 1;
}

void unload_continue_row(ub4 ts_no, ub4* rdba, ub4* slot, ub1 table_index, PROW_CURSOR cursor,
                         PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks, ub1* buffer)
{
    ub4 address = *rdba;
    ub4 piece_slot = *slot;
    // Cleared first: every way out below ends the chain.
    *rdba = 0;
    *slot = 0;
    PDATAFILE_ITEM file = get_datafile_item_rfn((int)ts_no, (int)rdba_file_no(address, ts_no));
    if (file == nullptr || file->block_size < (int)BLOCK_MIN_SIZE || file->block_size > (int)BLOCK_MAX_SIZE)
        return;
    ub4 block_size = (ub4)file->block_size;
    if (!read_buffered_block(file, rdba_block_no(address, ts_no), buffer, address))
        return;
    BLOCK_HEADER block_header;
    DATABLOCK_HEADER header;
    if (!check_table_block(buffer, address, block_size, BCM_CONTINUE, params, &block_header, &header))
        return;
    if (header.tab_cnt == 0 || table_index >= header.tab_cnt)
        return;
    ub2 first;
    ub2 count;
    ub2 entry;
    if (!get_tab_dir_entry(buffer, &header, table_index, &first, &count, block_size) ||
        !get_row_dir_entry(buffer, &header, (ub4)first + piece_slot, &entry, block_size) ||
        !check_row_pos(entry, &header, block_size))
        return;
    ROW_PIECE piece;
    if (!get_row_piece(buffer, header.data_header_offset + entry, block_size, &header, &piece))
        return;
    if (piece.flag & (RF_CLUSTER_KEY | RF_HEAD_PIECE | RF_FIRST_PIECE | RF_DELETED_ROW))
        return;
    // A continuation piece of a clustered row may carry the cluster key
    // index again; the key columns were delivered with the first piece.
    unload_piece_columns(buffer, &piece, cursor, params, callbacks);
    if (!(piece.flag & RF_LAST_PIECE) && !cursor->stopped && cursor->row->col_fact_cnt < cursor->row->col_cnt) {
        *rdba = piece.next_rdba;
        *slot = piece.next_slot;
    }
}

int follow_row_chain(ub4 ts_no, ub4 head_rdba, ub4 head_slot, ub4 next_rdba, ub4 next_slot, ub1 table_index,
                     PROW_CURSOR cursor, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                     int iot_overflow)
{
    ub1* buffer = (ub1*)malloc(BLOCK_MAX_SIZE);
    if (buffer == nullptr)
        return TRUE;
    int ended = TRUE;
    ZEM_LIST visited;
    init_zem_list(&visited, nullptr);
    check_continue_row(&visited, head_rdba, head_slot);
    for (ub4 pieces = 0; next_rdba != 0; pieces++) {
        // Checked before the piece is read, so that a piece met again is
        // not delivered twice.
        if (pieces == MAX_CHAIN_PIECES || !check_continue_row(&visited, next_rdba, next_slot)) {
            sp_printf("loop migrating or chain,rfile#=%u,block#=%u\n", rdba_file_no(head_rdba, ts_no),
                      rdba_block_no(head_rdba, ts_no));
            ended = FALSE;
            break;
        }
        if (config_data.trace_level >= TL_DETAIL) {
            if (iot_overflow)
                write_trace("process iot overflow at 0x%08x.%x\n", next_rdba, next_slot);
            else
                write_trace("process row migrating or chain at 0x%08x.%x\n", next_rdba, next_slot);
        }
        ub4 calls = cursor->calls;
        unload_continue_row(ts_no, &next_rdba, &next_slot, table_index, cursor, params, callbacks, buffer);
        if (next_rdba != 0 && cursor->calls == calls)
            give_up_open_column(cursor, params, callbacks);
    }
    release_zem_list(&visited);
    free(buffer);
    return ended;
}
