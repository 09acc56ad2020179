#pragma once
// Readers run in both byte orders and at small and large block sizes.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "base/types.h"

struct OrderAndSize {
    int order;
    uint32_t block_size;
};
// Named in test listings by its values, not its bytes.
inline void PrintTo(const OrderAndSize& p, std::ostream* os)
{
    *os << (p.order == BO_BIG ? "big " : "little ") << p.block_size;
}
inline std::string order_size_name(const testing::TestParamInfo<OrderAndSize>& info)
{
    return std::string(info.param.order == BO_BIG ? "big" : "little") + "_" + std::to_string(info.param.block_size);
}
inline const std::vector<OrderAndSize>& orders_and_sizes()
{
    static const std::vector<OrderAndSize> all = {
        {BO_LITTLE, 2048}, {BO_BIG, 2048}, {BO_LITTLE, 8192}, {BO_BIG, 8192}, {BO_LITTLE, 32768}, {BO_BIG, 32768}};
    return all;
}
inline std::string order_name(const testing::TestParamInfo<int>& info)
{
    return info.param == BO_BIG ? "big" : "little";
}
