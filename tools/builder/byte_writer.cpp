#include "builder/byte_writer.h"

#include <cstring>
#include <stdexcept>

namespace zb {

void ByteWriter::check(size_t offset, size_t width) const
{
    if (offset > size_ || width > size_ - offset)
        throw std::out_of_range("builder write of " + std::to_string(width) + " bytes at " + std::to_string(offset) +
                                " outside " + std::to_string(size_) + " bytes");
}

void ByteWriter::u8(size_t offset, uint8_t value)
{
    check(offset, 1);
    bytes_[offset] = value;
}

void ByteWriter::u16(size_t offset, uint16_t value)
{
    if (order_ == BIG)
        u16_big(offset, value);
    else {
        check(offset, 2);
        bytes_[offset] = (uint8_t)(value & 0xff);
        bytes_[offset + 1] = (uint8_t)(value >> 8);
    }
}

void ByteWriter::u32(size_t offset, uint32_t value)
{
    if (order_ == BIG)
        u32_big(offset, value);
    else {
        check(offset, 4);
        for (int i = 0; i < 4; i++)
            bytes_[offset + (size_t)i] = (uint8_t)(value >> (8 * i));
    }
}

void ByteWriter::u16_big(size_t offset, uint16_t value)
{
    check(offset, 2);
    bytes_[offset] = (uint8_t)(value >> 8);
    bytes_[offset + 1] = (uint8_t)(value & 0xff);
}

void ByteWriter::u32_big(size_t offset, uint32_t value)
{
    check(offset, 4);
    for (int i = 0; i < 4; i++)
        bytes_[offset + (size_t)i] = (uint8_t)(value >> (24 - 8 * i));
}

void ByteWriter::raw(size_t offset, const void* data, size_t length)
{
    check(offset, length);
    if (length > 0)
        memcpy(bytes_ + offset, data, length);
}

void ByteWriter::text(size_t offset, const std::string& value, size_t width)
{
    fill(offset, 0, width);
    raw(offset, value.data(), value.size() < width ? value.size() : width);
}

void ByteWriter::fill(size_t offset, uint8_t value, size_t length)
{
    check(offset, length);
    memset(bytes_ + offset, value, length);
}

uint8_t ByteWriter::get_u8(size_t offset) const
{
    check(offset, 1);
    return bytes_[offset];
}

uint16_t ByteWriter::get_u16(size_t offset) const
{
    check(offset, 2);
    uint16_t a = bytes_[offset], b = bytes_[offset + 1];
    return order_ == BIG ? (uint16_t)((a << 8) | b) : (uint16_t)((b << 8) | a);
}

uint32_t ByteWriter::get_u32(size_t offset) const
{
    check(offset, 4);
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) {
        uint32_t byte = bytes_[offset + (size_t)i];
        v |= order_ == BIG ? byte << (24 - 8 * i) : byte << (8 * i);
    }
    return v;
}

} // namespace zb
