#include "builder/index_blocks.h"

#include <stdexcept>

namespace zb {

namespace {

void put_u16_order(std::vector<uint8_t>& out, uint16_t value, int order)
{
    uint8_t high = (uint8_t)(value >> 8), low = (uint8_t)value;
    out.push_back(order == BIG ? high : low);
    out.push_back(order == BIG ? low : high);
}

void put_u32_order(std::vector<uint8_t>& out, uint32_t value, int order)
{
    for (int i = 0; i < 4; i++)
        out.push_back((uint8_t)(value >> (order == BIG ? 24 - 8 * i : 8 * i)));
}

} // namespace

std::vector<uint8_t> encode_index_key(const std::vector<Cell>& key)
{
    std::vector<uint8_t> out;
    for (const Cell& cell : key) {
        if (cell.is_null) {
            out.push_back(0xff);
            continue;
        }
        size_t n = cell.bytes.size();
        if (n > 0x0fff)
            throw std::length_error("index key column longer than 4095 bytes");
        if (n > 127 || cell.long_form)
            put_u16_order(out, (uint16_t)(0x8000 | n), BIG);
        else
            out.push_back((uint8_t)n);
        out.insert(out.end(), cell.bytes.begin(), cell.bytes.end());
    }
    return out;
}

std::vector<uint8_t> encode_branch_row(uint32_t child, const std::vector<Cell>& key, bool cut_short, int order)
{
    std::vector<uint8_t> out;
    put_u32_order(out, child, order);
    std::vector<uint8_t> k = encode_index_key(key);
    out.insert(out.end(), k.begin(), k.end());
    if (cut_short)
        out.push_back(0xfe);
    return out;
}

std::vector<uint8_t> encode_leaf_row(uint8_t flag, uint8_t lock, const std::vector<uint8_t>& data,
                                     const std::vector<Cell>& key)
{
    std::vector<uint8_t> out = {flag, lock};
    out.insert(out.end(), data.begin(), data.end());
    std::vector<uint8_t> k = encode_index_key(key);
    out.insert(out.end(), k.begin(), k.end());
    return out;
}

std::vector<uint8_t> encode_iot_row(uint8_t flag, uint8_t lock, const std::vector<Cell>& key,
                                    const PieceLayout& piece, int order)
{
    std::vector<uint8_t> out = encode_leaf_row(flag, lock, {}, key);
    std::vector<uint8_t> p = encode_piece(piece, order);
    out.insert(out.end(), p.begin(), p.end());
    return out;
}

BlockImage make_btree_block(CacheHeader header, const BtreeBlockDef& def, uint32_t block_size, int order)
{
    // The headers come from the plain index block writer; the directory and
    // the rows are laid out here.
    IndexBlockDef plain = def.index;
    plain.rows.clear();
    bool leaf = plain.level == 0;
    bool prefixed = leaf && (plain.lock_opcode & 0x20);
    plain.prefix_row_count = prefixed ? (uint16_t)def.prefixes.size() : 0;
    BlockImage block = make_index_block(header, plain, block_size, order);
    ByteWriter w = block.writer();
    TransHeaderDef trans = plain.trans;
    trans.kind = 2;
    uint32_t dh = data_header_offset(trans);
    uint32_t row_dir = dh + (!leaf ? 28u : 36u) + (prefixed ? 4u : 0u) + (leaf && (plain.flag_bits & 0x80) ? 6u : 0u);
    const std::vector<std::vector<uint8_t>>& rows = def.index.rows;
    uint32_t entries = (uint32_t)rows.size() + (prefixed ? 2 * (uint32_t)def.prefixes.size() : 0);
    uint32_t free_begin = row_dir + 2 * entries;
    uint32_t low = block_size - 4;
    auto place = [&](const std::vector<uint8_t>& row) {
        if (row.size() > low || low - (uint32_t)row.size() < free_begin)
            throw std::length_error("index rows do not fit in the block");
        low -= (uint32_t)row.size();
        w.raw(low, row.data(), row.size());
        return (uint16_t)(low - dh);
    };
    for (size_t i = 0; i < rows.size(); i++)
        w.u16(row_dir + 2 * i, place(rows[i]));
    if (prefixed)
        for (size_t p = 0; p < def.prefixes.size(); p++) {
            uint32_t at = row_dir + 2 * (uint32_t)rows.size() + 4 * (uint32_t)p;
            w.u16(at, place(def.prefixes[p].row));
            w.u16(at + 2, def.prefixes[p].row_limit);
        }
    w.u16(dh + 8, (uint16_t)rows.size());
    w.u16(dh + 10, (uint16_t)(free_begin - dh));
    w.u16(dh + 12, (uint16_t)(low - dh));
    w.u16(dh + 14, (uint16_t)(low - free_begin));
    seal_block(block);
    return block;
}

} // namespace zb
