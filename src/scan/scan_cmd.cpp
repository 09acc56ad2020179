#include "scan/scan_cmd.h"

#include "base/printer.h"
#include "base/str_util.h"
#include "base/time_text.h"
#include "scan/disk_scan.h"
#include "scan/extent_scan.h"
#include "shell/shell.h"
#include "storage/datafile_registry.h"
#include "unload/unload_cmd.h"

namespace {

// Words after "scan extent": at most this many, in keyword-value pairs.
constexpr int MAX_SCAN_EXTENT_WORDS = 32;

struct SCAN_REQUEST {
    ub4 ts = SCAN_NO_TS;
    ub4 rfile = 0;
    ub4 data_object_id = 0;
    ub4 degree = 1;
    bool ts_seen = false, rfile_seen = false, object_seen = false, degree_seen = false;
};

// FALSE when the form is not valid; a value error prints its own message.
bool parse_scan_extent(LINE_ARRAY tokens, int count, SCAN_REQUEST* request)
{
    if (count - 2 > MAX_SCAN_EXTENT_WORDS || (count - 2) % 2 != 0)
        return false;
    for (int i = 2; i < count; i += 2) {
        const char* value = tokens[i + 1];
        if (str_case_equal(tokens[i], "tablespace") && !request->ts_seen) {
            request->ts_seen = true;
            if (!parse_decimal_ub4(value, &request->ts) || request->ts == SCAN_NO_TS) {
                sp_printf("tablespace no is invalid\n");
                return false;
            }
        } else if (str_case_equal(tokens[i], "datafile") && request->ts_seen && !request->rfile_seen) {
            request->rfile_seen = true;
            if (!parse_decimal_ub4(value, &request->rfile) || request->rfile == 0) {
                sp_printf("file no is invalid\n");
                return false;
            }
        } else if (str_case_equal(tokens[i], "object") && !request->object_seen) {
            request->object_seen = true;
            if (!parse_decimal_ub4(value, &request->data_object_id) || request->data_object_id == 0) {
                sp_printf("data_obj_id no is invalid\n");
                return false;
            }
        } else if (str_case_equal(tokens[i], "parallel") && !request->degree_seen) {
            request->degree_seen = true;
            if (!parse_decimal_ub4(value, &request->degree) || request->degree < 1 ||
                request->degree > (ub4)MAX_PARALLEL_DEGREE) {
                sp_printf("parallel degree must be between 1 and %d\n", MAX_PARALLEL_DEGREE);
                return false;
            }
        } else
            return false;
    }
    return true;
}

void show_scan_stats(const SCAN_STATS* stats)
{
    if (stats->damaged_blocks > 0) {
        PDATAFILE_ITEM item = get_datafile_item_fn((int)stats->first_damaged_file);
        sp_printf("%llu damaged blocks skipped, the first in file '%s' block %u.\n",
                  (unsigned long long)stats->damaged_blocks, item ? item->file_name : "?", stats->first_damaged_block);
    }
    if (stats->unreadable_blocks > 0) {
        PDATAFILE_ITEM item = get_datafile_item_fn((int)stats->first_unreadable_file);
        sp_printf("%llu unreadable blocks skipped, the first in file '%s' block %u.\n",
                  (unsigned long long)stats->unreadable_blocks, item ? item->file_name : "?",
                  stats->first_unreadable_block);
    }
}

} // namespace

int do_scan_extent(LINE_ARRAY tokens, int count)
{
    SCAN_REQUEST request;
    if (!parse_scan_extent(tokens, count, &request))
        return FALSE;
    char now[TIME_STR_LEN];
    sp_printf("scan extent start: %s\n", current_time_str(now));
    SCAN_STATS stats = {};
    int complete = request.degree == 1
                       ? scan_extent(request.ts, request.rfile, request.data_object_id, &stats)
                       : scan_extent_parallel(request.ts, request.rfile, request.data_object_id, (int)request.degree,
                                              &stats);
    show_scan_stats(&stats);
    if (complete)
        sp_printf("scan extent completed: %s\n", current_time_str(now));
    else
        sp_printf("scan extent ended with errors, its results are incomplete: %s\n", current_time_str(now));
    return TRUE;
}

void do_scan(LINE_ARRAY tokens, int count)
{
    if (count >= 2 && str_case_equal(tokens[1], "extent")) {
        if (do_scan_extent(tokens, count))
            return;
    } else if (count >= 2 && str_case_equal(tokens[1], "disk") && do_scan_disk(tokens, count))
        return;
    sp_printf("\n");
    show_cmd_format(CMD_SCAN);
    sp_printf("\n");
}
