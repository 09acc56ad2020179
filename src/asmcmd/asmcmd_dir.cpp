#include <cstdio>
#include <cstring>

#include "asmcmd/asmcmd_module.h"
#include "base/printer.h"
#include "base/str_util.h"
#include "shell/shell.h"
#include "storage/asm_alias.h"
#include "storage/asm_disk_list.h"

namespace {

// Starting directory and first part of a path walk, or false after the
// message that explains why there is none.
bool get_walk_start(SMALL_LINE_ARRAY parts, PASM_DISKGROUP_ITEM* group, PASM_ALIAS* dir, int* first)
{
    if (parts[0][0] == '\0') {
        if (asmcmd_env.current_diskgroup == nullptr) {
            sp_printf("Can not find the directory\n");
            return false;
        }
        *group = asmcmd_env.current_diskgroup;
        *dir = (*group)->root_alias;
        *first = 1;
        return true;
    }
    if (parts[0][0] == '+') {
        if (parts[0][1] == '\0') {
            sp_printf("Invalid directory name.\n");
            return false;
        }
        *group = search_asm_diskgroup_by_name(parts[0] + 1);
        if (*group == nullptr) {
            sp_printf("No diskgroup %s.\n", parts[0] + 1);
            return false;
        }
        *dir = (*group)->root_alias;
        *first = 1;
        return true;
    }
    if (asmcmd_env.current_diskgroup == nullptr) {
        sp_printf("Can not find the directory.\n");
        return false;
    }
    *group = asmcmd_env.current_diskgroup;
    *dir = asmcmd_env.current_dir;
    *first = 0;
    return true;
}

void cd_path(const char* path)
{
    static SMALL_LINE_ARRAY parts;
    bool overflow = false;
    int count = split_line_delimiter_small(parts, path, "/", &overflow);
    if (count == 0 || overflow) {
        sp_printf("Can not find the directory\n");
        return;
    }
    PASM_DISKGROUP_ITEM group = nullptr;
    PASM_ALIAS dir = nullptr;
    int first = 0;
    if (!get_walk_start(parts, &group, &dir, &first))
        return;
    for (int i = first; i < count; i++) {
        if (dir->dir_load_status == DLS_NOT_LOADED)
            get_asm_alias_subdir(group, dir);
        if (dir->dir_load_status != DLS_LOADED) {
            sp_printf("Can not load sub directory for %s\n", dir->name);
            return;
        }
        PASM_ALIAS next = nullptr;
        for (PZEM_LIST_ITEM it = dir->sub_list.header; it != nullptr && next == nullptr; it = it->next) {
            PASM_ALIAS child = (PASM_ALIAS)it->data;
            if (child->incarn != 0 && str_case_equal(child->name, parts[i]))
                next = child;
        }
        if (next == nullptr) {
            sp_printf("Can not find the directory\n");
            return;
        }
        if (alias_is_file(next)) {
            sp_printf("%s is not directory.\n", parts[i]);
            return;
        }
        dir = next;
    }
    asmcmd_env.current_diskgroup = group;
    asmcmd_env.current_dir = dir;
    show_current_asm_dir();
}

void list_dir(PASM_DISKGROUP_ITEM group, PASM_ALIAS dir)
{
    if (dir->dir_load_status == DLS_NOT_LOADED)
        get_asm_alias_subdir(group, dir);
    if (dir->dir_load_status != DLS_LOADED) {
        sp_printf("Can not load sub directory for %s\n", dir->name);
        return;
    }
    sp_printf("%-40s\n", "Name");
    sp_printf("----------------------------------------\n");
    char name[ASM_ALIAS_NAME_MAXLEN + 32];
    for (PZEM_LIST_ITEM it = dir->sub_list.header; it != nullptr; it = it->next) {
        const ASM_ALIAS* child = (const ASM_ALIAS*)it->data;
        if (child->incarn == 0)
            continue;
        if (alias_is_sys_file(child)) {
            snprintf(name, sizeof(name), "%s.%u.%u", child->name, child->fnum, child->finc);
            sp_printf("%-40s\n", name);
        } else if (alias_is_file(child))
            sp_printf("%-40s   => +%s.%u.%u\n", child->name, group->disk_group_name, child->fnum, child->finc);
        else
            sp_printf("%-40s  <DIR>\n", child->name);
    }
    sp_printf("\n");
}

} // namespace

