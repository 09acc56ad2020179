// Rows of the export dump: every unloadable column of a row as one value,
// then 0x0000. A value is a ub2 length and the stored bytes (the internal
// Oracle form, unconverted), 0xFFFE for NULL, or, for the LONG kind (LONG,
// LONG RAW, and CLOB and BLOB, which the descriptors announce as LONG and
// LONG RAW), 0xFFFD followed by chunks of ub2 length and bytes and a closing
// 0x0000.
//
// Whatever order the engine's calls come in (a chain given up halfway, a
// LOB whose closing call is missing), every row gets exactly as many values
// as the descriptors announce: an open chunk sequence is closed before
// anything else is written, values beyond the count are dropped, and the
// row callback fills missing ones with NULL. A value that no length field
// can carry is refused and written as NULL, never cut.

#include "base/printer.h"
#include "base/rdba.h"
#include "output/dmp_output.h"

namespace {

PDMP_WRITER get_writer(const UNLOAD_PARAMS* params)
{
    PDMP_WRITER writer = (PDMP_WRITER)params->writer;
    return writer != nullptr && writer->error == 0 ? writer : nullptr;
}

// A failed file stops the unload of the table.
void check_writer(PDMP_WRITER writer, PUNLOAD_PARAMS params)
{
    if (writer->error != 0)
        params->stop_unload = 1;
}

bool is_long_kind(const COLUMN* column)
{
    return column != nullptr && (column->ora_type == ORA_LONG || column->ora_type == ORA_LONG_RAW ||
                                 column->ora_type == ORA_CLOB || column->ora_type == ORA_BLOB);
}

// A NULL CLOB: NULL where the column takes one. A NOT NULL column gets a
// single blank instead, the nearest value the import can load there (a
// length of 0 would end the row, and NULL would make it refuse the row).
bool null_as_blank(const COLUMN* column)
{
    return column != nullptr && column->ora_type == ORA_CLOB && !column->nullable;
}

// One value slot of the row; FALSE when the row already has all of them.
bool take_value(PDMP_WRITER writer)
{
    if (writer->row_values >= writer->col_cnt)
        return false;
    writer->row_values++;
    return true;
}

void put_null_form(PDMP_WRITER writer, bool blank)
{
    if (blank) {
        put_dmp_ub2(writer, 1);
        put_dmp_bytes(writer, " ", 1);
    } else {
        put_dmp_ub2(writer, DMP_NULL_VALUE);
    }
}

void put_null(PDMP_WRITER writer, const COLUMN* column)
{
    if (take_value(writer))
        put_null_form(writer, null_as_blank(column));
}

void put_chunks(PDMP_WRITER writer, const ub1* data, ub4 length)
{
    while (length > 0) {
        ub4 n = length < DMP_MAX_CHUNK_LEN ? length : DMP_MAX_CHUNK_LEN;
        put_dmp_ub2(writer, (ub2)n);
        put_dmp_bytes(writer, data, n);
        data += n;
        length -= n;
    }
}

// Closes the value in chunks, if one is open. A sequence that never got a
// chunk is written as NULL instead: 0xFFFD 0x0000 would be an empty value.
void end_chunks(PDMP_WRITER writer)
{
    if (!writer->chunks_open)
        return;
    if (writer->chunks_taken) {
        if (writer->chunks_begun)
            put_dmp_ub2(writer, DMP_END_OF_CHUNKS);
        else
            put_null_form(writer, writer->chunks_blank);
    }
    writer->chunks_open = 0;
    writer->chunks_begun = 0;
}

void begin_chunks(PDMP_WRITER writer, const COLUMN* column)
{
    end_chunks(writer);
    writer->chunks_open = 1;
    writer->chunks_begun = 0;
    writer->chunks_taken = take_value(writer);
    writer->chunks_blank = null_as_blank(column);
}

void add_chunks(PDMP_WRITER writer, const ub1* data, ub4 length)
{
    if (!writer->chunks_taken || data == nullptr || length == 0)
        return;
    if (!writer->chunks_begun) {
        put_dmp_ub2(writer, DMP_CHUNKED_VALUE);
        writer->chunks_begun = 1;
    }
    put_chunks(writer, data, length);
}

void note_refused(PDMP_WRITER writer, const COLUMN* column, ub4 length)
{
    writer->refused++;
    if (writer->row_refused++ == 0) {
        writer->refused_column = column != nullptr ? column->name : "";
        writer->refused_len = length;
    }
}

// A whole value. The LONG kind goes in chunks when it is longer than one;
// any other value longer than its descriptor (or than a length field) is
// refused.
void put_value(PDMP_WRITER writer, const ub1* data, ub4 length, const COLUMN* column)
{
    if (data == nullptr || length == 0) {
        put_null(writer, column);
        return;
    }
    if (is_long_kind(column)) {
        if (length <= DMP_MAX_CHUNK_LEN) {
            if (take_value(writer)) {
                put_dmp_ub2(writer, (ub2)length);
                put_dmp_bytes(writer, data, length);
            }
        } else {
            begin_chunks(writer, column);
            add_chunks(writer, data, length);
            end_chunks(writer);
        }
        return;
    }
    ub4 limit = column != nullptr && column->length > 0 && column->length < DMP_MAX_VALUE_LEN ? column->length
                                                                                            : DMP_MAX_VALUE_LEN;
    if (!take_value(writer))
        return;
    if (length > limit) {
        note_refused(writer, column, length);
        put_dmp_ub2(writer, DMP_NULL_VALUE);
        return;
    }
    put_dmp_ub2(writer, (ub2)length);
    put_dmp_bytes(writer, data, length);
}

// The LOB pieces of one value: one piece alone is a whole value, several
// go in chunks. `data` is what the piece carries (CLOB: converted text).
void put_lob_piece(PDMP_WRITER writer, const ub1* data, ub4 length, const COLUMN* column, ub1 flags)
{
    bool first = (flags & IS_LOB_FIRST_PIECE) != 0;
    bool last = (flags & IS_LOB_LAST_PIECE) != 0;
    if (first && last) {
        end_chunks(writer);
        put_value(writer, data, length, column);
        return;
    }
    if (first || !writer->chunks_open)
        begin_chunks(writer, column);
    add_chunks(writer, data, length);
    if (last)
        end_chunks(writer);
}

} // namespace

