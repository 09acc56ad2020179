#pragma once
// Blocks of every kind the block dump shows, each filled so that every line
// of its dump carries a value of its own: file headers of three formats,
// segment headers, extent map blocks, undo segment headers, the
// compatibility segment, data blocks (ITLs, every row form, cluster keys,
// row dependencies), index branch and leaf blocks (unique, prefix
// compressed, index-organized) and LOB blocks. For golden dumps, fuzz seeds
// and repair tests.

#include <string>
#include <vector>

#include "builder/block_image.h"

namespace zb {

struct NamedBlock {
    std::string name;
    BlockImage block;
};

std::vector<NamedBlock> make_dump_samples(uint32_t block_size, int order);
// One of them by name; throws when there is none.
BlockImage dump_sample(const std::string& name, uint32_t block_size, int order);

} // namespace zb
