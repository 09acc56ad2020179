#include "unload/parallel_table.h"

#include <csignal>
#include <unistd.h>

#include "base/config.h"
#include "base/printer.h"
#include "base/rdba.h"
#include "blocks/block_types.h"
#include "engine/extent_list.h"
#include "storage/datafile_registry.h"

namespace {

// A run holds about this much of the datafile. Its text, written once into
// the data file when the run ends, is then still in the core's own cache
// (with runs of 8 MiB, copying the text into the file cost twice as much),
// and the last runs, ending at different times, keep few workers idle.
constexpr ub8 RUN_DATAFILE_BYTES = 1 << 20;
// Shorter runs than that for a small segment, so that every worker gets
// several and an uneven run is made up by the others.
constexpr ub8 RUNS_PER_WORKER = 8;
// Longer runs for a huge one: the runs' records stay a few megabytes.
constexpr ub8 MAX_RUNS = 32768;
// A worker holds a run's text in memory up to four times the run's bytes of
// datafile (text is seldom longer than the blocks it comes from, but hex
// and enclosed values are), within these bounds; the rest of a longer text
// (inline CLOBs) goes on to its part file and is copied into place.
constexpr ub8 RUN_TEXT_MIN = 64 << 10;
constexpr ub8 RUN_TEXT_MAX = 32 << 20;

size_t get_run_text_size(ub8 total, ub8 runs, ub4 block_size)
{
    ub8 size = (total + runs - 1) / runs * block_size * 4;
    return (size_t)(size < RUN_TEXT_MIN ? RUN_TEXT_MIN : size > RUN_TEXT_MAX ? RUN_TEXT_MAX : size);
}

// The block size of the segment's first extent; the runs of a segment are
// counted in blocks.
ub4 get_list_block_size(const ZEM_LIST* list, ub4 ts_no)
{
    if (list->header == nullptr)
        return BLOCK_MAX_SIZE;
    const EXTENT_LIST_ITEM* extent = (const EXTENT_LIST_ITEM*)list->header->data;
    PDATAFILE_ITEM file = get_datafile_item_rfn((int)ts_no, (int)rdba_file_no(extent->start_rdba, ts_no));
    if (file == nullptr || file->block_size < (int)BLOCK_MIN_SIZE || file->block_size > (int)BLOCK_MAX_SIZE)
        return BLOCK_MAX_SIZE;
    return (ub4)file->block_size;
}

ub8 get_run_count(ub8 total, ub8 workers, ub4 block_size)
{
    ub8 length = RUN_DATAFILE_BYTES / block_size;
    if (length > total / (workers * RUNS_PER_WORKER))
        length = total / (workers * RUNS_PER_WORKER);
    if (length < PARALLEL_MIN_WORKER_BLOCKS)
        length = PARALLEL_MIN_WORKER_BLOCKS;
    ub8 count = (total + length - 1) / length;
    return count < MAX_RUNS ? count : MAX_RUNS;
}

int unload_in_parts(void* context, PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    const TABLE_SPLIT* split = (const TABLE_SPLIT*)context;
    ub8 total = count_extent_list_blocks(list);
    ub8 workers = total / PARALLEL_MIN_WORKER_BLOCKS;
    if (workers > (ub8)split->degree)
        workers = (ub8)split->degree;
    if (workers < 2)
        return 0;
    ub4 block_size = get_list_block_size(list, params->table->ts_no);
    ub8 runs = get_run_count(total, workers, block_size);
    int data_fd = split->writer.sync(params);
    if (data_fd < 0)
        return 0; // the writer's failure stands; one process goes on as before
    WORKER_GROUP group;
    if (!init_worker_group(&group, total, (ub4)runs, (ub4)workers, data_fd, params->table))
        return 0;
    group.text_size = get_run_text_size(total, runs, block_size);
    if (!start_workers(&group, list, params, callbacks, &split->writer)) {
        release_worker_group(&group);
        return 0;
    }
    if (params->progress != nullptr && params->progress->segment != nullptr)
        params->progress->segment(params->progress->context, total);
    int signal_no = wait_workers(&group, params);
    if (signal_no != 0) {
        release_worker_group(&group);
        // The program ends the way the signal ends it, its workers gone.
        clear_status_line();
        raise(signal_no);
        sp_printf("unload of table %s interrupted.\n", params->table->name);
        params->worker_failed = 1;
        return 1;
    }
    int flags = get_worker_output_flags(&group);
    if (flags & OF_PART_LINE_BREAK) {
        // A value holds the table's first line feed: from there every record
        // ends another way, and the records before it must be rewritten,
        // which only the table's own process can do. The workers' output is
        // cut off and this process reads the segment.
        release_worker_group(&group);
        if (ftruncate(data_fd, group.start) != 0 || lseek(data_fd, group.start, SEEK_SET) < 0) {
            params->worker_failed = 1;
            return 1;
        }
        sp_printf("Table %s: a value holds a line feed, one process reads the segment again.\n",
                  params->table->name);
        return 0;
    }
    params->output_flags |= flags;
    join_workers(&group, list, params);
    release_worker_group(&group);
    return 1;
}

bool has_numbered_lob_files(const TABLE* table, int lob_output_format)
{
    for (ub4 i = 0; table->cols != nullptr && i < table->col_cnt; i++) {
        const COLUMN* column = &table->cols[i];
        if (!column->can_unload)
            continue;
        if (column->ora_type == ORA_BLOB && (lob_output_format == LOF_TEXT || lob_output_format == LOF_PART_TEXT))
            return true;
        if (column->ora_type == ORA_CLOB && lob_output_format == LOF_TEXT)
            return true;
    }
    return false;
}

void table_progress_segment(void* context, ub8 blocks)
{
    add_progress_total((PPROGRESS_LINE)context, blocks);
}

void table_progress_batch(void* context, ub8 blocks, ub8 bytes, ub8 rows)
{
    add_progress_done((PPROGRESS_LINE)context, blocks, bytes, rows);
}

} // namespace

int get_table_parallel_degree(const TABLE* table, const UNLOAD_PARAMS* params, const char* table_name,
                              int requested)
{
    if (requested < 2)
        return 1;
    const char* reason = nullptr;
    if (config_data.output_format != OUTPUT_TEXT)
        reason = "its output format is written by one process";
    else if (config_data.max_rows != 0)
        reason = "max_rows limits its rows";
    else if (has_numbered_lob_files(table, params->lob_output_format))
        reason = "its LOB files are numbered in row order";
    if (reason == nullptr)
        return requested;
    sp_printf("Table %s is unloaded by one process: %s.\n", table_name, reason);
    return 1;
}

void init_table_split(PTABLE_SPLIT split, int degree, const SPLIT_WRITER* writer, PUNLOAD_PARAMS params)
{
    split->degree = degree;
    split->writer = *writer;
    split->splitter.context = split;
    split->splitter.unload_in_parts = unload_in_parts;
    params->splitter = degree > 1 ? &split->splitter : nullptr;
}

void init_table_progress(PUNLOAD_PROGRESS progress, PPROGRESS_LINE line)
{
    progress->context = line;
    progress->segment = table_progress_segment;
    progress->batch = table_progress_batch;
}
