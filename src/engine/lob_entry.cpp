// A LOB column value from the bytes its row keeps: the 20-byte locator, the
// 16-byte inode when the column is long enough, then the value itself (in
// row) or chunk addresses. What the row does not say comes from the LOB
// index, and when that is lost, from the pages a LOB scan found.
//
// Every value gets its own column calls: content calls carrying IS_LOB_PIECE, the first IS_LOB_FIRST_PIECE, and a
// closing call with IS_LOB_LAST_PIECE, a NULL value and no bytes, unless the
// one content call of an in-row value already carried it.

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/trace.h"
#include "engine/block_decoders.h"
#include "engine/lob_read.h"
#include "output/file_names.h"

void note_lob_cut(PLOB_VALUE value, const char* format, ...)
{
    if (value == nullptr)
        return;
    if (value->reason[0] == '\0') {
        va_list args;
        va_start(args, format);
        vsnprintf(value->reason, sizeof(value->reason), format, args);
        va_end(args);
    }
    value->cut = 1;
}

void note_lob_trouble(PLOB_VALUE value, const char* format, ...)
{
    if (value == nullptr || value->reason[0] != '\0')
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(value->reason, sizeof(value->reason), format, args);
    va_end(args);
}

namespace {

void trace_detail(const char* text)
{
    if (config_data.trace_level >= TL_DETAIL)
        write_trace("%s", text);
}

// Two-byte CLOB text: every CLOB when its text is converted, and every
// national one.
bool is_two_byte_clob(const COLUMN* column)
{
    return column->ora_type == ORA_CLOB && (config_data.convert_clob_charset == 1 || column->charset_form == 2);
}

bool swaps_clob_units(const COLUMN* column)
{
    return column->ora_type == ORA_CLOB && config_data.convert_clob_charset == 1 && column->charset_form != 2 &&
           (config_data.clob_byte_order == BO_LITTLE || column->lob.is_little_endian);
}

ub8 blocks_of(const LOB_INODE* inode)
{
    return (ub8)inode->blocks + (inode->bytes > 0 ? 1 : 0);
}

// Steps 2 to 9 of finding a value: the locator, the inode, the chunks.
void do_unload_lob_data(PLOB_VALUE v)
{
    PCOL_DATA col_data = v->col_data;
    PCOLUMN column = v->column;
    const ub1* raw = col_data->raw_data;
    ub4 length = raw != nullptr ? col_data->raw_data_len : 0;
    if (length < LOB_LOCATOR_LEN) {
        trace_detail("returning because of raw data len < LOB_LOCATOR_LEN.\n");
        note_lob_cut(v, "its column holds %u bytes, too few for a LOB locator", length);
        return;
    }
    LOB_LOCATOR locator;
    get_lob_locator(raw, length, &locator);
    LOB_INODE inode;
    memset(&inode, 0, sizeof(inode));
    bool have_inode = false;
    if (length >= LOB_LOCATOR_LEN + LOB_INODE_LEN) {
        trace_detail("lob raw data len >=LOB_LOCATOR_LEN+LOB_INODE_LEN.\n");
        get_lob_inode(raw + LOB_LOCATOR_LEN, length - LOB_LOCATOR_LEN, &inode);
        if (!is_valid_lob(&inode)) {
            trace_detail("returning because of invalid lob inode flag.\n");
            note_lob_cut(v, "its inode is not marked valid");
            return;
        }
        have_inode = true;
        if (!lob_out_of_row(&inode)) {
            trace_detail("lob in row processing.\n");
            if (inode.size == LOB_INODE_LEN) {
                trace_detail("do_unload_lob_data: returning because of lob_inode.size=LOB_INODE_LEN.\n");
                return;
            }
            ub4 n = length - LOB_LOCATOR_LEN - LOB_INODE_LEN;
            if (v->two_byte)
                n &= ~1u;
            if (n == 0) {
                trace_detail("do_unload_lob_data: returning because of data_len=0.\n");
                return;
            }
            if (column->ora_type == ORA_CLOB && config_data.trace_level >= TL_DETAIL)
                write_trace("begin clob to char, data len=%u, raw data len=%u.\n", n, length);
            deliver_lob_piece(v, col_data->raw_data + LOB_LOCATOR_LEN + LOB_INODE_LEN, n, 1);
            return;
        }
    }
    // Nobody takes the blocks: no need to read them.
    if (v->callbacks == nullptr || v->callbacks->unload_col_callback == nullptr)
        return;

    int mode = v->params->unload_mode;
    ub4 chunk_blocks = column->lob_storage.chunk != 0 ? column->lob_storage.chunk : 1;
    ub4 ts_no = column->lob_storage.ts_no;
    LOB_CHUNK_LIST chunks;
    // The row's chunk addresses name files by the LOB's tablespace. Without a
    // dictionary that is the table's, when known; every block read is
    // checked to hold this LOB, so a wrong guess delivers nothing wrong.
    if (have_inode && ts_no != INVALID_TS_NO)
        get_lob_chunks(raw + LOB_LOCATOR_LEN + LOB_INODE_LEN, length - LOB_LOCATOR_LEN - LOB_INODE_LEN,
                       chunk_blocks, &chunks);
    // The row's chunks may already hold the whole value; the index then
    // has nothing to add.
    bool covered = have_inode && (ub8)chunks.size() * chunk_blocks >= blocks_of(&inode);
    if (!covered && (is_unload_mode(mode, UM_NORMAL) || is_unload_mode(mode, UM_SPEC_BLOCK))) {
        LOB_INODE found;
        memset(&found, 0, sizeof(found));
        if (parse_lob_ind_data((ub4)chunks.size(), column, locator.lobid, &found, &chunks, v) && !have_inode) {
            inode = found;
            have_inode = is_valid_lob(&inode);
        }
    }
    bool size_known = have_inode;
    bool scanned = false;
    if (config_data.use_scanned_lob) {
        if (!have_inode) {
            scanned = true;
            size_known = get_scanned_lob_inode(locator.lobid, &inode, v->byte_order) != 0;
            if (!size_known) {
                trace_detail("can not get scanned lob inode.\n");
                memset(&inode, 0, sizeof(inode));
                inode.flag = KDLIDINI;
            }
        } else if ((ub8)chunks.size() * chunk_blocks < blocks_of(&inode)) {
            // The index could not give every chunk: the scanned pages may.
            scanned = true;
        }
    }
    if (!have_inode && !scanned) {
        trace_detail("returning because of invalid lob inode flag or not get inode.\n");
        note_lob_cut(v, "its inode is neither in the row nor in the LOB index");
        return;
    }
    if (scanned) {
        // A gap among the pages is news only when the pages are used.
        LOB_VALUE probe = *v;
        probe.cut = 0;
        probe.reason[0] = '\0';
        LOB_CHUNK_LIST pages;
        ub4 scanned_ts = INVALID_TS_NO;
        get_scanned_lob_chunks(&pages, locator.lobid, size_known ? &inode : nullptr, &scanned_ts, &probe);
        if (!pages.empty() && scanned_ts != INVALID_TS_NO && pages.size() > (ub8)chunks.size() * chunk_blocks) {
            // What the scan found replaces what the index could not give.
            chunks.swap(pages);
            ts_no = scanned_ts;
            memcpy(v->reason, probe.reason, sizeof(v->reason));
            v->cut = probe.cut;
            if (is_unload_mode(mode, UM_NO_SYSTEM)) {
                column->lob.ts_no = scanned_ts;
                column->lob_storage.ts_no = scanned_ts;
            }
            if (!size_known && (column->ora_type == ORA_CLOB || config_data.trim_scanned_blob)) {
                trim_scanned_lob_chunks(&chunks, ts_no, column, &inode, v->two_byte);
                size_known = true;
            }
        } else if (chunks.empty()) {
            if (size_known && blocks_of(&inode) == 0)
                return; // an empty value
            // What the index lacked, then what the scan lacked.
            size_t n = strlen(v->reason);
            snprintf(v->reason + n, sizeof(v->reason) - n, "%s%s", n > 0 ? ", and " : "",
                     probe.cut ? probe.reason : "the scan found no page of it");
            v->cut = 1;
            return;
        }
    }
    if (config_data.trace_level >= TL_DETAIL)
        write_trace("call unload_lob_chunks, extent_cnt=%u\n", (ub4)chunks.size());
    unload_lob_chunks(v, chunks, ts_no, &inode, size_known);
}

void report_cut(const LOB_VALUE* v)
{
    PTABLE table = v->params->table;
    if (table != nullptr)
        table->damage.values_cut++;
    const char* table_name = table != nullptr ? table->name : "";
    if (v->row != nullptr)
        sp_printf("LOB value cut: table %s, column %s, row 0x%08x slot %u, %llu bytes read: %s.\n", table_name,
                  v->column->name, v->row->rdba, v->row->row_no, (unsigned long long)v->bytes, v->reason);
    else
        sp_printf("LOB value cut: table %s, column %s, %llu bytes read: %s.\n", table_name, v->column->name,
                  (unsigned long long)v->bytes, v->reason);
}

// The writer opens the value's file on its first content; it is closed here
// once the value is complete, and a file that did not reach the disk whole
// counts as a value cut.
void close_lob_file(PLOB_VALUE v, const char* full_name)
{
    PCOL_DATA col_data = v->col_data;
    FILE* fp = col_data->lob_file;
    if (fp == nullptr)
        return;
    col_data->lob_file = nullptr;
    int err = 0;
    if (ferror(fp))
        err = errno != 0 ? errno : EIO;
    if (fclose(fp) != 0 && err == 0)
        err = errno != 0 ? errno : EIO;
    if (err != 0 && !col_data->lob_file_error) {
        sp_printf("write lob file '%s' error,errno=%u,error message:%s.\n", full_name, (unsigned)err, strerror(err));
        col_data->lob_file_error = 1;
    }
}

} // namespace

