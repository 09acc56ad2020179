#include "storage/asm_name.h"

#include <cstdio>
#include <cstring>

#include "base/splitter.h"
#include "base/str_util.h"
#include "storage/asm_alias.h"
#include "storage/asm_disk_list.h"

namespace {

ub4 get_decimal(const char* text)
{
    ub4 v = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; p++)
        v = v * 10 + (ub4)(*p - '0');
    return v;
}

PASM_ALIAS search_alias_child(const ASM_ALIAS* dir, const char* part, bool want_file)
{
    char full[ASM_ALIAS_NAME_MAXLEN + 32];
    for (PZEM_LIST_ITEM it = dir->sub_list.header; it != nullptr; it = it->next) {
        PASM_ALIAS child = (PASM_ALIAS)it->data;
        if (child->incarn == 0)
            continue;
        if (!want_file) {
            if (alias_is_dir(child) && str_case_equal(child->name, part))
                return child;
            continue;
        }
        if (!alias_is_file(child))
            continue;
        if (str_case_equal(child->name, part))
            return child;
        snprintf(full, sizeof(full), "%s.%u.%u", child->name, child->fnum, child->finc);
        if (str_case_equal(full, part))
            return child;
    }
    return nullptr;
}

} // namespace

int parse_asmfile_name_by_alias(const char* name, PASM_DISKGROUP_ITEM* group, ub4* file_number, ub4* incarnation)
{
    *group = nullptr;
    *file_number = 0;
    *incarnation = 0;
    if (strlen(name) < 2 || name[0] != '+')
        return FALSE;
    static SMALL_LINE_ARRAY parts;
    bool overflow = false;
    int count = split_line_delimiter_small(parts, name, "/", &overflow);
    if (count < 1 || overflow)
        return FALSE;
    *group = search_asm_diskgroup_by_name(parts[0] + 1);
    if (*group == nullptr)
        return FALSE;
    PASM_ALIAS current = (*group)->root_alias;
    for (int i = 1; i < count && current != nullptr; i++) {
        if (current->dir_load_status == DLS_NOT_LOADED)
            get_asm_alias_subdir(*group, current);
        if (current->dir_load_status != DLS_LOADED)
            return FALSE;
        if (i < count - 1) {
            current = search_alias_child(current, parts[i], false);
            continue;
        }
        PASM_ALIAS file = search_alias_child(current, parts[i], true);
        if (file == nullptr)
            return FALSE;
        *file_number = file->fnum;
        *incarnation = file->finc;
        return TRUE;
    }
    return FALSE;
}

int parse_asmfile_name(const char* name, PASM_DISKGROUP_ITEM* group, ub4* file_number, ub4* incarnation)
{
    if (parse_asmfile_name_by_alias(name, group, file_number, incarnation) && *group != nullptr &&
        *file_number != 0)
        return TRUE;
    *group = nullptr;
    *file_number = 0;
    *incarnation = 0;
    if (strlen(name) < 2 || name[0] != '+')
        return FALSE;
    static SMALL_LINE_ARRAY parts;
    bool overflow = false;
    int count = split_line_delimiter_small(parts, name, ".", &overflow);
    if (count < 2 || overflow)
        return FALSE;
    if (count >= 3) {
        *file_number = get_decimal(parts[count - 2]);
        *incarnation = get_decimal(parts[count - 1]);
    } else
        *file_number = get_decimal(parts[1]);
    char* slash = strchr(parts[0], '/');
    if (slash != nullptr)
        *slash = '\0';
    *group = search_asm_diskgroup_by_name(parts[0] + 1);
    return *group != nullptr && *file_number != 0;
}
