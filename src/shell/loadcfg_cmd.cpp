#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "scan/scanned_lob.h"
#include "shell/shell.h"

// load config [filename]
void do_loadcfg(LINE_ARRAY tokens, int count)
{
    if ((count != 2 && count != 3) || !str_case_equal(tokens[1], "config")) {
        sp_printf("load config [filename]   default filename is %s\n", default_config_file);
        return;
    }
    int had_scanned_lob = config_data.use_scanned_lob;
    load_config(count == 3 ? tokens[2] : default_config_file);
    // The scanned LOB index entries and pages are kept only while used.
    if (!config_data.use_scanned_lob)
        release_scanned_lob_tables();
    else if (!had_scanned_lob)
        load_scanned_lob_tables();
}
