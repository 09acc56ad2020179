// The LOB index: its root found from the index segment header and kept per
// column for a table's unload, a descent to the leftmost leaf that can hold
// a value's entries, and the walk along the leaves that gathers them.
//
// Index segment header: a freelist header (types 16, 17) keeps its extent
// map at 108 (start ub4, length ub4 per extent); the header is the first
// block of the first extent, so the root is the block after it. An ASSM
// header (type 35) names the first data block of its first extent in its
// auxiliary map: the ub4 at map_offset + 24.

#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "base/byte_order.h"
#include "base/config.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "blocks/assm_header.h"
#include "blocks/block_header.h"
#include "blocks/lob_index.h"
#include "blocks/segment_header.h"
#include "engine/lob_read.h"
#include "engine/lob_unload.h"
#include "storage/block_reader.h"

namespace {

// A block of the LOB index: type 6, kind index, the index's data object,
// no index flag bits. Fills both headers.
bool is_lob_index_block(const ub1* block, ub4 block_size, const LOB_STORAGE* storage,
                        PDATABLOCK_HEADER datablock_header, PINDEX_HEADER index_header)
{
    BLOCK_HEADER header;
    if (!get_block_header(block, &header, block_size) || header.block_type != BT_DATA)
        return false;
    if (!get_datablock_header(block, datablock_header, block_size) || datablock_header->block_type != DBT_INDEX ||
        datablock_header->object_id != storage->ind_data_obj_id)
        return false;
    return get_index_header(block, datablock_header, index_header, block_size) && index_header->common.flag == 0;
}

PDATAFILE_ITEM index_file(const LOB_STORAGE* storage, ub4 rdba)
{
    ub4 ts_no = storage->ind_ts_no;
    PDATAFILE_ITEM file = get_datafile_item_rfn((int)ts_no, (int)rdba_file_no(rdba, ts_no));
    if (file == nullptr || file->block_size < (int)BLOCK_MIN_SIZE || file->block_size > (int)BLOCK_MAX_SIZE)
        return nullptr;
    return file;
}

bool read_index_block(const LOB_STORAGE* storage, ub4 rdba, ub1* buffer, ub4* block_size)
{
    PDATAFILE_ITEM file = index_file(storage, rdba);
    if (file == nullptr)
        return false;
    *block_size = (ub4)file->block_size;
    return read_buffered_block(file, rdba_block_no(rdba, storage->ind_ts_no), buffer, rdba) == 1;
}

ub4 next_block_rdba(ub4 rdba, ub4 ts_no)
{
    if (is_bigfile_ts(ts_no))
        return rdba + 1;
    return file_block_rdba(rdba_file_no(rdba, ts_no), rdba_block_no(rdba, ts_no) + 1);
}

} // namespace

ub4 get_index_root_dba(const LOB_STORAGE* storage)
{
    if (config_data.trace_level >= TL_INFO)
        write_trace("get_index_root_dba: start, dataobj_id=%u ts=%u,file=%u,block=%u\n", storage->ind_data_obj_id,
                    storage->ind_ts_no, storage->ind_file_no, storage->ind_block_no);
    PDATAFILE_ITEM file = get_datafile_item_rfn((int)storage->ind_ts_no, (int)storage->ind_file_no);
    if (file == nullptr || file->block_size < (int)BLOCK_MIN_SIZE || file->block_size > (int)BLOCK_MAX_SIZE)
        return 0;
    ub4 block_size = (ub4)file->block_size;
    ub4 header_rdba = file->big_file ? storage->ind_block_no : file_block_rdba(storage->ind_file_no,
                                                                             storage->ind_block_no);
    ub1 buffer[BLOCK_MAX_SIZE];
    if (read_buffered_block(file, storage->ind_block_no, buffer, header_rdba) != 1)
        return 0;
    BLOCK_HEADER header;
    get_block_header(buffer, &header, block_size);
    ub4 rdba = 0;
    if (header.block_type == BT_UDATA_HEADER || header.block_type == BT_UDATA_HEADER_FLG) {
        FLM_HEADER flm;
        get_flm_header(buffer, &flm, block_size);
        if (flm.object_id == storage->ind_data_obj_id && flm.extents > 0 && flm.map_header_extents > 0) {
            // The first extent starts with the header itself: the root follows
            // it, in the first extent or, when that holds the header alone,
            // at the start of the second.
            ub4 first = get_ub4(buffer, FLM_EXTENT_MAP_OFFSET);
            ub4 length = get_ub4(buffer, FLM_EXTENT_MAP_OFFSET + 4);
            if (length > 1)
                rdba = next_block_rdba(first, storage->ind_ts_no);
            else if (flm.map_header_extents > 1 && FLM_EXTENT_MAP_OFFSET + 12 <= block_size - BLOCK_TAIL_SIZE)
                rdba = get_ub4(buffer, FLM_EXTENT_MAP_OFFSET + 8);
        }
    } else if (header.block_type == BT_ASSM_HEADER) {
        ASSM_HEADER assm;
        get_assm_header(buffer, &assm, block_size);
        size_t at = (size_t)assm.map_offset + 24;
        if (assm.object_id == storage->ind_data_obj_id && assm.extents > 0 && at + 4 <= block_size - BLOCK_TAIL_SIZE)
            rdba = get_ub4(buffer, at);
    }
    if (config_data.trace_level >= TL_INFO)
        write_trace("get_index_root_dba: rdba=0x%08x,file_no=%u,block_no=%u\n", rdba,
                    rdba_file_no(rdba, storage->ind_ts_no), rdba_block_no(rdba, storage->ind_ts_no));
    return rdba;
}

