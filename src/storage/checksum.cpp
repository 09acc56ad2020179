#include "storage/checksum.h"

#include "base/byte_order.h"
#include "blocks/block_types.h"

ub2 calc_block_checksum(const ub1* block, ub4 block_size)
{
    // XOR is bytewise, so fold the words as little-endian and swap the result
    // for a big-endian file.
    ub2 sum = 0;
    ub4 words_end = block_size & ~1u;
    for (ub4 i = 0; i < words_end; i += 2)
        sum ^= (ub2)(block[i] | (block[i + 1] << 8));
    if (words_end > BLOCK_CHECKSUM_OFFSET + 1)
        sum ^= (ub2)(block[BLOCK_CHECKSUM_OFFSET] | (block[BLOCK_CHECKSUM_OFFSET + 1] << 8));
    if (config_data.byte_order == BO_BIG)
        sum = (ub2)((sum >> 8) | (sum << 8));
    return sum;
}

ub2 set_block_checksum(ub1* block, ub4 block_size)
{
    if (block_size < BLOCK_CHECKSUM_OFFSET + 2)
        return 0;
    block[BLOCK_FLAG_OFFSET] |= KCBHFCKV;
    ub2 sum = calc_block_checksum(block, block_size);
    set_ub2(block, BLOCK_CHECKSUM_OFFSET, sum);
    return sum;
}

bool block_has_checksum(const ub1* block)
{
    return (block[BLOCK_FLAG_OFFSET] & KCBHFCKV) != 0 || get_ub2(block, BLOCK_CHECKSUM_OFFSET) != 0;
}

int block_checksum_ok(const ub1* block, ub4 block_size)
{
    if (block_size < BLOCK_CHECKSUM_OFFSET + 2 || !block_has_checksum(block))
        return TRUE;
    return get_ub2(block, BLOCK_CHECKSUM_OFFSET) == calc_block_checksum(block, block_size) ? TRUE : FALSE;
}
