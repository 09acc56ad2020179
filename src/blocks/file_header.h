#pragma once
// The datafile header, block 1 of every datafile.

#include "blocks/block_header.h"

typedef struct _tag_datafile_header {
    ub4 db_id;
    char db_name[DBNAME_LEN + 1];
    ub4 version;
    ub4 compat_version;
    ub4 control_seq;
    ub4 file_size;
    ub4 block_size;
    ub2 file_no;
    ub2 file_type;
    ub4 root_dba;
    ub4 creation_scn_base;
    ub2 creation_scn_wrap;
    char tbs_name[TBSNAME_LEN + 1];
    ub4 tbs_no;
    ub4 relative_fn;
} DATAFILE_HEADER, *PDATAFILE_HEADER;

// Cleared first; filled only for a file header block (type 11) of a known
// format. FALSE when nothing was filled.
int get_datafile_header(const ub1* buffer, PDATAFILE_HEADER header, const BLOCK_HEADER* block_header,
                        ub4 block_size);
// The same in the order and layout given rather than the configured ones.
int get_datafile_header_order(const ub1* buffer, PDATAFILE_HEADER header, const BLOCK_HEADER* block_header,
                              ub4 block_size, int byte_order, int is_tru64);
