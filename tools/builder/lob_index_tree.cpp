// LOB index blocks: leaf rows (flag, lock, key_size bytes of row data, the
// two key columns) and branch rows (child address in file order, the two key
// columns of the child's first entry), packed as full as the block or the
// storage's row limits allow.

#include "builder/lob_index_tree.h"

#include <algorithm>
#include <stdexcept>

#include "builder/data_blocks.h"

namespace zb {

namespace {

constexpr uint32_t INDEX_ITLS = 2;
constexpr uint32_t KEY_COLUMNS_SIZE = 1 + 10 + 1 + 4;
constexpr uint32_t BRANCH_ROW_SIZE = 4 + KEY_COLUMNS_SIZE;

uint32_t header_offset(bool assm)
{
    return (assm ? 52u : 44u) + 24u * INDEX_ITLS;
}

size_t leaf_capacity(uint32_t block_size, const LobStorageDef& storage)
{
    uint32_t start = header_offset(storage.header_type == 35) + 36;
    uint32_t row = 2u + storage.key_size + KEY_COLUMNS_SIZE + 2u;
    size_t fit = block_size > start + 4 ? (block_size - 4 - start) / row : 0;
    if (storage.leaf_rows != 0)
        fit = std::min<size_t>(fit, storage.leaf_rows);
    if (fit == 0)
        throw std::invalid_argument("no LOB index entry fits a leaf");
    return fit;
}

// Children of one branch block: the leftmost and one per row.
size_t branch_capacity(uint32_t block_size, const LobStorageDef& storage)
{
    uint32_t start = header_offset(storage.header_type == 35) + 28;
    size_t fit = block_size > start + 4 ? (block_size - 4 - start) / (BRANCH_ROW_SIZE + 2) : 0;
    if (storage.branch_rows != 0)
        fit = std::min<size_t>(fit, storage.branch_rows);
    if (fit == 0)
        throw std::invalid_argument("no LOB index branch row fits a block");
    return fit + 1;
}

void put_key(std::vector<uint8_t>& row, const LobIndexEntry& entry)
{
    row.push_back(10);
    row.insert(row.end(), entry.lob_id.begin(), entry.lob_id.end());
    row.push_back(4);
    for (int shift = 24; shift >= 0; shift -= 8)
        row.push_back((uint8_t)(entry.page >> shift));
}

IndexBlockDef index_block_def(uint32_t index_object, const LobStorageDef& storage, uint8_t level)
{
    IndexBlockDef def;
    def.trans.object_id = index_object;
    def.trans.flag_byte = storage.header_type == 35 ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
    def.trans.itls.resize(INDEX_ITLS);
    def.level = level;
    def.itl = (uint8_t)INDEX_ITLS;
    def.columns_in_key = 2;
    return def;
}

} // namespace

size_t LobIndexTree::nodes() const
{
    size_t n = 0;
    for (const std::vector<LobIndexNode>& level : levels)
        n += level.size();
    return n;
}

LobIndexTree plan_lob_index(const std::vector<LobIndexEntry>& entries, uint32_t block_size,
                            const LobStorageDef& storage)
{
    LobIndexTree tree;
    size_t per_leaf = leaf_capacity(block_size, storage);
    std::vector<LobIndexNode> leaves;
    for (size_t at = 0; at < entries.size(); at += per_leaf)
        leaves.push_back({at, std::min(per_leaf, entries.size() - at), at, 0});
    if (leaves.empty())
        leaves.push_back({0, 0, 0, 0}); // an empty index is one empty leaf
    tree.levels.push_back(leaves);
    size_t per_branch = branch_capacity(block_size, storage);
    while (tree.levels.back().size() > 1) {
        const std::vector<LobIndexNode>& below = tree.levels.back();
        std::vector<LobIndexNode> level;
        for (size_t at = 0; at < below.size(); at += per_branch)
            level.push_back({at, std::min(per_branch, below.size() - at), below[at].first_entry, 0});
        tree.levels.push_back(level);
    }
    return tree;
}

void place_lob_index(LobIndexTree& tree, const std::vector<uint32_t>& blocks)
{
    if (blocks.size() < tree.nodes())
        throw std::length_error("too few blocks for the LOB index");
    tree.levels.back()[0].block = blocks[0];
    size_t next = 1;
    for (size_t l = 0; l + 1 < tree.levels.size(); l++)
        for (LobIndexNode& node : tree.levels[l])
            node.block = blocks[next++];
}

void write_lob_index(DatafileImage& file, const LobIndexTree& tree, const std::vector<LobIndexEntry>& entries,
                     uint32_t index_object, const LobStorageDef& storage)
{
    const DatafileDef& d = file.def();
    const std::vector<LobIndexNode>& leaves = tree.levels[0];
    for (size_t i = 0; i < leaves.size(); i++) {
        const LobIndexNode& leaf = leaves[i];
        IndexBlockDef def = index_block_def(index_object, storage, 0);
        def.key_size = storage.key_size;
        def.next_block = i + 1 < leaves.size() ? file.rdba(leaves[i + 1].block) : 0;
        def.prev_block = i > 0 ? file.rdba(leaves[i - 1].block) : 0;
        for (size_t e = leaf.first; e < leaf.first + leaf.count; e++) {
            const LobIndexEntry& entry = entries[e];
            if (entry.data.size() != storage.key_size)
                throw std::logic_error("LOB index row data of the wrong size");
            std::vector<uint8_t> row = {0, 0};
            row.insert(row.end(), entry.data.begin(), entry.data.end());
            put_key(row, entry);
            def.rows.push_back(row);
        }
        file.put(leaf.block, make_index_block(file.cache_header(6, leaf.block), def, d.block_size, d.order));
    }
    for (size_t l = 1; l < tree.levels.size(); l++) {
        const std::vector<LobIndexNode>& below = tree.levels[l - 1];
        for (const LobIndexNode& node : tree.levels[l]) {
            IndexBlockDef def = index_block_def(index_object, storage, (uint8_t)l);
            def.left_most_child = file.rdba(below[node.first].block);
            for (size_t c = node.first + 1; c < node.first + node.count; c++) {
                std::vector<uint8_t> row(4);
                ByteWriter(row.data(), row.size(), d.order).u32(0, file.rdba(below[c].block));
                put_key(row, entries[below[c].first_entry]);
                def.rows.push_back(row);
            }
            file.put(node.block, make_index_block(file.cache_header(6, node.block), def, d.block_size, d.order));
        }
    }
}

} // namespace zb
