// The rows of the dictionary tables for the core SYS objects and the user
// objects: who owns what (USER$, OBJ$), the columns (COL$), where every
// segment starts (TAB$, IND$, TABPART$, INDPART$, TABSUBPART$, INDSUBPART$,
// LOB$, LOBFRAG$), with the other columns filled with plausible values.

#include <cstring>

#include "builder/dict_internal.h"

namespace zb {

namespace {

// Builds one row by column name; a column the form's layout does not have
// (DATAOBJ# in Oracle 7, say) is left out.
class RowMaker {
public:
    explicit RowMaker(const SysLayout* layout) : layout_(layout) {}
    RowMaker& cell(const char* name, Cell value)
    {
        for (const SysColumn& c : layout_->columns)
            if (strcmp(c.name, name) == 0)
                row_[name] = std::move(value);
        return *this;
    }
    RowMaker& n(const char* name, int64_t value) { return cell(name, n_cell(value)); }
    RowMaker& opt(const char* name, int64_t value, bool present) { return present ? n(name, value) : *this; }
    RowMaker& s(const char* name, const std::string& value) { return cell(name, s_cell(value)); }
    RowMaker& date(const char* name, int y, int m, int d, int hh, int mi, int ss)
    {
        return cell(name, bytes_cell(date_bytes(y, m, d, hh, mi, ss)));
    }
    NamedRow take() { return std::move(row_); }

private:
    const SysLayout* layout_;
    NamedRow row_;
};

const char AUDIT_OFF[] = "--------------------------------------";

struct Content {
    const DictionaryDef& def;
    const UserPlan& plan;
    DictContent rows;

