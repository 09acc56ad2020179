#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/printer.h"
#include "base/types.h"
#include "shell/shell.h"

const char spool_file_default[] = "zem_spool.txt";
bool shell_restricted = false;

void do_spool(LINE_ARRAY tokens, int count)
{
    if (count != 2) {
        sp_printf("spool <on | off | filename>\n");
        return;
    }
    if (strcmp(tokens[1], "off") == 0) {
        close_spool_file();
        return;
    }
    if (shell_restricted)
        return;
    const char* name = strcmp(tokens[1], "on") == 0 ? spool_file_default : tokens[1];
    if (!open_spool_file(name))
        sp_printf("can not open file '%s' for write.error message:%s.\n", name, strerror(errno));
}

// host alone runs an interactive shell; host words... runs
//   $SHELL -c  "words joined by single blanks"
// The assembled line is limited to LINE_MAX_SIZE with its terminator; a longer
// one is refused, never cut, so a partial command is never run.
void do_host(LINE_ARRAY tokens, int count)
{
    if (shell_restricted)
        return;
    const char* shell = getenv("SHELL");
    if (shell == nullptr)
        shell = "/bin/sh";
    char command[LINE_MAX_SIZE];
    size_t used;
    if (count == 1) {
        used = (size_t)snprintf(command, sizeof(command), "%s", shell);
    } else {
        used = (size_t)snprintf(command, sizeof(command), "%s -c  \"%s", shell, tokens[1]);
        for (int i = 2; i < count && used < sizeof(command); i++)
            used += (size_t)snprintf(command + used, sizeof(command) - used, " %s", tokens[i]);
        if (used < sizeof(command))
            used += (size_t)snprintf(command + used, sizeof(command) - used, "\"");
    }
    if (used >= sizeof(command)) {
        sp_printf("host command line longer than %d characters, not run.\n", LINE_MAX_SIZE - 1);
        return;
    }
    fflush(stdout);
    if (fp_spool != nullptr)
        fflush(fp_spool);
    int status = system(command);
    (void)status;
}
