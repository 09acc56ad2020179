// Block checks before decoding, in this order: the tail word agrees with
// the cache header (only with db_block_checksum), the sequence byte (offset
// 14) is not 0xFF (a block marked corrupt), the stored checksum (offset 16)
// matches the block when one is present (flag 0x04 at offset 15, or a
// non-zero value; only with db_block_checksum), the type (offset 0) is 6,
// the data header fits the block, and the data object number (offset 24)
// is the table's when the request is strict about it.

#include "engine/block_check.h"

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "storage/checksum.h"

namespace {

// Where a block lies, for its messages: the relative file and block number
// of its address in the table's tablespace.
struct BLOCK_PLACE {
    ub4 file_no;
    ub4 block_no;
};

BLOCK_PLACE get_block_place(ub4 rdba, const UNLOAD_PARAMS* params)
{
    ub4 ts_no = params->table != nullptr ? params->table->ts_no : 0;
    return BLOCK_PLACE{rdba_file_no(rdba, ts_no), rdba_block_no(rdba, ts_no)};
}

// A block of the segment is counted in the table's damage by reason; a
// continuation piece's block is not (the row it would have completed is).
void note_skipped(int mode, const UNLOAD_PARAMS* params, int reason, BLOCK_PLACE place)
{
    if (mode == BCM_SEGMENT_BLOCK && params->table != nullptr)
        note_damaged_block(&params->table->damage, reason, place.file_no, place.block_no);
}

void print_corrupted(int mode, ub4 rdba, BLOCK_PLACE place)
{
    if (mode == BCM_CONTINUE)
        sp_printf("Corrupted continue block,rdba=%u,rfile#=%u,block#=%u\n", rdba, place.file_no, place.block_no);
    else
        sp_printf("Corrupted block,rdba=%u,rfile#=%u,block#=%u\n", rdba, place.file_no, place.block_no);
}

} // namespace

int check_table_block(const ub1* block, ub4 rdba, ub4 block_size, int mode, const UNLOAD_PARAMS* params,
                      PBLOCK_HEADER block_header, PDATABLOCK_HEADER datablock_header)
{
    if (block_size < BLOCK_MIN_SIZE || block_size > BLOCK_MAX_SIZE ||
        !get_block_header(block, block_header, block_size))
        return FALSE;
    BLOCK_PLACE place = get_block_place(rdba, params);
    if (config_data.db_block_checksum && !block_tail_match(block_header)) {
        print_corrupted(mode, rdba, place);
        note_skipped(mode, params, DMG_BAD_TAIL, place);
        return FALSE;
    }
    if (block_header->seq == 0xff) {
        print_corrupted(mode, rdba, place);
        note_skipped(mode, params, DMG_MARKED_CORRUPT, place);
        return FALSE;
    }
    if (config_data.db_block_checksum && ((block_header->flag & KCBHFCKV) || block_header->chkval != 0) &&
        block_header->chkval != calc_block_checksum(block, block_size)) {
        sp_printf("Block's checksum value failed error,rfile#=%u,block#=%u.\n", place.file_no, place.block_no);
        note_skipped(mode, params, DMG_CHECKSUM, place);
        return FALSE;
    }
    // Blocks of other kinds belong in a segment (its header, bitmap blocks,
    // blocks not yet formatted): passed over, not counted.
    if (block_header->block_type != BT_DATA) {
        if (mode == BCM_CONTINUE)
            sp_printf("block is not a data block,rfile#=%u,block#=%u\n", place.file_no, place.block_no);
        return FALSE;
    }
    // itl_cnt comes from the block: a data header pushed past the tail
    // leaves nothing to read.
    if (!get_datablock_header(block, datablock_header, block_size)) {
        if (config_data.trace_level >= TL_MIN_TRACE)
            write_trace("data header of block 0x%08x lies past the block end\n", rdba);
        note_skipped(mode, params, DMG_BAD_HEADER, place);
        return FALSE;
    }
    if (mode == BCM_CONTINUE && datablock_header->block_type != DBT_DATA) {
        sp_printf("block is not a data block,rfile#=%u,block#=%u\n", place.file_no, place.block_no);
        return FALSE;
    }
    const TABLE* table = params->table;
    if (params->strict_dataobj && table != nullptr && datablock_header->object_id != table->dataobj_no) {
        if (config_data.trace_level >= TL_MIN_TRACE)
            write_trace("block is not the block of dataobj %u, block's object_no : %u\n", table->dataobj_no,
                        datablock_header->object_id);
        note_skipped(mode, params, DMG_OTHER_OBJECT, place);
        return FALSE;
    }
    return TRUE;
}
