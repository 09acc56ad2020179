#include "builder/index_blocks.h"

#include "builder/byte_writer.h"
#include "builder/iot_segment.h"

namespace zb {

namespace {

void append_key(std::vector<uint8_t>& out, const std::vector<Cell>& key)
{
    for (const Cell& cell : key)
        for (uint8_t b : index_key_bytes(cell))
            out.push_back(b);
}

} // namespace

std::vector<uint8_t> encode_branch_row(uint32_t child, const std::vector<Cell>& key, bool cut_short, int order)
{
    std::vector<uint8_t> out;
    for (int i = 0; i < 4; i++)
        out.push_back((uint8_t)(child >> (order == BIG ? 24 - 8 * i : 8 * i)));
    append_key(out, key);
    if (cut_short)
        out.push_back(0xfe);
    return out;
}

std::vector<uint8_t> encode_leaf_row(uint8_t flag, uint8_t lock, const std::vector<uint8_t>& data,
                                     const std::vector<Cell>& key)
{
    std::vector<uint8_t> out;
    out.push_back(flag);
    out.push_back(lock);
    for (uint8_t b : data)
        out.push_back(b);
    append_key(out, key);
    return out;
}

std::vector<uint8_t> encode_iot_row(uint8_t flag, uint8_t lock, const std::vector<Cell>& key,
                                    const PieceLayout& piece, int order)
{
    std::vector<uint8_t> out = encode_leaf_row(flag, lock, {}, key);
    for (uint8_t b : encode_piece(piece, order))
        out.push_back(b);
    return out;
}

} // namespace zb