void get_lob_ind_buffer(PCOLUMN column)
{
    free(column->lob_ind_buffer);
    column->lob_ind_buffer = nullptr;
    const LOB_STORAGE* storage = &column->lob_storage;
    if (storage->lob_obj_id == 0 || storage->ind_obj_id == 0)
        return;
    ub4 root = get_index_root_dba(storage);
    ub1 buffer[BLOCK_MAX_SIZE];
    ub4 block_size = 0;
    DATABLOCK_HEADER datablock_header;
    INDEX_HEADER index_header;
    if (root == 0 || !read_index_block(storage, root, buffer, &block_size) ||
        !is_lob_index_block(buffer, block_size, storage, &datablock_header, &index_header)) {
        if (config_data.trace_level >= TL_MIN_TRACE)
            write_trace("the LOB index of column %s has no readable root (0x%08x)\n", column->name, root);
        return;
    }
    column->lob_ind_buffer = (ub1*)malloc(block_size);
    if (column->lob_ind_buffer != nullptr)
        memcpy(column->lob_ind_buffer, buffer, block_size);
}

void get_columns_ind_buffer(PTABLE table)
{
    for (ub4 i = 0; table->cols != nullptr && i < table->col_cnt; i++) {
        PCOLUMN column = &table->cols[i];
        if ((column->ora_type == ORA_CLOB || column->ora_type == ORA_BLOB) && column->can_unload)
            get_lob_ind_buffer(column);
    }
}

ub4 search_lob_leaf_block(ub4 page_no, const COLUMN* column, const ub1* lobid, ub1* leaf, PLOB_VALUE value)
{
    const LOB_STORAGE* storage = &column->lob_storage;
    if (column->lob_ind_buffer == nullptr) {
        if (storage->ind_obj_id != 0)
            note_lob_trouble(value, "the root of its LOB index (segment header file %u block %u) cannot be read",
                             storage->ind_file_no, storage->ind_block_no);
        return 0;
    }
    PDATAFILE_ITEM root_file = get_datafile_item_rfn((int)storage->ind_ts_no, (int)storage->ind_file_no);
    if (root_file == nullptr || root_file->block_size < (int)BLOCK_MIN_SIZE ||
        root_file->block_size > (int)BLOCK_MAX_SIZE)
        return 0;
    ub4 block_size = (ub4)root_file->block_size;
    memcpy(leaf, column->lob_ind_buffer, block_size);
    BLOCK_HEADER header;
    get_block_header(leaf, &header, block_size);
    ub4 rdba = header.rdba;
    ub4 level_above = UB4_MAX;
    for (ub4 depth = 0;; depth++) {
        DATABLOCK_HEADER datablock_header;
        INDEX_HEADER index_header;
        if (!is_lob_index_block(leaf, block_size, storage, &datablock_header, &index_header)) {
            note_lob_trouble(value, "LOB index block 0x%08x is not a block of the LOB index", rdba);
            return 0;
        }
        ub4 level = index_header.common.block_level;
        // Every child lies one level below its parent: anything else points
        // back up, or around in a loop.
        if (level_above != UB4_MAX && level + 1 != level_above) {
            note_lob_trouble(value, "LOB index block 0x%08x (level %u) is not the child of a block at level %u", rdba,
                         level, level_above);
            return 0;
        }
        if (level == 0) {
            if (config_data.trace_level >= TL_DETAIL) {
                if (depth == 0)
                    write_trace("search_lob_leaf_block: get lob index first leaf block=index root block\n");
                else
                    write_trace("search_lob_leaf_block: get lob index first leaf block,rdba=0x%08x\n", rdba);
            }
            return rdba;
        }
        if (index_header.common.columns_in_key != 2 || depth >= MAX_LOB_INDEX_DEPTH)
            return 0;
        // The last row whose key is at or before (lobid, page_no) leads to
        // the leaf where the value's entries start; before the first row, the
        // leftmost child.
        ub4 child = index_header.branch.left_most_child_block;
        ub4 rows = get_lob_index_row_count(block_size, &datablock_header, &index_header);
        for (ub4 i = 0; i < rows; i++) {
            LOB_BRANCH_ROW row;
            if (!get_lob_branch_row(leaf, block_size, &datablock_header, &index_header, i, value->byte_order, &row))
                continue;
            if (comp_lob_index_key(lobid, page_no, &row.key) < 0)
                break;
            child = row.child;
        }
        if (child == 0)
            return 0;
        level_above = level;
        rdba = child;
        ub4 child_size = 0;
        if (!read_index_block(storage, child, leaf, &child_size) || child_size != block_size) {
            note_lob_trouble(value, "LOB index block 0x%08x cannot be read", child);
            return 0;
        }
    }
}

