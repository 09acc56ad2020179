#include "scan/scan_cmd.h"

#include "base/printer.h"
#include "base/str_util.h"
#include "scan/disk_scan.h"
#include "shell/shell.h"

void do_scan(LINE_ARRAY tokens, int count)
{
    if (count >= 2 && str_case_equal(tokens[1], "extent")) {
        sp_printf("not implemented feature.\n");
        return;
    }
    if (count >= 2 && str_case_equal(tokens[1], "disk") && do_scan_disk(tokens, count))
        return;
    sp_printf("\n");
    show_cmd_format(CMD_SCAN);
    sp_printf("\n");
}
