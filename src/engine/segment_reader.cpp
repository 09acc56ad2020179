// Reading a segment: choosing where its extents come from, then reading
// them block_read_count blocks at a time into one reused buffer, decoding
// every block and handing each batch's rows to the block callback. Memory
// stays bounded by one batch of rows.

#include <cstdlib>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "base/trace.h"
#include "blocks/block_types.h"
#include "engine/row_pool.h"
#include "engine/unload_engine.h"
#include "storage/block_reader.h"
#include "storage/readable_block.h"

namespace {

// read_blocks counts blocks in 16 bits.
constexpr int MAX_BLOCK_READ_COUNT = 65535;

ub4 get_block_read_count()
{
    int n = config_data.block_read_count;
    if (n < 1)
        return 1;
    return n > MAX_BLOCK_READ_COUNT ? MAX_BLOCK_READ_COUNT : (ub4)n;
}

// CLOB and BLOB columns without a known tablespace take the table's.
void set_lob_ts_no(PTABLE table)
{
    for (ub4 i = 0; table->cols != nullptr && i < table->col_cnt; i++) {
        PCOLUMN column = &table->cols[i];
        if ((column->ora_type == ORA_CLOB || column->ora_type == ORA_BLOB) &&
            (column->lob_storage.ts_no == 0 || column->lob_storage.ts_no == INVALID_TS_NO))
            column->lob_storage.ts_no = table->ts_no;
    }
}

bool sample_limit_reached(const UNLOAD_PARAMS* params)
{
    return is_unload_mode(params->unload_mode, UM_NO_SYSTEM) && params->is_sample > 0 &&
           params->table->row_cnt > SAMPLE_MAX_ROWS - 1;
}

bool row_limit_reached(const TABLE* table)
{
    return config_data.max_rows != 0 && table->row_cnt >= config_data.max_rows;
}

void trace_extent_list(const ZEM_LIST* list, ub4 ts_no)
{
    write_trace("\nunload extent list(extent map list):\n");
    for (PZEM_LIST_ITEM item = list->header; item != nullptr; item = item->next) {
        const EXTENT_LIST_ITEM* extent = (const EXTENT_LIST_ITEM*)item->data;
        if (is_extent_above_hwm(extent))
            break;
        write_trace("    rdba: 0x%08x (file_no: %u,block_no: %u)  length: %u\n", extent->start_rdba,
                    rdba_file_no(extent->start_rdba, ts_no), rdba_block_no(extent->start_rdba, ts_no),
                    extent->length - extent->hwm_blocks);
    }
}

// Unreadable blocks in a row after which the rest of a dead stretch is found
// by probing rather than block by block.
constexpr ub4 MAX_FAILED_READS = 4;

struct BLOCK_PROBE {
    PDATAFILE_ITEM file;
    ub1* buffer;
};

bool read_probe_block(void* context, ub8 block_no)
{
    BLOCK_PROBE* probe = (BLOCK_PROBE*)context;
    return read_blocks(probe->file, (ub4)block_no, 1, probe->buffer,
                       get_datafile_block_rdba(probe->file, (ub4)block_no)) != 0;
}

// The blocks of one extent below the high-water mark; TRUE when the unload
// is to stop.
bool unload_extent(const EXTENT_LIST_ITEM* extent, ub1* buffer, ub4 read_count, PUNLOAD_PARAMS params,
                   const UNLOAD_CALLBACKS* callbacks)
{
    PTABLE table = params->table;
    ub4 ts_no = table->ts_no;
    ub4 file_no = rdba_file_no(extent->start_rdba, ts_no);
    ub4 first_block = rdba_block_no(extent->start_rdba, ts_no);
    PDATAFILE_ITEM file = get_datafile_item_rfn((int)ts_no, (int)file_no);
    if (file == nullptr) {
        sp_printf("Can not found file information for extent, ts#=%u, start rfile#=%u, start block#=%u, extent "
                  "length=%u\n",
                  ts_no, file_no, first_block, extent->length);
        note_damaged_blocks(&table->damage, DMG_NO_DATAFILE, file_no, first_block,
                            extent->length - extent->hwm_blocks);
        return false;
    }
    // The buffer holds read_count blocks of the largest size.
    if (file->block_size < (int)BLOCK_MIN_SIZE || file->block_size > (int)BLOCK_MAX_SIZE) {
        note_damaged_blocks(&table->damage, DMG_READ_FAILED, file_no, first_block,
                            extent->length - extent->hwm_blocks);
        return false;
    }
    ub4 block_size = (ub4)file->block_size;
    bool stop = false;
    ub4 remaining = extent->length - extent->hwm_blocks;
    ub4 done = 0;
    ub4 single_until = 0; // blocks before it are read one at a time
    ub4 failed_reads = 0;
    while (remaining > 0 && !stop) {
        ub4 block_no = first_block + done;
        ub4 n = done < single_until ? 1 : remaining < read_count ? remaining : read_count;
        ub4 got = read_blocks(file, block_no, (ub2)n, buffer, get_datafile_block_rdba(file, block_no));
        if (got > n)
            got = n;
        if (got == 0 && is_past_file_end(file, block_no)) {
            // A datafile copied short: nothing after its end reads.
            sp_printf("read multi-blocks from rfn %d block %d error.\n", (int)file_no, (int)block_no);
            note_damaged_blocks(&table->damage, DMG_READ_FAILED, file_no, block_no, remaining);
            break;
        }
        if (got == 0) {
            // A batch fails as a whole when any of its blocks does not
            // read: its blocks are read again one at a time to keep those
            // that do.
            if (n > 1) {
                single_until = done + n;
                continue;
            }
            if (failed_reads == 0)
                sp_printf("read multi-blocks from rfn %d block %d error.\n", (int)file_no, (int)block_no);
            ub4 skip = 1;
            if (++failed_reads >= MAX_FAILED_READS) {
                // A lost ASM extent or a missing disk: the rest of the dead
                // stretch is found by probing ahead, then whole batches again.
                BLOCK_PROBE probe = {file, buffer};
                skip = (ub4)(find_readable_block(block_no, (ub8)block_no + remaining, read_count, read_probe_block,
                                                 &probe) -
                             block_no);
                failed_reads = 0;
                single_until = done + skip;
            }
            note_damaged_blocks(&table->damage, DMG_READ_FAILED, file_no, block_no, skip);
            done += skip;
            remaining -= skip;
            if (params->progress != nullptr && params->progress->batch != nullptr)
                params->progress->batch(params->progress->context, skip, 0, table->row_cnt);
            continue;
        }
        failed_reads = 0;
        ZEM_LIST rows;
        init_row_batch(&rows);
        for (ub4 i = 0; i < got; i++) {
            ub8 rows_before = table->row_cnt;
            if (config_data.trace_level >= TL_INFO)
                write_trace("start unloading file %d file_no block %d\n", (int)file_no, (int)(block_no + i));
            unload_block(buffer + (size_t)i * block_size, extent->start_rdba + done + i, params, &rows, block_size,
                         callbacks);
            if (row_limit_reached(table))
                stop = true;
            if (config_data.trace_level >= TL_INFO) {
                write_trace("finish unloading file %d file_no block %d\n", (int)file_no, (int)(block_no + i));
                write_trace("unloaded %llu rows\n", (unsigned long long)(table->row_cnt - rows_before));
            }
            if (sample_limit_reached(params) || params->stop_unload)
                stop = true;
            if (stop)
                break;
        }
        end_engine_batch(&rows, params, callbacks);
        if (sample_limit_reached(params) || params->stop_unload)
            stop = true;
        done += got;
        remaining -= got;
        if (params->progress != nullptr && params->progress->batch != nullptr)
            params->progress->batch(params->progress->context, got, (ub8)got * block_size, table->row_cnt);
    }
    return stop;
}

} // namespace

