#include "builder/dict_layouts.h"

#include <stdexcept>

namespace zb {

namespace {

// Release 8 and later. Only the leading columns matter to a dictionary
// unload; the rest are here so that rows look like the real ones and so
// that the columns read are followed by others.
const SysLayout BOOTSTRAP = {"BOOTSTRAP$", {{"LINE#", 'N', 0, true}, {"OBJ#", 'N', 0, true}, {"SQL_TEXT", 'V', 4000, true}}};

const SysLayout USER = {"USER$",
                        {{"USER#", 'N', 0, true},     {"NAME", 'V', 30, true},     {"TYPE#", 'N', 0, true},
                         {"PASSWORD", 'V', 30, false}, {"DATATS#", 'N', 0, true},  {"TEMPTS#", 'N', 0, true},
                         {"CTIME", 'D', 0, true},     {"PTIME", 'D', 0, false},    {"EXPTIME", 'D', 0, false},
                         {"LTIME", 'D', 0, false},    {"RESOURCE$", 'N', 0, true}, {"AUDIT$", 'V', 38, false},
                         {"DEFROLE", 'N', 0, true},   {"DEFGRP#", 'N', 0, false},  {"DEFGRP_SEQ#", 'N', 0, false},
                         {"ASTATUS", 'N', 0, true},   {"LCOUNT", 'N', 0, true},    {"DEFSCHCLASS", 'V', 30, false}}};

const SysLayout OBJ = {"OBJ$",
                       {{"OBJ#", 'N', 0, true},      {"DATAOBJ#", 'N', 0, false},   {"OWNER#", 'N', 0, true},
                        {"NAME", 'V', 30, true},     {"NAMESPACE", 'N', 0, true},   {"SUBNAME", 'V', 30, false},
                        {"TYPE#", 'N', 0, true},     {"CTIME", 'D', 0, true},       {"MTIME", 'D', 0, true},
                        {"STIME", 'D', 0, true},     {"STATUS", 'N', 0, true},      {"REMOTEOWNER", 'V', 30, false},
                        {"LINKNAME", 'V', 128, false}, {"FLAGS", 'N', 0, false},    {"OID$", 'R', 16, false},
                        {"SPARE1", 'N', 0, false},   {"SPARE2", 'N', 0, false}}};

const SysLayout OBJ7 = {"OBJ$",
                        {{"OBJ#", 'N', 0, true},   {"OWNER#", 'N', 0, true}, {"NAME", 'V', 30, true},
                         {"NAMESPACE", 'N', 0, true}, {"TYPE#", 'N', 0, true}, {"CTIME", 'D', 0, true},
                         {"MTIME", 'D', 0, true},  {"STIME", 'D', 0, true},  {"STATUS", 'N', 0, true},
                         {"REMOTEOWNER", 'V', 30, false}, {"LINKNAME", 'V', 128, false}}};

const SysLayout TAB = {"TAB$",
                       {{"OBJ#", 'N', 0, true},     {"DATAOBJ#", 'N', 0, false}, {"TS#", 'N', 0, true},
                        {"FILE#", 'N', 0, true},    {"BLOCK#", 'N', 0, true},    {"BOBJ#", 'N', 0, false},
                        {"TAB#", 'N', 0, false},    {"COLS", 'N', 0, true},      {"CLUCOLS", 'N', 0, false},
                        {"PCTFREE$", 'N', 0, true}, {"PCTUSED$", 'N', 0, true},  {"INITRANS", 'N', 0, true},
                        {"MAXTRANS", 'N', 0, true}, {"FLAGS", 'N', 0, true},     {"AUDIT$", 'V', 38, true},
                        {"ROWCNT", 'N', 0, false},  {"BLKCNT", 'N', 0, false},   {"EMPCNT", 'N', 0, false},
                        {"AVGSPC", 'N', 0, false},  {"CHNCNT", 'N', 0, false},   {"AVGRLN", 'N', 0, false},
                        {"INTCOLS", 'N', 0, true},  {"KERNELCOLS", 'N', 0, true}, {"PROPERTY", 'N', 0, true},
                        {"TRIGFLAG", 'N', 0, false}}};

const SysLayout TAB7 = {"TAB$",
                        {{"OBJ#", 'N', 0, true},     {"TS#", 'N', 0, true},       {"FILE#", 'N', 0, true},
                         {"BLOCK#", 'N', 0, true},   {"CLU#", 'N', 0, false},     {"TAB#", 'N', 0, false},
                         {"COLS", 'N', 0, true},     {"CLUCOLS", 'N', 0, false},  {"PCTFREE$", 'N', 0, true},
                         {"PCTUSED$", 'N', 0, true}, {"INITRANS", 'N', 0, true},  {"MAXTRANS", 'N', 0, true},
                         {"MODIFIED", 'N', 0, true}, {"AUDIT$", 'V', 38, true}}};

const SysLayout COL = {"COL$",
                       {{"OBJ#", 'N', 0, true},        {"COL#", 'N', 0, true},       {"SEGCOL#", 'N', 0, true},
                        {"SEGCOLLENGTH", 'N', 0, true}, {"OFFSET", 'N', 0, true},    {"NAME", 'V', 30, true},
                        {"TYPE#", 'N', 0, true},       {"LENGTH", 'N', 0, true},     {"FIXEDSTORAGE", 'N', 0, true},
                        {"PRECISION#", 'N', 0, false}, {"SCALE", 'N', 0, false},     {"NULL$", 'N', 0, true},
                        {"DEFLENGTH", 'N', 0, false},  {"DEFAULT$", 'L', 0, false},  {"INTCOL#", 'N', 0, true},
                        {"PROPERTY", 'N', 0, true},    {"CHARSETID", 'N', 0, false}, {"CHARSETFORM", 'N', 0, false},
                        {"SPARE1", 'N', 0, false},     {"SPARE2", 'N', 0, false},    {"SPARE3", 'N', 0, false}}};

const SysLayout COL7 = {"COL$",
                        {{"OBJ#", 'N', 0, true},        {"COL#", 'N', 0, true},      {"SEGCOL#", 'N', 0, true},
                         {"SEGCOLLENGTH", 'N', 0, true}, {"OFFSET", 'N', 0, true},   {"NAME", 'V', 30, true},
                         {"TYPE#", 'N', 0, true},       {"LENGTH", 'N', 0, true},    {"FIXEDSTORAGE", 'N', 0, true},
                         {"PRECISION", 'N', 0, false},  {"SCALE", 'N', 0, false},    {"NULL$", 'N', 0, true},
                         {"DISTCNT", 'N', 0, false},    {"LOWVAL", 'R', 32, false},  {"HIVAL", 'R', 32, false},
                         {"DEFLENGTH", 'N', 0, false},  {"DEFAULT$", 'L', 0, false}}};

// IND$ keeps BO# first: it is the key of its cluster, or, outside the
// cluster, the leading column as the cluster would deliver it.
const SysLayout IND = {"IND$",
                       {{"BO#", 'N', 0, true},        {"OBJ#", 'N', 0, true},     {"DATAOBJ#", 'N', 0, false},
                        {"TS#", 'N', 0, true},        {"FILE#", 'N', 0, true},    {"BLOCK#", 'N', 0, true},
                        {"INDMETHOD#", 'N', 0, true}, {"COLS", 'N', 0, true},     {"PCTFREE$", 'N', 0, true},
                        {"INITRANS", 'N', 0, true},   {"MAXTRANS", 'N', 0, true}, {"PCTTHRES$", 'N', 0, false},
                        {"TYPE#", 'N', 0, true},      {"FLAGS", 'N', 0, true},    {"PROPERTY", 'N', 0, true},
                        {"INTCOLS", 'N', 0, true}}};

const SysLayout TABPART = {"TABPART$",
                           {{"OBJ#", 'N', 0, true},       {"DATAOBJ#", 'N', 0, false}, {"BO#", 'N', 0, true},
                            {"PART#", 'N', 0, true},      {"HIBOUNDLEN", 'N', 0, true}, {"HIBOUNDVAL", 'L', 0, false},
                            {"TS#", 'N', 0, true},        {"FILE#", 'N', 0, true},     {"BLOCK#", 'N', 0, true},
                            {"PCTFREE$", 'N', 0, true},   {"PCTUSED$", 'N', 0, true},  {"INITRANS", 'N', 0, true},
                            {"MAXTRANS", 'N', 0, true},   {"FLAGS", 'N', 0, true}}};

const SysLayout INDPART = {"INDPART$",
                           {{"OBJ#", 'N', 0, true},       {"DATAOBJ#", 'N', 0, false}, {"BO#", 'N', 0, true},
                            {"PART#", 'N', 0, true},      {"HIBOUNDLEN", 'N', 0, true}, {"HIBOUNDVAL", 'L', 0, false},
                            {"FLAGS", 'N', 0, true},      {"TS#", 'N', 0, true},       {"FILE#", 'N', 0, true},
                            {"BLOCK#", 'N', 0, true},     {"PCTFREE$", 'N', 0, true},  {"PCTTHRES$", 'N', 0, false},
                            {"INITRANS", 'N', 0, true},   {"MAXTRANS", 'N', 0, true}}};

const SysLayout TABSUBPART = {"TABSUBPART$",
                              {{"OBJ#", 'N', 0, true},     {"DATAOBJ#", 'N', 0, false}, {"POBJ#", 'N', 0, true},
                               {"SUBPART#", 'N', 0, true}, {"FLAGS", 'N', 0, true},     {"TS#", 'N', 0, true},
                               {"FILE#", 'N', 0, true},    {"BLOCK#", 'N', 0, true},    {"PCTFREE$", 'N', 0, true},
                               {"PCTUSED$", 'N', 0, true}, {"INITRANS", 'N', 0, true},  {"MAXTRANS", 'N', 0, true}}};

const SysLayout INDSUBPART = {"INDSUBPART$",
                              {{"OBJ#", 'N', 0, true},     {"DATAOBJ#", 'N', 0, false}, {"POBJ#", 'N', 0, true},
                               {"SUBPART#", 'N', 0, true}, {"FLAGS", 'N', 0, true},     {"TS#", 'N', 0, true},
                               {"FILE#", 'N', 0, true},    {"BLOCK#", 'N', 0, true},    {"PCTFREE$", 'N', 0, true},
                               {"INITRANS", 'N', 0, true}, {"MAXTRANS", 'N', 0, true}}};

const SysLayout LOB = {"LOB$",
                       {{"OBJ#", 'N', 0, true},       {"COL#", 'N', 0, true},     {"INTCOL#", 'N', 0, true},
                        {"LOBJ#", 'N', 0, true},      {"PART#", 'N', 0, true},    {"IND#", 'N', 0, true},
                        {"TS#", 'N', 0, true},        {"FILE#", 'N', 0, true},    {"BLOCK#", 'N', 0, true},
                        {"CHUNK", 'N', 0, true},      {"PCTVERSION$", 'N', 0, true}, {"FLAGS", 'N', 0, true},
                        {"PROPERTY", 'N', 0, true},   {"RETENTION", 'N', 0, true}, {"FREEPOOLS", 'N', 0, true}}};

const SysLayout LOBFRAG = {"LOBFRAG$",
                           {{"FRAGOBJ#", 'N', 0, true},   {"PARENTOBJ#", 'N', 0, true}, {"TABFRAGOBJ#", 'N', 0, true},
                            {"INDFRAGOBJ#", 'N', 0, true}, {"FRAG#", 'N', 0, true},     {"FRAGTYPE$", 'V', 1, true},
                            {"TS#", 'N', 0, true},        {"FILE#", 'N', 0, true},      {"BLOCK#", 'N', 0, true},
                            {"CHUNK", 'N', 0, true},      {"PCTVERSION$", 'N', 0, true}, {"FRAGFLAGS", 'N', 0, true},
                            {"FRAGPRO", 'N', 0, true}}};

} // namespace

const SysLayout* sys_layout(const std::string& table, DictForm form)
{
    bool v7 = form == DictForm::v7;
    if (table == "BOOTSTRAP$")
        return &BOOTSTRAP;
    if (table == "USER$")
        return &USER;
    if (table == "OBJ$")
        return v7 ? &OBJ7 : &OBJ;
    if (table == "TAB$")
        return v7 ? &TAB7 : &TAB;
    if (table == "COL$")
        return v7 ? &COL7 : &COL;
    if (v7)
        return nullptr; // the rest came with release 8
    static const SysLayout* const rest[] = {&IND, &TABPART, &INDPART, &TABSUBPART, &INDSUBPART, &LOB, &LOBFRAG};
    for (const SysLayout* layout : rest)
        if (table == layout->table)
            return layout;
    return nullptr;
}

LogicalRow arrange_row(const SysLayout& layout, const NamedRow& values, size_t skip_leading)
{
    size_t known = 0;
    std::vector<Cell> cells;
    for (size_t i = 0; i < layout.columns.size(); i++) {
        auto found = values.find(layout.columns[i].name);
        known += found != values.end();
        if (i >= skip_leading)
            cells.push_back(found != values.end() ? found->second : null_cell());
    }
    if (known != values.size())
        throw std::invalid_argument(std::string("a value for a column that ") + layout.table + " does not have");
    return make_row(std::move(cells));
}

std::string sys_column_type(const SysColumn& column)
{
    switch (column.kind) {
    case 'V':
        return "VARCHAR2(" + std::to_string(column.length) + ")";
    case 'R':
        return "RAW(" + std::to_string(column.length) + ")";
    case 'D':
        return "DATE";
    case 'L':
        return "LONG";
    default:
        return "NUMBER";
    }
}

DictColumn sys_dict_column(const SysColumn& column)
{
    DictColumn c;
    c.name = column.name;
    c.nullable = !column.not_null;
    switch (column.kind) {
    case 'V':
        c = c_varchar2(column.name, column.length, !column.not_null);
        break;
    case 'R':
        c = c_raw(column.name, column.length);
        break;
    case 'D':
        c = c_date(column.name);
        break;
    case 'L':
        c = c_long(column.name);
        break;
    default:
        c = c_number(column.name, -1, -1, !column.not_null);
        break;
    }
    c.nullable = !column.not_null;
    return c;
}

Cell n_cell(int64_t value)
{
    return bytes_cell(number_bytes(value));
}

Cell s_cell(const std::string& text)
{
    return text_cell(text);
}

} // namespace zb
