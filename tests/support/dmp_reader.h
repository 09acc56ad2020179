#pragma once
// A reader of export dump files, independent of zem's writer: it parses the
// files zem writes and the real exports of the export utility alike, back
// into tables, column descriptors and rows of stored values.
//
// What it takes from a file: the first byte 0x03, the session character set
// (big-endian ub2 at 1) and the header lines ("EXPORT:Vnn.nn.nn", flag and
// user, "R" and mode, record length). Then every table: a line
// `TABLE "name"` at the start of a line, its CREATE TABLE line, and the
// `INSERT INTO` line followed by the descriptors (little-endian ub2 count;
// per column ub2 type and length, and for character types ub2 character
// set id and form; 4 zero bytes) and the rows: per column a ub2 length and
// the bytes, 0xFFFE NULL, or 0xFFFD and chunks up to a 0x0000; 0x0000 after
// each row; 0xFFFF after the last. The DDL text between tables (some of it
// length-prefixed records) is skipped up to the next TABLE line.

#include <cstdint>
#include <string>
#include <vector>

struct DmpColumn {
    uint16_t type = 0;
    uint16_t length = 0;
    uint16_t charset_id = 0;
    uint16_t charset_form = 0;
};

struct DmpValue {
    bool is_null = true;
    bool chunked = false;        // written as 0xFFFD and chunks
    size_t chunks = 0;
    std::vector<uint8_t> bytes;  // the chunks joined
};

struct DmpTable {
    std::string name;
    std::string create_sql;      // the CREATE TABLE line, without its line feed
    std::string insert_sql;      // the INSERT line, without its line feed
    std::vector<DmpColumn> columns;
    std::vector<std::string> lob_names; // the LOB column list of newer exports
    std::vector<std::vector<DmpValue>> rows;
    size_t data_begin = 0;       // offset of the first row
    size_t data_end = 0;         // offset just past the table's 0xFFFF
};

struct DmpFile {
    uint16_t charset_id = 0;
    std::string version;         // "V08.01.07"
    std::string user;            // the exporting user, without its flag letter
    char flag = 0;               // 'U' conventional, 'D' direct path
    std::string mode;            // "TABLES", "USERS"
    uint32_t record_length = 0;
    std::vector<DmpTable> tables;
    bool ends_with_exit = false; // "\nEXIT\nEXIT\n" and nothing but zeros after it
};

// Empty on success, else where and why the bytes stopped making sense.
std::string read_dmp(const std::vector<uint8_t>& bytes, DmpFile* file);
std::vector<uint8_t> read_file_bytes(const std::string& path);
// Bytes as hex-text lines: offset and 16 bytes, all-zero lines left out.
std::string hex_lines(const std::vector<uint8_t>& bytes, size_t begin, size_t end);
