#pragma once
// The PostgreSQL script written next to a table's CSV file: run by
// "psql -f <name>.pg.sql" in the data directory, it creates the schema and the
// table when they are missing and loads the CSV file with \copy.
//
// Names keep their letters when they hold a lower-case one (they were created
// in quotes), else they are folded to lower case, so that an Oracle name
// written without quotes is written without quotes in PostgreSQL too; all are
// quoted. NOT NULL is kept as a comment only: rows cut short by damage would
// otherwise reject the whole load.
//
// Types: NUMBER(p[,s]) numeric(p[,s]) (a negative scale widens the precision,
// a scale above the precision becomes numeric(s,s)), NUMBER and FLOAT
// numeric, DATE timestamp(0), TIMESTAMP(s) timestamp(min(s,6)), WITH TIME
// ZONE and WITH LOCAL TIME ZONE timestamptz(min(s,6)) (PostgreSQL keeps
// microseconds: it rounds the digits beyond the sixth, which the CSV keeps),
// BINARY_FLOAT real, BINARY_DOUBLE double precision, VARCHAR2 and NVARCHAR2
// varchar(n), CHAR and NCHAR char(n), LONG, CLOB and NCLOB text, RAW, LONG RAW
// and BLOB bytea, ROWID varchar.

#include <string>

#include "engine/unload_model.h"
#include "output/csv_values.h"

constexpr size_t PG_TYPE_TEXT_LEN = 64;

// The PostgreSQL type of a column, or null when it has none.
const char* get_pg_type(const COLUMN* column, char* text);
// A name as a quoted PostgreSQL identifier, in UTF-8.
std::string get_pg_name(PCSV_VALUES values, const char* name);
// 0 when written, else the errno (an open failure is reported here).
int generate_table_pg_sql(const char* path, const char* schema, const char* table, const char* csv_file,
                          const TABLE* table_info, PCSV_VALUES values);
