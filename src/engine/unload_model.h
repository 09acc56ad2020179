#pragma once
// The unload request and the decoded-row records every user of the engine
// speaks through: a TABLE with its COLUMN array says what to decode, an
// UNLOAD_PARAMS how, and the UNLOAD_CALLBACKS receive the rows. Rows of one
// batch of blocks live in a row list owned by the engine until a block
// callback moves them out.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/config.h"
#include "base/file_loader.h"
#include "base/types.h"
#include "base/zem_list.h"
#include "convert/ora_types.h"
#include "engine/unload_damage.h"

constexpr ub2 MAX_COL_CNT = 1024;
constexpr ub4 COL_DATA_MAXLEN = 1048576; // largest value assembled from row pieces
constexpr int COLNAME_LEN = 30;
constexpr int TABNAME_LEN = 30;
constexpr int LOB_NAME_LEN = 30;
constexpr ub4 INVALID_TS_NO = 0xFFFFFFFFu;
constexpr int OUTPUT_ERROR_FILE_LEN = 1024;

// output_flags
constexpr int OF_ENCLOSED = 1;        // some value was enclosed
constexpr int OF_PART_LINE_BREAK = 2; // a worker met the table's first line feed: its part cannot be joined

// lob_output_format
constexpr int LOF_NONE = 0;      // LOB columns are not written
constexpr int LOF_TEXT = 1;      // every LOB value to a file of its own
constexpr int LOF_PART_TEXT = 2; // CLOB text inline (up to COL_DATA_MAXLEN), BLOBs to files
constexpr int LOF_BIN = 3;       // export dump

// unload_mode bits
constexpr int UM_NORMAL = 1;
constexpr int UM_TRUNCATE = 2;
constexpr int UM_NO_SYSTEM = 4;
constexpr int UM_SPEC_BLOCK = 8;
constexpr int UM_SCANNED_EXTENT = 16;

constexpr int ST_TABLE = 1;
constexpr int ST_INDEX = 2;

// Flags byte of a column callback.
constexpr ub1 IS_FIRST_COLUMN = 0x01;    // nothing of this row delivered yet: no delimiter before it
constexpr ub1 IS_FIRST_PIECE = 0x02;     // the bytes begin the value
constexpr ub1 IS_LAST_PIECE = 0x04;      // the value is complete with this call
constexpr ub1 IS_LAST_NULL = 0x08;       // trailing column the row does not store; no data, no COL_DATA
constexpr ub1 IS_LOB_FIRST_PIECE = 0x10; // first content call of a LOB value
constexpr ub1 IS_LOB_LAST_PIECE = 0x20;  // last content call of a LOB value
constexpr ub1 IS_LOB_PIECE = 0x40;       // the call carries LOB content

inline int is_unload_mode(int mode, int bits) { return mode & bits; }
inline int is_lob_callback(ub1 flags) { return (flags & IS_LOB_PIECE) != 0; }

typedef struct _tag_lob_info {
    ub4 obj_id;
    ub2 col_no;
    ub4 lob_obj_id;
    ub4 ind_obj_id;
    ub4 ts_no;
    ub4 file_no;
    ub4 block_no;
    ub4 chunk;
    ub1 is_little_endian;
    ub4 dir_ind;
    char lob_name[LOB_NAME_LEN + 1];
    char index_name[LOB_NAME_LEN + 1];
    char lob_dir_name[FILENAME_MAXLEN];
    ub1 lob_dir_created;
} LOB_INFO, *PLOB_INFO;

typedef struct _tag_lob_storage {
    ub4 lob_obj_id;
    ub4 parent_obj_id;
    ub4 tab_obj_id;
    ub4 ind_obj_id;
    ub4 lob_data_obj_id;
    ub4 ts_no;
    ub4 file_no;
    ub4 block_no;
    ub4 chunk;
    ub4 ind_ts_no;
    ub4 ind_block_no;
    ub4 ind_file_no;
    ub4 ind_data_obj_id;
    ub4 row_cnt; // LOB values of this column met so far; numbers their files
} LOB_STORAGE, *PLOB_STORAGE;

