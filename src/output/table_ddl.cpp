#include "output/table_ddl.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "base/config.h"
#include "base/printer.h"
#include "output/output_file.h"

namespace {

// Scales are signed in the dictionary (NUMBER(5,-2)); the column keeps them
// in 16 bits.
int signed_scale(const COLUMN* column)
{
    return (int)(sb2)column->scale;
}

ub4 char_length(const COLUMN* column)
{
    return column->charset_form > 1 ? column->length / column->charset_form : column->length;
}

} // namespace

char* get_col_type_fullname(const COLUMN* column, char* text)
{
    bool national = column->charset_form > 1;
    switch (column->ora_type) {
    case ORA_VARCHAR2:
        snprintf(text, COL_TYPE_TEXT_LEN, "%s(%u)", national ? "NVARCHAR2" : "VARCHAR2", char_length(column));
        break;
    case ORA_CHAR:
        snprintf(text, COL_TYPE_TEXT_LEN, "%s(%u)", national ? "NCHAR" : "CHAR", char_length(column));
        break;
    case ORA_NUMBER: {
        const char* word = column->scale_null && !column->precision_null ? "FLOAT" : "NUMBER";
        if (column->precision == 0)
            snprintf(text, COL_TYPE_TEXT_LEN, "%s", word);
        else if (signed_scale(column) == 0)
            snprintf(text, COL_TYPE_TEXT_LEN, "%s(%u)", word, (ub4)column->precision);
        else
            snprintf(text, COL_TYPE_TEXT_LEN, "%s(%u,%d)", word, (ub4)column->precision, signed_scale(column));
        break;
    }
    case ORA_LONG: strcpy(text, "LONG"); break;
    case ORA_DATE: strcpy(text, "DATE"); break;
    case ORA_RAW: snprintf(text, COL_TYPE_TEXT_LEN, "%s(%u)", "RAW", column->length); break;
    case ORA_LONG_RAW: strcpy(text, "LONG RAW"); break;
    case ORA_ROWID: strcpy(text, "ROWID"); break;
    case ORA_BINARY_FLOAT: strcpy(text, "BINARY_FLOAT"); break;
    case ORA_BINARY_DOUBLE: strcpy(text, "BINARY_DOUBLE"); break;
    case ORA_CLOB: strcpy(text, national ? "NCLOB" : "CLOB"); break;
    case ORA_BLOB: strcpy(text, "BLOB"); break;
    case ORA_TIMESTAMP: snprintf(text, COL_TYPE_TEXT_LEN, "%s(%u)", "TIMESTAMP", (ub4)column->scale); break;
    case ORA_TIMESTAMP_TZ:
        snprintf(text, COL_TYPE_TEXT_LEN, "%s(%u) %s", "TIMESTAMP", (ub4)column->scale, "WITH TIME ZONE");
        break;
    case ORA_TIMESTAMP_LTZ:
        snprintf(text, COL_TYPE_TEXT_LEN, "%s(%u) %s", "TIMESTAMP", (ub4)column->scale, "WITH LOCAL TIME ZONE");
        break;
    default: strcpy(text, "Unknown");
    }
    return text;
}

char* get_col_ctl_fullname(const COLUMN* column, char* text)
{
    switch (column->ora_type) {
    case ORA_VARCHAR2:
    case ORA_CHAR: snprintf(text, COL_TYPE_TEXT_LEN, "CHAR(%u)", column->length); break;
    case ORA_RAW: snprintf(text, COL_TYPE_TEXT_LEN, "CHAR(%u)", column->length * 2); break;
    case ORA_ROWID: snprintf(text, COL_TYPE_TEXT_LEN, "CHAR(%u)", column->length * 3); break;
    case ORA_LONG:
    case ORA_LONG_RAW: strcpy(text, "CHAR(4000)"); break;
    // A CLOB written into the text is cut at the value limit; without a
    // length the loader would refuse every value longer than 255 bytes.
    case ORA_CLOB: snprintf(text, COL_TYPE_TEXT_LEN, "CHAR(%u)", COL_DATA_MAXLEN); break;
    case ORA_DATE: strcpy(text, "DATE \"yyyy-mm-dd hh24:mi:ss\""); break;
    case ORA_TIMESTAMP:
    case ORA_TIMESTAMP_LTZ:
        snprintf(text, COL_TYPE_TEXT_LEN, "TIMESTAMP \"yyyy-mm-dd hh24:mi:ss.ff%u\"", (ub4)column->scale);
        break;
    case ORA_TIMESTAMP_TZ:
        snprintf(text, COL_TYPE_TEXT_LEN, "\"TO_TIMESTAMP_TZ (:%s,'yyyy-mm-dd hh24:mi:ss.ff%u tzh:tzm')\"",
                 column->name, (ub4)column->scale);
        break;
    default: text[0] = '\0';
    }
    return text;
}

char* get_col_sample_fullname(ub1 type, char* text, ub4 charset_form)
{
    const char* word = "";
    switch (type) {
    case ORA_ROWID: word = "ROWID"; break;
    case ORA_BINARY_DOUBLE: word = "BINARY_DOUBLE"; break;
    case ORA_TIMESTAMP_TZ: word = "TIMESTAMP_TZ"; break;
    case ORA_TIMESTAMP_LTZ: word = "TIMESTAMP_LTZ"; break;
    case ORA_TIMESTAMP: word = "TIMESTAMP"; break;
    case ORA_CHAR: word = charset_form == 1 ? "CHAR" : "NCHAR"; break;
    case ORA_BINARY_FLOAT: word = "BINARY_FLOAT"; break;
    case ORA_LONG: word = "LONG"; break;
    case ORA_RAW: word = "RAW"; break;
    case ORA_LONG_RAW: word = "LONG_RAW"; break;
    case ORA_DATE: word = "DATE"; break;
    case ORA_VARCHAR2: word = charset_form == 1 ? "VARCHAR2" : "NVARCHAR2"; break;
    case ORA_NUMBER: word = "NUMBER"; break;
    default: break;
    }
    strcpy(text, word);
    return text;
}

