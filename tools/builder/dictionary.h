#pragma once
// Whole databases with a data dictionary: from a logical list of users,
// tables (columns, rows, partitions and subpartitions, clusters, indexes
// including the top index of an index-organized table, LOB columns) the
// builder writes a SYSTEM datafile holding the bootstrap segment and the
// dictionary tables a dictionary unload reads, and a USERS datafile holding
// the segments those tables describe.
//
// SYSTEM (tablespace 0, file 1): BOOTSTRAP$ (LINE#, OBJ#, SQL_TEXT: the
// CREATE texts of the core objects, each segment named by its final
// "EXTENTS (FILE f BLOCK b)"), the cluster C_USER# (USER$ is table 1), OBJ$,
// the cluster C_OBJ# (TAB$ table 1, IND$ table 3 when clustered, COL$ table 5)
// and, as tables reached through TAB$, IND$ (unless clustered), TABPART$,
// INDPART$, TABSUBPART$, INDSUBPART$, LOB$ and LOBFRAG$.
//
// Three forms: 10g and later (block format 0xA2; the file header's root
// address is the bootstrap segment header), 8i/9i (format 0x02; the root
// address is a compatibility segment block whose "BOOTSTRP" entry holds the
// bootstrap address) and Oracle 7 (format 0x01, a compatibility segment as
// well; OBJ$ without DATAOBJ# and SUBNAME, TAB$ without DATAOBJ#, COL$ of
// seventeen columns, and none of the tables that came with release 8).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "builder/database_image.h"
#include "builder/dict_values.h"
#include "builder/lob_segment.h"

