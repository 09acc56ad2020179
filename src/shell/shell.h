#pragma once
// The command shell: modules, command codes, the tokenized line and the
// handlers every module dispatches to.

#include <cstdio>

#include "base/splitter.h"
#include "base/zem_list.h"

constexpr const char* ZEM_RELEASE = "4.2.1";
constexpr int CMD_LINE_MAX_SIZE = 65535;

constexpr int MODULE_ZEM = 1;
constexpr int MODULE_BBED = 2;
constexpr int MODULE_ASMCMD = 3;

enum {
    CMD_NONE = 0,
    CMD_EXIT = 1,
    CMD_HELP = 2,
    CMD_HEXDUMP = 3,
    CMD_LOADCTL = 4,
    CMD_HOST = 6,
    CMD_LOADCFG = 7,
    CMD_ORADUMP = 8,
    CMD_SPOOL = 9,
    CMD_ROWID = 10,
    CMD_RDBA = 11,
    CMD_UNLOAD = 12,
    CMD_LIST = 13,
    CMD_DESC = 14,
    CMD_CHARSET = 15,
    CMD_SCAN = 16,
    CMD_COPY = 17,
    CMD_TIME = 18,
    CMD_START_CMDFILE = 19,
    CMD_ENTER_BBED = 20,
    CMD_EXIT_BBED = 21,
    CMD_BBED_SHOW = 22,
    CMD_BBED_SET = 23,
    CMD_BBED_HELP = 24,
    CMD_BBED_DUMP = 25,
    CMD_BBED_MODIFY = 26,
    CMD_BBED_SUM = 27,
    CMD_BBED_CORRUPT = 28,
    CMD_BBED_ROLLBACK = 29,
    CMD_BBED_FIND = 30,
    CMD_BBED_VERIFY = 31,
    CMD_ENTER_ASMCMD = 32,
    CMD_EXIT_ASMCMD = 33,
    CMD_DUMP_DISK_BLOCK = 34,
    CMD_ASMCMD_HELP = 35,
    CMD_ASMCMD_EXTRACT = 36,
    CMD_UNEXP = 38,
    CMD_BBED_MARK = 39,
    CMD_BBED_CLEAN = 40,
    CMD_ASMCMD_CD = 41,
    CMD_ASMCMD_LS = 42,
    CMD_DISCOVER = 43,
    CMD_CODE_COUNT = 44
};

typedef void (*CMD_HANDLER)(LINE_ARRAY tokens, int count);

typedef struct _tag_cmd_context {
    FILE* cmd_file;
    char filename[FILENAME_MAXLEN + 1];
} CMD_CONTEXT, *PCMD_CONTEXT;

extern int current_module;
extern LINE_ARRAY cmd_line;
extern ZEM_LIST cmd_context_list;
extern PCMD_CONTEXT current_cmd_context;
extern const char spool_file_default[];
// Set by the fuzz targets: host and spool then do nothing, so fuzzed input
// neither runs programs nor writes files.
extern bool shell_restricted;

// Runs the whole program on an input stream: start-up, the command loop and
// shutdown. Returns the exit status.
int run_zem(FILE* input);
// zem --discover <paths> [force]: writes and loads the list files, then
// ends. Returns the exit status.
int run_zem_discover(int count, char** args);

void print_prompt();
// Whether lines come from a person at the terminal (not a file or a pipe).
bool is_reading_terminal();
int get_cmd_line(LINE_ARRAY tokens);
int parse_cmd(LINE_ARRAY tokens);
int parse_cmd_zem(const char* keyword);
int parse_cmd_bbed(const char* keyword);
int parse_cmd_asmcmd(const char* keyword);
// Runs the handler of a command code; false for CMD_EXIT (the loop ends).
bool dispatch_cmd(int code, LINE_ARRAY tokens, int count);

void init_cmd_context_list(FILE* input);
void release_cmd_context_list();
void free_cmd_context(void* context);
int enter_cmd_context(const char* filename);
void exit_current_cmd_context();
void clean_resource();

void show_cmd_format(int code);
void do_common_cmd_help();
void do_help(LINE_ARRAY tokens, int count);
void start_cmdfile(LINE_ARRAY tokens, int count);
void do_spool(LINE_ARRAY tokens, int count);
void do_host(LINE_ARRAY tokens, int count);
void do_loadcfg(LINE_ARRAY tokens, int count);
void do_rowid(LINE_ARRAY tokens, int count);
void do_decode_rdba(LINE_ARRAY tokens, int count);
void do_decode_time(LINE_ARRAY tokens, int count);
void do_charset_list(LINE_ARRAY tokens, int count);
void enter_bbed_module(LINE_ARRAY tokens, int count);
void exit_bbed_module(LINE_ARRAY tokens, int count);
void enter_asmcmd_module(LINE_ARRAY tokens, int count);
void exit_asmcmd_module(LINE_ARRAY tokens, int count);
