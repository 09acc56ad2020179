#include "dict/dict_tables.h"

#include "base/config.h"

namespace {

constexpr ub1 N = ORA_NUMBER;
constexpr ub1 V = ORA_VARCHAR2;
constexpr ub1 L = ORA_LONG;

const DICT_COL_DESC USER_COLS[] = {{"USER#", N, DC_KEEP}, {"NAME", V, DC_KEEP}};

const DICT_COL_DESC OBJ_COLS[] = {
    {"OBJ#", N, DC_KEEP},  {"DATAOBJ#", N, DC_PLACEHOLDER7}, {"OWNER#", N, DC_KEEP},
    {"NAME", V, DC_KEEP},  {"NAMESPACE", N, DC_SKIP},        {"SUBNAME", V, DC_PLACEHOLDER7},
    {"TYPE#", N, DC_KEEP}};

// The first twelve columns are all a release-7 row needs.
const DICT_COL_DESC COL_COLS[] = {
    {"OBJ#", N, DC_KEEP},         {"COL#", N, DC_KEEP},       {"SEGCOL#", N, DC_KEEP},
    {"SEGCOLLENGTH", N, DC_SKIP}, {"OFFSET", N, DC_SKIP},     {"NAME", V, DC_KEEP},
    {"TYPE#", N, DC_KEEP},        {"LENGTH", N, DC_KEEP},     {"FIXEDSTORAGE", N, DC_SKIP},
    {"PRECISION#", N, DC_KEEP},   {"SCALE", N, DC_KEEP},      {"NULL$", N, DC_KEEP},
    {"DEFLENGTH", N, DC_SKIP},    {"DEFAULT$", L, DC_SKIP},   {"INTCOL#", N, DC_KEEP},
    {"PROPERTY", N, DC_KEEP},     {"CHARSETID", N, DC_KEEP},  {"CHARSETFORM", N, DC_KEEP}};

const DICT_COL_DESC TAB_COLS[] = {{"OBJ#", N, DC_KEEP},  {"DATAOBJ#", N, DC_PLACEHOLDER7}, {"TS#", N, DC_KEEP},
                                  {"FILE#", N, DC_KEEP}, {"BLOCK#", N, DC_KEEP},           {"BOBJ#", N, DC_SKIP},
                                  {"TAB#", N, DC_KEEP}};

const DICT_COL_DESC IND_STORAGE_COLS[] = {{"BO#", N, DC_SKIP}, {"OBJ#", N, DC_KEEP},  {"DATAOBJ#", N, DC_KEEP},
                                          {"TS#", N, DC_KEEP}, {"FILE#", N, DC_KEEP}, {"BLOCK#", N, DC_KEEP}};

const DICT_COL_DESC TABPART_COLS[] = {{"OBJ#", N, DC_KEEP}, {"DATAOBJ#", N, DC_KEEP}, {"SKIP", N, DC_SKIP},
                                      {"SKIP", N, DC_SKIP}, {"SKIP", N, DC_SKIP},     {"SKIP", L, DC_SKIP},
                                      {"TS#", N, DC_KEEP},  {"FILE#", N, DC_KEEP},    {"BLOCK#", N, DC_KEEP}};

const DICT_COL_DESC INDPART_COLS[] = {{"OBJ#", N, DC_KEEP}, {"DATAOBJ#", N, DC_KEEP}, {"SKIP", N, DC_SKIP},
                                      {"SKIP", N, DC_SKIP}, {"SKIP", N, DC_SKIP},     {"SKIP", L, DC_SKIP},
                                      {"SKIP", N, DC_SKIP}, {"TS#", N, DC_KEEP},      {"FILE#", N, DC_KEEP},
                                      {"BLOCK#", N, DC_KEEP}};

const DICT_COL_DESC SUBPART_COLS[] = {{"OBJ#", N, DC_KEEP}, {"DATAOBJ#", N, DC_KEEP}, {"SKIP", N, DC_SKIP},
                                      {"SKIP", N, DC_SKIP}, {"SKIP", N, DC_SKIP},     {"TS#", N, DC_KEEP},
                                      {"FILE#", N, DC_KEEP}, {"BLOCK#", N, DC_KEEP}};

const DICT_COL_DESC IND_TYPE_COLS[] = {
    {"BO#", N, DC_KEEP},  {"OBJ#", N, DC_KEEP},   {"DATAOBJ#", N, DC_SKIP}, {"TS#", N, DC_SKIP},
    {"FILE#", N, DC_SKIP}, {"BLOCK#", N, DC_SKIP}, {"SKIP", N, DC_SKIP},     {"SKIP", N, DC_SKIP},
    {"SKIP", N, DC_SKIP}, {"SKIP", N, DC_SKIP},   {"SKIP", N, DC_SKIP},     {"SKIP", N, DC_SKIP},
    {"TYPE#", N, DC_KEEP}};

const DICT_COL_DESC LOB_COLS[] = {
    {"OBJ#", N, DC_KEEP},  {"COL#", N, DC_KEEP},       {"INTCOL#", N, DC_KEEP}, {"LOBJ#", N, DC_KEEP},
    {"PART#", N, DC_KEEP}, {"IND#", N, DC_KEEP},       {"TS#", N, DC_KEEP},     {"FILE#", N, DC_KEEP},
    {"BLOCK#", N, DC_KEEP}, {"CHUNK", N, DC_KEEP},     {"PCTVERSION", N, DC_SKIP}, {"FLAGS", N, DC_SKIP},
    {"PROPERTY", N, DC_KEEP}};

const DICT_COL_DESC LOBFRAG_COLS[] = {
    {"FRAGOBJ#", N, DC_KEEP}, {"PARENTOBJ#", N, DC_KEEP}, {"TABFRAGOBJ#", N, DC_KEEP}, {"INDFRAGOBJ#", N, DC_KEEP},
    {"FRAG#", N, DC_KEEP},    {"FRAGTYPE$", V, DC_KEEP},  {"TS#", N, DC_KEEP},         {"FILE#", N, DC_KEEP},
    {"BLOCK#", N, DC_KEEP},   {"CHUNK", N, DC_KEEP}};

template <size_t C>
constexpr DICT_TABLE_DESC desc(const char* name, const DICT_COL_DESC (&cols)[C])
{
    return {name, cols, (ub2)C};
}

} // namespace