void unload_extents(PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    PTABLE table = params->table;
    if (table == nullptr || row_limit_reached(table) || params->stop_unload)
        return;
    ub4 read_count = get_block_read_count();
    // Smaller batches when memory is short.
    ub1* buffer = (ub1*)malloc((size_t)BLOCK_MAX_SIZE * read_count);
    while (buffer == nullptr && read_count > 1) {
        read_count /= 2;
        buffer = (ub1*)malloc((size_t)BLOCK_MAX_SIZE * read_count);
    }
    if (buffer == nullptr)
        return;
    if (config_data.trace_level >= TL_INFO)
        trace_extent_list(list, table->ts_no);
    if (params->progress != nullptr && params->progress->segment != nullptr)
        params->progress->segment(params->progress->context, count_extent_list_blocks(list));

    ROW_POOL pool;
    init_row_pool(&pool);
    PROW_POOL previous = set_active_row_pool(&pool);
    for (PZEM_LIST_ITEM item = list->header; item != nullptr; item = item->next) {
        const EXTENT_LIST_ITEM* extent = (const EXTENT_LIST_ITEM*)item->data;
        if (is_extent_above_hwm(extent) || unload_extent(extent, buffer, read_count, params, callbacks))
            break;
    }
    set_active_row_pool(previous);
    release_row_pool(&pool);
    free(buffer);
}

int unload_segment(ub4 segment_rdba, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    PTABLE table = params->table;
    if (table == nullptr)
        return 0;
    ZEM_LIST list;
    init_extent_list(&list);
    int found = 1;
    if (!is_unload_mode(params->unload_mode, UM_TRUNCATE | UM_NO_SYSTEM | UM_SCANNED_EXTENT)) {
        if (is_unload_mode(params->unload_mode, UM_SPEC_BLOCK))
            get_spec_extent_list(table, &list, params);
        else {
            int result = read_segment_extents(table->ts_no, segment_rdba, &list, &table->damage);
            found = result == SEG_EXTENTS_READ;
            if (!found) {
                // Nothing of the segment can be unloaded: counted, and told
                // to the command through segment_error.
                table->damage.segment_error = result;
                note_damaged_block(&table->damage, DMG_SEGMENT_HEADER, rdba_file_no(segment_rdba, table->ts_no),
                                   rdba_block_no(segment_rdba, table->ts_no));
            }
        }
    } else {
        get_scan_extent_list(table, &list, table->dataobj_no, table->ts_no, 1);
        set_lob_ts_no(table);
        if (params->is_sample)
            generate_sample_blocks(&list);
    }
    // A splitter may read the list in worker processes instead.
    const UNLOAD_SPLITTER* splitter = params->splitter;
    if (found && (splitter == nullptr || !splitter->unload_in_parts(splitter->context, &list, params, callbacks)))
        unload_extents(&list, params, callbacks);
    release_zem_list(&list);
    return found;
}
