#include "asmcmd/asmcmd_module.h"

#include "base/printer.h"
#include "shell/shell.h"

ASMCMD_ENV asmcmd_env;

void init_asmcmd_module()
{
    asmcmd_env.current_diskgroup = nullptr;
    asmcmd_env.current_dir = nullptr;
}

void clean_asmcmd_module()
{
    asmcmd_env.current_diskgroup = nullptr;
    asmcmd_env.current_dir = nullptr;
}

void do_asmcmd_help(LINE_ARRAY, int)
{
    do_common_cmd_help();
    sp_printf("\n");
    static const char* const lines[][2] = {
        {"exit", "exit from asmcmd module"},     {"dump", "dump asm disk block"},
        {"extract", "extract file from asm disk"}, {"ls", "list asm file directory"},
        {"cd", "enter asm file directory"},
    };
    for (const auto& line : lines)
        sp_printf("%-9s ----   %s\n", line[0], line[1]);
    sp_printf("\n");
}