void unload_lob_data(PCOL_DATA col_data, PCOLUMN column, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks,
                     int is_first_column, const ROW_DATA* row)
{
    LOB_VALUE v;
    memset(&v, 0, sizeof(v));
    v.col_data = col_data;
    v.column = column;
    v.params = params;
    v.callbacks = callbacks;
    v.row = row;
    v.byte_order = config_data.byte_order;
    v.flags = (ub1)(IS_LOB_PIECE | (is_first_column ? IS_FIRST_COLUMN : 0));
    v.two_byte = is_two_byte_clob(column);
    v.swap = swaps_clob_units(column);
    column->lob_storage.row_cnt++;

    // The value's own file: a BLOB's, and a CLOB's unless its text goes
    // inline (or into an export dump, which holds its LOBs itself).
    char full_name[2 * FILENAME_MAXLEN + 64] = {};
    char file_name[2 * FILENAME_MAXLEN + 64] = {};
    int format = params->lob_output_format;
    bool own_file = format == LOF_TEXT || (format == LOF_PART_TEXT && column->ora_type == ORA_BLOB);
    if (own_file) {
        if (get_lob_file_name(column, column->lob_storage.row_cnt, full_name, sizeof(full_name), file_name,
                              sizeof(file_name))) {
            col_data->lob_full_name = full_name;
            col_data->lob_file_name = file_name;
        } else {
            col_data->lob_file_error = 1;
        }
    }

    do_unload_lob_data(&v);

    if (!v.last_sent && callbacks != nullptr && callbacks->unload_col_callback != nullptr) {
        clear_col_value(col_data);
        col_data->is_null = 1;
        ub1 flags = (ub1)(v.flags | IS_LOB_LAST_PIECE | IS_LAST_PIECE | (v.first_sent ? 0 : IS_LOB_FIRST_PIECE));
        callbacks->unload_col_callback(nullptr, 0, column, col_data, params, flags);
    }
    close_lob_file(&v, full_name);
    if (v.cut)
        report_cut(&v);
    else if (col_data->lob_file_error && v.bytes > 0 && params->table != nullptr)
        params->table->damage.values_cut++; // its file could not be made or written (reported there)
    col_data->lob_full_name = nullptr;
    col_data->lob_file_name = nullptr;
}
