// The SYSTEM file: the core dictionary objects, each with its segment (the
// clusters C_OBJ# and C_USER#, OBJ$, BOOTSTRAP$, the tables that came with
// release 8, the indexes as header-only segments), the SYSTEM rollback
// segment header, the compatibility segment block before 10g, and the file
// header's root address.
//
// Blocks: 2 compatibility segment (8i/9i and 7 forms), 9..16 the rollback
// segment, then every segment in turn in extents of 8 blocks, BOOTSTRAP$
// last.

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "builder/dict_internal.h"
#include "builder/undo_blocks.h"

namespace zb {

namespace {

constexpr uint32_t COMPAT_BLOCK = 2;
constexpr uint32_t ROLLBACK_BLOCK = 9;
constexpr uint32_t FIRST_SEGMENT_BLOCK = 17;
constexpr uint32_t C_OBJ_TABLES = 5;
// An address with as many digits as any real one, for sizing.
const Address SIZING_ADDRESS{0, 1023, 4000000};

struct CoreDef {
    const char* name;
    uint32_t obj;
    uint32_t type;
    const char* cluster;
    uint32_t tab_no;
    uint32_t bo;
    uint32_t index_type;
    bool since8;
};

const CoreDef CORE[] = {
    {"C_OBJ#", 2, 3, "", 0, 0, 0, false},       {"I_OBJ#", 3, 1, "", 0, 2, 3, false},
    {"TAB$", 4, 2, "C_OBJ#", 1, 0, 0, false},   {"CLU$", 5, 2, "C_OBJ#", 2, 0, 0, false},
    {"C_USER#", 10, 3, "", 0, 0, 0, false},     {"I_USER#", 11, 1, "", 0, 10, 3, false},
    {"OBJ$", 18, 2, "", 0, 0, 0, false},        {"IND$", 19, 2, "C_OBJ#", 3, 0, 0, true},
    {"ICOL$", 20, 2, "C_OBJ#", 4, 0, 0, false}, {"COL$", 21, 2, "C_OBJ#", 5, 0, 0, false},
    {"USER$", 22, 2, "C_USER#", 1, 0, 0, false}, {"I_OBJ1", 36, 1, "", 0, 18, 1, false},
    {"BOOTSTRAP$", 56, 2, "", 0, 0, 0, false},  {"LOB$", 151, 2, "", 0, 0, 0, true},
    {"TABPART$", 566, 2, "", 0, 0, 0, true},    {"INDPART$", 568, 2, "", 0, 0, 0, true},
    {"TABSUBPART$", 574, 2, "", 0, 0, 0, true}, {"INDSUBPART$", 576, 2, "", 0, 0, 0, true},
    {"LOBFRAG$", 580, 2, "", 0, 0, 0, true},
};

std::vector<SysObject> core_objects(const DictionaryDef& def)
{
    std::vector<SysObject> out;
    for (const CoreDef& c : CORE) {
        if (c.since8 && def.form == DictForm::v7)
            continue;
        SysObject o;
        o.name = c.name;
        o.obj = o.dataobj = c.obj;
        o.type = c.type;
        o.cluster = c.cluster;
        if (o.name == "IND$" && !def.ind_in_cluster)
            o.cluster.clear();
        o.tab_no = o.cluster.empty() ? 0 : c.tab_no;
        o.bo = c.bo;
        o.index_type = c.index_type;
        out.push_back(o);
    }
    for (SysObject& o : out)
        if (!o.cluster.empty())
            for (const SysObject& cl : out)
                if (cl.name == o.cluster)
                    o.dataobj = cl.obj;
    return out;
}

bool owns_segment(const SysObject& o)
{
    return o.cluster.empty();
}

std::vector<LogicalRow> table_rows(const DictContent& content, const std::string& table, DictForm form)
{
    std::vector<LogicalRow> rows;
    auto found = content.find(table);
    if (found != content.end())
        for (const KeyedRow& r : found->second)
            rows.push_back(arrange_row(*sys_layout(table, form), r.values));
    return rows;
}

std::vector<ClusterGroup> cluster_groups(const DictContent& content, const std::vector<SysObject>& sys,
                                         const std::string& cluster, DictForm form, uint32_t table_count)
{
    std::map<uint32_t, ClusterGroup> groups;
    for (const SysObject& o : sys) {
        if (o.cluster != cluster || content.count(o.name) == 0)
            continue;
        for (const KeyedRow& r : content.at(o.name)) {
            ClusterGroup& g = groups[r.key];
            if (g.key.empty()) {
                g.key.push_back(n_cell(r.key));
                g.tables.resize(table_count);
            }
            g.tables[o.tab_no - 1].push_back(arrange_row(*sys_layout(o.name, form), r.values, 1));
        }
    }
    std::vector<ClusterGroup> out;
    for (auto& [key, g] : groups)
        out.push_back(g);
    return out;
}

uint32_t cluster_table_count(const std::string& cluster)
{
    return cluster == "C_OBJ#" ? C_OBJ_TABLES : 1;
}

std::string column_list(const SysObject& o, DictForm form)
{
    const SysLayout* layout = sys_layout(o.name, form);
    if (layout == nullptr)
        return "(\"OBJ#\" NUMBER NOT NULL,\"COLS\" NUMBER NOT NULL)";
    std::string text = "(";
    for (const SysColumn& c : layout->columns)
        text += std::string(text.size() > 1 ? "," : "") + "\"" + c.name + "\" " + sys_column_type(c) +
                (c.not_null ? " NOT NULL" : "");
    return text + ")";
}

std::string storage_text(const char* sizes, const SysObject& o, const Address& a, DictForm form)
{
    char text[256];
    snprintf(text, sizeof(text),
             "STORAGE (  %s MINEXTENTS 1 MAXEXTENTS %s PCTINCREASE 0 OBJNO %u EXTENTS (FILE %u BLOCK %u))", sizes,
             form == DictForm::v7 ? "121" : "2147483645", o.obj, a.file, a.block);
    return text;
}

std::string create_text(const SysObject& o, const std::vector<SysObject>& sys, const Address& a, DictForm form)
{
    if (o.type == 3) {
        std::string key = o.name == "C_OBJ#" ? "OBJ#" : "USER#";
        return "CREATE CLUSTER " + o.name + "(\"" + key + "\" NUMBER) PCTFREE " +
               (o.name == "C_OBJ#" ? "5" : "10") + " PCTUSED 40 INITRANS 2 MAXTRANS 255 " +
               storage_text(o.name == "C_OBJ#" ? "INITIAL 136K NEXT 200K" : "INITIAL 64K NEXT 1024K", o, a, form) +
               (o.name == "C_OBJ#" ? " SIZE 800" : " SIZE 372");
    }
    if (o.type == 1) {
        std::string on;
        for (const SysObject& b : sys)
            if (b.obj == o.bo)
                on = b.type == 3 ? "CLUSTER " + b.name : b.name + "(OBJ#,OWNER#,TYPE#)";
        return std::string("CREATE ") + (o.type == 1 && o.index_type == 1 ? "UNIQUE " : "") + "INDEX " + o.name +
               " ON " + on + " PCTFREE 10 INITRANS 2 MAXTRANS 255 " + storage_text("INITIAL 64K NEXT 1024K", o, a, form);
    }
    std::string text = "CREATE TABLE " + o.name + column_list(o, form);
    if (!o.cluster.empty()) {
        std::string key = o.name == "IND$" ? "BO#" : o.cluster == "C_OBJ#" ? "OBJ#" : "USER#";
        return text + " STORAGE (  OBJNO " + std::to_string(o.obj) + " TABNO " + std::to_string(o.tab_no) +
               ") CLUSTER " + o.cluster + "(" + key + ")";
    }
    return text + " PCTFREE 10 PCTUSED 40 INITRANS 1 MAXTRANS 255 " +
           storage_text("INITIAL 16K NEXT 1024K", o, a, form);
}

// BOOTSTRAP$: the release line, the rollback segment, then one line per
// core object numbered by its object number.
std::vector<LogicalRow> bootstrap_rows(const std::vector<SysObject>& sys, const Address& rollback, DictForm form,
                                       bool sizing)
{
    const SysLayout& layout = *sys_layout("BOOTSTRAP$", form);
    std::vector<LogicalRow> rows;
    auto add = [&](int64_t line, const std::string& text) {
        rows.push_back(arrange_row(layout, {{"LINE#", n_cell(line)}, {"OBJ#", n_cell(line)}, {"SQL_TEXT", s_cell(text)}}));
    };
    add(-1, form == DictForm::v7 ? "7.0.0.0.0" : "8.0.0.0.0");
    char text[256];
    snprintf(text, sizeof(text),
             "CREATE ROLLBACK SEGMENT SYSTEM STORAGE (  INITIAL 112K NEXT 56K MINEXTENTS 1 MAXEXTENTS 32765 OBJNO 0 "
             "EXTENTS (FILE %u BLOCK %u))",
             rollback.file, rollback.block);
    add(0, text);
    for (const SysObject& o : sys)
        if (o.obj < 100)
            add(o.obj, create_text(o, sys, sizing ? SIZING_ADDRESS : o.seg, form));
    return rows;
}

void write_rollback_header(DatafileImage& file)
{
    UndoHeaderDef u;
    u.control.extents = 1;
    u.control.blocks = 8;
    u.control.map = {{file.rdba(ROLLBACK_BLOCK), 8}};
    u.control.object_id = 0;
    u.trans_table.resize(4);
    file.put(ROLLBACK_BLOCK, make_undo_header_block(file.cache_header(14, ROLLBACK_BLOCK), u, file.def().block_size,
                                                     file.def().order));
}

// Blocks every segment needs, from the rows made with sizing addresses.
std::map<std::string, uint32_t> segment_sizes(const DictionaryDef& def, const UserPlan& plan,
                                             std::vector<SysObject> sys, const DatafileImage& file)
{
    for (SysObject& o : sys)
        o.seg = SIZING_ADDRESS;
    DictContent content = dictionary_content(def, plan, sys);
    std::map<std::string, uint32_t> sizes;
    for (const SysObject& o : sys) {
        if (!owns_segment(o))
            continue;
        if (o.type == 3)
            sizes[o.name] = cluster_segment_blocks(file, cluster_groups(content, sys, o.name, def.form,
                                                                        cluster_table_count(o.name)),
                                                   cluster_table_count(o.name));
        else if (o.type == 1)
            sizes[o.name] = 1;
        else if (o.name == "BOOTSTRAP$")
            sizes[o.name] = table_segment_blocks(file, 16, bootstrap_rows(sys, SIZING_ADDRESS, def.form, true));
        else
            sizes[o.name] = table_segment_blocks(file, 16, table_rows(content, o.name, def.form));
    }
    return sizes;
}

} // namespace

uint32_t write_system_file(const DictionaryDef& def, const UserPlan& plan, DatafileImage& file, BuiltDatabase& built)
{
    std::vector<SysObject> sys = core_objects(def);
    std::map<std::string, uint32_t> sizes = segment_sizes(def, plan, sys, file);

    // BOOTSTRAP$ goes last, as in a created database.
    std::vector<SysObject*> order;
    for (SysObject& o : sys)
        if (owns_segment(o) && o.name != "BOOTSTRAP$")
            order.push_back(&o);
    for (SysObject& o : sys)
        if (o.name == "BOOTSTRAP$")
            order.push_back(&o);
    BlockCursor cursor(FIRST_SEGMENT_BLOCK);
    std::map<std::string, std::vector<ExtentBlocks>> extents;
    for (SysObject* o : order) {
        extents[o->name] = cursor.take(sizes.at(o->name), 8);
        o->seg = Address{0, file.def().rfile_no, extents[o->name][0].first_block};
    }
    for (SysObject& o : sys)
        if (!o.cluster.empty())
            for (const SysObject& cl : sys)
                if (cl.name == o.cluster)
                    o.seg = cl.seg;
    if (cursor.next() > file.def().blocks)
        throw std::length_error("the SYSTEM file is too small for its segments");

    DictContent content = dictionary_content(def, plan, sys);
    Address rollback{0, file.def().rfile_no, ROLLBACK_BLOCK};
    write_rollback_header(file);
    for (SysObject* o : order) {
        const std::vector<ExtentBlocks>& ext = extents[o->name];
        TableSegmentResult r;
        if (o->type == 3) {
            uint32_t tables = cluster_table_count(o->name);
            r = write_cluster_segment(file, ext, o->obj, cluster_groups(content, sys, o->name, def.form, tables), tables);
        } else if (o->type == 1)
            write_header_segment(file, {{ext[0].first_block, 1}}, o->obj);
        else if (o->name == "BOOTSTRAP$")
            r = write_table_segment(file, ext, o->obj, 16, bootstrap_rows(sys, rollback, def.form, false));
        else
            r = write_table_segment(file, ext, o->obj, 16, table_rows(content, o->name, def.form));
        BuiltSegment b;
        b.obj = o->obj;
        b.dataobj = o->dataobj;
        b.file = o->seg.file;
        b.block = o->seg.block;
        b.data_blocks = r.below;
        b.rows = r.rows;
        built.objects["SYS." + o->name] = b;
    }
    for (const SysObject& o : sys)
        if (!owns_segment(o)) {
            BuiltSegment b = built.objects.at("SYS." + o.cluster);
            b.obj = o.obj;
            built.objects["SYS." + o.name] = b;
        }

    built.bootstrap_rdba = file.rdba(built.objects.at("SYS.BOOTSTRAP$").block);
    if (def.form == DictForm::v10) {
        file.header().root_dba = built.bootstrap_rdba;
        return cursor.next();
    }
    CompatDef compat;
    compat.entries = {{"UNDOSEGS", {1, file.rdba(ROLLBACK_BLOCK)}}, {"BOOTSTRP", {0, built.bootstrap_rdba}}};
    file.put(COMPAT_BLOCK, make_compat_block(file.cache_header(13, COMPAT_BLOCK), compat, file.def().block_size,
                                             file.def().order));
    built.compat_rdba = file.rdba(COMPAT_BLOCK);
    file.header().root_dba = built.compat_rdba;
    return cursor.next();
}

} // namespace zb
