#include "unload/parallel_table.h"

#include <csignal>
#include <unistd.h>

#include "base/config.h"
#include "base/printer.h"
#include "engine/extent_list.h"
#include "unload/parallel_workers.h"

namespace {

int unload_in_parts(void* context, PZEM_LIST list, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks)
{
    const TABLE_SPLIT* split = (const TABLE_SPLIT*)context;
    ub8 total = count_extent_list_blocks(list);
    ub8 count = total / PARALLEL_MIN_WORKER_BLOCKS;
    if (count > (ub8)split->degree)
        count = (ub8)split->degree;
    if (count < 2)
        return 0;
    int data_fd = split->sync(params);
    if (data_fd < 0)
        return 0; // the writer's failure stands; one process goes on as before
    WORKER_GROUP group;
    if (!init_worker_group(&group, total, count, data_fd, params->table))
        return 0;
    if (!start_workers(&group, list, params, callbacks, split->sync)) {
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

void init_table_split(PTABLE_SPLIT split, int degree, int (*sync)(PUNLOAD_PARAMS), PUNLOAD_PARAMS params)
{
    split->degree = degree;
    split->sync = sync;
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
