// LOB chunks read and delivered block by block.
//
// LOB data block (types 27 and 40):
//   off size field
//    20    4 data object number of the LOB segment (file byte order)
//    24   10 LOB id (as in the locator)
//    36    6 version
//    44    4 page number within the value
//    56    - value bytes up to the tail: block size - 60 bytes a block
// A chunk is chunk_blocks consecutive blocks; chunks that follow each other
// on disk are read together, a fixed buffer at a time.

#include <cstring>

#include "base/byte_order.h"
#include "base/config.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "blocks/block_header.h"
#include "blocks/lob_block.h"
#include "convert/column_convert.h"
#include "engine/lob_read.h"
#include "storage/block_reader.h"
#include "storage/checksum.h"

namespace {

constexpr ub4 LOB_READ_BUFFER_SIZE = 2 * BLOCK_MAX_SIZE;
constexpr ub4 LOB_ID_OFFSET = 24;

void swap_units(ub1* data, ub4 length)
{
    for (ub4 i = 0; i + 1 < length; i += 2) {
        ub1 t = data[i];
        data[i] = data[i + 1];
        data[i + 1] = t;
    }
}

// Why a block read for the value is not one of its blocks; null when it is.
// Damaged blocks are counted against the table.
const char* check_lob_block(const ub1* block, ub4 block_size, PLOB_VALUE v, const ub1* lobid, ub4 file_no,
                            ub4 block_no)
{
    BLOCK_HEADER header;
    if (!get_block_header(block, &header, block_size))
        return "cannot be read";
    PUNLOAD_DAMAGE damage = v->params->table != nullptr ? &v->params->table->damage : nullptr;
    if (config_data.db_block_checksum && !block_tail_match(&header)) {
        note_damaged_block(damage, DMG_BAD_TAIL, file_no, block_no);
        return "is damaged (its tail does not match its header)";
    }
    if (header.seq == 0xff) {
        note_damaged_block(damage, DMG_MARKED_CORRUPT, file_no, block_no);
        return "is marked corrupt";
    }
    if (config_data.db_block_checksum && ((header.flag & KCBHFCKV) || header.chkval != 0) &&
        header.chkval != calc_block_checksum(block, block_size)) {
        note_damaged_block(damage, DMG_CHECKSUM, file_no, block_no);
        return "fails its checksum";
    }
    if (header.block_type != BT_LOB_DATA && header.block_type != BT_MLOB_DATA)
        return "is not a LOB data block";
    int mode = v->params->unload_mode;
    if (!is_unload_mode(mode, UM_NO_SYSTEM | UM_TRUNCATE) &&
        get_ub4_order(block, 20, v->byte_order) != v->column->lob_storage.lob_data_obj_id)
        return "belongs to another LOB segment";
    if (memcmp(block + LOB_ID_OFFSET, lobid, LOBID_LEN) != 0)
        return "belongs to another LOB";
    return nullptr;
}

} // namespace

ub4 get_lob_chunks(const ub1* bytes, ub4 length, ub4 chunk_blocks, LOB_CHUNK_LIST* list)
{
    if (config_data.trace_level >= TL_DETAIL)
        write_trace("get_lob_chunks: buffer len:%u chunk_size:%u\n", length, chunk_blocks);
    ub4 added = 0;
    for (ub4 at = 0; bytes != nullptr && at + 4 <= length; at += 4) {
        ub4 rdba = get_ub4_big(bytes, at);
        if (rdba == 0)
            break;
        if (config_data.trace_level >= TL_DETAIL)
            write_trace("get_lob_chunks: rdba:%08x\n", rdba);
        list->push_back(EXTENT_LIST_ITEM{rdba, chunk_blocks, 0});
        added++;
    }
    return added;
}

void deliver_lob_piece(PLOB_VALUE v, ub1* data, ub4 length, int last)
{
    PCOL_DATA col_data = v->col_data;
    PCOLUMN column = v->column;
    const UNLOAD_CALLBACKS* callbacks = v->callbacks;
    ub1 flags = (ub1)(v->flags | IS_LAST_PIECE | (v->first_sent ? 0 : IS_LOB_FIRST_PIECE) |
                      (last ? IS_LOB_LAST_PIECE : 0));
    clear_col_value(col_data);
    if (column->ora_type == ORA_CLOB) {
        if (v->swap)
            swap_units(data, length);
        if (v->two_byte)
            clob_to_char(data, length, col_data, !v->first_sent);
        else
            raw_to_char(data, length, col_data);
        if (v->swap)
            swap_units(data, length);
    } else {
        col_data->is_null = 0;
    }
    v->first_sent = 1;
    v->bytes += length;
    if (last)
        v->last_sent = 1;
    if (column->ora_type == ORA_BLOB && v->params->lob_output_format == LOF_NONE)
        return;
    if (callbacks != nullptr && callbacks->unload_col_callback != nullptr)
        callbacks->unload_col_callback(data, length, column, col_data, v->params, flags);
}

