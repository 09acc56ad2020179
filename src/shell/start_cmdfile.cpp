#include <cstring>

#include "shell/shell.h"

// @file (one token), or "@ file" / "start file" (two tokens).
void start_cmdfile(LINE_ARRAY tokens, int count)
{
    if (tokens[0][0] == '@' && tokens[0][1] != '\0') {
        if (count != 1) {
            show_cmd_format(CMD_START_CMDFILE);
            return;
        }
        enter_cmd_context(tokens[0] + 1);
        return;
    }
    if (count != 2) {
        show_cmd_format(CMD_START_CMDFILE);
        return;
    }
    enter_cmd_context(tokens[1]);
}
