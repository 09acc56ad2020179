#include "builder/iot_segment.h"

#include <stdexcept>

#include "builder/data_blocks.h"
#include "builder/index_blocks.h"

namespace zb {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t OPC_IOT = 0x10;
constexpr uint8_t OPC_PREFIX = 0x20;
constexpr uint8_t KEY_PREFIX_ROW = 0x08;

Cell cell_at(const LogicalRow& row, size_t c)
{
    return c < row.cells.size() ? row.cells[c] : null_cell();
}

bool same_prefix(const LogicalRow& a, const LogicalRow& b, uint32_t n)
{
    for (uint32_t c = 0; c < n; c++) {
        Cell x = cell_at(a, c), y = cell_at(b, c);
        if (x.is_null != y.is_null || x.bytes != y.bytes)
            return false;
    }
    return true;
}

uint8_t leaf_opcode(const IotLayout& iot)
{
    return (uint8_t)(OPC_IOT | (iot.prefix_columns > 0 ? OPC_PREFIX : 0));
}

// The leaf row: flag, lock, own key columns, the data piece.
Bytes leaf_row(const IotLayout& iot, const LogicalRow& row, const Rid& overflow, int order)
{
    Bytes out = {(uint8_t)(row.deleted ? 0x01 : 0x00), row.lock};
    for (uint32_t c = iot.prefix_columns; c < iot.key_columns; c++) {
        Bytes key = index_key_bytes(cell_at(row, c));
        out.insert(out.end(), key.begin(), key.end());
    }
    PieceLayout piece;
    piece.flag = (uint8_t)(ROW_H | ROW_F | (overflow.rdba == 0 ? ROW_L : 0));
    piece.dscn = iot.row_dependencies;
    piece.dscn_base = 0x1000;
    piece.next = overflow;
    size_t end = iot.overflow_from >= 0 ? (size_t)iot.overflow_from : row.cells.size();
    for (size_t c = iot.key_columns; c < end; c++)
        piece.cells.push_back(cell_at(row, c));
    // Trailing NULLs are left out only where the row ends in the leaf.
    if (overflow.rdba == 0)
        while (!piece.cells.empty() && piece.cells.back().is_null && !piece.cells.back().placeholder)
            piece.cells.pop_back();
    Bytes data = encode_piece(piece, order);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// Rough room check so that leaves are filled without trial writes.
uint32_t leaf_room(const PackerOptions& shape, const IotLayout& iot)
{
    uint32_t dh = 44 + 24 * shape.itl_count + (shape.assm ? 8 : 0);
    uint32_t header = iot.prefix_columns > 0 ? 40 : 36;
    return shape.block_size - 4 - dh - header - (iot.row_dependencies ? 6 : 0);
}

} // namespace

Bytes index_key_bytes(const Cell& cell)
{
    if (cell.is_null)
        return {0xff};
    size_t n = cell.bytes.size();
    Bytes out;
    if (n <= 127) {
        out.push_back((uint8_t)n);
    } else {
        if (n > 0x0fff)
            throw std::length_error("an index key column longer than 4095 bytes");
        out.push_back((uint8_t)(0x80 | (n >> 8)));
        out.push_back((uint8_t)n);
    }
    out.insert(out.end(), cell.bytes.begin(), cell.bytes.end());
    return out;
}

BlockImage make_iot_leaf_block(const PackerOptions& shape, const CacheHeader& header, const IotLayout& iot,
                               const std::vector<LogicalRow>& rows, const std::vector<Rid>& overflow,
                               uint32_t prev_leaf, uint32_t next_leaf)
{
    IndexBlockDef d;
    d.trans.object_id = shape.object_id;
    d.trans.flag_byte = shape.assm ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
    d.trans.itls.resize(shape.itl_count);
    d.flag_bits = iot.row_dependencies ? 0x80 : 0;
    d.lock_opcode = leaf_opcode(iot);
    d.columns_in_key = (uint8_t)iot.key_columns;
    d.prev_block = prev_leaf;
    d.next_block = next_leaf;
    d.prefix_col_count = (uint8_t)iot.prefix_columns;
    for (size_t r = 0; r < rows.size(); r++) {
        if (iot.prefix_columns > 0 && (r == 0 || !same_prefix(rows[r - 1], rows[r], iot.prefix_columns))) {
            Bytes prefix = {KEY_PREFIX_ROW, 0};
            for (uint32_t c = 0; c < iot.prefix_columns; c++) {
                Bytes key = index_key_bytes(cell_at(rows[r], c));
                prefix.insert(prefix.end(), key.begin(), key.end());
            }
            d.prefixes.push_back({prefix, 0});
        }
        if (!d.prefixes.empty())
            d.prefixes.back().second = (uint16_t)(r + 1);
        d.rows.push_back(leaf_row(iot, rows[r], r < overflow.size() ? overflow[r] : Rid{}, shape.order));
    }
    d.prefix_row_count = (uint16_t)d.prefixes.size();
    return make_index_block(header, d, shape.block_size, shape.order);
}

BlockImage make_index_branch_block(const PackerOptions& shape, const CacheHeader& header, uint8_t lock_opcode,
                                   uint8_t columns_in_key, uint32_t left_most_child,
                                   const std::vector<std::pair<uint32_t, std::vector<Cell>>>& children)
{
    IndexBlockDef d;
    d.trans.object_id = shape.object_id;
    d.trans.flag_byte = shape.assm ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
    d.trans.itls.resize(1);
    d.level = 1;
    d.lock_opcode = lock_opcode;
    d.columns_in_key = columns_in_key;
    d.left_most_child = left_most_child;
    for (const auto& [child, key] : children)
        d.rows.push_back(encode_branch_row(child, key, false, shape.order));
    return make_index_block(header, d, shape.block_size, shape.order);
}

IotSegmentResult add_iot_segment(DatafileImage& file, const SegmentLayout& index_layout, const IotLayout& iot,
                                 const std::vector<LogicalRow>& rows, const SegmentLayout* overflow_layout)
{
    if (iot.prefix_columns > iot.key_columns)
        throw std::invalid_argument("more prefix columns than key columns");
    IotSegmentResult result;
    result.overflow_rows.assign(rows.size(), Rid{});
    PackerOptions shape;
    shape.block_size = file.def().block_size;
    shape.order = file.def().order;

    if (iot.overflow_from >= 0) {
        if (overflow_layout == nullptr || (uint32_t)iot.overflow_from < iot.key_columns)
            throw std::invalid_argument("an overflow needs its segment and must follow the key");
        TableSegmentLayout overflow_shape;
        overflow_shape.segment = *overflow_layout;
        result.overflow = add_table_segment(file, overflow_shape, {});
        PackerOptions o = shape;
        o.object_id = overflow_layout->object_id;
        o.assm = overflow_layout->header_type == 35;
        // The overflow pieces: the row's last piece (L only), trailing NULLs
        // left out; a row with nothing there keeps L in its leaf piece.
        size_t next_block = 0;
        DataBlockDef d;
        uint32_t used = 0;
        uint32_t room = shape.block_size - 4 - (44 + 24 * o.itl_count + (o.assm ? 8 : 0)) - 14 - 4;
        auto emit = [&]() {
            if (d.tables.empty() || d.tables[0].rows.empty())
                return;
            uint32_t block_no = result.overflow.below.at(next_block++);
            file.put(block_no, make_data_block(file.cache_header(6, block_no), d, o.block_size, o.order));
            d.tables[0].rows.clear();
            used = 0;
        };
        d.trans.object_id = o.object_id;
        d.trans.flag_byte = o.assm ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
        d.trans.itls.resize(o.itl_count);
        d.tables.resize(1);
        for (size_t r = 0; r < rows.size(); r++) {
            PieceLayout piece;
            piece.flag = ROW_L;
            for (size_t c = (size_t)iot.overflow_from; c < rows[r].cells.size(); c++)
                piece.cells.push_back(rows[r].cells[c]);
            while (!piece.cells.empty() && piece.cells.back().is_null)
                piece.cells.pop_back();
            if (piece.cells.empty() || rows[r].deleted)
                continue;
            Bytes bytes = encode_piece(piece, o.order);
            if (used + bytes.size() + 2 > room)
                emit();
            if (next_block >= result.overflow.below.size())
                throw std::length_error("the overflow pieces need more blocks than the segment has");
            result.overflow_rows[r] =
                Rid{file.rdba(result.overflow.below[next_block]), (uint16_t)d.tables[0].rows.size()};
            d.tables[0].rows.push_back(RowSlot{bytes, -1});
            used += (uint32_t)bytes.size() + 2;
        }
        emit();
    }

    SegmentLayout layout = index_layout;
    layout.data_blocks = false;
    TableSegmentLayout index_shape;
    index_shape.segment = layout;
    // Empty blocks below the mark, replaced by the branch and the leaves.
    TableSegmentResult placed = add_table_segment(file, index_shape, {});
    result.index = placed.segment;
    shape.object_id = layout.object_id;
    shape.assm = layout.header_type == 35;

    // Leaves in order, each as full as the room allows.
    std::vector<std::vector<size_t>> leaves;
    uint32_t room = leaf_room(shape, iot);
    uint32_t used = 0;
    for (size_t r = 0; r < rows.size(); r++) {
        uint32_t size = (uint32_t)leaf_row(iot, rows[r], result.overflow_rows[r], shape.order).size() + 2;
        if (iot.prefix_columns > 0)
            size += 4 + 2 + 4 * iot.prefix_columns; // a prefix row, at most
        bool full = !leaves.empty() && (used + size > room ||
                                        (iot.rows_per_leaf > 0 && leaves.back().size() >= iot.rows_per_leaf));
        if (leaves.empty() || full) {
            leaves.emplace_back();
            used = 0;
        }
        leaves.back().push_back(r);
        used += size;
    }
    size_t first = leaves.size() > 1 ? 1 : 0;
    if (placed.below.size() < first + leaves.size())
        throw std::length_error("the leaves need more blocks than the segment has");
    if (first == 1)
        result.branch_block = placed.below[0];
    for (size_t l = 0; l < leaves.size(); l++)
        result.leaves.push_back(placed.below[first + l]);
    result.rows.resize(rows.size());
    std::vector<std::pair<uint32_t, std::vector<Cell>>> children;
    for (size_t l = 0; l < leaves.size(); l++) {
        std::vector<LogicalRow> in_leaf;
        std::vector<Rid> overflow;
        for (size_t r : leaves[l]) {
            result.rows[r] = Rid{file.rdba(result.leaves[l]), (uint16_t)in_leaf.size()};
            in_leaf.push_back(rows[r]);
            overflow.push_back(result.overflow_rows[r]);
        }
        uint32_t prev = l > 0 ? file.rdba(result.leaves[l - 1]) : 0;
        uint32_t next = l + 1 < leaves.size() ? file.rdba(result.leaves[l + 1]) : 0;
        file.put(result.leaves[l], make_iot_leaf_block(shape, file.cache_header(6, result.leaves[l]), iot, in_leaf,
                                                        overflow, prev, next));
        if (l > 0) {
            std::vector<Cell> key;
            for (uint32_t c = 0; c < iot.key_columns; c++)
                key.push_back(cell_at(in_leaf.front(), c));
            children.push_back({file.rdba(result.leaves[l]), key});
        }
    }
    if (result.branch_block != 0)
        file.put(result.branch_block,
                 make_index_branch_block(shape, file.cache_header(6, result.branch_block), leaf_opcode(iot),
                                         (uint8_t)iot.key_columns, file.rdba(result.leaves[0]), children));
    return result;
}

} // namespace zb
