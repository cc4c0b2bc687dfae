#pragma once
// The topic table as the program reads it.
#include <array>
#include <string_view>

namespace corpus {

inline constexpr std::string_view kTableName = "Velkaro";
inline constexpr std::string_view kFileName = "velkaro.mdb";

inline constexpr std::array<std::string_view, 12> kColumns = {
    "velkaro_group", "velkaro_code", "velkaro_category",  "velkaro_title",
    "velkaro_no",    "velkaro_mark", "velkaro_book_blue", "velkaro_book_red",
    "velkaro_book",  "velkaro_page", "velkaro_line",      "velkaro_readfromfile",
};

// The engine's table: texts compare without regard to letter case, as in the original
// engine; the group code is a number; the other columns keep the type each value had.
inline constexpr const char* kCreateTable =
    "CREATE TABLE Velkaro("
    "velkaro_group TEXT COLLATE NOCASE, velkaro_code INTEGER, "
    "velkaro_category TEXT COLLATE NOCASE, velkaro_title TEXT COLLATE NOCASE, "
    "velkaro_no, velkaro_mark, velkaro_book_blue TEXT COLLATE NOCASE, "
    "velkaro_book_red TEXT COLLATE NOCASE, velkaro_book, velkaro_page, velkaro_line, "
    "velkaro_readfromfile)";
// Topic lists select by code; the other queries scan.
inline constexpr const char* kCreateIndexes =
    "CREATE INDEX velkaro_by_code ON Velkaro(velkaro_code);";

} // namespace corpus
