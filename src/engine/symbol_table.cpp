// Symbol and data tables of a basic-compressed block (layout in
// symbol_table.h). Every offset, length and reference comes from the block
// and is checked before use; expansion of a symbol row recurses at most
// SYMBOL_MAX_DEPTH deep and marks rows in progress, so a circle of
// references ends as an error instead of a hang.

#include "engine/symbol_table.h"

#include "base/byte_order.h"
#include "blocks/extent_map.h"
#include "engine/row_decode.h"

namespace {

// Reads one entry's first bytes at *pos (below end): a data entry gives its
// length, a reference its symbol number. Returns the kind.
constexpr int ENTRY_NULL = 0;
constexpr int ENTRY_DATA = 1;
constexpr int ENTRY_REF = 2;

int read_entry(const ub1* block, ub4* pos, ub4 end, ub4* value, int* error)
{
    ub1 b = block[(*pos)++];
    if (b == SYM_NULL)
        return ENTRY_NULL;
    if (b > SYM_REF_LONG) {
        *error = SYM_BAD_CODE;
        return -1;
    }
    if (b == SYM_LEN_LONG || b == SYM_REF_LONG) {
        if (end - *pos < 2) {
            *error = SYM_PAST_END;
            return -1;
        }
        *value = get_ub2_big(block, *pos);
        *pos += 2;
        return b == SYM_LEN_LONG ? ENTRY_DATA : ENTRY_REF;
    }
    if (b > SYM_LEN_BASE) {
        *value = (ub4)b - SYM_LEN_BASE;
        return ENTRY_DATA;
    }
    *value = b;
    return ENTRY_REF;
}

ub4 data_end(const COMPRESSED_BLOCK* cb)
{
    return cb->block_size - BLOCK_TAIL_SIZE;
}

// The directory entry of absolute row index `index`, or 0xFFFF.
ub2 get_dir_entry(const COMPRESSED_BLOCK* cb, ub4 index)
{
    if (index >= cb->dir_cnt)
        return ROW_DIR_EMPTY_SLOT;
    return get_ub2(cb->block, cb->row_dir + ROW_DIR_ENTRY_SIZE * index);
}

// A reference from a row being expanded: the target expanded (recursively)
// and counted. SYM_OK or the failure.
int take_reference(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols, ub4 target, ub4 depth);

int expand_symbol(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols, ub4 row, ub4 depth)
{
    PSYMBOL_ROW r = &symbols->rows[row];
    if (r->decompressed == SYMS_DONE || r->decompressed == SYMS_EMPTY)
        return SYM_OK;
    if (r->decompressed == SYMS_FAILED)
        return r->error;
    if (r->decompressed == SYMS_BUSY)
        return SYM_LOOP;
    if (depth > SYMBOL_MAX_DEPTH)
        return SYM_TOO_DEEP;
    ub2 entry = get_dir_entry(cb, (ub4)cb->sym_first + row);
    r->row_pos = entry;
    if (!check_row_pos(entry, cb->header, 0)) {
        r->decompressed = SYMS_EMPTY;
        return SYM_OK;
    }
    auto fail = [&](int error) {
        PSYMBOL_ROW failed = &symbols->rows[row];
        failed->decompressed = SYMS_FAILED;
        failed->error = (ub1)error;
        return error;
    };
    const ub1* block = cb->block;
    ub4 end = data_end(cb);
    ub4 pos = cb->header->data_header_offset + entry;
    if (pos >= end || end - pos < 2)
        return fail(SYM_PAST_END);
    r->refer_cnt = get_ub2_big(block, pos);
    ub4 start = pos;
    pos += 2;
    ub4 col_cnt = 1;
    if (row < cb->header->mec_kdbh9ir2) {
        if (pos >= end)
            return fail(SYM_PAST_END);
        col_cnt = block[pos++];
    }
    r->decompressed = SYMS_BUSY;
    // Columns are gathered at the end of the store; references expand their
    // target first, which may append its own columns, so ours are collected
    // into a local list and appended once complete.
    SYMBOL_COL cols[256];
    ub4 got = 0;
    while (got < col_cnt) {
        if (pos >= end)
            return fail(SYM_PAST_END);
        ub4 value = 0;
        int error = SYM_OK;
        int kind = read_entry(block, &pos, end, &value, &error);
        if (kind < 0)
            return fail(error);
        if (kind == ENTRY_NULL) {
            cols[got++] = SYMBOL_COL{nullptr, 0};
        } else if (kind == ENTRY_DATA) {
            if (value > end - pos)
                return fail(SYM_PAST_END);
            cols[got++] = SYMBOL_COL{block + pos, (ub2)value};
            pos += value;
        } else {
            if (value == row)
                return fail(SYM_SELF_REF);
            error = take_reference(cb, symbols, value, depth + 1);
            if (error != SYM_OK)
                return fail(error);
            const SYMBOL_ROW* t = &symbols->rows[value];
            if (t->col_cnt > col_cnt - got)
                return fail(SYM_COL_COUNT);
            for (ub4 k = 0; k < t->col_cnt; k++)
                cols[got++] = symbols->cols[t->col_first + k];
        }
    }
    r = &symbols->rows[row];
    r->col_first = (ub4)symbols->cols.size();
    r->col_cnt = (ub2)got;
    symbols->cols.insert(symbols->cols.end(), cols, cols + got);
    r->raw_data = block + start;
    r->raw_data_len = (ub2)(pos - start);
    r->decompressed = SYMS_DONE;
    return SYM_OK;
}

int take_reference(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols, ub4 target, ub4 depth)
{
    if (target >= symbols->row_cnt)
        return SYM_REF_RANGE;
    int error = expand_symbol(cb, symbols, target, depth);
    if (error != SYM_OK)
        return error == SYM_LOOP || error == SYM_TOO_DEEP ? error : SYM_REF_EMPTY;
    PSYMBOL_ROW t = &symbols->rows[target];
    if (t->decompressed != SYMS_DONE || t->col_cnt == 0)
        return SYM_REF_EMPTY;
    if (++t->fact_refer_cnt > SYMBOL_MAX_REFER)
        return SYM_REFER_COUNT;
    return SYM_OK;
}

} // namespace

