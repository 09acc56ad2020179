#pragma once
// The ASM block header every metadata block starts with, the disk header,
// and the metadata block checksum.
//
// ASM block header KFBH, 32 bytes at offset 0 of every metadata block:
//   off size field          off size field
//     0    1 endian           1    1 hard (low nibble 0x02; high: size code)
//     2    1 type             3    1 datfmt
//     4    4 block_blk        8    4 block_obj
//    12    4 check           16    4 fcn_base
//    20    4 fcn_wrap        24    4 fspare1
//    28    4 fspare2
// The endian byte is informational: integers follow the configured order.
//
// Disk header KFDHBH (type KFBTYPE_DISKHEAD), first 4096 bytes of the disk:
//   off size field          off size field
//    64    4 compat          68    2 dsknum
//    70    1 grptyp          71    1 hdrsts
//    72   32 dskname        104   32 grpname
//   136   32 fgname         168   32 capname
//   200   16 crestmp/mntstmp hi,lo
//   216    2 secsize        218    2 blksize (metadata block size)
//   220    4 ausize         224    4 mfact
//   228    4 dsksize (AUs)  232    4 pmcnt
//   236    4 fstlocn        240    4 altlocn
//   244    4 f1b1locn (AU of block 1 of file 1 on this disk, 0: none)

#include "storage/asm_types.h"

constexpr ub4 ASMDISK_BLOCK_HEADER_SIZE = 32;
constexpr ub4 ASMDISK_HEADER_SIZE = 4096;
// Metadata blocks the reader accepts: whole 32-bit words for the checksum,
// room for a file directory entry, at most the largest block-size code.
constexpr ub4 ASM_META_BLOCK_MIN_SIZE = 512;
constexpr ub4 ASM_META_BLOCK_MAX_SIZE = 32768;

constexpr ub1 KFBH_LITTLE_ENDIAN = 1;
constexpr ub1 KFBH_BIG_ENDIAN = 0;
constexpr ub1 KFBH_HARD = 0x02;
constexpr ub1 KFBH_HARD_4K = 0x80;
constexpr ub1 KFBH_HARD_8K = 0xa0;
constexpr ub1 KFBH_HARD_16K = 0xc0;
constexpr ub1 KFBH_HARD_32K = 0xe0;

enum {
    KFBTYPE_INVALID = 0x00,
    KFBTYPE_DISKHEAD = 0x01,
    KFBTYPE_FREESPC = 0x02,
    KFBTYPE_ALLOCTBL = 0x03,
    KFBTYPE_FILEDIR = 0x04,
    KFBTYPE_LISTHEAD = 0x05,
    KFBTYPE_DISKDIR = 0x06,
    KFBTYPE_ACDC = 0x07,
    KFBTYPE_CHNGDIR = 0x08,
    KFBTYPE_COD_BGO = 0x09,
    KFBTYPE_TMPLTDIR = 0x0A,
    KFBTYPE_ALIASDIR = 0x0B,
    KFBTYPE_INDIRECT = 0x0C,
    KFBTYPE_PST_NONE = 0x0D,
    KFBTYPE_HASHNODE = 0x0E,
    KFBTYPE_COD_RBO = 0x0F,
    KFBTYPE_COD_DATA = 0x10,
    KFBTYPE_PST_META = 0x11,
    KFBTYPE_PST_DTA = 0x12,
    KFBTYPE_HBEAT = 0x13,
};

enum {
    KFDGTP_INVALID = 0,
    KFDGTP_EXTERNAL = 1,
    KFDGTP_NORMAL = 2,
    KFDGTP_HIGH = 3,
};

enum {
    KFDHDR_INVALID = 0,
    KFDHDR_UNKNOWN = 1,
    KFDHDR_CANDIDATE = 2,
    KFDHDR_MEMBER = 3,
    KFDHDR_FORMER = 4,
    KFDHDR_CONFLICT = 5,
    KFDHDR_INCOMPAT = 6,
    KFDHDR_PROVISIONED = 7,
};

// Fields of the compatibility word.
#define VSNNUMVSN(compat) (((compat) >> 24) & 0xFF)
#define VSNNUMRLS(compat) (((compat) >> 20) & 0x0F)
#define VSNNUMUPD(compat) (((compat) >> 12) & 0xFF)
#define VSNNUMPRL(compat) (((compat) >> 8) & 0x0F)
#define VSNNUMPUP(compat) ((compat) & 0xFF)

typedef struct _tag_kfbh {
    ub1 endian;
    ub1 hard;
    ub1 type;
    ub1 datfmt;
    ub4 block_blk;
    ub4 block_obj;
    ub4 check;
    ub4 fcn_base;
    ub4 fcn_wrap;
    ub4 fspare1;
    ub4 fspare2;
} KFBH, *PKFBH;

typedef struct _tag_kfdhbh {
    ub4 compat;
    ub2 dsknum;
    ub1 grptyp;
    ub1 hdrsts;
    char dskname[ASM_NAME_MAXLEN + 1];
    char grpname[ASM_NAME_MAXLEN + 1];
    char fgname[ASM_NAME_MAXLEN + 1];
    char capname[ASM_NAME_MAXLEN + 1];
    ub4 crestmp_hi;
    ub4 crestmp_lo;
    ub4 mntstmp_hi;
    ub4 mntstmp_lo;
    ub2 secsize;
    ub2 blksize;
    ub4 ausize;
    ub4 mfact;
    ub4 dsksize;
    ub4 pmcnt;
    ub4 fstlocn;
    ub4 altlocn;
    ub4 f1b1locn;
    // Declared for completeness, not read.
    ub2 redomirrors[4];
    ub4 dbcompat;
    ub4 grpstmp_hi;
    ub4 grpstmp_lo;
    ub4 acdb_aba_seq;
    ub4 acdb_aba_blk;
    ub2 acdb_ents;
    ub2 acdb_ub2spare;
} KFDHBH, *PKFDHBH;

// The buffer holds at least ASMDISK_BLOCK_HEADER_SIZE bytes.
void get_kfbh(const ub1* buffer, PKFBH kfbh);
// The buffer holds at least ASMDISK_HEADER_SIZE bytes.
void get_kfdhbh(const ub1* buffer, PKFDHBH kfdhbh);
// The same in the order given rather than the configured one.
void get_kfdhbh_order(const ub1* buffer, PKFDHBH kfdhbh, int byte_order);
bool check_asmdisk_block_header(const KFBH* kfbh);
bool check_asmdisk_block_checksum(const ub1* buffer, ub4 length);
bool is_valid_asm_meta_block_size(ub4 size);
