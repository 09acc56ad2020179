// The fixed parts of an export dump file and the records that describe the
// table. Layout of the header record (offsets from the file start; L is the
// length of the schema name):
//   off      size     content
//     0         1     0x03
//     1         2     database character set id, big-endian
//     3        18     "EXPORT:V08.01.07\nU"
//    21         L     the schema name
//    21+L      21     "\nRTABLES\n2048\n0\n28\n0\n"
//    42+L       4     00 01 00 01
//    46+L       2     national character set id, big-endian
//    48+L       2     00 01
//    50+L       9     zeros
//    59+L       2     05 00
//    61+L    42-L     blanks up to offset 103
//   103        31     the export date and the file name (fixed texts)
//   134      1914     zeros up to the 2048-byte header area's end
//  2048       206     the fixed session record below
//  2254         7     database time zone "+hh:mm" and 0x05
//  2261         1     0x00
//  2262         6     "8.1.6\n"
//  2268               the table records
// The table records: "TABLE" and "CREATE TABLE" lines, the INSERT
// statement, the column descriptors (little-endian ub2: count; per column
// type and length, plus character set id and form for character types;
// 4 zero bytes), the rows, and the trailer: 0xFFFF, "\nEXIT\nEXIT\n",
// zeros to a multiple of 2048 bytes.

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "base/byte_order.h"
#include "base/config.h"
#include "base/printer.h"
#include "output/dmp_output.h"
#include "output/table_ddl.h"

namespace {

constexpr size_t DMP_SCHEMA_MAX_LEN = 30;
constexpr size_t DMP_DATE_OFFSET = 103;
constexpr ub2 DMP_LONG_DESCRIPTOR_LEN = 32770;

const char DMP_DATE_AND_NAME[] = "Wed Jan 14 22:27:00 2009zem.dmp";

const ub1 DMP_SESSION_RECORD[206] = {
    0x64, 0x00, 0x00, 0x00, 0x00, 0x60, 0x01, 0x21, 0x0F, 0x05, 0x0B, 0x0C, 0x03, 0x0C, 0x0C, 0x05, 0x04, 0x05,
    0x0D, 0x06, 0x09, 0x07, 0x08, 0x05, 0x0F, 0x05, 0x05, 0x05, 0x0F, 0x05, 0x05, 0x05, 0x05, 0x05, 0x0A, 0x05,
    0x05, 0x05, 0x05, 0x05, 0x04, 0x05, 0x08, 0x23, 0x47, 0x23, 0x23, 0x08, 0x11, 0x23, 0x08, 0x11, 0x41, 0xB0,
    0x23, 0x00, 0x83, 0x03, 0x67, 0x03, 0x67, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00, 0x00, 0x60,
    0x01, 0x21, 0x0F, 0x05, 0x0B, 0x0C, 0x03, 0x0C, 0x0C, 0x05, 0x04, 0x05, 0x0D, 0x06, 0x09, 0x07, 0x08, 0x05,
    0x0F, 0x05, 0x05, 0x05, 0x0F, 0x05, 0x05, 0x05, 0x05, 0x05, 0x0A, 0x05, 0x05, 0x05, 0x05, 0x05, 0x04, 0x05,
    0x08, 0x23, 0x47, 0x23, 0x23, 0x08, 0x11, 0x23, 0x08, 0x11, 0x41, 0xB0, 0x23, 0x00, 0x83, 0x03, 0x67, 0x01,
    0x59, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00};

const ub1 DMP_TAIL[] = {0xFF, 0xFF, '\n', 'E', 'X', 'I', 'T', '\n', 'E', 'X', 'I', 'T', '\n'};

bool has_charset(ub1 type)
{
    return type == ORA_VARCHAR2 || type == ORA_VARCHAR || type == ORA_CHAR;
}

// Type and length as the descriptor gives them: CLOB as LONG and BLOB as
// LONG RAW, both with the LONG length.
void get_dmp_descriptor(const COLUMN* column, ub2* type, ub2* length)
{
    switch (column->ora_type) {
    case ORA_CLOB:
    case ORA_LONG:
        *type = ORA_LONG;
        *length = DMP_LONG_DESCRIPTOR_LEN;
        break;
    case ORA_BLOB:
    case ORA_LONG_RAW:
        *type = ORA_LONG_RAW;
        *length = DMP_LONG_DESCRIPTOR_LEN;
        break;
    default:
        *type = column->ora_type;
        *length = (ub2)column->length;
        break;
    }
}

} // namespace

