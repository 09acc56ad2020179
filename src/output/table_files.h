#pragma once
// What the text and CSV writers keep for the table they write: its data file,
// how values go into it, and what must be written again at the end.

#include <string>

#include "engine/unload_model.h"
#include "output/csv_values.h"
#include "output/output_file.h"
#include "output/text_fields.h"

// Text for the data file is gathered and handed to stdio a megabyte at a
// time: a call per field and delimiter would cost more than their bytes.
constexpr size_t DATA_BUFFER_SIZE = 1024 * 1024;

typedef struct _tag_table_output {
    OUTPUT_FILE data;
    TEXT_FIELDS fields; // text output
    CSV_VALUES csv;     // CSV output
    // The control file, written again at the end when values were enclosed.
    std::string ctl_path;
    std::string schema;
    std::string table_name;
    std::string data_name;
    const TABLE* table = nullptr;
    std::string lob_text;        // inline CLOB text, written whole with its last piece
    bool lob_value_open = false; // CSV: a LOB value's content has begun in the file
    ub4 row_fields = 0;          // CSV: fields of the current row written so far
    ub4 table_fields = 0;        // CSV: fields of every row
} TABLE_OUTPUT, *PTABLE_OUTPUT;

// Keeps the first file of the table that could not be written.
void note_output_error(PUNLOAD_PARAMS params, int error, const char* file);
// Opens the table's data file <name>.<extension> in the data directory and
// hands it to params; null, with the message and the error noted, when it
// cannot be opened. `name` receives the file's name, `path` its path.
PTABLE_OUTPUT open_table_output(const char* schema, const char* table_name, const char* partition,
                                const char* extension, const char* mode, PUNLOAD_PARAMS params, char* name,
                                size_t name_size, char* path, size_t path_size);
// After a write to the data file: a failure stops the table's unload.
inline void check_data_file(PUNLOAD_PARAMS params, const TABLE_OUTPUT* out)
{
    if (out->data.error != 0 && !params->stop_unload) {
        note_output_error(params, out->data.error, out->data.path);
        params->stop_unload = 1;
    }
    if (out->fields.enclosed)
        params->output_flags |= OF_ENCLOSED;
    // A worker's part that cannot be joined: it stops, the parent reads again.
    if (out->fields.part_line_break && !params->stop_unload) {
        params->output_flags |= OF_PART_LINE_BREAK;
        params->stop_unload = 1;
    }
}