    bool has(const char* table) const { return sys_layout(table, def.form) != nullptr; }
    RowMaker make(const char* table) const { return RowMaker(sys_layout(table, def.form)); }
    void add(const char* table, uint32_t key, NamedRow values) { rows[table].push_back({key, std::move(values)}); }
};

void add_users(Content& c)
{
    for (const DictUser& u : c.plan.users) {
        bool sys = u.id == 0;
        RowMaker r = c.make("USER$");
        r.n("USER#", u.id).s("NAME", u.name).n("TYPE#", u.type).n("DATATS#", sys ? 0 : c.def.users_ts);
        r.n("TEMPTS#", sys ? 0 : 3).date("CTIME", 2009, 8, 15, 0, 16, 5).n("RESOURCE$", 0).n("DEFROLE", 1);
        r.n("ASTATUS", 0).n("LCOUNT", 0);
        if (u.type == 1)
            r.s("PASSWORD", sys ? "8A8F025737A9097A" : "F894844C34402B67").date("PTIME", 2024, 1, 10, 9, 0, 0);
        c.add("USER$", u.id, r.take());
    }
}

void add_object(Content& c, const ObjEntry& e, bool sys)
{
    RowMaker r = c.make("OBJ$");
    r.n("OBJ#", e.obj).opt("DATAOBJ#", e.dataobj, e.dataobj >= 0).n("OWNER#", e.owner).s("NAME", e.name);
    r.n("NAMESPACE", e.namespace_no).n("TYPE#", e.type).n("STATUS", 1).n("FLAGS", 0);
    if (!e.subname.empty())
        r.s("SUBNAME", e.subname);
    if (sys)
        r.date("CTIME", 2009, 8, 15, 0, 16, 5).date("MTIME", 2009, 8, 15, 0, 16, 5).date("STIME", 2009, 8, 15, 0, 16, 5);
    else
        r.date("CTIME", 2024, 1, 10, 9, 0, 0).date("MTIME", 2024, 1, 10, 9, 0, 0).date("STIME", 2024, 1, 10, 9, 0, 0);
    c.add("OBJ$", e.obj, r.take());
}

void add_objects(Content& c, const std::vector<SysObject>& sys)
{
    for (const SysObject& o : sys) {
        ObjEntry e;
        e.obj = o.obj;
        e.dataobj = o.dataobj;
        e.name = o.name;
        e.type = o.type;
        e.namespace_no = o.type == 1 ? 4 : 1;
        add_object(c, e, true);
    }
    for (const ObjEntry& e : c.plan.objects)
        add_object(c, e, false);
}

struct TabEntry {
    uint32_t obj = 0;
    int64_t dataobj = -1;
    Address seg;
    uint32_t bobj = 0, tab_no = 0, cols = 0, clucols = 0, property = 0;
};

void add_tab(Content& c, const TabEntry& t)
{
    RowMaker r = c.make("TAB$");
    r.n("OBJ#", t.obj).opt("DATAOBJ#", t.dataobj, t.dataobj >= 0).n("TS#", t.seg.ts).n("FILE#", t.seg.file);
    r.n("BLOCK#", t.seg.block).opt("BOBJ#", t.bobj, t.bobj != 0).opt("CLU#", t.bobj, t.bobj != 0);
    r.opt("TAB#", t.tab_no, t.tab_no != 0).n("COLS", t.cols).opt("CLUCOLS", t.clucols, t.clucols != 0);
    r.n("PCTFREE$", 10).n("PCTUSED$", 40).n("INITRANS", 1).n("MAXTRANS", 255).n("FLAGS", 1).n("MODIFIED", 0);
    r.s("AUDIT$", AUDIT_OFF).n("INTCOLS", t.cols).n("KERNELCOLS", t.cols).n("PROPERTY", t.property);
    c.add("TAB$", t.obj, r.take());
}

void add_column(Content& c, uint32_t obj, const DictColumn& col, uint32_t col_no, uint32_t segcol, uint32_t intcol)
{
    RowMaker r = c.make("COL$");
    uint32_t charset = col.charset_form == 1 ? c.def.charset_id : col.charset_form == 2 ? c.def.ncharset_id : 0;
    r.n("OBJ#", obj).n("COL#", col_no).n("SEGCOL#", segcol).n("SEGCOLLENGTH", col.length).n("OFFSET", 0);
    r.s("NAME", col.name).n("TYPE#", col.type).n("LENGTH", col.length).n("FIXEDSTORAGE", 0);
    r.opt("PRECISION#", col.precision, col.precision >= 0).opt("PRECISION", col.precision, col.precision >= 0);
    r.opt("SCALE", col.scale, col.scale >= 0).n("NULL$", col.nullable ? 0 : 1).n("INTCOL#", intcol);
    r.n("PROPERTY", col.hidden ? 32 : 0).n("CHARSETID", charset).n("CHARSETFORM", col.charset_form);
    r.n("SPARE1", 0).n("SPARE2", 0);
    if (col.charset_form != 0)
        r.n("SPARE3", col.charset_form == 2 ? col.length / 2 : col.length);
    c.add("COL$", obj, r.take());
}

void add_sys_tables(Content& c, const std::vector<SysObject>& sys)
{
    for (const SysObject& o : sys) {
        if (o.type != 2)
            continue;
        const SysLayout* layout = sys_layout(o.name, c.def.form);
        TabEntry t;
        t.obj = o.obj;
        t.dataobj = o.dataobj;
        t.seg = o.seg;
        t.cols = layout != nullptr ? (uint32_t)layout->columns.size() : 8;
        if (!o.cluster.empty()) {
            for (const SysObject& cl : sys)
                if (cl.name == o.cluster)
                    t.bobj = cl.obj;
            t.tab_no = o.tab_no;
            t.clucols = 1;
            t.property = 1024;
        }
        add_tab(c, t);
        if (layout != nullptr)
            for (size_t i = 0; i < layout->columns.size(); i++)
                add_column(c, o.obj, sys_dict_column(layout->columns[i]), (uint32_t)i + 1, (uint32_t)i + 1,
                           (uint32_t)i + 1);
    }
}

void add_user_tables(Content& c)
{
    for (const TablePlan& t : c.plan.tables) {
        const DictTable& table = *t.def;
        TabEntry e;
        e.obj = t.obj;
        e.dataobj = t.parts.empty() && !t.iot ? (int64_t)t.dataobj : -1;
        e.seg = t.seg;
        if (!t.parts.empty() || t.iot)
            e.seg = Address{c.def.users_ts, 0, 0};
        e.cols = (uint32_t)table.columns.size();
        e.bobj = t.cluster_obj;
        e.tab_no = t.tab_no;
        e.property = (t.parts.empty() ? 0 : 32) | (t.iot ? 64 : 0) | (t.cluster_obj ? 1024 : 0);
        if (t.cluster_obj != 0)
            for (const ClusterPlan& cp : c.plan.clusters)
                if (cp.obj == t.cluster_obj)
                    e.clucols = (uint32_t)cp.def->key.size();
        add_tab(c, e);
        if (t.overflow_obj != 0) {
            TabEntry o;
            o.obj = t.overflow_obj;
            o.dataobj = t.overflow_obj;
            o.seg = t.overflow_seg;
            o.cols = (uint32_t)table.columns.size() - (uint32_t)table.iot_overflow_from;
            o.property = 512; // an IOT overflow segment
            add_tab(c, o);
        }
        uint32_t col_no = 0;
        for (size_t i = 0; i < table.columns.size(); i++) {
            const DictColumn& col = table.columns[i];
            col_no += !col.hidden;
            uint32_t segcol = 0;
            while (t.order[segcol] != i)
                segcol++;
            add_column(c, t.obj, col, col.hidden ? 0 : col_no, segcol + 1, (uint32_t)i + 1);
        }
    }
}

void add_ind(Content& c, uint32_t bo, uint32_t obj, int64_t dataobj, const Address& seg, uint32_t type,
             uint32_t property)
{
    RowMaker r = c.make("IND$");
    r.n("BO#", bo).n("OBJ#", obj).opt("DATAOBJ#", dataobj, dataobj >= 0).n("TS#", seg.ts).n("FILE#", seg.file);
    r.n("BLOCK#", seg.block).n("INDMETHOD#", 0).n("COLS", 1).n("PCTFREE$", 10).n("INITRANS", 2);
    r.n("MAXTRANS", 255).opt("PCTTHRES$", 50, type == 4).n("TYPE#", type).n("FLAGS", 0).n("PROPERTY", property);
    r.n("INTCOLS", 1);
    c.add("IND$", bo, r.take());
}

void add_part(Content& c, const char* table, const PartPlan& p, uint32_t bo, const Address& seg)
{
    const std::string& high = p.def->high_value;
    RowMaker r = c.make(table);
    r.n("OBJ#", p.obj).opt("DATAOBJ#", p.dataobj, p.dataobj != 0).n("BO#", bo).n("POBJ#", bo);
    r.n("PART#", 10 * p.number).n("SUBPART#", p.number).n("HIBOUNDLEN", (int64_t)high.size()).n("FLAGS", 0);
    if (!high.empty())
        r.s("HIBOUNDVAL", high);
    r.n("TS#", seg.ts).n("FILE#", seg.file).n("BLOCK#", seg.block).n("PCTFREE$", 10).n("PCTUSED$", 40);
    r.n("INITRANS", 1).n("MAXTRANS", 255);
    c.add(table, p.obj, r.take());
}

void add_storage(Content& c, const std::vector<SysObject>& sys)
{
    if (!c.has("IND$"))
        return;
    for (const SysObject& o : sys)
        if (o.type == 1)
            add_ind(c, o.bo, o.obj, o.dataobj, o.seg, o.index_type, 0);
    Address none{c.def.users_ts, 0, 0};
    for (const TablePlan& t : c.plan.tables) {
        for (const PartPlan& p : t.parts) {
            if (p.subs.empty())
                add_part(c, "TABPART$", p, t.obj, p.seg);
            for (const PartPlan& s : p.subs)
                add_part(c, "TABSUBPART$", s, p.obj, s.seg);
        }
        for (const IndexPlan& ip : t.indexes) {
            bool parted = !ip.parts.empty();
            add_ind(c, t.obj, ip.obj, parted ? -1 : (int64_t)ip.dataobj, parted ? none : ip.seg, ip.def->type,
                    parted ? 2 : ip.def->type == 4 ? 1 : 0);
            for (const PartPlan& p : ip.parts) {
                if (p.subs.empty())
                    add_part(c, "INDPART$", p, ip.obj, p.seg);
                for (const PartPlan& s : p.subs)
                    add_part(c, "INDSUBPART$", s, p.obj, s.seg);
            }
        }
        for (const LobPlan& lob : t.lobs) {
            bool parted = !lob.frags.empty();
            const LobStorageDef& storage = t.def->columns[lob.column].lob;
            uint32_t lob_chunk = storage.chunk_blocks;
            // 0x200: two-byte CLOB text stored little-endian.
            bool little = t.def->columns[lob.column].type == TY_CLOB && storage.clob_form == ClobForm::ucs2_little;
            add_ind(c, t.obj, lob.ind_obj, parted ? -1 : (int64_t)lob.ind_obj, parted ? none : lob.ind_seg, 8,
                    parted ? 2 : 0);
            RowMaker r = c.make("LOB$");
            r.n("OBJ#", t.obj).n("COL#", lob.col_no).n("INTCOL#", lob.intcol_no).n("LOBJ#", lob.lobj);
            r.n("PART#", 0).n("IND#", lob.ind_obj).n("TS#", c.def.users_ts).n("FILE#", parted ? 0 : lob.seg.file);
            r.n("BLOCK#", parted ? 0 : lob.seg.block).n("CHUNK", lob_chunk).n("PCTVERSION$", 10).n("FLAGS", 0);
            r.n("PROPERTY", (parted ? 2 : 0) | (little ? 0x200 : 0)).n("RETENTION", 900).n("FREEPOOLS", 0);
            c.add("LOB$", t.obj, r.take());
            for (const LobFragPlan& f : lob.frags) {
                PartPlan ind_part;
                DictPartition ind_def;
                ind_part.def = &ind_def;
                ind_part.obj = ind_part.dataobj = f.indfrag_obj;
                ind_part.number = f.number;
                add_part(c, f.parent_obj != 0 ? "INDSUBPART$" : "INDPART$", ind_part, lob.ind_obj, f.ind_seg);
                RowMaker fr = c.make("LOBFRAG$");
                fr.n("FRAGOBJ#", f.frag_obj).n("PARENTOBJ#", f.parent_obj != 0 ? f.parent_obj : lob.lobj);
                fr.n("TABFRAGOBJ#", f.tabfrag_obj);
                fr.n("INDFRAGOBJ#", f.indfrag_obj).n("FRAG#", f.number).s("FRAGTYPE$", f.parent_obj != 0 ? "S" : "P");
                fr.n("TS#", f.seg.ts);
                fr.n("FILE#", f.seg.file).n("BLOCK#", f.seg.block).n("CHUNK", lob_chunk).n("PCTVERSION$", 10);
                fr.n("FRAGFLAGS", 0).n("FRAGPRO", 0);
                c.add("LOBFRAG$", f.frag_obj, fr.take());
            }
        }
    }
}

} // namespace

DictContent dictionary_content(const DictionaryDef& def, const UserPlan& plan, const std::vector<SysObject>& sys)
{
    Content c{def, plan, {}};
    add_users(c);
    add_objects(c, sys);
    add_sys_tables(c, sys);
    add_user_tables(c);
    add_storage(c, sys);
    return c.rows;
}

} // namespace zb