typedef struct _tag_column {
    char name[COLNAME_LEN + 1];
    ub1 ora_type;
    ub1 can_unload;     // 0: bytes stepped over, nothing delivered
    ub1 is_placeholder; // not stored by this database version: delivered as null, consumes no bytes
    ub2 col_no;
    ub2 segcol_no;
    ub2 intcol_no;
    ub4 length;
    ub2 precision;
    ub2 scale;
    ub2 nullable;
    ub4 charset_id;
    ub4 charset_form; // 2 = national
    ub1 precision_null;
    ub1 scale_null;
    ub1 is_first_clob;
    LOB_INFO lob;
    LOB_STORAGE lob_storage;
    ub1* lob_ind_buffer; // cached LOB index root block, owned by the column
} COLUMN, *PCOLUMN;

typedef struct _tag_table {
    char name[TABNAME_LEN + 1];
    ub2 col_cnt;
    ub1 table_index; // table number inside a cluster block; 0 for an ordinary table
    ub2 skip_cnt;    // columns with can_unload 0
    ub4 ts_no;
    ub4 dataobj_no;
    ub4 obj_no;
    ub4 file_no;
    ub4 block_no;
    ub4 iot_ts_no;
    ub4 iot_data_obj_id;
    ub1 is_iot_table;
    ub8 row_cnt;
    UNLOAD_DAMAGE damage; // what this unload of the table could not read
    PCOLUMN cols; // in segment column order, owned by the table
} TABLE, *PTABLE;

// data_type of a COL_DATA: what common_data holds. Informational only.
constexpr ub1 CDT_NONE = 0;
constexpr ub1 CDT_TEXT = 1;
constexpr ub1 CDT_BYTES = 2;

// Results of up to COL_DATA_INLINE_LEN - 1 bytes (dates, timestamps, rowids,
// most numbers and short strings) are kept in the record itself, so that a
// value costs no allocation of its own; common_data then points into
// inline_data and mem_alloc stays 0. A COL_DATA is therefore never copied by
// value, and a result is dropped with clear_col_value, never by free().
constexpr ub4 COL_DATA_INLINE_LEN = 48;

typedef struct _tag_col_data {
    ub1 data_type;
    ub1 ora_type;
    ub1 is_null;   // 1 until a value is found
    ub1 mem_alloc; // common_data was allocated and is owned by this record
    ub1 lob_file_error;
    ub4 raw_data_len;
    ub4 data_len; // length of the converted value (text: up to its terminator)
    char* lob_full_name;
    FILE* lob_file;
    char* lob_file_name;
    union {
        char* str_data;
        ub1* data;
    } common_data;
    ub1* raw_data; // assembled pieces or a LOB locator; owned, freed by release_col_data
    char inline_data[COL_DATA_INLINE_LEN];
} COL_DATA, *PCOL_DATA;

typedef struct _tag_row_data {
    ub2 col_cnt;      // columns expected: table col_cnt - skip_cnt
    ub2 col_fact_cnt; // columns delivered so far from the row's pieces
    ub1 corrupted;    // the cluster key could not be read
    ub4 rdba;         // block of the first piece, as in that block's header
    ub4 row_no;       // index within the table's share of the row directory
    ZEM_LIST col_data;
} ROW_DATA, *PROW_DATA;

typedef struct _tag_sample_data {
    ZEM_LIST row_data_list; // owned ROW_DATA records
    int max_col_cnt;
} SAMPLE_DATA, *PSAMPLE_DATA;