namespace zb {

// Oracle type codes (COL$.TYPE#).
enum : uint16_t {
    TY_VARCHAR2 = 1, TY_NUMBER = 2, TY_LONG = 8, TY_DATE = 12, TY_RAW = 23, TY_LONG_RAW = 24, TY_ROWID = 69,
    TY_CHAR = 96, TY_BINARY_FLOAT = 100, TY_BINARY_DOUBLE = 101, TY_CLOB = 112, TY_BLOB = 113,
    TY_TIMESTAMP = 180, TY_TIMESTAMP_TZ = 181, TY_TIMESTAMP_LTZ = 231
};

struct DictColumn {
    std::string name;
    uint16_t type = TY_NUMBER;
    uint32_t length = 22;       // bytes
    int32_t precision = -1;     // -1: NULL
    int32_t scale = -1;         // -1: NULL
    bool nullable = true;
    uint8_t charset_form = 0;   // 0 none, 1 database character set, 2 national
    bool hidden = false;        // COL# 0: stored, never shown or unloaded
    LobStorageDef lob;          // a CLOB or BLOB column: how its segment stores values
};

DictColumn c_number(const std::string& name, int precision = -1, int scale = -1, bool nullable = true);
DictColumn c_float(const std::string& name, int precision);
DictColumn c_varchar2(const std::string& name, uint32_t length, bool nullable = true);
DictColumn c_char(const std::string& name, uint32_t length);
DictColumn c_nvarchar2(const std::string& name, uint32_t chars);
DictColumn c_nchar(const std::string& name, uint32_t chars);
DictColumn c_date(const std::string& name);
DictColumn c_timestamp(const std::string& name, int scale);
DictColumn c_timestamp_tz(const std::string& name, int scale);
DictColumn c_timestamp_ltz(const std::string& name, int scale);
DictColumn c_raw(const std::string& name, uint32_t length);
DictColumn c_long(const std::string& name);
DictColumn c_long_raw(const std::string& name);
DictColumn c_rowid(const std::string& name);
DictColumn c_binary_float(const std::string& name);
DictColumn c_binary_double(const std::string& name);
DictColumn c_clob(const std::string& name);
DictColumn c_nclob(const std::string& name);
DictColumn c_blob(const std::string& name);

struct DictPartition {
    std::string name;
    std::string high_value;                  // TABPART$.HIBOUNDVAL
    std::vector<DictRow> rows;               // when it has no subpartitions
    std::vector<DictPartition> subpartitions; // composite partitioning
};

struct DictIndex {
    std::string name;
    uint32_t type = 1;   // IND$.TYPE#: 1 normal, 4 top index of an index-organized table
    bool local = false;  // one index (sub)partition per table (sub)partition
};

struct DictTable {
    std::string owner, name;
    std::vector<DictColumn> columns;  // COL# order (hidden columns where they were added)
    std::vector<DictRow> rows;        // values in the same order
    // A truncated table: these rows of its first data object stay in the
    // blocks right after the segment header, above the new high-water mark,
    // and in the extents the truncate released (the segment keeps only its
    // first extent).
    std::vector<DictRow> stale_rows;
    bool truncated = false;
    std::vector<DictPartition> partitions;
    std::vector<DictIndex> indexes;
    std::string cluster;          // member of this cluster of the same owner
    uint8_t header_type = 16;     // 16 freelist, 35 ASSM
    uint32_t extent_blocks = 8;
    bool compressed = false;      // basic table compression (builder/compressed_table.h)
    // An index-organized table (an index of type 4): its leading key columns,
    // how many of them leaves share through prefix rows, and the first
    // column kept in its overflow segment SYS_IOT_OVER_<obj#> (-1: none).
    uint32_t iot_key_columns = 1;
    uint32_t iot_prefix_columns = 0;
    int iot_overflow_from = -1;
};

struct DictCluster {
    std::string owner, name;
    std::vector<DictColumn> key;  // key columns, named as in the member tables
    std::vector<std::string> tables; // cluster table 1, 2, ...
};

// Objects without segments of their own: views, sequences, procedures,
// synonyms (owner PUBLIC is user 1), ...
struct DictOther {
    std::string owner, name;
    uint32_t type;
};

struct DictUser {
    uint32_t id;
    std::string name;
    uint32_t type = 1; // 0 role, 1 user
};

enum class DictForm { v10, v9, v7 };

struct DictionaryDef {
    DictForm form = DictForm::v10;
    uint32_t block_size = 8192;
    int order = LITTLE;
    std::vector<DictUser> users;    // SYS (0) and PUBLIC (1) are added when missing
    std::vector<DictTable> tables;
    std::vector<DictCluster> clusters;
    std::vector<DictOther> others;
    bool ind_in_cluster = true;     // IND$ as table 3 of C_OBJ#, keyed by BO#
    uint32_t charset_id = 873;      // AL32UTF8
    uint32_t ncharset_id = 2000;    // AL16UTF16
    uint32_t first_object_id = 52000;
    std::string system_file = "SYSTEM01.DBF";
    std::string users_file = "USERS01.DBF";
    uint32_t users_ts = 4, users_file_no = 4;
};

// Where an object went.
struct BuiltSegment {
    uint32_t obj = 0, dataobj = 0;
    uint32_t ts = 0, file = 0, block = 0; // segment header; 0 when none
    std::vector<uint32_t> data_blocks;     // blocks holding its rows, in segment order
    std::vector<Rid> rows;                 // where each row went
    uint32_t stale_dataobj = 0;            // data object of the rows left by a truncate
    std::vector<uint32_t> stale_blocks;
};

// A LOB column's segments as written: its definition (objects, storage,
// first LOB id) and where every value went.
struct BuiltLob {
    LobSegmentDef def;
    LobSegmentResult placed;
};

struct BuiltDatabase {
    DatabaseImage image;                          // file 0 SYSTEM, file 1 USERS
    std::map<std::string, BuiltSegment> objects;  // "OWNER.NAME", "OWNER.NAME:PART", "OWNER.NAME:PART:SUB"
    uint32_t bootstrap_rdba = 0;
    uint32_t compat_rdba = 0;                     // 0 in the 10g form
    // "OWNER.TABLE.COLUMN", with ":PART" or ":PART:SUB" for a fragment.
    std::map<std::string, BuiltLob> lobs;
    const BuiltSegment& at(const std::string& key) const { return objects.at(key); }
};

BuiltDatabase build_database(const DictionaryDef& def);

// The columns of a table in the order its rows store them: cluster key
// columns first, LONG and LONG RAW last, the others in COL# order. Returns
// indexes into table.columns.
std::vector<size_t> segment_order(const DictTable& table, const DictionaryDef& def);

} // namespace zb
