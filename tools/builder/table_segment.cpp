#include "builder/table_segment.h"

#include <set>
#include <stdexcept>

#include "builder/data_blocks.h"

namespace zb {

namespace {

struct SegmentBlocks {
    std::vector<uint32_t> below;
    std::vector<uint32_t> above;
};

// The segment's blocks other than its header and map blocks, split at the
// high-water mark as add_segment places it.
SegmentBlocks split_segment_blocks(const SegmentLayout& layout, const SegmentResult& placed)
{
    std::set<uint32_t> taken(layout.map_blocks.begin(), layout.map_blocks.begin() + (long)placed.map_rdbas.size());
    taken.insert(layout.extents[0].first_block);
    uint32_t hwm_extent = layout.hwm_extent < layout.extents.size() ? layout.hwm_extent : (uint32_t)layout.extents.size();
    SegmentBlocks blocks;
    for (uint32_t e = 0; e < layout.extents.size(); e++) {
        const ExtentBlocks& extent = layout.extents[e];
        for (uint32_t b = 0; b < extent.length; b++) {
            uint32_t block_no = extent.first_block + b;
            if (taken.count(block_no))
                continue;
            bool below = e < hwm_extent || (e == hwm_extent && b < layout.hwm_block);
            (below ? blocks.below : blocks.above).push_back(block_no);
        }
    }
    return blocks;
}

PackerOptions file_packer(const DatafileImage& file, const PackerOptions& given, const SegmentLayout& layout)
{
    PackerOptions shape = given;
    shape.block_size = file.def().block_size;
    shape.order = file.def().order;
    shape.object_id = layout.object_id;
    shape.assm = layout.header_type == 35;
    return shape;
}

// Packs rows into the listed blocks; returns how many blocks it used.
size_t pack_rows(DatafileImage& file, const PackerOptions& shape, const std::vector<uint32_t>& blocks,
                 const std::vector<LogicalRow>& rows, std::vector<Rid>* placed)
{
    size_t next = 0;
    TablePacker packer(
        shape,
        [&]() {
            if (next == blocks.size())
                throw std::length_error("the rows need more blocks than the segment has");
            return blocks[next++];
        },
        [&](uint32_t block_no) { return file.cache_header(6, block_no); },
        [&](uint32_t block_no, const BlockImage& block) { file.put(block_no, block); });
    for (const LogicalRow& row : rows)
        placed->push_back(packer.add(row));
    packer.finish();
    return next;
}

} // namespace

TableSegmentResult add_table_segment(DatafileImage& file, const TableSegmentLayout& shape,
                                     const std::vector<LogicalRow>& rows, const std::vector<LogicalRow>& stale_rows)
{
    SegmentLayout layout = shape.segment;
    layout.data_blocks = false;
    TableSegmentResult result;
    result.segment = add_segment(file, layout);
    SegmentBlocks blocks = split_segment_blocks(layout, result.segment);
    result.below = blocks.below;
    result.above = blocks.above;
    PackerOptions packer = file_packer(file, shape.packer, layout);
    size_t used = pack_rows(file, packer, blocks.below, rows, &result.rows);
    for (size_t i = used; i < blocks.below.size(); i++)
        file.put(blocks.below[i], make_empty_table_block(packer, file.cache_header(6, blocks.below[i])));
    if (!stale_rows.empty())
        pack_rows(file, packer, blocks.above, stale_rows, &result.stale_rows);
    return result;
}

BlockImage make_cluster_block(const PackerOptions& shape, const CacheHeader& header,
                              const std::vector<ClusterGroup>& groups, uint32_t table_count)
{
    DataBlockDef d;
    d.trans.object_id = shape.object_id;
    d.trans.flag_byte = shape.assm ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
    d.trans.itls.resize(shape.itl_count);
    d.kdbh_flag = (uint8_t)(0x01 | (shape.row_dependencies ? 0x20 : 0));
    d.tables.resize(table_count + 1);
    for (size_t g = 0; g < groups.size(); g++) {
        const ClusterGroup& group = groups[g];
        KeyRowLayout key;
        key.flag = (uint8_t)(ROW_K | ROW_H | ROW_F | ROW_L | (group.key_deleted ? ROW_D : 0));
        key.cells = group.key;
        for (const std::vector<LogicalRow>& rows : group.tables)
            key.rows_in_cluster = (uint16_t)(key.rows_in_cluster + rows.size());
        RowSlot key_slot;
        key_slot.piece = encode_key_row(key, shape.order);
        d.tables[0].rows.push_back(key_slot);
        for (size_t t = 0; t < group.tables.size() && t < table_count; t++)
            for (const LogicalRow& row : group.tables[t]) {
                std::vector<PieceColumns> parts = split_row(row);
                if (parts.size() != 1)
                    throw std::invalid_argument("clustered rows are written as single pieces");
                PieceLayout piece;
                piece.flag = (uint8_t)(ROW_H | ROW_F | ROW_L | (row.deleted ? ROW_D : 0));
                piece.lock = row.lock;
                piece.cluster_key_index = (int)g;
                piece.dscn = shape.row_dependencies;
                piece.cells = parts[0].cells;
                RowSlot slot;
                slot.piece = encode_piece(piece, shape.order);
                d.tables[t + 1].rows.push_back(slot);
            }
    }
    return make_data_block(header, d, shape.block_size, shape.order);
}

TableSegmentResult add_cluster_segment(DatafileImage& file, const ClusterSegmentLayout& shape,
                                       const std::vector<ClusterGroup>& groups)
{
    SegmentLayout layout = shape.segment;
    layout.data_blocks = false;
    TableSegmentResult result;
    result.segment = add_segment(file, layout);
    SegmentBlocks blocks = split_segment_blocks(layout, result.segment);
    result.below = blocks.below;
    result.above = blocks.above;
    PackerOptions packer = file_packer(file, shape.packer, layout);
    uint32_t per_block = shape.groups_per_block == 0 ? 1 : shape.groups_per_block;
    size_t next = 0;
    for (size_t g = 0; g < groups.size(); g += per_block) {
        if (next == blocks.below.size())
            throw std::length_error("the cluster needs more blocks than the segment has");
        uint32_t block_no = blocks.below[next++];
        std::vector<ClusterGroup> in_block(groups.begin() + (long)g,
                                           groups.begin() + (long)std::min(groups.size(), g + per_block));
        file.put(block_no, make_cluster_block(packer, file.cache_header(6, block_no), in_block, shape.table_count));
    }
    for (size_t i = next; i < blocks.below.size(); i++)
        file.put(blocks.below[i], make_empty_table_block(packer, file.cache_header(6, blocks.below[i])));
    return result;
}

} // namespace zb