void unload_col_to_dmp(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                       ub1 flags)
{
    if (column != nullptr && column->ora_type == ORA_CLOB) {
        unload_clob_col_to_dmp(data, length, column, col_data, params, flags);
        return;
    }
    if (column != nullptr && column->ora_type == ORA_BLOB) {
        unload_blob_col_to_dmp(data, length, column, col_data, params, flags);
        return;
    }
    PDMP_WRITER writer = get_writer(params);
    if (writer == nullptr)
        return;
    bool first = (flags & IS_FIRST_PIECE) != 0;
    bool last = (flags & IS_LAST_PIECE) != 0;
    if ((flags & (IS_LAST_NULL | IS_LOB_PIECE)) != 0) {
        end_chunks(writer);
        put_null(writer, column);
    } else if (first && last) {
        end_chunks(writer);
        bool is_null = col_data == nullptr || col_data->is_null;
        put_value(writer, is_null ? nullptr : data, is_null ? 0 : length, column);
    } else if (is_long_kind(column)) {
        // A LONG chained over row pieces: each piece a chunk as it comes.
        if (first || !writer->chunks_open)
            begin_chunks(writer, column);
        add_chunks(writer, data, length);
        if (last)
            end_chunks(writer);
    } else if (last) {
        // Any other value waits for its last piece and goes whole.
        end_chunks(writer);
        bool has = col_data != nullptr && !col_data->is_null && col_data->raw_data != nullptr;
        put_value(writer, has ? col_data->raw_data : nullptr, has ? col_data->raw_data_len : 0, column);
    } else if (first) {
        end_chunks(writer);
    }
    check_writer(writer, params);
}

namespace {

// A LOB value reaches the dump as pieces; the last call (or a NULL) closes
// its chunks. `data` is null when the piece holds nothing.
void put_lob_call(const ub1* data, ub4 length, PCOLUMN column, PUNLOAD_PARAMS params, ub1 flags)
{
    PDMP_WRITER writer = get_writer(params);
    if (writer == nullptr)
        return;
    if (!is_lob_callback(flags) || (flags & IS_LAST_NULL)) {
        end_chunks(writer);
        put_null(writer, column);
    } else
        put_lob_piece(writer, data, data != nullptr ? length : 0, column, flags);
    check_writer(writer, params);
}

} // namespace

void unload_blob_col_to_dmp(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
                            PUNLOAD_PARAMS params, ub1 flags)
{
    bool has = col_data != nullptr && !col_data->is_null;
    put_lob_call(has ? data : nullptr, length, column, params, flags);
}

// A CLOB's piece arrives converted, in the column's value.
void unload_clob_col_to_dmp(const ub1*, ub4, PCOLUMN column, PCOL_DATA col_data, PUNLOAD_PARAMS params,
                            ub1 flags)
{
    bool has = col_data != nullptr && !col_data->is_null && col_data->common_data.data != nullptr;
    put_lob_call(has ? col_data->common_data.data : nullptr, has ? col_data->data_len : 0, column, params,
                 flags);
}

void unload_row_to_dmp(ub2, PUNLOAD_PARAMS params, PROW_DATA row)
{
    PDMP_WRITER writer = get_writer(params);
    if (writer == nullptr)
        return;
    end_chunks(writer);
    while (writer->row_values < writer->col_cnt) {
        writer->row_values++;
        put_dmp_ub2(writer, DMP_NULL_VALUE);
    }
    put_dmp_ub2(writer, DMP_END_OF_ROW);
    writer->row_values = 0;
    if (writer->row_refused > 0) {
        if (writer->refused - writer->row_refused < DMP_REFUSED_SHOWN && row != nullptr) {
            ub4 ts_no = params->table != nullptr ? params->table->ts_no : 0;
            sp_printf("value of column %s (%u bytes) does not fit the export dump, written as NULL: row %u of "
                      "file %u block %u.\n",
                      writer->refused_column, writer->refused_len, row->row_no, rdba_file_no(row->rdba, ts_no),
                      rdba_block_no(row->rdba, ts_no));
        }
        writer->row_refused = 0;
    }
    check_writer(writer, params);
}
