// LOB segments laid out in one run of blocks: the LOB segment (header,
// chunks of data blocks in extents of extent_blocks) followed by the LOB
// index segment (header, root, the other index blocks). Every value is
// either kept in its row or cut into pages of block size - 60 bytes, a
// chunk_blocks run of pages to a chunk; a chunk never crosses an extent.

#include "builder/lob_segment.h"

#include <algorithm>
#include <stdexcept>

#include "builder/data_blocks.h"
#include "builder/dict_values.h"
#include "builder/lob_index_tree.h"
#include "builder/segment_builder.h"

namespace zb {

namespace {

constexpr uint32_t LOB_PAGE_OVERHEAD = 60;
constexpr uint32_t MAX_LOB_EXTENTS = 64;
constexpr uint8_t INODE_VALID = 0x01, INODE_IN_INDEX = 0x02, INODE_OUT_OF_ROW = 0x04;

bool is_assm(const LobStorageDef& storage)
{
    return storage.header_type == 35;
}

// Blocks at the start of a segment's first extent before its first data
// block: the header, and in an ASSM segment one standing for the bitmaps.
uint32_t leading_blocks(const LobStorageDef& storage)
{
    return is_assm(storage) ? 2 : 1;
}

struct Shape {
    bool in_row = false;
    uint32_t pages = 0, chunks = 0;
};

Shape shape_of(const LobContent& value, const LobStorageDef& storage, uint32_t block_size)
{
    Shape s;
    size_t length = value.bytes.size();
    s.in_row = storage.in_row && length <= storage.in_row_limit;
    if (!s.in_row) {
        uint32_t per_page = block_size - LOB_PAGE_OVERHEAD;
        s.pages = (uint32_t)((length + per_page - 1) / per_page);
        s.chunks = (s.pages + storage.chunk_blocks - 1) / storage.chunk_blocks;
    }
    return s;
}

// Extents of `length` blocks from `first` on, enough for `blocks` blocks.
std::vector<ExtentBlocks> extents_for(uint32_t first, uint32_t blocks, uint32_t length)
{
    std::vector<ExtentBlocks> extents;
    for (uint32_t have = 0; have < blocks || extents.empty(); have += length)
        extents.push_back({first + (uint32_t)extents.size() * length, length});
    return extents;
}

// Where chunk slots lie: after the leading blocks of the first extent, then
// from the start of every further extent.
struct ChunkArea {
    uint32_t first = 0, extent = 0, lead = 0, chunk = 1;
    uint32_t first_slots() const { return (extent - lead) / chunk; }
    uint32_t slots_per_extent() const { return extent / chunk; }
    uint32_t extents_for(uint32_t slots) const
    {
        if (slots <= first_slots())
            return 1;
        return 1 + (slots - first_slots() + slots_per_extent() - 1) / slots_per_extent();
    }
    uint32_t slot_block(uint32_t slot) const
    {
        if (slot < first_slots())
            return first + lead + slot * chunk;
        uint32_t rest = slot - first_slots();
        return first + (1 + rest / slots_per_extent()) * extent + (rest % slots_per_extent()) * chunk;
    }
};

uint32_t index_extent_length(const LobStorageDef& storage, uint32_t blocks)
{
    uint32_t length = std::max(storage.extent_blocks, leading_blocks(storage) + 1);
    while ((blocks + length - 1) / length > MAX_LOB_EXTENTS)
        length *= 2;
    return length;
}

void put_u16_big(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back((uint8_t)(value >> 8));
    out.push_back((uint8_t)value);
}

void put_u32_big(std::vector<uint8_t>& out, uint32_t value)
{
    put_u16_big(out, value >> 16);
    put_u16_big(out, value & 0xffff);
}

std::vector<uint8_t> inode_bytes(const PlacedLob& lob, uint8_t flag, uint32_t size, int order)
{
    std::vector<uint8_t> out;
    put_u16_big(out, size);
    out.push_back(flag);
    out.push_back(0);
    put_u32_big(out, lob.blocks);
    put_u16_big(out, lob.bytes);
    uint8_t version[6];
    ByteWriter w(version, sizeof(version), order);
    w.u32(0, lob.version_base);
    w.u16(4, lob.version_wrap);
    out.insert(out.end(), version, version + sizeof(version));
    return out;
}

std::vector<uint8_t> locator_bytes(const PlacedLob& lob, bool two_byte, size_t column_length)
{
    std::vector<uint8_t> out;
    put_u16_big(out, (uint32_t)(column_length - 2));
    put_u16_big(out, 1);
    put_u32_big(out, 0x00000009);
    put_u16_big(out, two_byte ? 2 : 1);
    out.insert(out.end(), lob.lob_id.begin(), lob.lob_id.end());
    return out;
}

struct Layout {
    LobSegmentResult result;
    std::vector<ExtentBlocks> data_extents, index_extents;
    std::vector<LobIndexEntry> entries;
    LobIndexTree tree;
};

// Chunk addresses from `from` on, key_size bytes of them (after `lead`
// bytes already in the row data), zero-padded.
std::vector<uint8_t> address_data(const DatafileImage* file, const PlacedLob& lob, size_t from, size_t count,
                                  std::vector<uint8_t> lead, uint32_t key_size)
{
    for (size_t c = from; c < from + count; c++)
        put_u32_big(lead, file != nullptr ? file->rdba(lob.chunks[c]) : lob.chunks[c]);
    lead.resize(key_size, 0);
    return lead;
}

// Plans both segments; with a file the addresses are that file's, without
// one only the sizes count.
Layout plan_lob_segments(const DatafileImage* file, uint32_t block_size, int order, uint32_t first_block,
                         const LobSegmentDef& def, const std::vector<LobContent>& values)
{
    const LobStorageDef& storage = def.storage;
    if (storage.chunk_blocks == 0 || storage.key_size < 20 || storage.key_size % 4 != 0)
        throw std::invalid_argument("LOB chunk size or index key size out of range");
    Layout layout;
    std::vector<Shape> shapes;
    uint32_t slots = 0;
    for (const LobContent& v : values) {
        shapes.push_back(shape_of(v, storage, block_size));
        slots += shapes.back().chunks;
    }
    ChunkArea area;
    area.first = first_block;
    area.lead = leading_blocks(storage);
    area.chunk = storage.chunk_blocks;
    area.extent = std::max(storage.extent_blocks, area.lead + storage.chunk_blocks);
    while (area.extents_for(slots) > MAX_LOB_EXTENTS)
        area.extent *= 2;
    layout.data_extents = extents_for(first_block, area.extent * area.extents_for(slots), area.extent);
    layout.result.header_block = first_block;

    uint32_t next_slot = 0;
    uint32_t per_page = block_size - LOB_PAGE_OVERHEAD;
    uint32_t in_index_first = (storage.key_size - 16) / 4, per_entry = storage.key_size / 4;
    for (size_t i = 0; i < values.size(); i++) {
        const Shape& s = shapes[i];
        PlacedLob lob;
        uint32_t id = def.first_lob_id + (uint32_t)i;
        lob.lob_id = {0, 0, 0, 0, 0, 1, (uint8_t)(id >> 24), (uint8_t)(id >> 16), (uint8_t)(id >> 8), (uint8_t)id};
        lob.in_row = s.in_row;
        lob.version_base = 0x00010000 + id;
        lob.version_wrap = 1;
        size_t length = values[i].bytes.size();
        if (s.in_row) {
            lob.bytes = (uint32_t)length;
            std::vector<uint8_t> inode = inode_bytes(lob, INODE_VALID, 16 + (uint32_t)length, order);
            lob.column = locator_bytes(lob, values[i].two_byte, 36 + length);
            lob.column.insert(lob.column.end(), inode.begin(), inode.end());
            lob.column.insert(lob.column.end(), values[i].bytes.begin(), values[i].bytes.end());
            layout.result.lobs.push_back(lob);
            continue;
        }
        lob.blocks = s.pages > 0 ? s.pages - 1 : 0;
        lob.bytes = s.pages > 0 ? (uint32_t)(length - (size_t)(s.pages - 1) * per_page) : 0;
        for (uint32_t c = 0; c < s.chunks; c++)
            lob.chunks.push_back(area.slot_block(next_slot + (storage.reverse_chunks ? s.chunks - 1 - c : c)));
        next_slot += s.chunks;
        for (uint32_t p = 0; p < s.pages; p++)
            lob.pages.push_back(lob.chunks[p / storage.chunk_blocks] + p % storage.chunk_blocks);
        uint8_t flag = INODE_VALID | INODE_OUT_OF_ROW | (storage.in_row ? 0 : INODE_IN_INDEX);
        size_t in_row = storage.in_row ? std::min<size_t>(s.chunks, storage.row_chunks) : 0;
        std::vector<uint8_t> inode = inode_bytes(lob, flag, 16 + 4 * (uint32_t)in_row, order);
        size_t column_length = storage.in_row ? 36 + 4 * in_row : 20;
        lob.column = locator_bytes(lob, values[i].two_byte, column_length);
        if (storage.in_row) {
            lob.column.insert(lob.column.end(), inode.begin(), inode.end());
            for (size_t c = 0; c < in_row; c++)
                put_u32_big(lob.column, file != nullptr ? file->rdba(lob.chunks[c]) : lob.chunks[c]);
        }
        size_t done = in_row;
        if (!storage.in_row) {
            size_t n = std::min<size_t>(s.chunks, in_index_first);
            layout.entries.push_back({lob.lob_id, 0, address_data(file, lob, 0, n, inode, storage.key_size), i, true});
            done = n;
        }
        while (done < s.chunks) {
            size_t n = std::min<size_t>(s.chunks - done, per_entry);
            layout.entries.push_back(
                {lob.lob_id, (uint32_t)done, address_data(file, lob, done, n, {}, storage.key_size), i, false});
            done += n;
        }
        layout.result.lobs.push_back(lob);
    }

    layout.tree = plan_lob_index(layout.entries, block_size, storage);
    uint32_t index_first = layout.data_extents.back().first_block + layout.data_extents.back().length;
    uint32_t lead = leading_blocks(storage);
    uint32_t index_blocks = lead + (uint32_t)layout.tree.nodes();
    layout.index_extents = extents_for(index_first, index_blocks, index_extent_length(storage, index_blocks));
    std::vector<uint32_t> tree_blocks;
    for (uint32_t b = 0; b < layout.tree.nodes(); b++)
        tree_blocks.push_back(index_first + lead + b);
    place_lob_index(layout.tree, tree_blocks);
    LobSegmentResult& r = layout.result;
    r.index_header_block = index_first;
    r.index_root = tree_blocks[0];
    r.index_levels = (uint32_t)layout.tree.levels.size();
    for (const LobIndexNode& leaf : layout.tree.levels[0]) {
        r.leaf_blocks.push_back(leaf.block);
        for (size_t e = leaf.first; e < leaf.first + leaf.count; e++)
            if (layout.entries[e].has_inode)
                r.lobs[layout.entries[e].value].inode_leaf = leaf.block;
    }
    for (size_t l = layout.tree.levels.size(); l-- > 1;)
        for (const LobIndexNode& node : layout.tree.levels[l])
            r.branch_blocks.push_back(node.block);
    const ExtentBlocks& last = layout.index_extents.back();
    r.next_block = last.first_block + last.length;
    return layout;
}

void add_segment_header(DatafileImage& file, uint32_t object, const LobStorageDef& storage,
                        const std::vector<ExtentBlocks>& extents, uint32_t first_data)
{
    SegmentLayout layout;
    layout.object_id = object;
    layout.header_type = storage.header_type;
    layout.extents = extents;
    layout.data_blocks = false;
    layout.first_data_block = is_assm(storage) ? first_data : 0;
    add_segment(file, layout);
    if (is_assm(storage)) {
        uint32_t bitmap = extents[0].first_block + 1;
        file.put(bitmap, make_blank_block(file.def().block_size, file.def().order, file.cache_header(0, bitmap)));
    }
}

std::string id_parts(const std::array<uint8_t, 10>& id)
{
    uint32_t id1 = (uint32_t)(id[0] << 8 | id[1]);
    uint32_t id2 = (uint32_t)id[2] << 24 | (uint32_t)id[3] << 16 | (uint32_t)id[4] << 8 | id[5];
    uint32_t id3 = (uint32_t)id[6] << 24 | (uint32_t)id[7] << 16 | (uint32_t)id[8] << 8 | id[9];
    return std::to_string(id1) + "," + std::to_string(id2) + "," + std::to_string(id3);
}

} // namespace

uint32_t lob_segments_blocks(uint32_t block_size, const LobSegmentDef& def, const std::vector<LobContent>& values)
{
    return plan_lob_segments(nullptr, block_size, LITTLE, 0, def, values).result.next_block;
}

std::vector<std::vector<uint8_t>> lob_columns_for_size(uint32_t block_size, const LobSegmentDef& def,
                                                       const std::vector<LobContent>& values)
{
    std::vector<std::vector<uint8_t>> columns;
    for (const PlacedLob& lob : plan_lob_segments(nullptr, block_size, LITTLE, 0, def, values).result.lobs)
        columns.push_back(lob.column);
    return columns;
}

LobSegmentResult add_lob_segments(DatafileImage& file, uint32_t first_block, const LobSegmentDef& def,
                                  const std::vector<LobContent>& values)
{
    const DatafileDef& d = file.def();
    Layout layout = plan_lob_segments(&file, d.block_size, d.order, first_block, def, values);
    LobSegmentResult& r = layout.result;
    uint32_t per_page = d.block_size - LOB_PAGE_OVERHEAD;
    for (size_t i = 0; i < values.size(); i++) {
        const PlacedLob& lob = r.lobs[i];
        for (size_t p = 0; p < lob.pages.size(); p++) {
            LobBlockDef page;
            page.object_id = def.data_object;
            page.lob_id = lob.lob_id;
            page.version_base = lob.version_base;
            page.version_wrap = lob.version_wrap;
            page.page_no = (uint32_t)p;
            size_t from = p * per_page;
            size_t n = std::min<size_t>(per_page, values[i].bytes.size() - from);
            page.data.assign(values[i].bytes.begin() + (long)from, values[i].bytes.begin() + (long)(from + n));
            CacheHeader header = file.cache_header(def.storage.data_block_type, lob.pages[p]);
            file.put(lob.pages[p], make_lob_block(header, page, d.block_size, d.order));
            r.data_blocks.push_back(lob.pages[p]);
        }
    }
    add_segment_header(file, def.data_object, def.storage, layout.data_extents,
                       r.header_block + leading_blocks(def.storage));
    add_segment_header(file, def.index_object, def.storage, layout.index_extents, r.index_root);
    write_lob_index(file, layout.tree, layout.entries, def.index_object, def.storage);
    return r;
}

std::vector<uint8_t> clob_bytes(const std::string& text, ClobForm form)
{
    if (form == ClobForm::single_byte)
        return std::vector<uint8_t>(text.begin(), text.end());
    std::string units = utf16be_from_utf8(text);
    std::vector<uint8_t> out(units.begin(), units.end());
    if (form == ClobForm::ucs2_little)
        for (size_t i = 0; i + 1 < out.size(); i += 2)
            std::swap(out[i], out[i + 1]);
    return out;
}

std::string lobpage_lines(const DatafileImage& file, const LobSegmentDef& def, const LobSegmentResult& placed)
{
    std::vector<std::pair<uint32_t, std::string>> lines;
    std::string place = std::to_string(file.def().ts_no) + "," + std::to_string(file.def().rfile_no) + ",";
    for (const PlacedLob& lob : placed.lobs)
        for (size_t p = 0; p < lob.pages.size(); p++)
            lines.emplace_back(lob.pages[p], place + std::to_string(lob.pages[p]) + "," +
                                                 std::to_string(def.data_object) + "," + id_parts(lob.lob_id) + "," +
                                                 std::to_string(lob.version_base) + "," +
                                                 std::to_string(lob.version_wrap) + "," + std::to_string(p) + "\n");
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const auto& line : lines)
        text += line.second;
    return text;
}

std::string lobind_lines(const DatafileImage& file, const LobSegmentDef& def, const LobSegmentResult& placed)
{
    std::string text;
    std::string place = std::to_string(file.def().ts_no) + "," + std::to_string(file.def().rfile_no) + ",";
    for (const PlacedLob& lob : placed.lobs)
        if (lob.inode_leaf != 0)
            text += place + std::to_string(lob.inode_leaf) + "," + std::to_string(def.index_object) + "," +
                    id_parts(lob.lob_id) + "," + std::to_string(lob.version_base) + "," +
                    std::to_string(lob.version_wrap) + "," + std::to_string(lob.blocks) + "," +
                    std::to_string(lob.bytes) + "\n";
    return text;
}

} // namespace zb
