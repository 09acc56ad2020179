#include "base/printer.h"
#include "shell/handlers.h"
#include "shell/shell.h"

namespace {

// Command code -> handler. A code whose command is not built yet has no
// handler and answers "not implemented feature.".
struct DISPATCH_TABLE {
    CMD_HANDLER handlers[CMD_CODE_COUNT] = {};
    constexpr DISPATCH_TABLE()
    {
        handlers[CMD_HELP] = do_help;
        handlers[CMD_HEXDUMP] = do_hexdump;
        handlers[CMD_LOADCTL] = do_loadctl;
        handlers[CMD_COPY] = do_copy_datafile;
        handlers[CMD_HOST] = do_host;
        handlers[CMD_LOADCFG] = do_loadcfg;
        handlers[CMD_SPOOL] = do_spool;
        handlers[CMD_ROWID] = do_rowid;
        handlers[CMD_RDBA] = do_decode_rdba;
        handlers[CMD_CHARSET] = do_charset_list;
        handlers[CMD_TIME] = do_decode_time;
        handlers[CMD_START_CMDFILE] = start_cmdfile;
        handlers[CMD_ENTER_BBED] = enter_bbed_module;
        handlers[CMD_EXIT_BBED] = exit_bbed_module;
        handlers[CMD_BBED_HELP] = do_bbed_help;
        handlers[CMD_BBED_SHOW] = do_bbed_show;
        handlers[CMD_BBED_SET] = do_bbed_set;
        handlers[CMD_BBED_DUMP] = do_bbed_dump;
        handlers[CMD_BBED_MODIFY] = do_bbed_modify;
        handlers[CMD_BBED_SUM] = do_bbed_sum;
        handlers[CMD_BBED_CORRUPT] = do_bbed_corrupt;
        handlers[CMD_BBED_ROLLBACK] = do_bbed_rollback;
        handlers[CMD_BBED_FIND] = do_bbed_find;
        handlers[CMD_BBED_VERIFY] = do_bbed_verify;
        handlers[CMD_BBED_MARK] = do_mark_undo_segment;
        handlers[CMD_BBED_CLEAN] = do_bbed_clean;
        handlers[CMD_ENTER_ASMCMD] = enter_asmcmd_module;
        handlers[CMD_EXIT_ASMCMD] = exit_asmcmd_module;
        handlers[CMD_ASMCMD_HELP] = do_asmcmd_help;
        handlers[CMD_DUMP_DISK_BLOCK] = do_dump_disk_block;
        handlers[CMD_ASMCMD_EXTRACT] = do_extract_asmfile;
        handlers[CMD_ASMCMD_CD] = do_asmcmd_cd;
        handlers[CMD_ASMCMD_LS] = do_asmcmd_ls;
        handlers[CMD_UNEXP] = do_unexp;
        handlers[CMD_LIST] = do_list_schema;
        handlers[CMD_UNLOAD] = do_unload;
        handlers[CMD_DESC] = do_desc_table;
        handlers[CMD_ORADUMP] = do_oradump;
        handlers[CMD_SCAN] = do_scan;
        handlers[CMD_DISCOVER] = do_discover;
    }
};

constexpr DISPATCH_TABLE dispatch_table;

} // namespace

bool dispatch_cmd(int code, LINE_ARRAY tokens, int count)
{
    if (code == CMD_EXIT)
        return false;
    if (code == CMD_NONE) {
        sp_printf("Invalid command.\n");
        return true;
    }
    CMD_HANDLER handler = code > 0 && code < CMD_CODE_COUNT ? dispatch_table.handlers[code] : nullptr;
    if (handler == nullptr)
        sp_printf("not implemented feature.\n");
    else
        handler(tokens, count);
    return true;
}
