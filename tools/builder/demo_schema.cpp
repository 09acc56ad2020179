#include "builder/demo_schema.h"

#include <algorithm>
#include <cstdio>

namespace zb {

namespace {

const char* const TO_DATE_TAIL = " 00:00:00', 'SYYYY-MM-DD HH24:MI:SS', 'NLS_CALENDAR=GREGORIAN')";

std::string to_date(const std::string& day)
{
    return "TO_DATE(' " + day + TO_DATE_TAIL;
}

DictTable table(const std::string& owner, const std::string& name, std::vector<DictColumn> columns)
{
    DictTable t;
    t.owner = owner;
    t.name = name;
    t.columns = std::move(columns);
    return t;
}

DictRow emp(int empno, const char* ename, const char* job, int mgr, int y, int m, int d, const char* sal, int comm,
            int deptno)
{
    return row_of({v_int(empno), v_text(ename), v_text(job), mgr ? v_int(mgr) : v_null(), v_date(y, m, d),
                   v_number(sal), comm >= 0 ? v_int(comm) : v_null(), v_int(deptno)});
}

DictTable scott_emp()
{
    DictTable t = table("SCOTT", "EMP",
                        {c_number("EMPNO", 4, 0, false), c_varchar2("ENAME", 10), c_varchar2("JOB", 9),
                         c_number("MGR", 4, 0), c_date("HIREDATE"), c_number("SAL", 7, 2), c_number("COMM", 7, 2),
                         c_number("DEPTNO", 2, 0)});
    t.rows = {emp(7369, "SMITH", "CLERK", 7902, 1980, 12, 17, "800", -1, 20),
              emp(7499, "ALLEN", "SALESMAN", 7698, 1981, 2, 20, "1600", 300, 30),
              emp(7521, "WARD", "SALESMAN", 7698, 1981, 2, 22, "1250", 500, 30),
              emp(7566, "JONES", "MANAGER", 7839, 1981, 4, 2, "2975", -1, 20),
              emp(7654, "MARTIN", "SALESMAN", 7698, 1981, 9, 28, "1250", 1400, 30),
              emp(7698, "BLAKE", "MANAGER", 7839, 1981, 5, 1, "2850", -1, 30),
              emp(7782, "CLARK", "MANAGER", 7839, 1981, 6, 9, "2450", -1, 10),
              emp(7788, "SCOTT", "ANALYST", 7566, 1987, 4, 19, "3000", -1, 20),
              emp(7839, "KING", "PRESIDENT", 0, 1981, 11, 17, "5000", -1, 10),
              emp(7844, "TURNER", "SALESMAN", 7698, 1981, 9, 8, "1500", 0, 30),
              emp(7876, "ADAMS", "CLERK", 7788, 1987, 5, 23, "1100", -1, 20),
              emp(7900, "JAMES", "CLERK", 7698, 1981, 12, 3, "950", -1, 30),
              emp(7902, "FORD", "ANALYST", 7566, 1981, 12, 3, "3000", -1, 20),
              emp(7934, "MILLER", "CLERK", 7782, 1982, 1, 23, "1300.5", -1, 10)};
    t.rows[8].migrated = true; // KING's row moved on an update
    t.indexes = {{"PK_EMP", 1, false}};
    return t;
}

DictTable scott_dept()
{
    DictTable t = table("SCOTT", "DEPT", {c_number("DEPTNO", 2, 0, false), c_varchar2("DNAME", 14), c_varchar2("LOC", 13)});
    auto dept = [](int no, const char* name, const char* loc) { return row_of({v_int(no), v_text(name), v_text(loc)}); };
    t.rows = {dept(10, "ACCOUNTING", "NEW YORK"), dept(20, "RESEARCH", "DALLAS"), dept(50, "OLD DEPT", "NOWHERE"),
              dept(30, "SALES", "CHICAGO"), dept(40, "OPERATIONS", "BOSTON")};
    t.rows[2].deleted = true;
    t.indexes = {{"PK_DEPT", 1, false}};
    return t;
}

DictTable scott_salgrade()
{
    DictColumn hidden = c_number("SYS_NC00004$");
    hidden.hidden = true;
    DictTable t = table("SCOTT", "SALGRADE", {c_number("GRADE"), c_number("LOSAL"), c_number("HISAL"), hidden});
    const int bands[5][2] = {{700, 1200}, {1201, 1400}, {1401, 2000}, {2001, 3000}, {3001, 9999}};
    for (int g = 0; g < 5; g++)
        t.rows.push_back(row_of({v_int(g + 1), v_int(bands[g][0]), v_int(bands[g][1]), v_int(100 * (g + 1))}));
    return t;
}

DictTable scott_sales()
{
    DictTable t = table("SCOTT", "SALES", {c_number("SALE_ID", 8, 0, false), c_date("SALE_DATE"),
                                           c_varchar2("REGION", 10), c_number("AMOUNT", 10, 2)});
    t.header_type = 35;
    auto sale = [](int id, int y, int m, int d, const char* region, const char* amount) {
        return row_of({v_int(id), v_date(y, m, d), v_text(region), v_number(amount)});
    };
    DictPartition p2023{"P2023", to_date("2024-01-01"), {}, {}};
    p2023.rows = {sale(1, 2023, 1, 15, "NORTH", "120.5"), sale(2, 2023, 6, 30, "SOUTH", "99.99"),
                  sale(3, 2023, 12, 31, "EAST", "1000")};
    DictPartition p2024{"P2024", to_date("2025-01-01"), {}, {}};
    p2024.rows = {sale(4, 2024, 1, 1, "WEST", "5.25"), sale(5, 2024, 2, 29, "NORTH", "-20"),
                  sale(6, 2024, 7, 4, "SOUTH", "0.01"), sale(7, 2024, 11, 30, "EAST", "73000")};
    DictPartition pmax{"PMAX", "MAXVALUE", {}, {}};
    pmax.rows = {sale(8, 2031, 3, 3, "NORTH", "1"), sale(9, 2099, 12, 31, "WEST", "2.5")};
    t.partitions = {p2023, p2024, pmax};
    return t;
}

void add_cluster(DictionaryDef& def)
{
    def.clusters.push_back({"SCOTT", "EMP_DEPT_CLU", {c_number("DEPTNO", 2, 0)}, {"C_DEPT", "C_EMP"}});
    DictTable d = table("SCOTT", "C_DEPT", {c_number("DEPTNO", 2, 0, false), c_varchar2("DNAME", 14)});
    d.cluster = "EMP_DEPT_CLU";
    d.rows = {row_of({v_int(10), v_text("ACCOUNTING")}), row_of({v_int(20), v_text("RESEARCH")}),
              row_of({v_int(30), v_text("SALES")})};
    DictTable e = table("SCOTT", "C_EMP", {c_number("EMPNO", 4, 0, false), c_varchar2("ENAME", 10),
                                           c_number("DEPTNO", 2, 0)});
    e.cluster = "EMP_DEPT_CLU";
    auto ce = [](int no, const char* name, int dept) { return row_of({v_int(no), v_text(name), v_int(dept)}); };
    e.rows = {ce(7782, "CLARK", 10), ce(7369, "SMITH", 20), ce(7499, "ALLEN", 30), ce(7839, "KING", 10),
              ce(7900, "JAMES", 30), ce(7000, "NOBODY", 40)};
    def.tables.push_back(d);
    def.tables.push_back(e);
}

DictTable scott_all_types()
{
    DictTable t = table("SCOTT", "ALL_TYPES",
                        {c_number("ID", 10, 0, false), c_number("N_PLAIN"), c_number("N_DEC", 12, 4),
                         c_float("N_FLOAT", 63), c_varchar2("V", 40), c_char("C", 8), c_nvarchar2("NV", 20),
                         c_nchar("NC", 4), c_date("D"), c_timestamp("TS", 6), c_timestamp_tz("TSTZ", 3),
                         c_timestamp_ltz("TSLTZ", 6), c_long("L"), c_raw("R", 16), c_rowid("RID"),
                         c_binary_float("BF"), c_binary_double("BD")});
    t.rows.push_back(row_of({v_int(1), v_number("-12345.678"), v_number("0.0001"), v_number("3.14159"),
                             v_text("hello, world"), v_char("abc", 8), v_ntext("Gr\xc3\xbc\xc3\x9f" "e"),
                             v_nchar("ab", 4), v_date(2024, 2, 29, 13, 45, 10),
                             v_timestamp(2024, 2, 29, 13, 45, 10, 123456000, 6),
                             v_timestamp_tz(2024, 2, 29, 13, 45, 10, 123000000, 3, 330),
                             v_timestamp(2024, 2, 29, 13, 45, 10, 500000000, 6), v_text("a LONG value"),
                             v_raw({0x00, 0x0a, 0xff, 0x10}), v_rowid(52001, 4, 130, 7), v_binary_float(1.5f),
                             v_binary_double(-134.45)}));
    t.rows.push_back(row_of({v_int(2), v_int(0), v_number("-9999.9999"), v_number("100000000000000000000"),
                             v_text("x"), v_char("Z", 8), v_ntext("nchar text"), v_nchar("\xce\xa9x", 4),
                             v_date(1900, 1, 1), v_timestamp(1999, 12, 31, 23, 59, 59, 999999000, 6),
                             v_timestamp_tz(2000, 1, 1, 0, 0, 0, 0, 3, -480),
                             v_timestamp(1970, 1, 1, 0, 0, 0, 0, 6), v_text(std::string(3000, 'L')),
                             v_raw(std::vector<uint8_t>(16, 0xab)), v_rowid(1, 1, 1, 0), v_binary_float(-0.0f),
                             v_binary_double(0.00001)}));
    // NULLs inside the row and at its end (not stored).
    std::vector<Value> third(17, v_null());
    third[0] = v_int(3);
    third[4] = v_text("only V");
    t.rows.push_back(row_of(third));
    t.rows.push_back(row_of({v_int(4), v_number("12345678901234567890123"), v_number("-0.5"), v_number("1"),
                             v_text("tab\there"), v_char("12345678", 8), v_ntext("x"), v_nchar("wxyz", 4),
                             v_date(9999, 12, 31, 23, 59, 59), v_timestamp(2001, 9, 9, 1, 46, 40, 1000, 6),
                             v_timestamp_tz(2024, 7, 1, 12, 0, 0, 999000000, 3, 0),
                             v_timestamp(2024, 7, 1, 12, 0, 0, 7, 6), v_null(), v_raw({0x7f}),
                             v_rowid(4194303, 1023, 4194303, 65535), v_binary_float(-134.45f),
                             v_binary_double(1e300)}));
    return t;
}

void add_scott(DictionaryDef& def)
{
    def.tables.push_back(scott_dept());
    def.tables.push_back(scott_emp());
    def.tables.push_back(table("SCOTT", "BONUS", {c_varchar2("ENAME", 10), c_varchar2("JOB", 9), c_number("SAL"),
                                                  c_number("COMM")}));
    def.tables.push_back(scott_salgrade());
    def.tables.push_back(scott_sales());
    add_cluster(def);
    def.tables.push_back(scott_all_types());
    DictTable raw = table("SCOTT", "RAW_DOCS", {c_number("ID"), c_long_raw("DATA")});
    std::vector<uint8_t> every(256);
    for (int i = 0; i < 256; i++)
        every[i] = (uint8_t)i;
    raw.rows = {row_of({v_int(1), v_raw(every)}), row_of({v_int(2), v_null()}), row_of({v_int(3), v_raw({0xca, 0xfe})})};
    def.tables.push_back(raw);
    DictTable notes = table("SCOTT", "NOTES", {c_number("ID"), c_varchar2("A", 4000), c_varchar2("B", 4000),
                                               c_varchar2("C", 4000)});
    notes.rows = {row_of({v_int(1), v_text(std::string(3000, 'a')), v_text(std::string(3000, 'b')),
                          v_text(std::string(3000, 'c'))}),
                  row_of({v_int(2), v_text("short"), v_null(), v_text("end")})};
    def.tables.push_back(notes);
    // A name created in quotes: mixed case and a character files avoid.
    DictTable mixed = table("SCOTT", "Mixed$Case", {c_number("ID"), c_varchar2("lower name", 10)});
    mixed.rows = {row_of({v_int(1), v_text("one")}), row_of({v_int(2), v_text("two")})};
    def.tables.push_back(mixed);
    def.others = {{"SCOTT", "EMP_V", 4},       {"SCOTT", "EMP_SEQ", 6}, {"SCOTT", "RAISE_SAL", 7},
                  {"SCOTT", "GET_GRADE", 8},   {"SCOTT", "EMP_PKG", 9}, {"PUBLIC", "EMP_SYN", 5}};
}

void add_hr(DictionaryDef& def)
{
    DictTable countries = table("HR", "COUNTRIES", {c_char("COUNTRY_ID", 2), c_varchar2("COUNTRY_NAME", 40),
                                                    c_number("REGION_ID")});
    countries.columns[0].nullable = false;
    countries.indexes = {{"COUNTRY_C_ID_PK", 4, false}};
    const char* const country_rows[][3] = {{"AR", "Argentina", "2"}, {"AU", "Australia", "3"},
                                           {"BE", "Belgium", "1"},   {"BR", "Brazil", "2"},
                                           {"CA", "Canada", "2"},    {"CH", "Switzerland", "1"},
                                           {"CN", "China", "3"},     {"DE", "Germany", "1"},
                                           {"EG", "Egypt", "4"},     {"IN", "India", "3"},
                                           {"JP", "Japan", "3"},     {"US", "United States of America", "2"}};
    for (const auto& c : country_rows)
        countries.rows.push_back(row_of({v_text(c[0]), v_text(c[1]), v_number(c[2])}));
    def.tables.push_back(countries);

    DictTable orders = table("HR", "ORDERS", {c_number("ORDER_ID", 12, 0, false), c_date("ORDER_DATE"),
                                              c_varchar2("STATUS", 8)});
    auto order = [](int id, int m, int d, const char* status) {
        return row_of({v_int(id), v_date(2024, m, d), v_text(status)});
    };
    DictPartition q1{"Q1", to_date("2024-04-01"), {}, {}};
    q1.subpartitions = {{"Q1_H1", "", {order(101, 1, 5, "NEW"), order(103, 2, 7, "SHIPPED")}, {}},
                        {"Q1_H2", "", {order(102, 3, 9, "NEW")}, {}}};
    DictPartition q2{"Q2", to_date("2024-07-01"), {}, {}};
    q2.subpartitions = {{"Q2_H1", "", {order(104, 4, 1, "PAID")}, {}},
                        {"Q2_H2", "", {order(105, 5, 2, "NEW"), order(106, 6, 30, "CLOSED")}, {}}};
    orders.partitions = {q1, q2};
    orders.indexes = {{"ORDERS_IX", 1, true}};
    def.tables.push_back(orders);

    DictTable docs = table("HR", "DOCS", {c_number("DOC_ID"), c_varchar2("TITLE", 50), c_clob("BODY")});
    docs.partitions = {{"D2023", to_date("2024-01-01"), {row_of({v_int(1), v_text("old memo"), v_null()})}, {}},
                       {"D2024", "MAXVALUE", {row_of({v_int(2), v_text("new memo"), v_null()})}, {}}};
    def.tables.push_back(docs);

    DictTable resumes = table("HR", "RESUMES", {c_number("ID"), c_blob("PHOTO")});
    resumes.rows = {row_of({v_int(1), v_null()})};
    def.tables.push_back(resumes);

    // A cluster keyed by two columns, in another order than the table's.
    def.clusters.push_back({"HR", "SHIP_CLU", {c_number("YEAR", 4, 0), c_varchar2("REGION", 4)}, {"SHIPMENTS"}});
    DictTable ships = table("HR", "SHIPMENTS", {c_number("SHIP_ID", 6, 0, false), c_varchar2("REGION", 4),
                                                c_number("YEAR", 4, 0), c_number("WEIGHT", 8, 3)});
    ships.cluster = "SHIP_CLU";
    auto ship = [](int id, const char* region, int year, const char* weight) {
        return row_of({v_int(id), v_text(region), v_int(year), v_number(weight)});
    };
    ships.rows = {ship(1, "EU", 2023, "12.5"), ship(2, "US", 2023, "0.125"), ship(3, "EU", 2024, "7"),
                  ship(4, "EU", 2023, "99999.999"), ship(5, "APAC", 2024, "-1")};
    def.tables.push_back(ships);

    // More than 255 columns: every row is stored in several pieces.
    std::vector<DictColumn> wide_columns;
    for (int c = 1; c <= 300; c++) {
        char name[8];
        snprintf(name, sizeof(name), "C%03d", c);
        wide_columns.push_back(c_number(name));
    }
    DictTable wide = table("HR", "WIDE_T", wide_columns);
    for (int r = 1; r <= 3; r++) {
        std::vector<Value> values;
        for (int c = 1; c <= 300; c++)
            values.push_back(r == 3 && (c == 7 || c > 260) ? v_null() : v_int(r * 1000 + c));
        wide.rows.push_back(row_of(values));
    }
    def.tables.push_back(wide);

    DictTable old = table("HR", "OLD_ORDERS", {c_number("ID"), c_varchar2("NOTE", 20)});
    old.truncated = true;
    for (int i = 1; i <= 5; i++)
        old.stale_rows.push_back(row_of({v_int(i), v_text("before truncate " + std::to_string(i))}));
    def.tables.push_back(old);

    // CLOB and BLOB values: in the row, out of the row (found through the
    // LOB index), empty and NULL.
    DictTable files = table("HR", "DOC_FILES", {c_number("DOC_ID", 6, 0, false), c_varchar2("TITLE", 30),
                                                c_clob("BODY"), c_blob("SCAN")});
    std::string manual;
    for (int i = 1; manual.size() < 12000; i++)
        manual += "Section " + std::to_string(i) + ": every row out, exactly right. ";
    std::string scan;
    for (int i = 0; i < 40000; i++)
        scan += (char)((i * 7 + i / 256) & 0xff);
    files.rows = {row_of({v_int(1), v_text("memo"), v_clob("Hello from the CLOB column \xe2\x80\x94 caf\xc3\xa9."),
                          v_blob("\x89PNG\r\n\x1a\n" + std::string(56, '\x01'))}),
                  row_of({v_int(2), v_text("manual"), v_clob(manual), v_blob(scan)}),
                  row_of({v_int(3), v_text("empty"), v_clob(""), v_null()})};
    def.tables.push_back(files);
}

// Columns of types that came after Oracle 7 (national character sets,
// timestamps, binary floating point, extended rowids) leave the table.
void drop_later_types(DictTable& t)
{
    for (size_t i = t.columns.size(); i-- > 0;) {
        const DictColumn& c = t.columns[i];
        bool later = c.charset_form == 2 || c.type == TY_TIMESTAMP || c.type == TY_TIMESTAMP_TZ ||
                     c.type == TY_TIMESTAMP_LTZ || c.type == TY_BINARY_FLOAT || c.type == TY_BINARY_DOUBLE ||
                     c.type == TY_ROWID;
        if (!later)
            continue;
        t.columns.erase(t.columns.begin() + (long)i);
        for (DictRow& row : t.rows)
            row.values.erase(row.values.begin() + (long)i);
    }
}

} // namespace

DictionaryDef demo_dictionary(DictForm form)
{
    DictionaryDef def;
    def.form = form;
    def.users = {{0, "SYS", 1}, {1, "PUBLIC", 0}, {5, "SYSTEM", 1}, {11, "OUTLN", 1}, {84, "SCOTT", 1}, {85, "HR", 1}};
    add_scott(def);
    add_hr(def);
    if (form != DictForm::v7)
        return def;
    // What Oracle 7 did not have.
    std::vector<DictTable> kept;
    for (DictTable& t : def.tables) {
        bool lob = std::any_of(t.columns.begin(), t.columns.end(),
                               [](const DictColumn& c) { return c.type == TY_CLOB || c.type == TY_BLOB; });
        bool iot = std::any_of(t.indexes.begin(), t.indexes.end(), [](const DictIndex& i) { return i.type == 4; });
        if (!t.partitions.empty() || lob || iot || t.truncated || t.columns.size() > 254)
            continue;
        t.indexes.clear();
        drop_later_types(t);
        kept.push_back(t);
    }
    def.tables = kept;
    return def;
}

std::string demo_config(const DictionaryDef& def, const std::string& data_path)
{
    const char* compatible = def.form == DictForm::v10 ? "10" : def.form == DictForm::v9 ? "9" : "7";
    return std::string("block_size ") + std::to_string(def.block_size) + "\nbyte_order " +
           (def.order == BIG ? "big" : "little") + "\ncharset_name AL32UTF8\nncharset_name AL16UTF16\ndata_path " +
           data_path + "\ncompatible " + compatible + "\n";
}

std::string demo_commands()
{
    return "discover . force\nunload dict\nlist user\nlist table scott\ndesc scott.emp\nunload table scott.emp\n"
           "unload user scott\nunload table hr.doc_files\nscan extent\nunload table hr.old_orders object truncate\n"
           "exit\n";
}

std::string demo_user_config(const std::string& data_path)
{
    return "charset_name AL32UTF8\nncharset_name AL16UTF16\ndata_path " + data_path + "\n";
}

DictTable numbered_table(const std::string& owner, const std::string& name, uint32_t rows, uint32_t pad)
{
    DictTable t = table(owner, name, {c_number("ID", 10, 0, false), c_varchar2("NAME", 30), c_varchar2("PAD", 200)});
    for (uint32_t i = 1; i <= rows; i++)
        t.rows.push_back(row_of({v_int(i), v_text("row-" + std::to_string(i)), v_text(std::string(pad, 'x'))}));
    return t;
}

} // namespace zb
