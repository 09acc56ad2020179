#pragma once
// What an unload could not read, counted per table so that the command can
// end the table with one summary: blocks skipped by reason, rows and values
// lost, and the first few addresses.

#include "base/types.h"

// Why a block (or a piece of one) was skipped.
constexpr int DMG_READ_FAILED = 0;  // the read returned no bytes
constexpr int DMG_BAD_TAIL = 1;     // the tail word does not match the cache header
constexpr int DMG_MARKED_CORRUPT = 2; // sequence byte 0xFF
constexpr int DMG_CHECKSUM = 3;     // stored checksum does not match the block
constexpr int DMG_NOT_DATA = 4;     // not a table data block where one was expected
constexpr int DMG_BAD_HEADER = 5;   // a header field points past the block end
constexpr int DMG_OTHER_OBJECT = 6; // the block belongs to another data object
constexpr int DMG_UNDECODABLE = 7;  // a block kind or layout the decoder cannot read
constexpr int DMG_SEGMENT_HEADER = 8; // a segment header or extent map block could not be read: its extents were not
constexpr int DMG_NO_DATAFILE = 9;  // the extent lies in a datafile that is not registered
constexpr int DMG_REASON_COUNT = 10;

// Reasons of remembered addresses that are not skipped blocks: a block whose
// rows were read but some of them lost, or cut short.
constexpr int DMG_ROWS_LOST = 100;
constexpr int DMG_VALUES_CUT = 101;

constexpr int DMG_FIRST_ADDRESSES = 5;

typedef struct _tag_damage_address {
    ub4 file_no;
    ub4 block_no;
    ub1 reason;
} DAMAGE_ADDRESS;

typedef struct _tag_unload_damage {
    ub8 blocks[DMG_REASON_COUNT];
    ub8 rows_lost;  // rows known to exist whose pieces could not be read
    ub8 values_cut; // values (LOBs, chained pieces) that end early
    ub4 address_cnt;
    DAMAGE_ADDRESS addresses[DMG_FIRST_ADDRESSES]; // the first blocks skipped
    int segment_error; // why the last segment header could not be read (SEG_ codes, extent_list.h), else 0
} UNLOAD_DAMAGE, *PUNLOAD_DAMAGE;

void init_unload_damage(PUNLOAD_DAMAGE damage);
// Counts one skipped block; the first DMG_FIRST_ADDRESSES are remembered.
void note_damaged_block(PUNLOAD_DAMAGE damage, int reason, ub4 file_no, ub4 block_no);
// Counts `count` skipped blocks from block_no on (an extent), remembering the first.
void note_damaged_blocks(PUNLOAD_DAMAGE damage, int reason, ub4 file_no, ub4 block_no, ub8 count);
// A row whose pieces could not be read, or a value (a row's columns) that
// ended early, in the block file_no/block_no.
void note_lost_row(PUNLOAD_DAMAGE damage, ub4 file_no, ub4 block_no);
void note_cut_value(PUNLOAD_DAMAGE damage, ub4 file_no, ub4 block_no);
// Anything to report: skipped blocks (other than blocks of another data
// object, which a segment normally holds), rows lost or values cut.
bool has_unload_damage(const UNLOAD_DAMAGE* damage);
ub8 get_damaged_block_count(const UNLOAD_DAMAGE* damage);
// Adds another count into `total` (a worker's share, a partition's).
void add_unload_damage(PUNLOAD_DAMAGE total, const UNLOAD_DAMAGE* part);
const char* get_damage_reason_text(int reason);
