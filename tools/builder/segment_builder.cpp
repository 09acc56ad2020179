#include "builder/segment_builder.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "builder/data_blocks.h"

namespace zb {

namespace {

uint32_t natural_header_capacity(uint8_t type, uint32_t block_size)
{
    if (type == 5)
        return (block_size - 4 - 64) / 8;
    if (type == 35)
        return (default_map_offset(block_size) + 20u - 280u) / 8u;
    return flm_map_capacity(default_map_offset(block_size));
}

} // namespace

SegmentResult add_segment(DatafileImage& file, const SegmentLayout& layout)
{
    const DatafileDef& def = file.def();
    if (layout.extents.empty())
        throw std::invalid_argument("a segment needs an extent");
    bool assm = layout.header_type == 35;
    SegmentResult result;
    uint32_t header_block = layout.extents[0].first_block;
    result.header_rdba = file.rdba(header_block);
    uint32_t total_blocks = 0;
    for (const ExtentBlocks& e : layout.extents) {
        result.extents.push_back({file.rdba(e.first_block), e.length});
        total_blocks += e.length;
    }

    uint32_t header_cap = layout.header_map_capacity != 0 ? layout.header_map_capacity
                                                          : natural_header_capacity(layout.header_type, def.block_size);
    uint32_t emb_cap = layout.emb_capacity != 0 ? layout.emb_capacity : emb_map_capacity(def.block_size, assm);
    size_t in_header = std::min<size_t>(header_cap, result.extents.size());
    size_t needed = layout.header_type == 5 ? 0 : (result.extents.size() - in_header + emb_cap - 1) / emb_cap;
    if (layout.header_type == 5 && in_header < result.extents.size())
        throw std::invalid_argument("a limited segment header has no extent map blocks");
    if (layout.map_blocks.size() < needed)
        throw std::invalid_argument("not enough extent map blocks for the extents");
    for (size_t i = 0; i < needed; i++)
        result.map_rdbas.push_back(file.rdba(layout.map_blocks[i]));

    // High-water mark: first block above it.
    uint32_t hwm_extent = std::min<uint32_t>(layout.hwm_extent, (uint32_t)layout.extents.size());
    uint32_t blocks_below = 0;
    for (uint32_t i = 0; i < hwm_extent; i++)
        blocks_below += layout.extents[i].length;
    if (hwm_extent < layout.extents.size()) {
        blocks_below += layout.hwm_block;
        result.high_water = file.rdba(layout.extents[hwm_extent].first_block + layout.hwm_block);
    } else {
        const ExtentBlocks& last = layout.extents.back();
        result.high_water = file.rdba(last.first_block + last.length);
    }

    std::vector<Extent> header_map(result.extents.begin(), result.extents.begin() + (long)in_header);
    ExtentControlDef control;
    control.extents = (uint32_t)result.extents.size();
    control.blocks = total_blocks;
    control.map_blocks = (uint32_t)needed;
    control.last_map = needed ? result.map_rdbas.back() : 0;
    control.extent_no = hwm_extent < layout.extents.size() ? hwm_extent : (uint32_t)layout.extents.size() - 1;
    control.block_no = hwm_extent < layout.extents.size() ? layout.hwm_block : layout.extents.back().length;
    control.extent_size = layout.extents[control.extent_no].length;
    control.high_water = result.high_water;
    control.blocks_below = blocks_below;
    control.map = header_map;
    control.next_map_header = needed ? result.map_rdbas[0] : 0;
    control.object_id = layout.object_id;

    CacheHeader header = file.cache_header(layout.header_type, header_block);
    if (layout.header_type == 5)
        file.put(header_block, make_limited_header_block(header, layout.object_id, header_map, def.block_size, def.order));
    else if (assm) {
        AssmHeaderDef a;
        a.control = control;
        for (const Extent& e : header_map)
            a.aux.push_back({e.start_rdba, e.start_rdba});
        if (layout.first_data_block != 0 && !a.aux.empty())
            a.aux[0].data_rdba = file.rdba(layout.first_data_block);
        file.put(header_block, make_assm_header_block(header, a, def.block_size, def.order));
    } else {
        FlmHeaderDef f;
        f.control = control;
        f.segment_lists.resize(1);
        file.put(header_block, make_flm_header_block(header, f, def.block_size, def.order));
    }

    size_t next = in_header;
    for (size_t i = 0; i < needed; i++) {
        EmbDef emb;
        emb.object_id = layout.object_id;
        emb.next_rdba = i + 1 < needed ? result.map_rdbas[i + 1] : 0;
        for (uint32_t k = 0; k < emb_cap && next < result.extents.size(); k++, next++) {
            emb.map.push_back(result.extents[next]);
            if (assm)
                emb.aux.push_back({result.extents[next].start_rdba, result.extents[next].start_rdba});
        }
        file.put(layout.map_blocks[i], make_emb_block(file.cache_header(assm ? 36 : 18, layout.map_blocks[i]), emb,
                                                      def.block_size, def.order));
    }

    if (layout.data_blocks) {
        std::set<uint32_t> taken(layout.map_blocks.begin(), layout.map_blocks.begin() + (long)needed);
        taken.insert(header_block);
        uint32_t seen = 0;
        for (const ExtentBlocks& e : layout.extents)
            for (uint32_t b = 0; b < e.length && seen < blocks_below; b++, seen++) {
                uint32_t block_no = e.first_block + b;
                if (taken.count(block_no))
                    continue;
                DataBlockDef d;
                d.trans.object_id = layout.object_id;
                d.trans.flag_byte = assm ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
                d.trans.itls.resize(assm ? 2 : 1);
                file.put(block_no, make_data_block(file.cache_header(6, block_no), d, def.block_size, def.order));
            }
    }
    return result;
}

} // namespace zb
