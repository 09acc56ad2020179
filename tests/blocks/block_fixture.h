#pragma once
// Parser tests run in both byte orders and at small and large block sizes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/config.h"
#include "builder/block_image.h"
#include "support/order_and_size.h"

// Fields of a parsed record next to the values the builder wrote, compared as
// one list so that a slip shows as the one entry that differs.
template <typename... T>
std::vector<uint64_t> fields(T... values)
{
    return {(uint64_t)values...};
}

class BlockParserTest : public ::testing::TestWithParam<OrderAndSize> {
protected:
    void SetUp() override
    {
        init_config_data();
        config_data.byte_order = GetParam().order;
    }
    void TearDown() override { init_config_data(); }
    uint32_t bs() const { return GetParam().block_size; }
    int order() const { return GetParam().order; }
    zb::CacheHeader cache(uint8_t type, uint32_t rdba = 0x01400011) const
    {
        zb::CacheHeader h;
        h.type = type;
        h.rdba = rdba;
        return h;
    }
};
