#include "bbed/bbed_module.h"

#include "base/printer.h"
#include "shell/shell.h"

void init_bbed_module() {}

void clean_bbed_module() {}

void do_bbed_help(LINE_ARRAY, int)
{
    do_common_cmd_help();
    static const char* const lines[][2] = {
        {"exit", "exit from blockedit module"},
        {"set", "set file,block,offset for edit"},
        {"show", "show enviroment and variables"},
        {"dump", "dump block"},
        {"modify", "modify block data"},
        {"sum", "calculate checksum and write block to file"},
        {"rollback", "rollback the change"},
        {"find", "find hex string"},
        {"verify", "verify the block"},
        {"mark", "mark undo segments corruption"},
        {"clean", "clean free block pool or transaction"},
    };
    for (const auto& line : lines)
        sp_printf("%-9s ----   %s\n", line[0], line[1]);
    sp_printf("\n");
}