int get_compressed_block(const ub1* block, ub4 block_size, const DATABLOCK_HEADER* header, PCOMPRESSED_BLOCK cb)
{
    cb->block = block;
    cb->block_size = block_size;
    cb->header = header;
    cb->sym_first = cb->sym_cnt = cb->data_first = cb->data_cnt = 0;
    cb->fcls_cnt = cb->perm_cnt = 0;
    cb->row_dir = 0;
    cb->dir_cnt = 0;
    if (block_size < BLOCK_MIN_SIZE || block_size > BLOCK_MAX_SIZE || !is_compressed_table(header) ||
        header->tab_cnt != 2)
        return FALSE;
    if (!get_tab_dir_entry(block, header, 0, &cb->sym_first, &cb->sym_cnt, block_size))
        return FALSE;
    get_tab_dir_entry(block, header, 1, &cb->data_first, &cb->data_cnt, block_size);
    cb->row_dir = get_row_dir_offset(header);
    cb->dir_cnt = get_fitting_entry_count(block_size, cb->row_dir, ROW_DIR_ENTRY_SIZE, header->row_cnt);
    if ((ub4)cb->sym_first + cb->sym_cnt > cb->dir_cnt)
        return FALSE;
    for (ub4 i = 0; i < header->fcls_9ir2_cnt; i++) {
        ub2 value;
        if (!get_fcls_9ir2(block, header, i, &value, block_size))
            break;
        cb->fcls[cb->fcls_cnt++] = value & 0x7FFF;
    }
    for (ub4 i = 0; i < header->perm_9ir2_cnt; i++) {
        ub1 value;
        if (!get_perm_9ir2(block, header, i, &value, block_size))
            break;
        cb->perm[cb->perm_cnt++] = value;
    }
    return TRUE;
}

ub2 compress_table_first_row_index(const COMPRESSED_BLOCK* cb)
{
    return cb->data_first;
}

void free_symbol_table(PSYMBOL_TABLE symbols)
{
    symbols->rows.clear();
    symbols->cols.clear();
    symbols->row_cnt = 0;
}

int parse_symbol_table_row(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols, ub4 row)
{
    if (row >= symbols->row_cnt)
        return SYM_REF_RANGE;
    return expand_symbol(cb, symbols, row, 0);
}

ub4 build_symbol_table(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols)
{
    free_symbol_table(symbols);
    symbols->row_cnt = cb->sym_cnt;
    symbols->rows.assign(cb->sym_cnt, SYMBOL_ROW{});
    ub4 failed = 0;
    for (ub4 r = 0; r < cb->sym_cnt; r++)
        if (parse_symbol_table_row(cb, symbols, r) != SYM_OK)
            failed++;
    return failed;
}