struct _tag_unload_params;
typedef void (*UNLOAD_BLOCK_CALLBACK)(PZEM_LIST rows, struct _tag_unload_params* params);
typedef void (*UNLOAD_ROW_CALLBACK)(ub2 reserved, struct _tag_unload_params* params, PROW_DATA row);
typedef void (*UNLOAD_COL_CALLBACK)(const ub1* data, ub4 length, PCOLUMN column, PCOL_DATA col_data,
                                    struct _tag_unload_params* params, ub1 flags);

// Told of the engine's progress through a segment: `segment` once with the
// blocks the segment's extent list holds below the high-water mark, `batch`
// after every batch of blocks read (blocks and bytes in the batch, the
// table's row count so far). `context` is the receiver's own.
typedef struct _tag_unload_progress {
    void* context;
    void (*segment)(void* context, ub8 blocks);
    void (*batch)(void* context, ub8 blocks, ub8 bytes, ub8 rows);
} UNLOAD_PROGRESS, *PUNLOAD_PROGRESS;

struct _tag_unload_callbacks;
// Reads a segment's extent list in parts (worker processes) instead of the
// engine reading it whole: unload_in_parts returns 1 when it unloaded the
// list (the parts joined, or a failure recorded in worker_failed), 0 when
// the engine is to read the list itself. `context` is the splitter's own.
typedef struct _tag_unload_splitter {
    void* context;
    int (*unload_in_parts)(void* context, PZEM_LIST list, struct _tag_unload_params* params,
                           const struct _tag_unload_callbacks* callbacks);
} UNLOAD_SPLITTER, *PUNLOAD_SPLITTER;

typedef struct _tag_unload_params {
    char delimiter[DELIMITER_MAX_LEN + 1];
    int max_col_cnt;
    int append_mode;
    int lob_output_format;
    int unload_mode;
    int is_sample;
    int strict_dataobj;
    ub4 spec_rdba;
    ub4 spec_blocks;
    int segment_type;
    PTABLE table;
    PZEM_LIST data_list;
    PSAMPLE_DATA sample_data;
    FILE* fp;
    FILE* info_fp;
    struct _tag_table_output* output; // the text or CSV writer's state for the table
    // The first file of the table's output that could not be written (its
    // errno and name): the command then reports the table as failed.
    int output_error;
    char output_error_file[OUTPUT_ERROR_FILE_LEN];
    // What the writer found that its control file depends on (OF_ bits); a
    // worker writing part of the table hands them to the parent.
    int output_flags;
    void* writer;    // the output writer's own state for this table, owned by the writer
    int stop_unload; // set by a writer that cannot go on (its file failed): the engine stops at the next block
    const UNLOAD_PROGRESS* progress; // null: nobody is told
    const UNLOAD_SPLITTER* splitter; // null: one process reads every segment
    // Set when a worker process failed: the table's data file misses rows.
    int worker_failed;
} UNLOAD_PARAMS, *PUNLOAD_PARAMS;

// A row held whole by one row piece (its first and last, continuing no
// value, no cluster key): its `col_cnt` columns are the stored bytes from
// `pos` to at most `end` of `block`. A writer may take such a row at once,
// instead of the calls per column and per row; it returns 1 when it wrote
// the row, 0 to have it decoded and delivered column by column, nothing of
// it written. Offered only when no block callback takes the rows.
typedef int (*UNLOAD_PIECE_CALLBACK)(const ub1* block, ub4 pos, ub4 end, ub4 col_cnt, ub4 rdba, ub4 row_no,
                                     struct _tag_unload_params* params);

typedef struct _tag_unload_callbacks {
    UNLOAD_BLOCK_CALLBACK unload_block_callback;
    UNLOAD_ROW_CALLBACK unload_row_callback;
    UNLOAD_COL_CALLBACK unload_col_callback;
    UNLOAD_PIECE_CALLBACK unload_piece_callback; // may be null
} UNLOAD_CALLBACKS, *PUNLOAD_CALLBACKS;

