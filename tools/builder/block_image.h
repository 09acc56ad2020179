#pragma once
// Block images: one block's bytes in a given size and byte order, the common
// cache header every block starts with, sealing (tail word and checksum) and
// deliberate damage.

#include <cstdint>
#include <vector>

#include "builder/byte_writer.h"

namespace zb {

class BlockImage {
public:
    BlockImage(uint32_t block_size, int order) : bytes_(block_size, 0), order_(order) {}

    uint32_t size() const { return (uint32_t)bytes_.size(); }
    int order() const { return order_; }
    uint8_t* data() { return bytes_.data(); }
    const uint8_t* data() const { return bytes_.data(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    ByteWriter writer() { return ByteWriter(bytes_.data(), bytes_.size(), order_); }
    // Reading back through the builder's own accessors.
    uint8_t u8(size_t offset) const { return reader().get_u8(offset); }
    uint16_t u16(size_t offset) const { return reader().get_u16(offset); }
    uint32_t u32(size_t offset) const { return reader().get_u32(offset); }

private:
    ByteWriter reader() const { return ByteWriter(const_cast<uint8_t*>(bytes_.data()), bytes_.size(), order_); }
    std::vector<uint8_t> bytes_;
    int order_;
};

constexpr uint8_t FMT_V7 = 0x01;
constexpr uint8_t FMT_V8 = 0x02;
constexpr uint8_t FMT_V10 = 0xa2;
constexpr uint8_t FLAG_CHECKSUM = 0x04;

struct CacheHeader {
    uint8_t type = 0;
    uint8_t format = FMT_V10;
    uint32_t rdba = 0;
    uint32_t scn_base = 0x00012345;
    uint16_t scn_wrap = 0x0001;
    uint8_t seq = 1;
    uint8_t flag = FLAG_CHECKSUM;
};

// A new image whose first 20 bytes hold the header (not yet sealed).
BlockImage make_block(uint32_t block_size, int order, const CacheHeader& header);
void write_cache_header(BlockImage& block, const CacheHeader& header);
// Writes the tail word that the header implies and, when the flag asks for
// one, the checksum. Call after the last change to a block.
void seal_block(BlockImage& block);
uint32_t expected_tail(const BlockImage& block);
uint16_t block_checksum(const BlockImage& block);

enum class Damage {
    bad_tail,     // tail word no longer agrees with the head
    bad_checksum, // stored checksum off by one bit pattern, flag kept
    seq_ff,       // sequence 0xFF, resealed: a block marked corrupt
    zeroed,       // all bytes 0, as if never written
};
void damage_block(BlockImage& block, Damage damage);

// A formatted block of type 0 that holds nothing but its header.
BlockImage make_blank_block(uint32_t block_size, int order, CacheHeader header);

} // namespace zb
