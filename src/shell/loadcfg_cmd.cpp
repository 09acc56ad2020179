#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "shell/shell.h"

// load config [filename]
void do_loadcfg(LINE_ARRAY tokens, int count)
{
    if ((count != 2 && count != 3) || !str_case_equal(tokens[1], "config")) {
        sp_printf("load config [filename]   default filename is %s\n", default_config_file);
        return;
    }
    load_config(count == 3 ? tokens[2] : default_config_file);
}
