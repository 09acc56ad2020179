#include "unload/unload_report.h"

#include <cstring>
#include <string>

#include "base/printer.h"
#include "base/run_status.h"
#include "base/time_text.h"
#include "engine/extent_list.h"
#include "unload/unload_cmd.h"

namespace {

std::string count_of(ub8 n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

void show_unload_damage(const char* table_name, const char* partition, const UNLOAD_DAMAGE* damage)
{
    if (!has_unload_damage(damage))
        return;
    std::string parts;
    ub8 skipped = 0;
    std::string reasons;
    for (int i = 0; i < DMG_REASON_COUNT; i++) {
        // Blocks of another data object are ordinary in a segment.
        if (i == DMG_OTHER_OBJECT || damage->blocks[i] == 0)
            continue;
        skipped += damage->blocks[i];
        reasons += (reasons.empty() ? "" : ", ") + std::to_string(damage->blocks[i]) + " " + get_damage_reason_text(i);
    }
    if (skipped > 0)
        parts = count_of(skipped, "block skipped", "blocks skipped") + " (" + reasons + ")";
    if (damage->rows_lost > 0)
        parts += (parts.empty() ? "" : "; ") + count_of(damage->rows_lost, "row lost", "rows lost");
    if (damage->values_cut > 0)
        parts += (parts.empty() ? "" : "; ") + count_of(damage->values_cut, "value cut short", "values cut short");
    if (partition != nullptr)
        sp_printf("Damage in table %s,partition %s: %s.\n", table_name, partition, parts.c_str());
    else
        sp_printf("Damage in table %s: %s.\n", table_name, parts.c_str());
    std::string first;
    for (ub4 i = 0; i < damage->address_cnt && i < DMG_FIRST_ADDRESSES; i++) {
        const DAMAGE_ADDRESS* a = &damage->addresses[i];
        first += (first.empty() ? "" : ", ") + std::string("rfile#=") + std::to_string(a->file_no) +
                 " block#=" + std::to_string(a->block_no) + " (" + get_damage_reason_text(a->reason) + ")";
    }
    if (!first.empty())
        sp_printf("First damaged blocks: %s.\n", first.c_str());
}

void show_table_result(const TABLE* table, const char* table_name, const char* partition,
                       const UNLOAD_PARAMS* params, bool complete)
{
    char now[TIME_STR_LEN];
    if (params->output_error == 0 && !complete) {
        // The export dump writer said what failed.
        sp_printf("\nTable %s unload failed: its output could not be written.\n", table_name);
        note_output_failure();
    } else {
        if (partition != nullptr)
            sp_printf("\nTtable %s,partition %s ", table_name, partition);
        else
            sp_printf("\nTable %s ", table_name);
        if (params->output_error != 0) {
            sp_printf("failed: write file %s error! error message:%s.\n", params->output_error_file,
                      strerror(params->output_error));
            note_output_failure();
        } else if (params->worker_failed) {
            sp_printf("failed: a worker process failed, the data file is incomplete (%llu rows written)\n",
                      (unsigned long long)table->row_cnt);
            note_output_failure();
        } else {
            display_unload_rows(table->row_cnt);
        }
    }
    show_unload_damage(table_name, partition, &table->damage);
    sp_printf("At %s \n\n", current_time_str(now));
}

void show_segment_error(const TABLE* table)
{
    if (table->damage.segment_error == 0)
        return;
    sp_printf("segment header rfile#=%u,block#=%u can not be read: %s; nothing unloaded from this segment.\n",
              table->file_no, table->block_no, get_segment_error_text(table->damage.segment_error));
}
