// Classifying a block for the extent scan, and the LOB index leaf rows it
// records.
//
// LOB index leaf (a type-6 block of kind 2): the leaf header at the data
// header offset, its row directory 36 bytes further on, one ub2 per row,
// each an offset from the data header. A row:
//   +0 flag (0x01 deleted), +1 lock,
//   +2 key_size bytes of row data: the 16-byte LOB inode comes first in the
//      entry of a LOB's first page,
//   then the key columns, each behind a length: the 10-byte LOB id, then the
//   page number (4 bytes, big-endian).
// A key length is one byte; 0xFF is a null (length 0); a byte above 127
// starts a two-byte big-endian length whose low 12 bits count.

#include "scan/scan_block.h"

#include <cstring>

#include "base/byte_order.h"
#include "blocks/assm_header.h"
#include "blocks/index_header.h"
#include "blocks/lob_block.h"
#include "blocks/lob_locator.h"
#include "blocks/segment_header.h"

namespace {

constexpr ub4 LOBIND_PAGE_LEN = 4;
constexpr ub1 KEY_NULL = 0xFF;

// A key length at pos, not reading at or past end; FALSE when it does not fit.
bool read_key_length(const ub1* block, size_t pos, size_t end, ub4* length, size_t* width)
{
    if (pos >= end)
        return false;
    ub1 first = block[pos];
    if (first == KEY_NULL) {
        *length = 0;
        *width = 1;
    } else if (first > 127) {
        if (pos + 1 >= end)
            return false;
        *length = get_ub2_big(block, pos) & 0x0FFFu;
        *width = 2;
    } else {
        *length = first;
        *width = 1;
    }
    return true;
}

bool is_lob_index_leaf(const INDEX_HEADER* index)
{
    return index->common.block_level == 0 && index->common.flag == 0 && index->common.columns_in_key == 2 &&
           index->leaf.key_size >= LOB_INODE_LEN;
}

// The outcome of one leaf row.
enum { ROW_SKIPPED, ROW_ENTRY, ROW_NOT_LOB_KEY };

int get_lobindex_row(const ub1* block, size_t row, size_t end, ub4 key_size, PDICT_LOBIND entry)
{
    if (row + 2 > end || (block[row] & KDXODEL) != 0)
        return ROW_SKIPPED;
    size_t inode_at = row + 2;
    size_t pos = inode_at + key_size;
    ub4 length = 0;
    size_t width = 0;
    if (!read_key_length(block, pos, end, &length, &width) || length != LOBID_LEN)
        return ROW_NOT_LOB_KEY;
    size_t lobid_at = pos + width;
    pos = lobid_at + LOBID_LEN;
    if (!read_key_length(block, pos, end, &length, &width) || length != LOBIND_PAGE_LEN)
        return ROW_NOT_LOB_KEY;
    pos += width;
    if (pos + LOBIND_PAGE_LEN > end)
        return ROW_NOT_LOB_KEY;
    if (get_ub4_big(block, pos) != 0)
        return ROW_SKIPPED; // only the entry of the first page carries the inode
    LOB_INODE inode;
    get_lob_inode(block + inode_at, key_size, &inode);
    LOB_ID_PARTS id = get_lob_id_parts(block + lobid_at);
    memset(entry, 0, sizeof(*entry));
    entry->lob_id1 = id.id1;
    entry->lob_id2 = id.id2;
    entry->lob_id3 = id.id3;
    entry->version1 = get_ub4(inode.version, 0);
    entry->version2 = get_ub2(inode.version, 4);
    entry->blocks = inode.blocks;
    entry->bytes = inode.bytes;
    return ROW_ENTRY;
}

} // namespace

void get_scanned_block(const ub1* block, ub4 block_size, int check_tail, PSCANNED_BLOCK result)
{
    result->kind = SCAN_BLOCK_OTHER;
    result->object_id = 0;
    result->lob_index_candidate = FALSE;
    if (!get_block_header(block, &result->block_header, block_size)) {
        result->block_type = BT_INVALID;
        result->kind = SCAN_BLOCK_DAMAGED;
        return;
    }
    result->block_type = result->block_header.block_type;
    if (check_tail && !block_tail_match(&result->block_header)) {
        result->kind = SCAN_BLOCK_DAMAGED;
        return;
    }
    switch (result->block_type) {
    case BT_UDATA_HEADER:
    case BT_UDATA_HEADER_FLG: {
        FLM_HEADER flm;
        get_flm_header(block, &flm, block_size);
        result->kind = SCAN_BLOCK_SEGMENT_HEADER;
        result->object_id = flm.object_id;
        break;
    }
    case BT_ASSM_HEADER: {
        ASSM_HEADER assm;
        get_assm_header(block, &assm, block_size);
        result->kind = SCAN_BLOCK_SEGMENT_HEADER;
        result->object_id = assm.object_id;
        break;
    }
    case BT_DATA:
        get_datablock_header(block, &result->data_header, block_size);
        result->kind = SCAN_BLOCK_DATA;
        result->object_id = result->data_header.object_id;
        result->lob_index_candidate = result->object_id != 0 && result->data_header.block_type == DBT_INDEX;
        break;
    case BT_LOB_DATA:
    case BT_MLOB_DATA:
        result->kind = SCAN_BLOCK_LOB_PAGE;
        break;
    default:
        break;
    }
}

void get_scanned_lobpage(const ub1* block, ub4 block_size, PDICT_LOBPAGE page)
{
    memset(page, 0, sizeof(*page));
    LOB_BLOCK_HEADER header;
    if (!get_lob_block_header(block, &header, block_size))
        return;
    page->data_object_id = header.object_id;
    page->lob_id1 = header.lob_id_high;
    page->lob_id2 = header.lob_id_mid;
    page->lob_id3 = header.lob_id_low;
    page->version1 = header.version_base;
    page->version2 = header.version_wrap;
    page->page_no = header.page_no;
}

ub4 get_scanned_lobindex_entries(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* data_header,
                                 LOBIND_ENTRY_FUNC func, void* context)
{
    INDEX_HEADER index;
    if (block_size < BLOCK_MIN_SIZE || !get_index_header(block, data_header, &index, block_size) ||
        !is_lob_index_leaf(&index))
        return 0;
    size_t row_area = data_header->data_header_offset;
    size_t directory = row_area + LEAF_HEADER_SIZE;
    size_t end = block_size - BLOCK_TAIL_SIZE;
    ub4 found = 0;
    for (ub4 i = 0; i < index.common.row_count; i++) {
        size_t slot = directory + ROW_DIR_ENTRY_SIZE * (size_t)i;
        if (slot + ROW_DIR_ENTRY_SIZE > end)
            break; // the directory runs past the block: damaged count
        ub4 offset = get_ub2(block, slot);
        if (!check_row_pos(offset, data_header, block_size))
            continue;
        DICT_LOBIND entry;
        int outcome = get_lobindex_row(block, row_area + offset, end, index.leaf.key_size, &entry);
        if (outcome == ROW_NOT_LOB_KEY)
            break;
        if (outcome != ROW_ENTRY)
            continue;
        entry.data_object_id = data_header->object_id;
        func(context, &entry);
        found++;
    }
    return found;
}