int parse_lob_ind_data(ub4 page_no, const COLUMN* column, const ub1* lobid, PLOB_INODE inode,
                       LOB_CHUNK_LIST* list, PLOB_VALUE value)
{
    ub1 leaf[BLOCK_MAX_SIZE];
    ub4 rdba = search_lob_leaf_block(page_no, column, lobid, leaf, value);
    if (rdba == 0)
        return FALSE;
    const LOB_STORAGE* storage = &column->lob_storage;
    PDATAFILE_ITEM file = index_file(storage, rdba);
    if (file == nullptr)
        return FALSE;
    ub4 block_size = (ub4)file->block_size;
    ub4 chunk_blocks = storage->chunk != 0 ? storage->chunk : 1;
    int found = FALSE;
    std::unordered_set<ub4> visited;
    bool done = false;
    while (!done) {
        visited.insert(rdba);
        DATABLOCK_HEADER datablock_header;
        INDEX_HEADER index_header;
        if (!is_lob_index_block(leaf, block_size, storage, &datablock_header, &index_header) ||
            index_header.common.block_level != 0 || index_header.common.columns_in_key != 2 ||
            index_header.leaf.key_size == 0) {
            note_lob_trouble(value, "LOB index block 0x%08x is not a leaf of the LOB index", rdba);
            break;
        }
        ub4 rows = get_lob_index_row_count(block_size, &datablock_header, &index_header);
        for (ub4 i = 0; i < rows && !done; i++) {
            LOB_LEAF_ROW row;
            if (!get_lob_leaf_row(leaf, block_size, &datablock_header, &index_header, i, value->byte_order, &row) ||
                (row.flag & KDXODEL))
                continue;
            int c = comp_lob_index_id(lobid, &row.key);
            if (c < 0) {
                done = true;
                break;
            }
            if (c > 0 || row.key.page_len != 4)
                continue;
            const ub1* data = leaf + row.data_offset;
            ub4 length = row.data_len;
            if (row.key.page_no == 0 && length >= LOB_INODE_LEN) {
                get_lob_inode(data, length, inode);
                found = TRUE;
                data += LOB_INODE_LEN;
                length -= LOB_INODE_LEN;
            }
            // An entry's page counts the chunks before it: one already had is
            // passed over, a missing one ends the list there.
            if (row.key.page_no < list->size())
                continue;
            if (row.key.page_no > list->size()) {
                note_lob_trouble(value, "the LOB index lacks the entry of chunk %u (leaf 0x%08x)", (ub4)list->size(),
                             rdba);
                done = true;
                break;
            }
            get_lob_chunks(data, length, chunk_blocks, list);
        }
        if (done)
            break;
        ub4 next = index_header.leaf.next_block;
        if (next == 0)
            break;
        if (config_data.trace_level >= TL_DETAIL)
            write_trace("parse_lob_ind_data: next leaf block rdba=0x%08x\n", next);
        if (visited.count(next) != 0) {
            note_lob_trouble(value, "the LOB index leaves loop at block 0x%08x", next);
            break;
        }
        ub4 next_size = 0;
        if (!read_index_block(storage, next, leaf, &next_size) || next_size != block_size) {
            note_lob_trouble(value, "LOB index block 0x%08x cannot be read", next);
            break;
        }
        rdba = next;
    }
    return found;
}
