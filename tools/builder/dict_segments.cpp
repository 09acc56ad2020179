// Segments sized to their rows: blocks handed out in order, extents of a
// chosen size (grown when a segment would need more than a header holds),
// the high-water mark one empty block after the last block with rows, and
// cluster blocks filled with as many key groups as fit.

#include <stdexcept>

#include "builder/data_blocks.h"
#include "builder/dict_internal.h"

namespace zb {

namespace {

constexpr uint32_t MAX_EXTENTS = 64;

PackerOptions packer_for(const DatafileImage& file, uint32_t object_id, uint8_t header_type)
{
    PackerOptions o;
    o.block_size = file.def().block_size;
    o.order = file.def().order;
    o.object_id = object_id;
    o.assm = header_type == 35;
    return o;
}

// The high-water mark `blocks` blocks into the extents (the header counted).
void set_high_water(SegmentLayout& layout, uint32_t blocks)
{
    uint32_t seen = 0;
    for (uint32_t e = 0; e < layout.extents.size(); e++) {
        if (blocks < seen + layout.extents[e].length) {
            layout.hwm_extent = e;
            layout.hwm_block = blocks - seen;
            return;
        }
        seen += layout.extents[e].length;
    }
    layout.hwm_extent = ~0u;
}

std::vector<uint32_t> blocks_after_header(const std::vector<ExtentBlocks>& extents)
{
    std::vector<uint32_t> blocks;
    for (const ExtentBlocks& e : extents)
        for (uint32_t b = 0; b < e.length; b++)
            blocks.push_back(e.first_block + b);
    blocks.erase(blocks.begin());
    return blocks;
}

uint32_t piece_size(const LogicalRow& row, int order)
{
    std::vector<PieceColumns> parts = split_row(row);
    if (parts.size() != 1)
        throw std::invalid_argument("clustered rows are written as single pieces");
    PieceLayout piece;
    piece.cluster_key_index = 0;
    piece.cells = parts[0].cells;
    return (uint32_t)encode_piece(piece, order).size();
}

} // namespace

std::vector<ExtentBlocks> BlockCursor::take(uint32_t blocks, uint32_t extent_blocks)
{
    if (extent_blocks == 0)
        extent_blocks = 1;
    if (blocks > extent_blocks * MAX_EXTENTS)
        extent_blocks = (blocks + MAX_EXTENTS - 1) / MAX_EXTENTS;
    std::vector<ExtentBlocks> extents;
    for (uint32_t have = 0; have < blocks || extents.empty(); have += extent_blocks) {
        extents.push_back({next_, extent_blocks});
        next_ += extent_blocks;
    }
    return extents;
}

uint32_t count_row_blocks(const PackerOptions& options, const std::vector<LogicalRow>& rows)
{
    uint32_t used = 0;
    TablePacker packer(
        options, [&]() { return 1000 + used++; },
        [&](uint32_t block_no) {
            CacheHeader h;
            h.type = 6;
            h.rdba = block_no;
            return h;
        },
        [](uint32_t, const BlockImage&) {});
    for (const LogicalRow& row : rows)
        packer.add(row);
    packer.finish();
    return used;
}

uint32_t table_segment_blocks(const DatafileImage& file, uint8_t header_type, const std::vector<LogicalRow>& rows)
{
    return 1 + count_row_blocks(packer_for(file, 0, header_type), rows) + 1;
}

TableSegmentResult write_table_segment(DatafileImage& file, const std::vector<ExtentBlocks>& extents,
                                       uint32_t object_id, uint8_t header_type, const std::vector<LogicalRow>& rows)
{
    TableSegmentLayout shape;
    shape.packer = packer_for(file, object_id, header_type);
    shape.segment.object_id = object_id;
    shape.segment.header_type = header_type;
    shape.segment.extents = extents;
    set_high_water(shape.segment, table_segment_blocks(file, header_type, rows));
    return add_table_segment(file, shape, rows);
}

TableSegmentResult add_sized_table_segment(DatafileImage& file, BlockCursor& cursor, uint32_t object_id,
                                           uint8_t header_type, uint32_t extent_blocks,
                                           const std::vector<LogicalRow>& rows)
{
    return write_table_segment(file, cursor.take(table_segment_blocks(file, header_type, rows), extent_blocks),
                               object_id, header_type, rows);
}

uint32_t write_header_segment(DatafileImage& file, const std::vector<ExtentBlocks>& extents, uint32_t object_id)
{
    SegmentLayout layout;
    layout.object_id = object_id;
    layout.extents = extents;
    layout.data_blocks = false;
    add_segment(file, layout);
    return layout.extents[0].first_block;
}

uint32_t add_header_segment(DatafileImage& file, BlockCursor& cursor, uint32_t object_id)
{
    return write_header_segment(file, cursor.take(1, 1), object_id);
}

std::vector<std::vector<ClusterGroup>> pack_cluster_groups(const PackerOptions& options,
                                                           const std::vector<ClusterGroup>& groups,
                                                           uint32_t table_count)
{
    TransHeaderDef trans;
    trans.flag_byte = options.assm ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
    trans.itls.resize(options.itl_count);
    // Data header, table directory, tail word and a little slack.
    uint32_t overhead = data_header_offset(trans) + 14 + 4 * (table_count + 1) + 4 + 16;
    if (options.block_size <= overhead)
        throw std::invalid_argument("block too small for a cluster block");
    uint32_t room = options.block_size - overhead;
    std::vector<std::vector<ClusterGroup>> blocks;
    uint32_t used = room;
    for (const ClusterGroup& g : groups) {
        KeyRowLayout key;
        key.cells = g.key;
        uint32_t key_size = (uint32_t)encode_key_row(key, options.order).size() + 2;
        uint32_t size = key_size;
        for (const std::vector<LogicalRow>& rows : g.tables)
            for (const LogicalRow& row : rows)
                size += piece_size(row, options.order) + 2;
        if (size <= room) {
            if (used + size > room) {
                blocks.emplace_back();
                used = 0;
            }
            blocks.back().push_back(g);
            used += size;
            continue;
        }
        // A key whose rows fill more than a block spreads over blocks of its
        // own, each with the key row again.
        ClusterGroup part;
        part.key = g.key;
        part.key_deleted = g.key_deleted;
        part.tables.resize(g.tables.size());
        used = key_size;
        for (size_t t = 0; t < g.tables.size(); t++)
            for (const LogicalRow& row : g.tables[t]) {
                uint32_t row_size = piece_size(row, options.order) + 2;
                if (key_size + row_size > room)
                    throw std::length_error("a clustered row larger than a block");
                if (used + row_size > room) {
                    blocks.push_back({part});
                    for (std::vector<LogicalRow>& rows : part.tables)
                        rows.clear();
                    used = key_size;
                }
                part.tables[t].push_back(row);
                used += row_size;
            }
        blocks.push_back({part});
        used = room;
    }
    return blocks;
}

uint32_t cluster_segment_blocks(const DatafileImage& file, const std::vector<ClusterGroup>& groups,
                                uint32_t table_count)
{
    return 1 + (uint32_t)pack_cluster_groups(packer_for(file, 0, 16), groups, table_count).size() + 1;
}

TableSegmentResult write_cluster_segment(DatafileImage& file, const std::vector<ExtentBlocks>& extents,
                                         uint32_t object_id, const std::vector<ClusterGroup>& groups,
                                         uint32_t table_count)
{
    PackerOptions options = packer_for(file, object_id, 16);
    std::vector<std::vector<ClusterGroup>> packed = pack_cluster_groups(options, groups, table_count);
    uint32_t blocks = 1 + (uint32_t)packed.size() + 1;
    SegmentLayout layout;
    layout.object_id = object_id;
    layout.extents = extents;
    layout.data_blocks = false;
    set_high_water(layout, blocks);
    TableSegmentResult result;
    result.segment = add_segment(file, layout);
    std::vector<uint32_t> data = blocks_after_header(layout.extents);
    if (data.size() < packed.size() + 1)
        throw std::length_error("the cluster needs more blocks than its extents have");
    for (size_t i = 0; i < packed.size(); i++) {
        file.put(data[i], make_cluster_block(options, file.cache_header(6, data[i]), packed[i], table_count));
        result.below.push_back(data[i]);
    }
    file.put(data[packed.size()], make_empty_table_block(options, file.cache_header(6, data[packed.size()])));
    return result;
}

TableSegmentResult add_packed_cluster_segment(DatafileImage& file, BlockCursor& cursor, uint32_t object_id,
                                              uint32_t extent_blocks, const std::vector<ClusterGroup>& groups,
                                              uint32_t table_count)
{
    return write_cluster_segment(file, cursor.take(cluster_segment_blocks(file, groups, table_count), extent_blocks),
                                 object_id, groups, table_count);
}

} // namespace zb