// Columns come in COL# order.
int generate_table_sql(const char* path, const char* schema, const char* table, const ZEM_LIST* columns)
{
    OUTPUT_FILE out;
    if (!open_output_file(&out, path, "w", 0)) {
        sp_printf("open file %s for writing data error!error message:%s.\n", path, strerror(out.error));
        return out.error;
    }
    if (schema != nullptr && schema[0] != '\0')
        put_output_printf(&out, "CREATE TABLE \"%s\".\"%s\"\n(", schema, table);
    else
        put_output_printf(&out, "CREATE TABLE \"%s\"\n(", table);
    bool first = true;
    char type[COL_TYPE_TEXT_LEN];
    for (PZEM_LIST_ITEM item = columns->header; item != nullptr; item = item->next) {
        const COLUMN* c = (const COLUMN*)item->data;
        if (c->col_no == 0 || strcasecmp(get_col_type_fullname(c, type), "unknown") == 0)
            continue;
        if (!first)
            put_output_char(&out, ',');
        first = false;
        put_output_printf(&out, "\n    \"%s\" %s %s", c->name, type, c->nullable ? "" : "NOT NULL");
    }
    put_output_text(&out, "\n);\n");
    return close_output_file(&out);
}

namespace {

// BLOBs always, and CLOBs unloaded to files of their own, are loaded with a
// filler field naming the LOB file.
bool loads_from_lobfile(const COLUMN* c)
{
    return c->ora_type == ORA_BLOB || (c->ora_type == ORA_CLOB && config_data.lob_storage == LS_FILE);
}

void put_hex(POUTPUT_FILE out, const char* bytes, size_t length)
{
    for (size_t i = 0; i < length; i++)
        put_output_printf(out, "%02x", (unsigned)(unsigned char)bytes[i]);
}

// The field type of a column whose values may be enclosed: room for every
// character doubled.
const char* get_enclosed_ctl_fullname(const COLUMN* column, char* text)
{
    if (column->ora_type == ORA_VARCHAR2 || column->ora_type == ORA_CHAR)
        snprintf(text, COL_TYPE_TEXT_LEN, "CHAR(%u)", column->length * 2);
    else if (column->ora_type == ORA_CLOB)
        snprintf(text, COL_TYPE_TEXT_LEN, "CHAR(%u)", COL_DATA_MAXLEN * 2);
    else
        get_col_ctl_fullname(column, text);
    return text;
}

} // namespace

// Columns come in the table's (SEGCOL#) order, the order of the text fields.
int generate_table_ctlfile(const char* path, const char* schema, const char* table, const char* text_file,
                           const TABLE* table_info, const TEXT_FIELDS* fields)
{
    OUTPUT_FILE out;
    if (!open_output_file(&out, path, "w", 0)) {
        sp_printf("open file %s for writing data error!error message:%s.\n", path, strerror(out.error));
        return out.error;
    }
    bool enclosed = fields != nullptr && fields->enclosed;
    bool has_schema = schema != nullptr && schema[0] != '\0';
    put_output_printf(&out, "--\n--Generated by ZEM,for table \"%s\".\"%s\"\n--\n", has_schema ? schema : "", table);
    put_output_printf(&out, "OPTIONS(BINDSIZE=8388608,READSIZE=8388608,ERRORS=-1%s)\n",
                      table_info->is_iot_table ? "" : ",ROWS=50000");
    put_output_text(&out, "LOAD DATA\n");
    put_output_printf(&out, "INFILE '%s' \"STR X'", text_file);
    if (fields != nullptr && fields->line_breaks)
        put_hex(&out, fields->record_end, fields->record_end_len);
    else
        put_output_text(&out, "0a");
    put_output_text(&out, "'\"\n");
    if (has_schema)
        put_output_printf(&out, "APPEND INTO TABLE \"%s\".\"%s\"\n", schema, table);
    else
        put_output_printf(&out, "APPEND INTO TABLE \"%s\"\n", table);
    put_output_text(&out, "FIELDS TERMINATED BY X'");
    put_hex(&out, config_data.delimiter, strlen(config_data.delimiter));
    put_output_text(&out, "'");
    if (enclosed) {
        put_output_text(&out, " OPTIONALLY ENCLOSED BY X'");
        put_hex(&out, &fields->enclosure, 1);
        put_output_text(&out, "'");
    }
    put_output_text(&out, " TRAILING NULLCOLS\n(\n");
    int last = -1;
    for (int i = 0; i < table_info->col_cnt; i++)
        if (table_info->cols[i].can_unload)
            last = i;
    char type[COL_TYPE_TEXT_LEN];
    for (int i = 0; i <= last; i++) {
        const COLUMN* c = &table_info->cols[i];
        if (!c->can_unload)
            continue;
        if (loads_from_lobfile(c)) {
            put_output_printf(&out, "    LOBFN_%05u FILLER CHAR(64),\n", (ub4)c->col_no);
            put_output_printf(&out, "    \"%s\" LOBFILE(LOBFN_%05u) TERMINATED BY EOF", c->name, (ub4)c->col_no);
        } else
            put_output_printf(&out, "    \"%s\" %s", c->name,
                              enclosed ? get_enclosed_ctl_fullname(c, type) : get_col_ctl_fullname(c, type));
        put_output_text(&out, i == last ? "\n" : ",\n");
    }
    put_output_text(&out, ")\n");
    return close_output_file(&out);
}
