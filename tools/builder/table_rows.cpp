#include "builder/table_rows.h"

#include <algorithm>
#include <stdexcept>

#include "builder/data_blocks.h"

namespace zb {

namespace {

// Largest piece header: flag, lock, count, key index, dscn, head and next
// rowids.
constexpr uint32_t MAX_PIECE_HEADER = 22;

std::vector<Cell> stored_cells(const std::vector<Cell>& cells)
{
    std::vector<Cell> stored = cells;
    while (!stored.empty() && stored.back().is_null && !stored.back().placeholder)
        stored.pop_back();
    return stored;
}

Cell part_of(const Cell& cell, uint32_t from, uint32_t to)
{
    Cell part = cell;
    part.bytes.assign(cell.bytes.begin() + from, cell.bytes.begin() + to);
    return part;
}

uint32_t data_header_at(const PackerOptions& options)
{
    return (options.assm ? 52u : 44u) + 24u * options.itl_count;
}

DataBlockDef table_block_layout(const PackerOptions& options)
{
    DataBlockDef d;
    d.trans.object_id = options.object_id;
    d.trans.flag_byte = options.assm ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
    d.trans.itls.resize(options.itl_count);
    d.kdbh_flag = options.row_dependencies ? 0x20 : 0;
    d.tables.resize(1);
    return d;
}

} // namespace

LogicalRow make_row(std::vector<Cell> cells)
{
    LogicalRow row;
    row.cells = std::move(cells);
    return row;
}

std::vector<PieceColumns> split_row(const LogicalRow& row)
{
    std::vector<Cell> stored = stored_cells(row.cells);
    std::vector<Cut> cuts = row.cuts;
    std::sort(cuts.begin(), cuts.end(),
              [](const Cut& a, const Cut& b) { return a.column != b.column ? a.column < b.column : a.offset < b.offset; });
    std::vector<PieceColumns> pieces;
    uint32_t col = 0;
    uint32_t off = 0;
    bool from_previous = false;
    for (const Cut& cut : cuts) {
        if (cut.column >= stored.size())
            break;
        if (cut.column < col || (cut.column == col && cut.offset <= off))
            continue;
        const Cell& cut_cell = stored[cut.column];
        if (cut.offset > 0 && (cut_cell.is_null || cut_cell.placeholder || cut.offset >= cut_cell.bytes.size()))
            throw std::invalid_argument("a cut inside a value must leave bytes on both sides");
        PieceColumns piece;
        piece.from_previous = from_previous;
        for (uint32_t c = col; c < cut.column; c++) {
            const Cell& cell = stored[c];
            piece.cells.push_back(c == col && off > 0 ? part_of(cell, off, (uint32_t)cell.bytes.size()) : cell);
        }
        if (cut.offset > 0) {
            piece.cells.push_back(part_of(cut_cell, cut.column == col ? off : 0, cut.offset));
            piece.continue_next = true;
        }
        from_previous = cut.offset > 0;
        pieces.push_back(piece);
        col = cut.column;
        off = cut.offset;
    }
    PieceColumns last;
    last.from_previous = from_previous;
    for (uint32_t c = col; c < stored.size(); c++) {
        const Cell& cell = stored[c];
        last.cells.push_back(c == col && off > 0 ? part_of(cell, off, (uint32_t)cell.bytes.size()) : cell);
    }
    pieces.push_back(last);
    return pieces;
}

std::vector<Cut> plan_cuts(const std::vector<Cell>& cells, uint32_t room)
{
    if (room <= MAX_PIECE_HEADER + 8)
        throw std::invalid_argument("no room for a row piece");
    std::vector<Cell> stored = stored_cells(cells);
    std::vector<Cut> cuts;
    uint32_t full = room - MAX_PIECE_HEADER;
    uint32_t avail = full;
    for (uint32_t c = 0; c < stored.size(); c++) {
        const Cell& cell = stored[c];
        if (cell.placeholder)
            continue;
        if (cell.is_null) {
            if (avail < 1) {
                cuts.push_back({c, 0});
                avail = full;
            }
            avail -= 1;
            continue;
        }
        uint32_t n = (uint32_t)cell.bytes.size();
        uint32_t off = 0;
        for (;;) {
            uint32_t rest = n - off;
            uint32_t need = rest + (rest > 250 || cell.long_form ? 3 : 1);
            if (need <= avail) {
                avail -= need;
                break;
            }
            if (avail > 3) {
                off += avail - 3;
                cuts.push_back({c, off});
            } else {
                cuts.push_back({c, off});
            }
            avail = full;
        }
    }
    return cuts;
}

TablePacker::TablePacker(const PackerOptions& options, NextBlock next_block, HeaderOf header_of, Emit emit)
    : options_(options), next_block_(std::move(next_block)), header_of_(std::move(header_of)), emit_(std::move(emit))
{
}

uint32_t TablePacker::empty_block_room() const
{
    uint32_t fixed = data_header_at(options_) + 14 + 4 + 4 + options_.reserved_bytes;
    return options_.block_size > fixed ? options_.block_size - fixed : 0;
}

bool TablePacker::fits(uint32_t piece_size) const
{
    if (!open_.active)
        return false;
    if (options_.rows_per_block != 0 && open_.pieces.size() >= options_.rows_per_block)
        return false;
    return open_.used + piece_size + 2 <= empty_block_room();
}

void TablePacker::open_block(uint32_t block_no)
{
    open_ = Open{};
    open_.block_no = block_no;
    open_.active = true;
}

uint16_t TablePacker::place(const std::vector<uint8_t>& piece)
{
    if (!fits((uint32_t)piece.size()))
        throw std::length_error("row piece does not fit in a block");
    open_.pieces.push_back(piece);
    open_.used += (uint32_t)piece.size() + 2;
    return (uint16_t)(open_.pieces.size() - 1);
}

Rid TablePacker::here(uint16_t slot) const
{
    return Rid{header_of_(open_.block_no).rdba, slot};
}

void TablePacker::emit_open()
{
    if (!open_.active)
        return;
    DataBlockDef d = table_block_layout(options_);
    for (const std::vector<uint8_t>& piece : open_.pieces) {
        RowSlot slot;
        slot.piece = piece;
        d.tables[0].rows.push_back(std::move(slot));
    }
    BlockImage block = make_data_block(header_of_(open_.block_no), d, options_.block_size, options_.order);
    emit_(open_.block_no, block);
    blocks_emitted_++;
    open_.active = false;
}

void TablePacker::finish()
{
    emit_open();
}

Rid TablePacker::add(const LogicalRow& row)
{
    std::vector<PieceColumns> parts = split_row(row);
    if (row.cuts.empty() && parts.size() == 1) {
        uint32_t size = MAX_PIECE_HEADER;
        for (const Cell& cell : parts[0].cells)
            size += cell_size(cell);
        if (size + 2 > empty_block_room()) {
            LogicalRow cut = row;
            cut.cuts = plan_cuts(row.cells, empty_block_room() - 2);
            parts = split_row(cut);
        }
    }
    size_t n = parts.size();
    scn_++;
    std::vector<PieceLayout> pieces(n);
    for (size_t k = 0; k < n; k++) {
        PieceLayout& p = pieces[k];
        p.lock = row.lock;
        p.cells = parts[k].cells;
        p.flag = (uint8_t)((parts[k].from_previous ? ROW_P : 0) | (parts[k].continue_next ? ROW_N : 0) |
                           (k + 1 == n ? ROW_L : 0));
        if (k == 0)
            p.flag |= (uint8_t)(ROW_F | (row.migrated ? 0 : ROW_H) | (row.deleted ? ROW_D : 0));
        p.dscn = options_.row_dependencies;
        p.dscn_base = scn_;
    }
    // Every piece after the first goes to a fresh block, taken now so that
    // the addresses are known before the pieces are written.
    std::vector<uint32_t> later(row.migrated ? n : n - 1);
    PieceLayout head;
    uint32_t first_size = (uint32_t)encode_piece(row.migrated ? head : pieces[0], options_.order).size();
    if (row.migrated) {
        head.flag = (uint8_t)(ROW_H | (row.deleted ? ROW_D : 0));
        head.lock = row.lock;
        head.dscn = options_.row_dependencies;
        head.dscn_base = scn_;
        first_size = (uint32_t)encode_piece(head, options_.order).size();
    }
    if (!fits(first_size)) {
        emit_open();
        open_block(next_block_());
    }
    for (uint32_t& block_no : later)
        block_no = next_block_();
    auto rid_of = [&](uint32_t block_no) { return Rid{header_of_(block_no).rdba, 0}; };

    Rid first_piece;
    size_t body_from = 0;
    if (row.migrated) {
        head.next = rid_of(later[0]);
        Rid head_rid = here(place(encode_piece(head, options_.order)));
        pieces[0].head = head_rid;
        first_piece = rid_of(later[0]);
    } else {
        if (n > 1)
            pieces[0].next = rid_of(later[0]);
        first_piece = here(place(encode_piece(pieces[0], options_.order)));
        body_from = 1;
    }
    for (size_t k = body_from; k < n; k++) {
        uint32_t block_no = later[row.migrated ? k : k - 1];
        if (k + 1 < n)
            pieces[k].next = rid_of(later[row.migrated ? k + 1 : k]);
        emit_open();
        open_block(block_no);
        place(encode_piece(pieces[k], options_.order));
    }
    return first_piece;
}

BlockImage make_empty_table_block(const PackerOptions& options, const CacheHeader& header)
{
    return make_data_block(header, table_block_layout(options), options.block_size, options.order);
}

} // namespace zb
