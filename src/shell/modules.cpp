#include "asmcmd/asmcmd_module.h"
#include "base/printer.h"
#include "bbed/bbed_module.h"
#include "shell/shell.h"

void enter_bbed_module(LINE_ARRAY, int)
{
    current_module = MODULE_BBED;
    sp_printf("\nEntering block edit module.\n\n");
    init_bbed_module();
}

void exit_bbed_module(LINE_ARRAY, int)
{
    current_module = MODULE_ZEM;
    sp_printf("\nExiting block edit module.\n\n");
    clean_bbed_module();
}

void enter_asmcmd_module(LINE_ARRAY, int)
{
    current_module = MODULE_ASMCMD;
    sp_printf("\nEntering asmcmd module.\n\n");
    init_asmcmd_module();
}

void exit_asmcmd_module(LINE_ARRAY, int)
{
    sp_printf("\nExiting asmcmd module.\n\n");
    clean_asmcmd_module();
    current_module = MODULE_ZEM;
}
