#include "output/unexp.h"

#include "base/str_util.h"
#include "shell/shell.h"

// unexp table <owner.tablename> file <filename> from <start> to <end>
void do_unexp(LINE_ARRAY tokens, int count)
{
    if (count == 9 && str_case_equal(tokens[1], "table") && str_case_equal(tokens[3], "file") &&
        str_case_equal(tokens[5], "from") && str_case_equal(tokens[7], "to"))
        return;
    show_cmd_format(CMD_UNEXP);
}