void show_current_asm_dir()
{
    sp_printf("\nCurrent directory: ");
    if (asmcmd_env.current_diskgroup == nullptr || asmcmd_env.current_dir == nullptr) {
        sp_printf("<root>\n\n");
        return;
    }
    static char path[ASM_FULLPATH_MAX_LEN + 1];
    get_current_asm_path(path);
    sp_printf("%s\n\n", path);
}

void get_current_asm_path(char* out)
{
    out[0] = '\0';
    if (asmcmd_env.current_diskgroup == nullptr || asmcmd_env.current_dir == nullptr)
        return;
    // Directories load at most ASM_DIR_MAX_DEPTH levels deep, so the walk up
    // is short; the bound keeps it so whatever the tree holds.
    const ASM_ALIAS* chain[ASM_DIR_MAX_DEPTH + 2];
    int depth = 0;
    for (const ASM_ALIAS* a = asmcmd_env.current_dir; a != nullptr && a->parent_alias != nullptr &&
                                                      depth < (int)(sizeof(chain) / sizeof(chain[0]));
         a = a->parent_alias)
        chain[depth++] = a;
    size_t size = ASM_FULLPATH_MAX_LEN + 1;
    int len = snprintf(out, size, "+%s", asmcmd_env.current_diskgroup->root_alias != nullptr
                                             ? asmcmd_env.current_diskgroup->root_alias->name
                                             : asmcmd_env.current_diskgroup->disk_group_name);
    for (int i = depth - 1; i >= 0 && len >= 0 && (size_t)len < size; i--)
        len += snprintf(out + len, size - (size_t)len, "/%s", chain[i]->name);
}

void expand_asm_full_name(const char* name, char* out)
{
    size_t size = ASM_FULLPATH_MAX_LEN + 1;
    if (name[0] == '\0') {
        get_current_asm_path(out);
        return;
    }
    if (name[0] == '+' || asmcmd_env.current_diskgroup == nullptr) {
        snprintf(out, size, "%s", name);
        return;
    }
    if (name[0] == '/') {
        snprintf(out, size, "+%s%s", asmcmd_env.current_diskgroup->disk_group_name, name);
        return;
    }
    get_current_asm_path(out);
    size_t len = strlen(out);
    if (len + 1 < size)
        snprintf(out + len, size - len, "/%s", name);
}

void do_list_dg()
{
    sp_printf("Disk Group\n");
    sp_printf("------------------------------------\n");
    for (PZEM_LIST_ITEM it = asm_diskgroup_list.header; it != nullptr; it = it->next)
        sp_printf("%s\n", ((const ASM_DISKGROUP_ITEM*)it->data)->disk_group_name);
    sp_printf("\n");
}

void do_asmcmd_ls(LINE_ARRAY, int count)
{
    if (count != 1) {
        show_cmd_format(CMD_ASMCMD_LS);
        return;
    }
    show_current_asm_dir();
    if (asmcmd_env.current_diskgroup == nullptr || asmcmd_env.current_dir == nullptr)
        do_list_dg();
    else
        list_dir(asmcmd_env.current_diskgroup, asmcmd_env.current_dir);
}

void do_asmcmd_cd(LINE_ARRAY tokens, int count)
{
    if (count != 2) {
        show_cmd_format(CMD_ASMCMD_CD);
        return;
    }
    const char* path = tokens[1];
    if (strcmp(path, "/") == 0) {
        if (asmcmd_env.current_diskgroup != nullptr)
            asmcmd_env.current_dir = asmcmd_env.current_diskgroup->root_alias;
        show_current_asm_dir();
        return;
    }
    if (strcmp(path, "..") == 0) {
        if (asmcmd_env.current_dir != nullptr) {
            asmcmd_env.current_dir = asmcmd_env.current_dir->parent_alias;
            if (asmcmd_env.current_dir == nullptr)
                asmcmd_env.current_diskgroup = nullptr;
        }
        show_current_asm_dir();
        return;
    }
    cd_path(path);
}