int parse_uncompress_table_row(const COMPRESSED_BLOCK* cb, PSYMBOL_TABLE symbols, ub4 row,
                               PUNCOMPRESSED_ROW out)
{
    out->flag = 0;
    out->lock = 0;
    out->col_cnt = 0;
    out->raw_len = 0;
    out->next_rdba = 0;
    out->next_slot = 0;
    ub2 entry = get_dir_entry(cb, (ub4)cb->data_first + row);
    out->row_pos = entry;
    if (!check_row_pos(entry, cb->header, cb->block_size)) {
        out->row_pos = ROW_DIR_EMPTY_SLOT;
        return SYM_OK;
    }
    const ub1* block = cb->block;
    ub4 end = data_end(cb);
    ub4 pos = cb->header->data_header_offset + entry;
    if (pos >= end || end - pos < 2)
        return SYM_PAST_END;
    const ub4 start = pos;
    ub1 flag = block[pos];
    out->lock = block[pos + 1];
    pos += 2;
    // A deleted row keeps only its flag and lock; the head piece of a
    // migrated row and a cluster key hold no columns of this table.
    if ((flag & (RF_DELETED_ROW | RF_CLUSTER_KEY)) || !(flag & RF_FIRST_PIECE)) {
        out->flag = flag;
        out->raw_len = 2;
        return SYM_OK;
    }
    if (pos >= end)
        return SYM_PAST_END;
    ub4 entry_cnt = block[pos++];
    if ((flag & RF_FIRST_PIECE) && !(flag & RF_HEAD_PIECE))
        pos += ROW_RID_SIZE;
    if (!(flag & RF_LAST_PIECE)) {
        if (pos > end || end - pos < ROW_RID_SIZE)
            return SYM_PAST_END;
        out->next_rdba = get_ub4_big(block, pos);
        out->next_slot = get_ub2_big(block, pos + 4);
        pos += ROW_RID_SIZE;
    }
    if (pos > end)
        return SYM_PAST_END;
    ub4 fcls_lead = 0;
    if (cb->header->fcls_9ir2_cnt > 0) {
        if (pos >= end)
            return SYM_PAST_END;
        fcls_lead = block[pos++];
    }
    ub4 got = 0;
    for (ub4 e = 0; e < entry_cnt; e++) {
        if (pos >= end)
            return SYM_PAST_END;
        ub4 value = 0;
        int error = SYM_OK;
        int kind = read_entry(block, &pos, end, &value, &error);
        if (kind < 0)
            return error;
        if (kind == ENTRY_NULL) {
            if (got >= MAX_COL_CNT)
                return SYM_TOO_MANY_COLS;
            out->cols[got++] = SYMBOL_COL{nullptr, 0};
        } else if (kind == ENTRY_DATA && got < fcls_lead) {
            // A run of n fcls-governed columns, their bytes one after another.
            if (got + value + 1 > cb->fcls_cnt)
                return SYM_FCLS;
            if (got + value > MAX_COL_CNT)
                return SYM_TOO_MANY_COLS;
            for (ub4 k = got; k < got + value; k++) {
                if (cb->fcls[k + 1] < cb->fcls[k])
                    return SYM_FCLS;
                ub4 length = (ub4)cb->fcls[k + 1] - cb->fcls[k];
                if (length > end - pos)
                    return SYM_PAST_END;
                out->cols[k] = length == 0 ? SYMBOL_COL{nullptr, 0} : SYMBOL_COL{block + pos, (ub2)length};
                pos += length;
            }
            got += value;
        } else if (kind == ENTRY_DATA) {
            if (value > end - pos)
                return SYM_PAST_END;
            if (got >= MAX_COL_CNT)
                return SYM_TOO_MANY_COLS;
            out->cols[got++] = SYMBOL_COL{block + pos, (ub2)value};
            pos += value;
        } else {
            if (value >= symbols->row_cnt)
                return SYM_REF_RANGE;
            PSYMBOL_ROW t = &symbols->rows[value];
            if (t->decompressed == SYMS_FAILED)
                return t->error;
            if (t->decompressed != SYMS_DONE || t->col_cnt == 0)
                return SYM_REF_EMPTY;
            if (++t->fact_refer_cnt > SYMBOL_MAX_REFER)
                return SYM_REFER_COUNT;
            if (t->col_cnt > MAX_COL_CNT - got)
                return SYM_TOO_MANY_COLS;
            for (ub4 k = 0; k < t->col_cnt; k++)
                out->cols[got++] = symbols->cols[t->col_first + k];
        }
    }
    out->flag = flag;
    out->col_cnt = (ub2)got;
    out->raw_len = (ub2)(pos - start);
    return SYM_OK;
}

const char* get_symbol_error_text(int error)
{
    static const char* const texts[SYM_ERROR_COUNT] = {
        "ok",
        "its bytes run past the block end",
        "an entry code of 252 to 254",
        "a symbol row refers to itself",
        "a reference beyond the symbol table",
        "a reference to an empty or unreadable symbol row",
        "symbol rows refer to each other in a circle",
        "symbol references nest too deep",
        "its entries do not give its column count",
        "more columns than a row can have",
        "a symbol row referred to too often",
        "invalid fcls_9ir2_cnt or fcls_9ir2 is NULL",
    };
    return error >= 0 && error < SYM_ERROR_COUNT ? texts[error] : "unknown";
}
