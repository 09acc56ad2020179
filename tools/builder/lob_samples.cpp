#include "builder/lob_samples.h"

#include "blocks/block_header.h"
#include "blocks/data_block.h"
#include "blocks/lob_index.h"
#include "blocks/lob_locator.h"
#include "builder/lob_segment.h"
#include "engine/lob_read.h"

namespace zb {

namespace {

// Two values spanning several chunks in a small index of two levels.
DatafileImage sample_file(uint32_t block_size, int order, LobSegmentResult* placed)
{
    DatafileDef d;
    d.block_size = block_size;
    d.order = order;
    LobSegmentDef def;
    def.data_object = 71002;
    def.index_object = 71003;
    def.storage.in_row = false;
    def.storage.leaf_rows = 2;
    def.storage.chunk_blocks = 2;
    std::vector<LobContent> values = {{std::vector<uint8_t>(9 * (block_size - 60), 'a'), false},
                                      {std::vector<uint8_t>(40, 'b'), false}};
    d.blocks = 16 + lob_segments_blocks(block_size, def, values);
    DatafileImage file(d);
    *placed = add_lob_segments(file, 8, def, values);
    return file;
}

} // namespace

std::vector<BlockImage> make_lob_sample_blocks(uint32_t block_size, int order)
{
    LobSegmentResult placed;
    DatafileImage file = sample_file(block_size, order, &placed);
    std::vector<BlockImage> blocks = {file.at(placed.index_root), file.at(placed.leaf_blocks.at(0)),
                                      file.at(placed.data_blocks.at(0))};
    return blocks;
}

std::vector<uint8_t> make_lob_sample_column(uint32_t block_size, int order)
{
    LobSegmentDef def;
    def.data_object = 71002;
    def.index_object = 71003;
    DatafileDef d;
    d.block_size = block_size;
    d.order = order;
    std::vector<LobContent> values = {{std::vector<uint8_t>(5 * (block_size - 60), 'c'), false}};
    d.blocks = 16 + lob_segments_blocks(block_size, def, values);
    DatafileImage file(d);
    return add_lob_segments(file, 8, def, values).lobs.at(0).column;
}

uint32_t walk_lob_parsers(const uint8_t* bytes, uint32_t length, uint32_t block_size, int order)
{
    uint32_t acc = 0;
    LOB_LOCATOR locator;
    LOB_INODE inode;
    if (get_lob_locator(bytes, length, &locator))
        acc += locator.len + locator.lobid[9];
    if (length > LOB_LOCATOR_LEN && get_lob_inode(bytes + LOB_LOCATOR_LEN, length - LOB_LOCATOR_LEN, &inode))
        acc += inode.blocks + inode.bytes;
    LOB_CHUNK_LIST chunks;
    if (length > LOB_LOCATOR_LEN + LOB_INODE_LEN)
        acc += get_lob_chunks(bytes + 36, length - 36, 1 + bytes[0] % 4, &chunks);
    if (length != block_size)
        return acc;
    acc += get_blob_end_offset(bytes + 56, block_size - 60) + get_clob_end_offset(bytes + 56, block_size - 60, 1) +
           get_clob_end_offset(bytes + 56, block_size - 60, 0);
    BLOCK_HEADER header;
    DATABLOCK_HEADER datablock_header;
    INDEX_HEADER index_header;
    if (!get_block_header(bytes, &header, block_size) || !get_datablock_header(bytes, &datablock_header, block_size) ||
        !get_index_header(bytes, &datablock_header, &index_header, block_size))
        return acc;
    ub4 rows = get_lob_index_row_count(block_size, &datablock_header, &index_header);
    for (ub4 i = 0; i < rows; i++) {
        if (index_header.common.block_level > 0) {
            LOB_BRANCH_ROW row;
            if (get_lob_branch_row(bytes, block_size, &datablock_header, &index_header, i, order, &row))
                acc += row.child + (uint32_t)comp_lob_index_key(locator.lobid, 3, &row.key);
        } else {
            LOB_LEAF_ROW row;
            if (get_lob_leaf_row(bytes, block_size, &datablock_header, &index_header, i, order, &row)) {
                acc += bytes[row.data_offset + row.data_len - 1] + row.key.page_no;
                acc += (uint32_t)comp_lob_index_id(locator.lobid, &row.key);
                acc += get_lob_chunks(bytes + row.data_offset, row.data_len, 1, &chunks);
            }
        }
    }
    return acc;
}

} // namespace zb
