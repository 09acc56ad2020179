#pragma once
// The block checksum: the XOR of every 16-bit word of the block in the
// datafile's byte order, the stored checksum (offset 16) left out.

#include "base/types.h"

constexpr ub4 BLOCK_CHECKSUM_OFFSET = 16;
constexpr ub4 BLOCK_FLAG_OFFSET = 15;

ub2 calc_block_checksum(const ub1* block, ub4 block_size);
// Sets the checksum-present flag and stores the checksum; returns it.
ub2 set_block_checksum(ub1* block, ub4 block_size);
// A block carries a checksum when its flag says so or the stored value is
// non-zero.
bool block_has_checksum(const ub1* block);
// TRUE when the block carries no checksum or carries a consistent one.
int block_checksum_ok(const ub1* block, ub4 block_size);