int write_dmp_header(PDMP_WRITER writer, const char* schema)
{
    size_t schema_len = schema != nullptr ? strlen(schema) : 0;
    if (schema_len > DMP_SCHEMA_MAX_LEN) {
        sp_printf("schema name '%s' is too long for the export dump header (at most %u characters).\n", schema,
                  (ub4)DMP_SCHEMA_MAX_LEN);
        return FALSE;
    }
    if (config_data.charset_id > UB2_MAX || config_data.ncharset_id > UB2_MAX) {
        sp_printf("character set %u or national character set %u does not fit the export dump header.\n",
                  config_data.charset_id, config_data.ncharset_id);
        return FALSE;
    }
    ub1 header[DMP_HEADER_LEN] = {};
    size_t at = 0;
    header[at++] = 0x03;
    set_ub2_big(header, at, (ub2)config_data.charset_id);
    at += 2;
    memcpy(header + at, "EXPORT:V08.01.07\nU", 18);
    at += 18;
    if (schema_len > 0)
        memcpy(header + at, schema, schema_len);
    at += schema_len;
    memcpy(header + at, "\nRTABLES\n2048\n0\n28\n0\n", 21);
    at += 21;
    const ub1 versions[4] = {0x00, 0x01, 0x00, 0x01};
    memcpy(header + at, versions, 4);
    at += 4;
    set_ub2_big(header, at, (ub2)config_data.ncharset_id);
    at += 2;
    header[at + 1] = 0x01;
    at += 2 + 9;
    header[at] = 0x05;
    at += 2;
    memset(header + at, ' ', DMP_DATE_OFFSET - at);
    memcpy(header + DMP_DATE_OFFSET, DMP_DATE_AND_NAME, sizeof(DMP_DATE_AND_NAME) - 1);
    put_dmp_bytes(writer, header, sizeof(header));
    put_dmp_zeros(writer, DMP_BLOCK_LEN - sizeof(header));

    put_dmp_bytes(writer, DMP_SESSION_RECORD, sizeof(DMP_SESSION_RECORD));
    // The zone fields are range-checked when the configuration is read; the
    // text stays 6 characters even if they were not.
    char zone[16];
    snprintf(zone, sizeof(zone), "%c%02u:%02u", config_data.db_timezone_east ? '+' : '-',
             (ub4)config_data.db_timezone_hour % 100, (ub4)config_data.db_timezone_min % 100);
    put_dmp_bytes(writer, zone, 6);
    const ub1 zone_end[2] = {0x05, 0x00};
    put_dmp_bytes(writer, zone_end, 2);
    put_dmp_text(writer, "8.1.6\n");
    return TRUE;
}

void write_dmp_sql(PDMP_WRITER writer, const char* table_name, const ZEM_LIST* columns)
{
    put_dmp_text(writer, "TABLE \"");
    put_dmp_text(writer, table_name);
    put_dmp_text(writer, "\"\nCREATE TABLE \"");
    put_dmp_text(writer, table_name);
    put_dmp_text(writer, "\"(");
    bool first = true;
    char type[COL_TYPE_TEXT_LEN];
    for (PZEM_LIST_ITEM item = columns->header; item != nullptr; item = item->next) {
        const COLUMN* c = (const COLUMN*)item->data;
        if (c->col_no == 0 || strcasecmp(get_col_type_fullname(c, type), "unknown") == 0)
            continue;
        if (!first)
            put_dmp_text(writer, ",");
        first = false;
        put_dmp_text(writer, "\"");
        put_dmp_text(writer, c->name);
        put_dmp_text(writer, "\" ");
        put_dmp_text(writer, type);
        put_dmp_text(writer, c->nullable ? " " : " NOT NULL");
    }
    put_dmp_text(writer, ")\n");
}

int write_dmp_insert_sql(PDMP_WRITER writer, const char* table_name, const TABLE* table)
{
    // The descriptor fields are ub2: a length or character set id beyond
    // them comes from a damaged dictionary and is not cut to fit.
    for (ub2 i = 0; i < table->col_cnt; i++) {
        const COLUMN* c = &table->cols[i];
        bool lob_kind = c->ora_type == ORA_CLOB || c->ora_type == ORA_BLOB || c->ora_type == ORA_LONG ||
                        c->ora_type == ORA_LONG_RAW;
        if (c->can_unload && ((!lob_kind && c->length > UB2_MAX) ||
                              (has_charset(c->ora_type) && (c->charset_id > UB2_MAX || c->charset_form > UB2_MAX)))) {
            sp_printf("column %s of table %s: length %u or character set %u does not fit the export dump.\n",
                      c->name, table_name, c->length, c->charset_id);
            return FALSE;
        }
    }
    ub2 n = 0;
    put_dmp_text(writer, "INSERT INTO \"");
    put_dmp_text(writer, table_name);
    put_dmp_text(writer, "\" (");
    for (ub2 i = 0; i < table->col_cnt; i++) {
        const COLUMN* c = &table->cols[i];
        if (!c->can_unload)
            continue;
        put_dmp_text(writer, n > 0 ? ",    \"" : "    \"");
        put_dmp_text(writer, c->name);
        put_dmp_text(writer, "\"");
        n++;
    }
    put_dmp_text(writer, ") VALUES (");
    for (ub2 i = 1; i <= n; i++) {
        char bind[16];
        snprintf(bind, sizeof(bind), i > 1 ? ",:%u" : ":%u", (ub4)i);
        put_dmp_text(writer, bind);
    }
    put_dmp_text(writer, ")\n");

    put_dmp_ub2(writer, n);
    for (ub2 i = 0; i < table->col_cnt; i++) {
        const COLUMN* c = &table->cols[i];
        if (!c->can_unload)
            continue;
        ub2 type, length;
        get_dmp_descriptor(c, &type, &length);
        put_dmp_ub2(writer, type);
        put_dmp_ub2(writer, length);
        if (has_charset(c->ora_type)) {
            // Columns typed by hand (unload object) know no character set:
            // theirs is the database's, or the national one.
            bool national = c->charset_form == 2;
            ub4 charset = c->charset_id != 0 ? c->charset_id
                                             : national ? config_data.ncharset_id : config_data.charset_id;
            put_dmp_ub2(writer, (ub2)charset);
            put_dmp_ub2(writer, (ub2)(c->charset_form != 0 ? c->charset_form : 1));
        }
    }
    put_dmp_zeros(writer, 4);
    writer->col_cnt = n;
    return TRUE;
}

void write_dmp_tail(PDMP_WRITER writer)
{
    put_dmp_bytes(writer, DMP_TAIL, sizeof(DMP_TAIL));
    ub8 over = writer->written % DMP_BLOCK_LEN;
    if (over != 0)
        put_dmp_zeros(writer, (size_t)(DMP_BLOCK_LEN - over));
}
