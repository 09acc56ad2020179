#pragma once
// Table rows: column values in their stored Oracle forms, encoded by the
// builder's own encoders from logical values, and row pieces made of them.
//
// Row piece: flag, lock, column count; the cluster key index when C is set;
// a 6-byte row dependency SCN in a head piece of a block with row
// dependencies; the 6-byte head rowid in a first piece that is not the head;
// the 6-byte next-piece address (rdba, slot; big-endian) when L is clear;
// then per column a length byte (0xFF NULL; 0xFE and a 2-byte length in the
// file's order; else the length) and the bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace zb {

constexpr uint8_t ROW_K = 0x80; // cluster key row
constexpr uint8_t ROW_C = 0x40; // clustered table row: cluster key index follows
constexpr uint8_t ROW_H = 0x20; // head piece
constexpr uint8_t ROW_D = 0x10; // deleted
constexpr uint8_t ROW_F = 0x08; // first piece holding columns
constexpr uint8_t ROW_L = 0x04; // last piece
constexpr uint8_t ROW_P = 0x02; // first column continues the previous piece's last
constexpr uint8_t ROW_N = 0x01; // last column continues in the next piece

// One stored column: its bytes, NULL, or a placeholder (counted in the
// piece's column count but stored nowhere).
struct Cell {
    bool is_null = true;
    bool placeholder = false;
    bool long_form = false; // 0xFE form even for a short value
    std::vector<uint8_t> bytes;
};

Cell null_cell();
Cell placeholder_cell();
Cell bytes_cell(std::vector<uint8_t> bytes);
Cell text_cell(const std::string& text);
// Encoded size in a row piece: length byte(s) and bytes.
uint32_t cell_size(const Cell& cell);

// Stored forms of the column types.
// NUMBER from a decimal text such as "-12.5", "0", "100", "0.0001" (at most
// 40 significant digits).
std::vector<uint8_t> number_bytes(const std::string& decimal);
std::vector<uint8_t> number_bytes(int64_t value);
// DATE: century + 100, year of century + 100, month, day, hour + 1,
// minute + 1, second + 1.
std::vector<uint8_t> date_bytes(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// TIMESTAMP: the date bytes, then the nanoseconds as a big-endian 4-byte
// number (11 bytes); nanoseconds 0 still give 11 bytes.
std::vector<uint8_t> timestamp_bytes(int year, int month, int day, int hour, int minute, int second,
                                     uint32_t nanos);
// TIMESTAMP WITH TIME ZONE for a wall-clock time in a zone offset from UTC
// by tz_minutes (east positive): the UTC date bytes, the nanoseconds, zone
// hour + 20 and zone minute + 60.
std::vector<uint8_t> timestamp_tz_bytes(int year, int month, int day, int hour, int minute, int second,
                                        uint32_t nanos, int tz_minutes);
// BINARY_FLOAT / BINARY_DOUBLE: IEEE bits big-endian, the sign bit flipped
// for a non-negative value, every bit inverted for a negative one.
std::vector<uint8_t> binary_float_bytes(float value);
std::vector<uint8_t> binary_double_bytes(double value);
// ROWID: data object ub4, block address ub4, row ub2, big-endian; the
// restricted form leaves out the object.
std::vector<uint8_t> rowid_bytes(uint32_t data_object, uint32_t rdba, uint16_t row);
std::vector<uint8_t> short_rowid_bytes(uint32_t rdba, uint16_t row);

struct Rid {
    uint32_t rdba = 0;
    uint16_t slot = 0;
};

struct PieceLayout {
    uint8_t flag = ROW_H | ROW_F | ROW_L;
    uint8_t lock = 0;
    int cluster_key_index = -1; // written, and C set, when 0 or more
    bool dscn = false;          // row dependency SCN (written only with H)
    uint16_t dscn_wrap = 0;
    uint32_t dscn_base = 0;
    Rid head;                   // written in a first piece that is not the head
    Rid next;                   // written when L is clear
    std::vector<Cell> cells;
};

std::vector<uint8_t> encode_piece(const PieceLayout& piece, int order);

// Cluster key row: flag (K and H at least), lock, column count, two 2-byte
// counters, two 6-byte rowids, the next piece when L is clear, the key.
struct KeyRowLayout {
    uint8_t flag = ROW_K | ROW_H | ROW_F | ROW_L;
    uint8_t lock = 0;
    uint16_t rows_in_cluster = 0;
    uint16_t counter2 = 0;
    Rid prev, next_key, next;
    std::vector<Cell> cells;
};

std::vector<uint8_t> encode_key_row(const KeyRowLayout& key, int order);

} // namespace zb
