#include "blocks/block_names.h"

#include "blocks/block_types.h"

namespace {

// One letter per position, '-' where the bit is clear; a position with no
// bit (mask 0) stays '-'.
struct FLAG_LETTER {
    ub1 mask;
    char letter;
};

template <size_t N>
char* set_flag_letters(ub1 flag, const FLAG_LETTER (&letters)[N], char* name)
{
    for (size_t i = 0; i < N; i++)
        name[i] = letters[i].mask != 0 && (flag & letters[i].mask) ? letters[i].letter : '-';
    name[N] = '\0';
    return name;
}

} // namespace

const char* get_block_type_name(ub1 type)
{
    switch (type) {
    case BT_BLANK:
        return "blank block";
    case BT_DATA_HEADER:
        return "data segment header block,no freelist groups";
    case BT_DATA:
        return "table/index/cluster segment data block";
    case BT_FILE_HEADER:
        return "file header";
    case BT_DATA_HEADER_FLG:
        return "data segment header block with freelist groups";
    case BT_COMPAT_SEG:
        return "Compatibility segment";
    case BT_UUNDO_HEADER:
        return "KTU UNDO HEADER W/UNLIMITED EXTENTS";
    case BT_UDATA_HEADER:
        return "data segment header block (unlimited extents)";
    case BT_EXTENT_MAP:
        return "extent map block";
    case BT_LOB_HEADER:
        return "BITMAPPED DATA SEGMENT HEADER";
    case BT_LOB_INDEX:
        return "BITMAP INDEX BLOCK";
    case BT_LOB_DATA:
        return "LOB BLOCK";
    case BT_LMT_HEADER:
        return "LMT space map header block";
    case BT_LMT_MAP:
        return "LMT space map block";
    case BT_ASSM_LEVEL1:
        return "ASSM level 1 bitmap block";
    case BT_ASSM_LEVEL2:
        return "ASSM level 2 bitmap block";
    case BT_ASSM_LEVEL3:
        return "ASSM level 3 bitmap block";
    case BT_ASSM_HEADER:
        return "ASSM segment header block";
    case BT_ASSM_EXTENT_MAP:
        return "ASSM extent map block";
    case BT_SYS_UNDO_HEADER:
        return "KTU SMU HEADER BLOCK";
    case BT_MLOB_DATA:
        return "PAGETABLE MANAGED LOB BLOCK";
    default:
        return "unknown";
    }
}

const char* get_block_format_name(ub1 format)
{
    switch (format) {
    case 0x01:
        return "oracle 7";
    case 0x02:
        return "oracle 8 or 9";
    case 0x62:
    case 0x82:
    case 0xa2:
    case 0xc2:
    case 0xe2:
        return "oracle 10+";
    default:
        return "unknown";
    }
}

const char* get_file_type_name(ub2 type)
{
    switch (type) {
    case FILETYPE_CONTROL:
        return "control file";
    case FILETYPE_REDO:
        return "redo logfile";
    case FILETYPE_DATA:
        return "data file";
    case FILETYPE_BACKUP_CONTROL:
        return "backup control file";
    case FILETYPE_BACKUP_PIECE:
        return "backup piece file";
    case FILETYPE_TEMPORARY:
        return "temporary file";
    default:
        return "unknown";
    }
}

const char* get_datablock_type_name(ub1 kind)
{
    if (kind == DBT_DATA)
        return "data";
    if (kind == DBT_INDEX)
        return "index";
    return "unkown";
}

const char* get_fl_flag_name(ub1 fl_flag)
{
    switch (fl_flag) {
    case 0:
        return "-";
    case 1:
        return "O";
    case 0x30:
        return "E";
    default:
        return "X";
    }
}

char* set_row_flag_name(ub1 flag, char* name)
{
    static const FLAG_LETTER letters[] = {{0x80, 'K'}, {0x40, 'C'}, {0x20, 'H'}, {0x10, 'D'},
                                          {0x08, 'F'}, {0x04, 'L'}, {0x02, 'P'}, {0x01, 'N'}};
    return set_flag_letters(flag, letters, name);
}

char* set_datablock_hflag_name(ub1 flag, char* name)
{
    static const FLAG_LETTER letters[] = {{0x08, 'C'}, {0x04, 'B'}, {0x02, 'U'}, {0x01, 'T'}};
    return set_flag_letters(flag, letters, name);
}

char* set_kdbh_flag_name(ub1 flag, char* name)
{
    static const FLAG_LETTER letters[] = {{0, '-'}, {0x40, 'O'}, {0x20, 'R'}, {0, '-'},
                                          {0, '-'}, {0, '-'},    {0, '-'},    {0x01, 'K'}};
    return set_flag_letters(flag, letters, name);
}

char* set_kdbh_9ir2_flag_name(ub1 flag, char* name)
{
    static const FLAG_LETTER letters[] = {{0, '-'}, {0, '-'}, {0x20, 'R'}, {0, '-'},
                                          {0, '-'}, {0, '-'}, {0x02, 'O'}, {0x01, 'C'}};
    return set_flag_letters(flag, letters, name);
}

char* set_iot_flag_name(ub1 flag, char* name)
{
    static const FLAG_LETTER letters[] = {{0x10, 'I'}, {0x20, 'C'}, {0x40, 'N'}};
    return set_flag_letters(flag, letters, name);
}

char* set_index_row_flag_name(ub1 flag, char* name)
{
    static const FLAG_LETTER letters[] = {{0x04, 'K'}, {0x08, 'P'}, {0, '-'}, {0x01, 'D'}, {0x02, 'S'}};
    return set_flag_letters(flag, letters, name);
}
