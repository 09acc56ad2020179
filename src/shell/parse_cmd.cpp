#include <strings.h>

#include "shell/shell.h"

namespace {

struct KEYWORD {
    const char* word;
    int code;
};

const KEYWORD COMMON_KEYWORDS[] = {
    {"start", CMD_START_CMDFILE}, {"host", CMD_HOST}, {"spool", CMD_SPOOL},
    {"rowid", CMD_ROWID},         {"rdba", CMD_RDBA}, {"time", CMD_TIME},
};

const KEYWORD ZEM_KEYWORDS[] = {
    {"help", CMD_HELP},       {"exit", CMD_EXIT},   {"hexdump", CMD_HEXDUMP},         {"open", CMD_LOADCTL},
    {"load", CMD_LOADCFG},    {"dump", CMD_ORADUMP}, {"unload", CMD_UNLOAD},          {"list", CMD_LIST},
    {"desc", CMD_DESC},       {"charset", CMD_CHARSET}, {"scan", CMD_SCAN},           {"copy", CMD_COPY},
    {"blockedit", CMD_ENTER_BBED}, {"asmcmd", CMD_ENTER_ASMCMD}, {"unexp", CMD_UNEXP},
    {"discover", CMD_DISCOVER},
};

const KEYWORD BBED_KEYWORDS[] = {
    {"set", CMD_BBED_SET},       {"show", CMD_BBED_SHOW},     {"dump", CMD_BBED_DUMP},
    {"sum", CMD_BBED_SUM},       {"modify", CMD_BBED_MODIFY}, {"m", CMD_BBED_MODIFY},
    {"rollback", CMD_BBED_ROLLBACK}, {"find", CMD_BBED_FIND}, {"f", CMD_BBED_FIND},
    {"verify", CMD_BBED_VERIFY}, {"corrupt", CMD_BBED_CORRUPT}, {"mark", CMD_BBED_MARK},
    {"clean", CMD_BBED_CLEAN},   {"exit", CMD_EXIT_BBED},     {"help", CMD_BBED_HELP},
};

const KEYWORD ASMCMD_KEYWORDS[] = {
    {"exit", CMD_EXIT_ASMCMD},       {"dump", CMD_DUMP_DISK_BLOCK}, {"help", CMD_ASMCMD_HELP},
    {"extract", CMD_ASMCMD_EXTRACT}, {"cd", CMD_ASMCMD_CD},         {"ls", CMD_ASMCMD_LS},
};

template <size_t N>
int lookup(const KEYWORD (&table)[N], const char* keyword)
{
    for (const KEYWORD& k : table)
        if (strcasecmp(k.word, keyword) == 0)
            return k.code;
    return CMD_NONE;
}

} // namespace

int parse_cmd_zem(const char* keyword)
{
    return lookup(ZEM_KEYWORDS, keyword);
}

int parse_cmd_bbed(const char* keyword)
{
    return lookup(BBED_KEYWORDS, keyword);
}

int parse_cmd_asmcmd(const char* keyword)
{
    return lookup(ASMCMD_KEYWORDS, keyword);
}

int parse_cmd(LINE_ARRAY tokens)
{
    const char* keyword = tokens[0];
    if (keyword[0] == '@')
        return CMD_START_CMDFILE;
    int code = lookup(COMMON_KEYWORDS, keyword);
    if (code != CMD_NONE)
        return code;
    switch (current_module) {
    case MODULE_BBED:
        return parse_cmd_bbed(keyword);
    case MODULE_ASMCMD:
        return parse_cmd_asmcmd(keyword);
    default:
        return parse_cmd_zem(keyword);
    }
}
