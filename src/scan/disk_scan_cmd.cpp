#include <cstring>

#include "base/printer.h"
#include "base/str_util.h"
#include "base/time_text.h"
#include "scan/disk_scan.h"

namespace {

// Words after "scan disk", in keyword-value pairs (at most four), then an
// optional "force". FALSE on a wrong form; a bad value prints its message.
bool parse_scan_disk_request(LINE_ARRAY tokens, int count, PDISK_SCAN_REQUEST request)
{
    memset(request, 0, sizeof(*request));
    request->group_no = SCAN_ALL_GROUPS;
    request->disk_no = SCAN_ALL_DISKS;
    if (count > 2 && str_case_equal(tokens[count - 1], "force")) {
        request->overwrite = TRUE;
        count--;
    }
    if (count - 2 > 8 || (count - 2) % 2 != 0)
        return false;
    bool has_group = false, has_disk = false, has_limit = false;
    for (int i = 2; i < count; i += 2) {
        const char* key = tokens[i];
        const char* value = tokens[i + 1];
        ub4 n = 0;
        bool number = parse_decimal_ub4(value, &n);
        if (str_case_equal(key, "group") && !has_group) {
            has_group = true;
            if (!number || n == 0) {
                sp_printf("group# is invalid\n");
                return false;
            }
            request->group_no = n;
        } else if (str_case_equal(key, "disk") && has_group && !has_disk) {
            has_disk = true;
            if (!number || n == SCAN_ALL_DISKS) {
                sp_printf("disk# is invalid\n");
                return false;
            }
            request->disk_no = n;
        } else if (str_case_equal(key, "extract") && str_case_equal(value, "file")) {
            request->extract = TRUE;
        } else if (str_case_equal(key, "limit") && !has_limit) {
            has_limit = true;
            if (!number || n == 0) {
                sp_printf("au limit is invalid\n");
                return false;
            }
            request->au_limit = n;
        } else
            return false;
    }
    return true;
}

} // namespace

int do_scan_disk(LINE_ARRAY tokens, int count)
{
    DISK_SCAN_REQUEST request;
    if (!parse_scan_disk_request(tokens, count, &request))
        return FALSE;
    char now[TIME_STR_LEN];
    sp_printf("scan disk start: %s\n", current_time_str(now));
    DISK_SCAN_RESULT result;
    if (scan_disk(&request, &result))
        sp_printf("disks: %u, AUs read: %llu, AUs unreadable: %llu, blocks found: %llu, blocks listed: %llu.\n",
                  result.disks, (unsigned long long)result.aus_read, (unsigned long long)result.aus_unreadable,
                  (unsigned long long)result.blocks_found, (unsigned long long)result.lines_written);
    sp_printf("scan disk completed: %s\n", current_time_str(now));
    return TRUE;
}
