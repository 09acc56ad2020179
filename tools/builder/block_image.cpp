#include "builder/block_image.h"

namespace zb {

BlockImage make_block(uint32_t block_size, int order, const CacheHeader& header)
{
    BlockImage block(block_size, order);
    write_cache_header(block, header);
    return block;
}

void write_cache_header(BlockImage& block, const CacheHeader& header)
{
    ByteWriter w = block.writer();
    w.u8(0, header.type);
    w.u8(1, header.format);
    w.u32(4, header.rdba);
    w.u32(8, header.scn_base);
    w.u16(12, header.scn_wrap);
    w.u8(14, header.seq);
    w.u8(15, header.flag);
    w.u16(16, 0);
}

uint32_t expected_tail(const BlockImage& block)
{
    uint32_t low_scn = block.u32(8) & 0xffff;
    if (block.u8(1) == FMT_V7)
        return (low_scn << 16) | block.u16(12);
    return (low_scn << 16) | ((uint32_t)block.u8(0) << 8) | block.u8(14);
}

uint16_t block_checksum(const BlockImage& block)
{
    uint16_t sum = 0;
    for (uint32_t offset = 0; offset + 1 < block.size(); offset += 2)
        if (offset != 16)
            sum ^= block.u16(offset);
    return sum;
}

void seal_block(BlockImage& block)
{
    ByteWriter w = block.writer();
    w.u32(block.size() - 4, expected_tail(block));
    w.u16(16, 0);
    if (block.u8(15) & FLAG_CHECKSUM)
        w.u16(16, block_checksum(block));
}

void damage_block(BlockImage& block, Damage damage)
{
    ByteWriter w = block.writer();
    switch (damage) {
    case Damage::bad_tail:
        w.u32(block.size() - 4, block.u32(block.size() - 4) ^ 0x00000101u);
        break;
    case Damage::bad_checksum:
        w.u8(15, (uint8_t)(block.u8(15) | FLAG_CHECKSUM));
        w.u16(16, (uint16_t)(block_checksum(block) ^ 0x0101));
        break;
    case Damage::seq_ff:
        w.u8(14, 0xff);
        seal_block(block);
        break;
    case Damage::zeroed:
        w.fill(0, 0, block.size());
        break;
    }
}

BlockImage make_blank_block(uint32_t block_size, int order, CacheHeader header)
{
    header.type = 0;
    BlockImage block = make_block(block_size, order, header);
    seal_block(block);
    return block;
}

} // namespace zb
