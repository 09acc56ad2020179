#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include <readline/history.h>
#include <readline/readline.h>

#include "base/printer.h"
#include "base/str_util.h"
#include "shell/shell.h"

ZEM_LIST cmd_context_list;
PCMD_CONTEXT current_cmd_context = nullptr;
LINE_ARRAY cmd_line;

namespace {

// The line editor is used only for the standard-input context at a terminal;
// from a pipe or a file every byte goes through stdio unchanged.
char pending_prompt[16];
std::string pending_input;   // a typed line longer than one read, served in pieces
bool pending_has_input = false;

bool reading_terminal()
{
    return current_cmd_context != nullptr && current_cmd_context->cmd_file == stdin && current_cmd_context->filename[0] == '\0' &&
           isatty(fileno(stdin));
}

// One piece of at most `size`-1 characters, as fgets gives it.
bool read_terminal_line(char* line, size_t size)
{
    if (!pending_has_input) {
        fflush(stdout);
        char* typed = readline(pending_prompt);
        if (typed == nullptr)
            return false;
        if (typed[0] != '\0')
            add_history(typed);
        pending_input = typed;
        pending_input += '\n';
        pending_has_input = true;
        free(typed);
    }
    size_t n = pending_input.size() < size - 1 ? pending_input.size() : size - 1;
    memcpy(line, pending_input.data(), n);
    line[n] = '\0';
    pending_input.erase(0, n);
    pending_has_input = !pending_input.empty();
    return true;
}

} // namespace

bool is_reading_terminal()
{
    return reading_terminal();
}

void print_prompt()
{
    const char* prompt = current_module == MODULE_BBED ? "BBED> " : current_module == MODULE_ASMCMD ? "ASMCMD> " : "ZEM> ";
    if (reading_terminal()) {
        // The line editor draws the prompt on the terminal; the spool still gets it.
        copy_str(pending_prompt, sizeof(pending_prompt), prompt);
        spool_only_printf("%s", prompt);
        return;
    }
    pending_prompt[0] = '\0';
    sp_printf("%s", prompt);
}

void free_cmd_context(void* data)
{
    PCMD_CONTEXT context = (PCMD_CONTEXT)data;
    if (context->cmd_file != nullptr && context->filename[0] != '\0')
        fclose(context->cmd_file);
    context->cmd_file = nullptr;
}

void init_cmd_context_list(FILE* input)
{
    init_zem_list(&cmd_context_list, free_cmd_context);
    PCMD_CONTEXT context = (PCMD_CONTEXT)calloc(1, sizeof(CMD_CONTEXT));
    context->cmd_file = input;
    add_zem_list_item(&cmd_context_list, context);
    current_cmd_context = context;
    pending_has_input = false;
    pending_input.clear();
}

void release_cmd_context_list()
{
    release_zem_list(&cmd_context_list);
    current_cmd_context = nullptr;
}

int enter_cmd_context(const char* filename)
{
    FILE* fp = fopen(filename, "r");
    if (fp == nullptr) {
        sp_printf("can not open file '%s', error message:%s.\n", filename, strerror(errno));
        return 0;
    }
    PCMD_CONTEXT context = (PCMD_CONTEXT)calloc(1, sizeof(CMD_CONTEXT));
    context->cmd_file = fp;
    copy_str(context->filename, sizeof(context->filename), filename);
    // A name that is empty would look like the standard input; keep it non-empty.
    if (context->filename[0] == '\0')
        copy_str(context->filename, sizeof(context->filename), "?");
    add_zem_list_item(&cmd_context_list, context);
    current_cmd_context = context;
    return 1;
}

void exit_current_cmd_context()
{
    current_cmd_context = nullptr;
    remove_zem_list_last_item(&cmd_context_list);
    if (cmd_context_list.tail != nullptr) {
        current_cmd_context = (PCMD_CONTEXT)cmd_context_list.tail->data;
        sp_printf("\n");
    }
}

int get_cmd_line(LINE_ARRAY tokens)
{
    static char line[CMD_LINE_MAX_SIZE];
    if (current_cmd_context == nullptr)
        return 0;
    bool got = reading_terminal() ? read_terminal_line(line, sizeof(line))
                                  : fgets(line, sizeof(line), current_cmd_context->cmd_file) != nullptr;
    if (!got) {
        exit_current_cmd_context();
        return 0;
    }
    if (current_cmd_context->filename[0] != '\0') {
        size_t len = strlen(line);
        if (len > 0 && line[len - 1] == '\n')
            line[--len] = '\0';
        if (len > 0 && line[len - 1] == '\r')
            line[--len] = '\0';
        if (len > 0)
            sp_printf("%s\n", line);
    }
    bool overflow = false;
    int count = split_line(tokens, line, &overflow);
    if (overflow) {
        sp_printf("line ignored: a word is longer than %d characters or there are more than %d words.\n",
                  CMD_TOKEN_MAX_SIZE - 1, CMD_MAX_LINES);
        return 0;
    }
    return count;
}
