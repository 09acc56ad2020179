#pragma once
// The builder's own explicit-order byte writer. It deliberately shares no
// code with the program's readers and writers (get_ub2/set_ub2 ...), so a
// byte-order slip on one side is not cancelled by the same slip on the other.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zb {

enum : int { LITTLE = 0, BIG = 1 }; // same codes as BO_LITTLE / BO_BIG

class ByteWriter {
public:
    ByteWriter(uint8_t* bytes, size_t size, int order) : bytes_(bytes), size_(size), order_(order) {}

    void u8(size_t offset, uint8_t value);
    void u16(size_t offset, uint16_t value); // in the writer's order
    void u32(size_t offset, uint32_t value);
    void u16_big(size_t offset, uint16_t value);
    void u32_big(size_t offset, uint32_t value);
    void raw(size_t offset, const void* data, size_t length);
    // Copies at most `width` characters of text; the rest of the field is 0.
    void text(size_t offset, const std::string& value, size_t width);
    void fill(size_t offset, uint8_t value, size_t length);

    uint8_t get_u8(size_t offset) const;
    uint16_t get_u16(size_t offset) const;
    uint32_t get_u32(size_t offset) const;

    size_t size() const { return size_; }
    int order() const { return order_; }

private:
    void check(size_t offset, size_t width) const; // throws std::out_of_range
    uint8_t* bytes_;
    size_t size_;
    int order_;
};

} // namespace zb
