// Column descriptions, segment column order and the numbering of the user
// objects: every table, cluster, partition, index and LOB gets an object
// number, and those with a segment a data object number.

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "builder/dict_internal.h"

namespace zb {

namespace {

DictColumn column(const std::string& name, uint16_t type, uint32_t length, uint8_t form = 0)
{
    DictColumn c;
    c.name = name;
    c.type = type;
    c.length = length;
    c.charset_form = form;
    return c;
}

bool is_long(const DictColumn& c)
{
    return c.type == TY_LONG || c.type == TY_LONG_RAW;
}

const DictCluster* cluster_of(const DictTable& table, const DictionaryDef& def)
{
    if (table.cluster.empty())
        return nullptr;
    for (const DictCluster& c : def.clusters)
        if (c.owner == table.owner && c.name == table.cluster)
            return &c;
    throw std::invalid_argument("table " + table.name + " names an unknown cluster");
}

std::string lob_name(const char* prefix, uint32_t table_obj, uint32_t intcol)
{
    char text[64];
    snprintf(text, sizeof(text), "%s%010uC%05u$$", prefix, table_obj, intcol);
    return text;
}

class Numbering {
public:
    Numbering(UserPlan& plan, uint32_t first) : plan_(plan), next_(first) {}

    uint32_t add(uint32_t owner, const std::string& name, const std::string& subname, uint32_t type, bool segment,
                 uint32_t namespace_no = 1)
    {
        ObjEntry e;
        e.obj = next_++;
        e.dataobj = segment ? (int64_t)e.obj : -1;
        e.owner = owner;
        e.name = name;
        e.subname = subname;
        e.type = type;
        e.namespace_no = namespace_no;
        plan_.objects.push_back(e);
        return e.obj;
    }
    uint32_t take() { return next_++; }
    ObjEntry& entry(uint32_t obj)
    {
        for (ObjEntry& e : plan_.objects)
            if (e.obj == obj)
                return e;
        throw std::logic_error("no such object");
    }

private:
    UserPlan& plan_;
    uint32_t next_;
};

void number_partitions(Numbering& n, TablePlan& t)
{
    const DictTable& table = *t.def;
    uint32_t number = 1;
    for (const DictPartition& p : table.partitions) {
        PartPlan part;
        part.def = &p;
        part.number = number++;
        part.obj = n.add(t.owner, table.name, p.name, 19, p.subpartitions.empty());
        part.dataobj = p.subpartitions.empty() ? part.obj : 0;
        uint32_t sub_number = 1;
        for (const DictPartition& s : p.subpartitions) {
            PartPlan sub;
            sub.def = &s;
            sub.number = sub_number++;
            sub.obj = sub.dataobj = n.add(t.owner, table.name, s.name, 34, true);
            part.subs.push_back(sub);
        }
        t.parts.push_back(part);
    }
}

void number_indexes(Numbering& n, TablePlan& t)
{
    for (const DictIndex& index : t.def->indexes) {
        IndexPlan ip;
        ip.def = &index;
        bool partitioned = index.local && !t.parts.empty();
        ip.obj = n.add(t.owner, index.name, "", 1, !partitioned, 4);
        ip.dataobj = partitioned ? 0 : ip.obj;
        if (index.type == 4)
            t.iot = true;
        if (partitioned)
            for (const PartPlan& tp : t.parts) {
                PartPlan part;
                part.def = tp.def;
                part.number = tp.number;
                part.obj = n.add(t.owner, index.name, tp.def->name, 20, tp.subs.empty(), 4);
                part.dataobj = tp.subs.empty() ? part.obj : 0;
                for (const PartPlan& ts : tp.subs) {
                    PartPlan sub;
                    sub.def = ts.def;
                    sub.number = ts.number;
                    sub.obj = sub.dataobj = n.add(t.owner, index.name, ts.def->name, 35, true, 4);
                    part.subs.push_back(sub);
                }
                ip.parts.push_back(part);
            }
        t.indexes.push_back(ip);
    }
}

void number_lobs(Numbering& n, TablePlan& t)
{
    const DictTable& table = *t.def;
    uint32_t col_no = 0;
    for (size_t i = 0; i < table.columns.size(); i++) {
        const DictColumn& c = table.columns[i];
        col_no += !c.hidden;
        if (c.type != TY_CLOB && c.type != TY_BLOB)
            continue;
        LobPlan lob;
        lob.column = i;
        lob.col_no = c.hidden ? 0 : col_no;
        lob.intcol_no = (uint32_t)i + 1;
        lob.name = lob_name("SYS_LOB", t.obj, lob.intcol_no);
        lob.ind_name = lob_name("SYS_IL", t.obj, lob.intcol_no);
        lob.lobj = n.add(t.owner, lob.name, "", 21, t.parts.empty(), 8);
        lob.ind_obj = n.add(t.owner, lob.ind_name, "", 1, t.parts.empty(), 4);
        for (const PartPlan& p : t.parts) {
            if (p.subs.empty()) {
                LobFragPlan f;
                f.number = p.number;
                f.tabfrag_obj = p.obj;
                f.frag_obj = n.add(t.owner, lob.name, "SYS_LOB_P" + std::to_string(p.obj), 40, true, 8);
                f.indfrag_obj = n.add(t.owner, lob.ind_name, "SYS_IL_P" + std::to_string(p.obj), 20, true, 4);
                lob.frags.push_back(f);
                continue;
            }
            uint32_t part = n.add(t.owner, lob.name, "SYS_LOB_P" + std::to_string(p.obj), 40, false, 8);
            lob.comp_parts.push_back(part);
            for (const PartPlan& s : p.subs) {
                LobFragPlan f;
                f.number = s.number;
                f.tabfrag_obj = s.obj;
                f.parent_obj = part;
                f.frag_obj = n.add(t.owner, lob.name, "SYS_LOB_SUBP" + std::to_string(s.obj), 41, true, 8);
                f.indfrag_obj = n.add(t.owner, lob.ind_name, "SYS_IL_SUBP" + std::to_string(s.obj), 35, true, 4);
                lob.frags.push_back(f);
            }
        }
        t.lobs.push_back(lob);
    }
}

} // namespace

DictColumn c_number(const std::string& name, int precision, int scale, bool nullable)
{
    DictColumn c = column(name, TY_NUMBER, 22);
    c.precision = precision;
    c.scale = scale;
    c.nullable = nullable;
    return c;
}

DictColumn c_float(const std::string& name, int precision)
{
    DictColumn c = column(name, TY_NUMBER, 22);
    c.precision = precision;
    return c;
}

DictColumn c_varchar2(const std::string& name, uint32_t length, bool nullable)
{
    DictColumn c = column(name, TY_VARCHAR2, length, 1);
    c.nullable = nullable;
    return c;
}

DictColumn c_char(const std::string& name, uint32_t length) { return column(name, TY_CHAR, length, 1); }
DictColumn c_nvarchar2(const std::string& name, uint32_t chars) { return column(name, TY_VARCHAR2, 2 * chars, 2); }
DictColumn c_nchar(const std::string& name, uint32_t chars) { return column(name, TY_CHAR, 2 * chars, 2); }
DictColumn c_date(const std::string& name) { return column(name, TY_DATE, 7); }
DictColumn c_raw(const std::string& name, uint32_t length) { return column(name, TY_RAW, length); }
DictColumn c_long(const std::string& name) { return column(name, TY_LONG, 0, 1); }
DictColumn c_long_raw(const std::string& name) { return column(name, TY_LONG_RAW, 0); }
DictColumn c_rowid(const std::string& name) { return column(name, TY_ROWID, 10); }
DictColumn c_binary_float(const std::string& name) { return column(name, TY_BINARY_FLOAT, 4); }
DictColumn c_binary_double(const std::string& name) { return column(name, TY_BINARY_DOUBLE, 8); }
DictColumn c_clob(const std::string& name) { return column(name, TY_CLOB, 4000, 1); }
DictColumn c_nclob(const std::string& name) { return column(name, TY_CLOB, 4000, 2); }
DictColumn c_blob(const std::string& name) { return column(name, TY_BLOB, 4000); }

DictColumn c_timestamp(const std::string& name, int scale)
{
    DictColumn c = column(name, TY_TIMESTAMP, 11);
    c.scale = scale;
    return c;
}

DictColumn c_timestamp_tz(const std::string& name, int scale)
{
    DictColumn c = column(name, TY_TIMESTAMP_TZ, 13);
    c.scale = scale;
    return c;
}

DictColumn c_timestamp_ltz(const std::string& name, int scale)
{
    DictColumn c = column(name, TY_TIMESTAMP_LTZ, 11);
    c.scale = scale;
    return c;
}

std::vector<size_t> segment_order(const DictTable& table, const DictionaryDef& def)
{
    std::vector<size_t> keys, plain, longs;
    const DictCluster* cluster = cluster_of(table, def);
    if (cluster != nullptr)
        for (const DictColumn& k : cluster->key) {
            size_t i = 0;
            while (i < table.columns.size() && table.columns[i].name != k.name)
                i++;
            if (i == table.columns.size())
                throw std::invalid_argument("table " + table.name + " lacks the cluster key " + k.name);
            keys.push_back(i);
        }
    for (size_t i = 0; i < table.columns.size(); i++) {
        if (std::find(keys.begin(), keys.end(), i) != keys.end())
            continue;
        (is_long(table.columns[i]) ? longs : plain).push_back(i);
    }
    keys.insert(keys.end(), plain.begin(), plain.end());
    keys.insert(keys.end(), longs.begin(), longs.end());
    return keys;
}

uint32_t user_id_of(const UserPlan& plan, const std::string& name)
{
    for (const DictUser& u : plan.users)
        if (u.name == name)
            return u.id;
    throw std::invalid_argument("unknown user " + name);
}

UserPlan plan_user_objects(const DictionaryDef& def)
{
    UserPlan plan;
    plan.users = def.users;
    auto has = [&](uint32_t id) {
        return std::any_of(plan.users.begin(), plan.users.end(), [id](const DictUser& u) { return u.id == id; });
    };
    if (!has(1))
        plan.users.insert(plan.users.begin(), DictUser{1, "PUBLIC", 0});
    if (!has(0))
        plan.users.insert(plan.users.begin(), DictUser{0, "SYS", 1});

    Numbering n(plan, def.first_object_id);
    for (const DictCluster& c : def.clusters) {
        ClusterPlan cp;
        cp.def = &c;
        cp.owner = user_id_of(plan, c.owner);
        cp.obj = cp.dataobj = n.add(cp.owner, c.name, "", 3, true);
        plan.clusters.push_back(cp);
    }
    for (const DictTable& table : def.tables) {
        if (def.form == DictForm::v7 && (!table.partitions.empty() || !table.indexes.empty()))
            throw std::invalid_argument("an Oracle 7 dictionary has no partitions and no IND$ here");
        TablePlan t;
        t.def = &table;
        t.owner = user_id_of(plan, table.owner);
        t.order = segment_order(table, def);
        const DictCluster* cluster = cluster_of(table, def);
        t.obj = n.add(t.owner, table.name, "", 2, table.partitions.empty());
        if (cluster != nullptr) {
            const ClusterPlan* cp = nullptr;
            for (const ClusterPlan& c : plan.clusters)
                if (c.def == cluster)
                    cp = &c;
            auto at = std::find(cluster->tables.begin(), cluster->tables.end(), table.name);
            if (at == cluster->tables.end() || !table.partitions.empty())
                throw std::invalid_argument("cluster " + cluster->name + " does not list table " + table.name);
            t.cluster_obj = cp->obj;
            t.tab_no = (uint32_t)(at - cluster->tables.begin()) + 1;
            t.dataobj = cp->dataobj;
            n.entry(t.obj).dataobj = cp->dataobj;
        } else {
            t.dataobj = table.partitions.empty() ? t.obj : 0;
        }
        number_partitions(n, t);
        number_indexes(n, t);
        number_lobs(n, t);
        if (t.iot) {
            if (!table.partitions.empty())
                throw std::invalid_argument("partitions of an index-organized table are not written");
            t.dataobj = 0;
            n.entry(t.obj).dataobj = -1;
            if (table.iot_overflow_from >= 0)
                t.overflow_obj = n.add(t.owner, "SYS_IOT_OVER_" + std::to_string(t.obj), "", 2, true);
        }
        plan.tables.push_back(t);
    }
    for (const DictOther& o : def.others)
        n.add(user_id_of(plan, o.owner), o.name, "", o.type, false);
    // A truncate gives the table a new data object number, the highest yet.
    for (TablePlan& t : plan.tables)
        if (t.def->truncated) {
            if (!t.parts.empty() || t.cluster_obj != 0 || t.iot)
                throw std::invalid_argument("only plain tables are written truncated");
            t.stale_dataobj = t.obj;
            t.dataobj = n.take();
            n.entry(t.obj).dataobj = t.dataobj;
        }
    std::sort(plan.objects.begin(), plan.objects.end(),
              [](const ObjEntry& a, const ObjEntry& b) { return a.obj < b.obj; });
    return plan;
}

} // namespace zb