// Records (unload_model.cpp). The init_ functions return TRUE, or FALSE when
// memory ran out (the record is then empty but safe to release).
int init_table(PTABLE table, const char* name, ub2 col_cnt, ub2 skip_cnt, ub1 table_index);
void release_table(PTABLE table, int free_table);
void init_column(PCOLUMN column, const char* name, ub1 ora_type, ub1 can_unload);
void init_col_data(PCOL_DATA col_data);
// List release functions: free what the record owns, not the record itself.
void release_col_data(void* col_data);
void release_row_data(void* row);
void init_row_data(PROW_DATA row, const TABLE* table, ub4 rdba, ub4 row_no);
void init_sample_data(PSAMPLE_DATA sample);
void release_sample_data(PSAMPLE_DATA sample);
int init_grid_item(PGRID_ITEM item, ub4 cols);
void release_grid_item(PGRID_ITEM item);

// Converted values held by a COL_DATA. Inline: the converters call these
// once per value.
inline void clear_col_value(PCOL_DATA col_data)
{
    if (col_data->mem_alloc)
        free(col_data->common_data.data);
    col_data->common_data.data = nullptr;
    col_data->mem_alloc = 0;
    col_data->data_len = 0;
    col_data->data_type = CDT_NONE;
}
// A new owned buffer of `size` bytes as the value's result (unload_model.cpp).
ub1* get_col_value_alloc(PCOL_DATA col_data, size_t size);
// Room for a result of `size` bytes: the inline area or a new owned buffer.
// Drops any earlier result; null when memory ran out.
inline ub1* get_col_value_buffer(PCOL_DATA col_data, size_t size)
{
    clear_col_value(col_data);
    if (size > COL_DATA_INLINE_LEN)
        return get_col_value_alloc(col_data, size);
    col_data->common_data.str_data = col_data->inline_data;
    return (ub1*)col_data->inline_data;
}
// Makes the `length` bytes a converter wrote, zero-terminated, into the
// buffer of get_col_value_buffer the value's text.
inline void set_col_text_length(PCOL_DATA col_data, ub4 length)
{
    col_data->data_len = length;
    col_data->data_type = CDT_TEXT;
    col_data->is_null = 0;
}
// Stores a copy of `length` bytes as a zero-terminated text; FALSE (value
// left NULL) when memory ran out. The source must not be an allocated result
// of the same record, which is dropped first.
inline int set_col_text(PCOL_DATA col_data, const char* text, ub4 length)
{
    char* out = (char*)get_col_value_buffer(col_data, (size_t)length + 1);
    if (out == nullptr) {
        col_data->is_null = 1;
        return FALSE;
    }
    if (length > 0)
        memmove(out, text, length);
    out[length] = '\0';
    set_col_text_length(col_data, length);
    return TRUE;
}
int set_col_bytes(PCOL_DATA col_data, const ub1* bytes, ub4 length);

// Batches and the callback protocol (row_batch.cpp).
void init_unload_params(PUNLOAD_PARAMS params, PTABLE table);
int get_lob_output_format();
void init_row_batch(PZEM_LIST rows);
// Appends a new row to the batch and counts it in the table's row_cnt.
PROW_DATA add_row_data(PZEM_LIST rows, PTABLE table, ub4 rdba, ub4 row_no);
PCOL_DATA add_col_data(PROW_DATA row, ub1 ora_type);
ub1 get_col_flags(const ROW_DATA* row, int first_piece, int last_piece);
// One IS_LAST_NULL call for each expected column not yet delivered, from
// `column` on, never past the end of the table's column list.
void unload_trailing_nulls(PROW_DATA row, PCOLUMN column, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
// Hands the batch to the block callback (also when it is empty), then frees
// whatever the callback left in it.
void end_row_batch(PZEM_LIST rows, PUNLOAD_PARAMS params, const UNLOAD_CALLBACKS* callbacks);
void unload_data_to_list(PZEM_LIST rows, PUNLOAD_PARAMS params);
