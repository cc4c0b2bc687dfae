#pragma once
// A minimal writer of Jet 4.0 database files holding one user table: enough for libmdb
// (and so for our own loader and mdb-export) to read it back. No indexes, no system
// tables beyond the catalog.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet4 {

enum class ColType : uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    OLE = 0x0B,
    Memo = 0x0C,
};

struct Column {
    std::u16string name;
    ColType type;
    int maxChars = 255; // Text only
};

struct Null {};
using Value = std::variant<Null, int64_t, double, bool, std::u16string, std::string /*binary*/>;

struct Table {
    std::u16string name;
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
};

struct Options {
    std::u16string password; // database password, at most 20 characters
    uint16_t codePage = 874; // Thai
    double creationDate = 45000.25;
};

// The whole file. Throws std::invalid_argument for a table it cannot lay out.
std::string writeDatabase(const Table& table, const Options& options = {});

std::u16string u16(const std::string& utf8);

// Reads the database password back out of a header page (for checks).
std::u16string readPassword(const std::string& file);

} // namespace jet4
