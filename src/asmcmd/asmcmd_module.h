#pragma once
// The ASM command module: browsing the alias directories of the loaded disk
// groups and copying ASM files out. Read-only on the ASM side.

#include <cstddef>

#include "base/splitter.h"
#include "storage/asm_types.h"

constexpr int ASM_FULLPATH_MAX_LEN = 1000;

// The current directory; both none at the top level ("<root>").
typedef struct _tag_asmcmd_env {
    PASM_DISKGROUP_ITEM current_diskgroup;
    PASM_ALIAS current_dir;
} ASMCMD_ENV, *PASMCMD_ENV;

extern ASMCMD_ENV asmcmd_env;

void init_asmcmd_module();
void clean_asmcmd_module();
void do_asmcmd_help(LINE_ARRAY tokens, int count);
void do_dump_disk_block(LINE_ARRAY tokens, int count);
void do_extract_asmfile(LINE_ARRAY tokens, int count);
void do_asmcmd_ls(LINE_ARRAY tokens, int count);
void do_asmcmd_cd(LINE_ARRAY tokens, int count);
void do_list_dg();
void show_current_asm_dir();
// The full path of the current directory (+GROUP/DIR/...), empty at the top
// level; `out` holds ASM_FULLPATH_MAX_LEN + 1 characters.
void get_current_asm_path(char* out);
// A name as typed, made absolute against the current directory.
void expand_asm_full_name(const char* name, char* out);
