#include "base/printer.h"
#include "shell/shell.h"

namespace {

struct HELP_LINE {
    const char* name;
    const char* text;
};

const HELP_LINE COMMON_HELP[] = {
    {"help", "get command list"},         {"spool", "spool information to file"},
    {"host", "enter os terminal"},        {"rowid", "decode rowid components"},
    {"rdba", "decode RDBA to rfile# and block#"}, {"time", "convert number to timestamp"},
};

const HELP_LINE ZEM_HELP[] = {
    {"exit", "exit from zem"},
    {"load config", "load config information from file"},
    {"open", "load database filename and asm disk list from file"},
    {"discover", "write control.txt,config.txt,asmdisk.txt from the files' headers"},
    {"hexdump", "dump file format hex"},
    {"dump", "dump oracle datafile block "},
    {"unload", "unload data"},
    {"scan extent", "scan extent"},
    {"scan disk", "scan asm disk or any disk or disk partition"},
    {"list", "list schema object,partition,datafile"},
    {"charset", "get or list supported charset name"},
};

template <size_t N>
void print_help_lines(const HELP_LINE (&lines)[N])
{
    for (const HELP_LINE& line : lines)
        sp_printf("%-9s ----   %s\n", line.name, line.text);
}

struct USAGE {
    int code;
    const char* lines[3];
};

const USAGE USAGES[] = {
    {CMD_SCAN,
     {"scan extent [tablespace <ts#> [datafile <rfile#>] ] [object <data_object_id>] [parallel <parallel_degree>]\n",
      "scan disk [group <group#>] [disk <disk#>] [extract file] [limit <au count>] [force]\n"}},
    {CMD_TIME, {"time <number>\n"}},
    {CMD_START_CMDFILE, {"@<filename>\n", "@ <filename>\n", "start <filename>\n\n"}},
    {CMD_BBED_SHOW, {"show\n"}},
    {CMD_BBED_SET, {"set datafile <absolute file#>\n", "set block <block#>\n", "set offset <offset>\n"}},
    {CMD_BBED_DUMP, {"dump /x [old]\n", "dump [old] [header]\n"}},
    {CMD_BBED_MODIFY, {"modify hex_string\n"}},
    {CMD_BBED_SUM, {"sum [apply [force]]\n"}},
    {CMD_BBED_CORRUPT, {"corrupt (no arguments)\n"}},
    {CMD_BBED_ROLLBACK, {"rollback (no arguments)\n"}},
    {CMD_BBED_FIND, {"find [hex_string]\n"}},
    {CMD_BBED_VERIFY, {"verify (no arguments)\n"}},
    {CMD_DUMP_DISK_BLOCK, {"dump diskgroup <group#> disk <disk#> au <au#> block <block#>\n"}},
    {CMD_ASMCMD_EXTRACT,
     {"extract asmfile <src filename> to <dst file_name> [force]\n",
      "                <src filename> require to be absolute path and filename.\n"}},
    {CMD_UNEXP, {"unexp table <owner.tablename> file <filename> from <data_start_offset> to <data_end_offset>\n"}},
    {CMD_BBED_MARK, {"mark undo\n"}},
    {CMD_BBED_CLEAN, {"clean free_block_pool\n", "clean transaction\n"}},
    {CMD_ASMCMD_CD, {"cd <directory>\n", "cd ..\n"}},
    {CMD_ASMCMD_LS, {"ls (no argument)\n"}},
};

} // namespace

void show_cmd_format(int code)
{
    for (const USAGE& usage : USAGES)
        if (usage.code == code)
            for (const char* line : usage.lines)
                if (line != nullptr)
                    sp_printf("%s", line);
}

void do_common_cmd_help()
{
    sp_printf("\n");
    print_help_lines(COMMON_HELP);
}

void do_help(LINE_ARRAY, int)
{
    do_common_cmd_help();
    print_help_lines(ZEM_HELP);
    sp_printf("\n");
}
