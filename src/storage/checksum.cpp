#include "storage/checksum.h"

#include <cstring>

#include "base/byte_order.h"
#include "blocks/block_types.h"

namespace {

// XOR is bytewise: the XOR of all 16-bit words is the XOR of the even bytes
// (low byte of a little-endian word) next to the XOR of the odd bytes. Eight
// bytes are taken at a time into four independent accumulators; each
// accumulator's byte i then holds the XOR of the bytes at positions i modulo
// 8, whatever the host's byte order, because the bytes are stored back the
// way they were loaded.
constexpr ub4 LANE_BYTES = 8;
constexpr ub4 STRIDE_BYTES = 4 * LANE_BYTES;

ub2 xor_words_little(const ub1* block, ub4 words_end)
{
    ub8 acc[4] = {0, 0, 0, 0};
    ub4 i = 0;
    for (; i + STRIDE_BYTES <= words_end; i += STRIDE_BYTES) {
        for (ub4 lane = 0; lane < 4; lane++) {
            ub8 word;
            memcpy(&word, block + i + lane * LANE_BYTES, LANE_BYTES);
            acc[lane] ^= word;
        }
    }
    ub8 folded = acc[0] ^ acc[1] ^ acc[2] ^ acc[3];
    ub1 lanes[LANE_BYTES];
    memcpy(lanes, &folded, LANE_BYTES);
    ub1 low = (ub1)(lanes[0] ^ lanes[2] ^ lanes[4] ^ lanes[6]);
    ub1 high = (ub1)(lanes[1] ^ lanes[3] ^ lanes[5] ^ lanes[7]);
    // The words left over when the size is not a multiple of the stride.
    for (; i < words_end; i += 2) {
        low ^= block[i];
        high ^= block[i + 1];
    }
    return (ub2)(low | (high << 8));
}

} // namespace

ub2 calc_block_checksum(const ub1* block, ub4 block_size)
{
    // Fold the words as little-endian and swap the result for a big-endian
    // file.
    ub4 words_end = block_size & ~1u;
    ub2 sum = xor_words_little(block, words_end);
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
