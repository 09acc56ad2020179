#include <cstdio>
#include <cstring>

#include "base/run_status.h"
#include "shell/shell.h"

int main(int argc, char** argv)
{
    if (argc > 1) {
        if (strcmp(argv[1], "--version") == 0) {
            printf("zem %s\n", ZEM_RELEASE);
            return ZEM_EXIT_OK;
        }
        if (strcmp(argv[1], "--help") == 0) {
            printf("usage: zem [--help | --version | --discover <directory or file> ... [force]]\n\n"
                   "ZEM reads Oracle datafiles offline and unloads their rows.\n"
                   "It starts a command shell in the current directory, reading config.txt,\n"
                   "asmdisk.txt and control.txt from it; type \"help\" at the ZEM> prompt.\n"
                   "Commands can also come from standard input or a command file (@file).\n"
                   "--discover writes those three files from the headers of the files named\n"
                   "(or of the files in the directories named) and ends.\n\n"
                   "Exit status:\n"
                   "  0  every command's output was written (damaged blocks and missing tables\n"
                   "     are reported on the screen, not in the status)\n"
                   "  1  a command read from a file or a pipe could not write its output (a data,\n"
                   "     control, script, LOB, dictionary cache or spool file)\n"
                   "  2  an unknown option\n");
            return ZEM_EXIT_OK;
        }
        if (strcmp(argv[1], "--discover") == 0)
            return run_zem_discover(argc - 2, argv + 2);
        fprintf(stderr, "zem: unknown option '%s' (try --help)\n", argv[1]);
        return ZEM_EXIT_USAGE;
    }
    return run_zem(stdin);
}