const DICT_TABLE_DESC dict_user_desc = desc("USER$", USER_COLS);
const DICT_TABLE_DESC dict_obj_desc = desc("OBJ$", OBJ_COLS);
const DICT_TABLE_DESC dict_col_desc = desc("COL$", COL_COLS);
const DICT_TABLE_DESC dict_col7_desc = {"COL$", COL_COLS, 12};
const DICT_TABLE_DESC dict_tab_desc = desc("TAB$", TAB_COLS);
const DICT_TABLE_DESC dict_ind_storage_desc = desc("IND$", IND_STORAGE_COLS);
const DICT_TABLE_DESC dict_tabpart_desc = desc("TABPART$", TABPART_COLS);
const DICT_TABLE_DESC dict_indpart_desc = desc("INDPART$", INDPART_COLS);
const DICT_TABLE_DESC dict_tabsubpart_desc = desc("TABSUBPART$", SUBPART_COLS);
const DICT_TABLE_DESC dict_indsubpart_desc = desc("INDSUBPART$", SUBPART_COLS);
const DICT_TABLE_DESC dict_ind_type_desc = desc("IND$", IND_TYPE_COLS);
const DICT_TABLE_DESC dict_lob_desc = desc("LOB$", LOB_COLS);
const DICT_TABLE_DESC dict_lobfrag_desc = desc("LOBFRAG$", LOBFRAG_COLS);

void describe_dict_table(PTABLE table, const DICT_TABLE_DESC* d, ub1 table_index, ub4 ts_no, ub4 dataobj_no)
{
    ub2 skipped = 0;
    for (ub2 i = 0; i < d->col_cnt; i++)
        skipped += d->cols[i].use == DC_SKIP;
    init_table(table, d->name, d->col_cnt, skipped, table_index);
    table->ts_no = ts_no;
    table->dataobj_no = dataobj_no;
    if (table->cols == nullptr)
        return;
    for (ub2 i = 0; i < d->col_cnt; i++) {
        const DICT_COL_DESC* c = &d->cols[i];
        init_column(&table->cols[i], c->name, c->ora_type, c->use != DC_SKIP);
        if (c->use == DC_PLACEHOLDER7 && config_data.compatible == 7)
            table->cols[i].is_placeholder = 1;
    }
}
