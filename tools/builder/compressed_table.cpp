#include "builder/compressed_table.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "builder/data_blocks.h"

namespace zb {

namespace {

using Bytes = std::vector<uint8_t>;

void put_ref(Bytes& out, uint32_t symbol)
{
    if (symbol <= 200) {
        out.push_back((uint8_t)symbol);
    } else {
        out.push_back(251);
        out.push_back((uint8_t)(symbol >> 8));
        out.push_back((uint8_t)symbol);
    }
}

void put_literal(Bytes& out, const Bytes& bytes)
{
    if (bytes.size() <= 49) {
        out.push_back((uint8_t)(200 + bytes.size()));
    } else {
        if (bytes.size() > 0xffff)
            throw std::length_error("a compressed column of more than 65535 bytes");
        out.push_back(250);
        out.push_back((uint8_t)(bytes.size() >> 8));
        out.push_back((uint8_t)bytes.size());
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The rows' cells in stored order, all rows as wide as the widest.
struct Stored {
    size_t columns = 0;
    std::vector<uint8_t> perm;          // output column j is stored column perm[j]
    std::vector<std::vector<const Cell*>> rows;
};

Stored store_rows(const std::vector<LogicalRow>& rows, bool use_perm)
{
    static const Cell null_value = null_cell();
    Stored s;
    for (const LogicalRow& row : rows)
        s.columns = std::max(s.columns, row.cells.size());
    std::vector<size_t> order(s.columns); // stored column -> output column
    for (size_t c = 0; c < s.columns; c++)
        order[c] = c;
    if (use_perm && s.columns > 1) {
        if (s.columns > 255)
            throw std::invalid_argument("a perm array holds at most 255 columns");
        std::vector<size_t> distinct(s.columns);
        for (size_t c = 0; c < s.columns; c++) {
            std::set<Bytes> values;
            for (const LogicalRow& row : rows)
                if (c < row.cells.size() && !row.cells[c].is_null)
                    values.insert(row.cells[c].bytes);
            distinct[c] = values.size();
        }
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return distinct[a] < distinct[b]; });
        s.perm.resize(s.columns);
        for (size_t stored = 0; stored < s.columns; stored++)
            s.perm[order[stored]] = (uint8_t)stored;
    }
    for (const LogicalRow& row : rows) {
        std::vector<const Cell*> cells(s.columns, &null_value);
        for (size_t stored = 0; stored < s.columns; stored++)
            if (order[stored] < row.cells.size())
                cells[stored] = &row.cells[order[stored]];
        s.rows.push_back(cells);
    }
    return s;
}

// Leading stored columns that hold a value of the same length in every
// live row of the block.
size_t fixed_leading_columns(const Stored& s, const std::vector<LogicalRow>& rows)
{
    size_t lead = 0;
    for (; lead < s.columns && lead < 254; lead++) {
        int length = -1;
        bool same = true;
        for (size_t r = 0; r < rows.size() && same; r++) {
            if (rows[r].deleted)
                continue;
            const Cell* cell = s.rows[r][lead];
            if (cell->is_null || cell->bytes.empty() || (length >= 0 && (size_t)length != cell->bytes.size()))
                same = false;
            else
                length = (int)cell->bytes.size();
        }
        if (!same || length < 0)
            break;
    }
    return lead;
}

} // namespace

BlockImage make_compressed_block(const PackerOptions& shape, const CacheHeader& header,
                                 const std::vector<LogicalRow>& rows, const CompressOptions& options,
                                 CompressedBlockInfo* info)
{
    Stored s = store_rows(rows, options.use_perm);
    size_t lead = options.use_fcls ? fixed_leading_columns(s, rows) : 0;

    // Values met often enough, by their bytes (shared between columns).
    std::map<Bytes, uint32_t> counts;
    for (size_t r = 0; r < rows.size(); r++)
        if (!rows[r].deleted)
            for (size_t c = lead; c < s.columns; c++)
                if (!s.rows[r][c]->is_null && s.rows[r][c]->bytes.size() >= 2)
                    counts[s.rows[r][c]->bytes]++;
    auto is_symbol = [&](const Cell* cell) {
        if (cell->is_null || cell->bytes.size() < 2)
            return false;
        auto it = counts.find(cell->bytes);
        return it != counts.end() && it->second >= options.min_repeats;
    };
    // Pairs of neighbouring symbol values that come together often enough.
    std::map<std::pair<Bytes, Bytes>, uint32_t> pair_counts;
    if (options.pair_symbols)
        for (size_t r = 0; r < rows.size(); r++)
            for (size_t c = lead; !rows[r].deleted && c + 1 < s.columns; c++)
                if (is_symbol(s.rows[r][c]) && is_symbol(s.rows[r][c + 1]))
                    pair_counts[{s.rows[r][c]->bytes, s.rows[r][c + 1]->bytes}]++;
    std::map<std::pair<Bytes, Bytes>, uint32_t> pairs;
    for (const auto& [key, n] : pair_counts)
        if (n >= options.min_repeats)
            pairs.emplace(key, 0);
    uint32_t number = 0;
    for (auto& [key, index] : pairs)
        index = number++;
    const uint32_t mec = number;
    std::map<Bytes, uint32_t> singles;
    for (const auto& [value, n] : counts)
        if (n >= options.min_repeats)
            singles.emplace(value, number++);
    std::vector<uint32_t> refs(number, 0);
    // Pair rows refer to their two single symbols.
    std::vector<Bytes> symbol_rows(number);
    for (const auto& [key, index] : pairs) {
        Bytes& out = symbol_rows[index];
        out.push_back(2);
        put_ref(out, singles.at(key.first));
        put_ref(out, singles.at(key.second));
        refs[singles.at(key.first)]++;
        refs[singles.at(key.second)]++;
    }
    for (const auto& [value, index] : singles)
        put_literal(symbol_rows[index], value);

    DataBlockDef d;
    d.trans.object_id = shape.object_id;
    d.trans.flag_byte = shape.assm ? FLAG_BYTE_ASSM : FLAG_BYTE_FREELIST;
    d.trans.itls.resize(shape.itl_count);
    d.compression.on = true;
    d.compression.mec = (uint16_t)mec;
    d.compression.perm = s.perm;
    if (lead > 0) {
        uint32_t at = 0;
        d.compression.fcls.push_back(0);
        for (size_t c = 0; c < lead; c++) {
            for (size_t r = 0; r < rows.size(); r++)
                if (!rows[r].deleted) {
                    at += (uint32_t)s.rows[r][c]->bytes.size();
                    break;
                }
            if (at > 0x7fff)
                throw std::length_error("fcls positions past 0x7fff");
            d.compression.fcls.push_back((uint16_t)at);
        }
    }
    d.tables.resize(2);
    for (size_t r = 0; r < rows.size(); r++) {
        const LogicalRow& row = rows[r];
        Bytes piece;
        if (row.deleted) {
            piece = {(uint8_t)(ROW_H | ROW_F | ROW_L | ROW_D), row.lock};
            d.tables[1].rows.push_back(RowSlot{piece, -1});
            continue;
        }
        Bytes entries;
        uint32_t entry_count = 0;
        size_t c = 0;
        if (lead > 0) {
            // One run of the fixed-length leading columns.
            entries.push_back((uint8_t)(lead <= 49 ? 200 + lead : 250));
            if (lead > 49) {
                entries.push_back(0);
                entries.push_back((uint8_t)lead);
            }
            for (; c < lead; c++)
                entries.insert(entries.end(), s.rows[r][c]->bytes.begin(), s.rows[r][c]->bytes.end());
            entry_count++;
        }
        while (c < s.columns) {
            const Cell* cell = s.rows[r][c];
            if (c + 1 < s.columns && is_symbol(cell) && is_symbol(s.rows[r][c + 1])) {
                auto it = pairs.find({cell->bytes, s.rows[r][c + 1]->bytes});
                if (it != pairs.end()) {
                    put_ref(entries, it->second);
                    refs[it->second]++;
                    entry_count++;
                    c += 2;
                    continue;
                }
            }
            if (is_symbol(cell)) {
                put_ref(entries, singles.at(cell->bytes));
                refs[singles.at(cell->bytes)]++;
            } else if (cell->is_null) {
                entries.push_back(0xff);
            } else {
                put_literal(entries, cell->bytes);
            }
            entry_count++;
            c++;
        }
        if (entry_count > 255)
            throw std::invalid_argument("a compressed row of more than 255 entries");
        piece = {(uint8_t)(ROW_H | ROW_F | ROW_L), row.lock, (uint8_t)entry_count};
        if (lead > 0)
            piece.push_back((uint8_t)lead);
        piece.insert(piece.end(), entries.begin(), entries.end());
        d.tables[1].rows.push_back(RowSlot{piece, -1});
    }
    for (uint32_t i = 0; i < number; i++) {
        Bytes piece = {(uint8_t)(refs[i] >> 8), (uint8_t)refs[i]};
        piece.insert(piece.end(), symbol_rows[i].begin(), symbol_rows[i].end());
        d.tables[0].rows.push_back(RowSlot{piece, -1});
    }
    if (info != nullptr) {
        info->symbol_rows = number;
        info->pair_symbols = mec;
        info->fcls_columns = (uint32_t)lead;
        info->perm = s.perm;
    }
    return make_data_block(header, d, shape.block_size, shape.order);
}

TableSegmentResult add_compressed_table_segment(DatafileImage& file, const TableSegmentLayout& shape,
                                                const std::vector<LogicalRow>& rows, const CompressOptions& options)
{
    // The segment with empty blocks below the mark, which the compressed
    // blocks then replace.
    TableSegmentResult result = add_table_segment(file, shape, {});
    PackerOptions packer = shape.packer;
    packer.block_size = file.def().block_size;
    packer.order = file.def().order;
    packer.object_id = shape.segment.object_id;
    packer.assm = shape.segment.header_type == 35;
    auto fits = [&](size_t from, size_t count) {
        try {
            std::vector<LogicalRow> part(rows.begin() + (long)from, rows.begin() + (long)(from + count));
            make_compressed_block(packer, file.cache_header(6, 0), part, options);
            return true;
        } catch (const std::length_error&) {
            return false;
        }
    };
    size_t next_block = 0;
    for (size_t from = 0; from < rows.size();) {
        if (next_block == result.below.size())
            throw std::length_error("the rows need more blocks than the segment has");
        size_t left = rows.size() - from;
        size_t cap = options.max_rows_per_block ? std::min<size_t>(left, options.max_rows_per_block) : left;
        if (!fits(from, 1))
            throw std::length_error("a row does not fit in a compressed block");
        // The most rows that fit: doubling, then halving the gap.
        size_t good = 1, bad = cap + 1;
        for (size_t n = 2; n <= cap; n *= 2) {
            if (!fits(from, n)) {
                bad = n;
                break;
            }
            good = n;
        }
        if (bad == cap + 1 && good < cap) {
            if (fits(from, cap))
                good = cap;
            else
                bad = cap;
        }
        while (bad - good > 1) {
            size_t mid = good + (bad - good) / 2;
            (fits(from, mid) ? good : bad) = mid;
        }
        uint32_t block_no = result.below[next_block++];
        std::vector<LogicalRow> part(rows.begin() + (long)from, rows.begin() + (long)(from + good));
        file.put(block_no, make_compressed_block(packer, file.cache_header(6, block_no), part, options));
        for (size_t i = 0; i < good; i++)
            result.rows.push_back(Rid{file.rdba(block_no), (uint16_t)i});
        from += good;
    }
    return result;
}

} // namespace zb