void unload_lob_chunks(PLOB_VALUE v, const LOB_CHUNK_LIST& chunks, ub4 ts_no, const LOB_INODE* inode,
                       int size_known)
{
    const ub1* lobid = v->col_data->raw_data + 10;
    // Blocks of the value: every one full but the last, which holds `bytes`.
    ub8 total = size_known ? (ub8)inode->blocks + (inode->bytes > 0 ? 1 : 0) : ~(ub8)0;
    ub8 last_block = size_known ? (ub8)inode->blocks + 1 : ~(ub8)0;
    bool inline_text = v->column->ora_type == ORA_CLOB && v->params->lob_output_format == LOF_PART_TEXT;
    ub8 count = 0; // blocks passed, from 1
    alignas(8) ub1 buffer[LOB_READ_BUFFER_SIZE];
    bool stop = false;
    for (size_t c = 0; c < chunks.size() && !stop && count < total; c++) {
        // Chunks that follow each other on disk are read as one run.
        ub4 start = chunks[c].start_rdba;
        ub4 file_no = rdba_file_no(start, ts_no);
        ub4 first_block = rdba_block_no(start, ts_no);
        ub8 run = chunks[c].length;
        while (c + 1 < chunks.size() && chunks[c + 1].start_rdba == start + (ub4)run &&
               rdba_file_no(chunks[c + 1].start_rdba, ts_no) == file_no && run < 0x10000)
            run += chunks[++c].length;
        PDATAFILE_ITEM file = get_datafile_item_rfn((int)ts_no, (int)file_no);
        if (file == nullptr || file->block_size < (int)BLOCK_MIN_SIZE || file->block_size > (int)BLOCK_MAX_SIZE) {
            note_lob_cut(v, "chunk 0x%08x (tablespace %u, file %u, block %u) lies in no datafile", start, ts_no,
                         file_no, first_block);
            break;
        }
        ub4 block_size = (ub4)file->block_size;
        ub4 per_read = LOB_READ_BUFFER_SIZE / block_size;
        for (ub8 done = 0; done < run && !stop && count < total;) {
            ub8 want = run - done < per_read ? run - done : per_read;
            if (total - count < want)
                want = total - count; // nothing past the value's last block
            ub4 block_no = first_block + (ub4)done;
            ub4 read_rdba = file->big_file ? block_no : file_block_rdba(file_no, block_no);
            ub4 got = read_blocks(file, block_no, (ub2)want, buffer, read_rdba);
            if (got == 0) {
                note_lob_cut(v, "file %u block %u cannot be read", file_no, block_no);
                stop = true;
                break;
            }
            for (ub4 i = 0; i < got; i++) {
                count++;
                if (count > last_block) {
                    stop = true;
                    break;
                }
                ub1* block = buffer + (size_t)i * block_size;
                if (config_data.trace_level >= TL_DETAIL)
                    write_trace("unloading lob block,ts:%u,file_no:%u,block_no:%u\n", ts_no, file_no, block_no + i);
                const char* why = check_lob_block(block, block_size, v, lobid, file_no, block_no + i);
                if (why != nullptr) {
                    // Without a size the first block that is not the value's ends it.
                    if (size_known)
                        note_lob_cut(v, "file %u block %u %s", file_no, block_no + i, why);
                    stop = true;
                    break;
                }
                ub4 n = block_size - LOB_BLOCK_OVERHEAD;
                if (size_known && count == last_block && inode->bytes < n)
                    n = inode->bytes;
                if (v->two_byte)
                    n &= ~1u;
                if (n == 0) {
                    stop = true;
                    break;
                }
                // Inline CLOB text stops at COL_DATA_MAXLEN; the rest is not read.
                if (inline_text && v->bytes >= COL_DATA_MAXLEN) {
                    note_lob_cut(v, "longer than the %u bytes kept in the text (lob_storage file keeps it whole)",
                                 COL_DATA_MAXLEN);
                    stop = true;
                    break;
                }
                deliver_lob_piece(v, block + LOB_DATA_OFFSET, n, 0);
            }
            done += got;
        }
    }
    if (size_known && !v->cut && count < total)
        note_lob_cut(v, "its chunks end at block %llu of %llu", (unsigned long long)count,
                     (unsigned long long)total);
}
