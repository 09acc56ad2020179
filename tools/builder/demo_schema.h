#pragma once
// The demo database: users SCOTT and HR in a 10g-style (or 8i/9i-style, or
// Oracle 7) dictionary.
//
// SCOTT: DEPT and EMP with the classic rows (one EMP row migrated, one
// deleted DEPT row), BONUS (empty), SALGRADE (with a hidden column), SALES
// (range-partitioned in three partitions, ASSM), the cluster EMP_DEPT_CLU
// with C_DEPT and C_EMP, ALL_TYPES (one column of every type that unloads),
// RAW_DOCS (LONG RAW), NOTES (a row chained over two blocks), "Mixed$Case"
// (a quoted name), indexes, a view, a sequence, a procedure and a PUBLIC
// synonym.
//
// HR: COUNTRIES (index-organized), ORDERS (range-hash composite with a local
// index), DOCS (range-partitioned with a CLOB), RESUMES (a BLOB), SHIPMENTS
// (in a cluster with a two-column key), WIDE_T (300 columns, so rows of
// several pieces), OLD_ORDERS (truncated: its old rows remain after the
// segment header) and DOC_FILES (CLOB and BLOB values in and out of the row).
//
// The Oracle 7 form keeps what that release had: no partitions, indexes,
// LOBs, truncated tables, tables of more than 254 columns, or columns of the
// types that came later.

#include "builder/dictionary.h"

namespace zb {

DictionaryDef demo_dictionary(DictForm form = DictForm::v10);

// The config.txt that reads the demo files (block size, byte order,
// character sets, output directory, release).
std::string demo_config(const DictionaryDef& def, const std::string& data_path = "out");

// What of demo_config the datafiles' headers cannot tell (character sets,
// output directory): the demo's config.txt before discover adds the rest.
std::string demo_user_config(const std::string& data_path = "out");

// The command file of the demo: the datafile list discovered, the
// dictionary, listings, SCOTT's tables, and HR.OLD_ORDERS recovered after an
// extent scan.
std::string demo_commands();

// A table for extra tests: `rows` rows of (ID, NAME, PAD) owned by `owner`.
DictTable numbered_table(const std::string& owner, const std::string& name, uint32_t rows, uint32_t pad = 60);

} // namespace zb
