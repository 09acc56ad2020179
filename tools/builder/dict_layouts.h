#pragma once
// The physical column layouts of the dictionary tables, as their rows store
// them (a clustered table's key column first), for each release form, and
// the assembly of a row from values given by column name.

#include <map>
#include <string>
#include <vector>

#include "builder/dictionary.h"

namespace zb {

struct SysColumn {
    const char* name;
    char kind;        // 'N' NUMBER, 'V' VARCHAR2, 'D' DATE, 'L' LONG, 'R' RAW
    uint16_t length;  // VARCHAR2 and RAW
    bool not_null;
};

struct SysLayout {
    const char* table;
    std::vector<SysColumn> columns;
};

// BOOTSTRAP$, USER$, OBJ$, TAB$, COL$, IND$, TABPART$, INDPART$,
// TABSUBPART$, INDSUBPART$, LOB$, LOBFRAG$; null when the form has no such
// table.
const SysLayout* sys_layout(const std::string& table, DictForm form);

// Values by column name; columns not named are NULL.
using NamedRow = std::map<std::string, Cell>;

// The row in layout order, leaving out the first `skip_leading` columns
// (the key of a clustered table, stored in the key row instead).
LogicalRow arrange_row(const SysLayout& layout, const NamedRow& values, size_t skip_leading = 0);

// "NUMBER", "VARCHAR2(30)", ... as CREATE TABLE texts write them.
std::string sys_column_type(const SysColumn& column);
DictColumn sys_dict_column(const SysColumn& column);

Cell n_cell(int64_t value);
Cell s_cell(const std::string& text);

} // namespace zb
