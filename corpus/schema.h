#pragma once
// The topic table as the program reads it.
#include <array>
#include <string_view>

namespace corpus {

inline constexpr std::string_view kTableName = "Velkaro";
// The name as the SQL texts write it before a column; the engine ignores letter case.
inline constexpr std::string_view kQualifier = "velkaro";
inline constexpr std::string_view kFileName = "velkaro.mdb";

namespace col {
inline constexpr std::string_view kGroup = "velkaro_group";
inline constexpr std::string_view kCode = "velkaro_code";
inline constexpr std::string_view kCategory = "velkaro_category";
inline constexpr std::string_view kTitle = "velkaro_title";
inline constexpr std::string_view kNo = "velkaro_no";
inline constexpr std::string_view kMark = "velkaro_mark";
inline constexpr std::string_view kBookBlue = "velkaro_book_blue";
inline constexpr std::string_view kBookRed = "velkaro_book_red";
inline constexpr std::string_view kBook = "velkaro_book";
inline constexpr std::string_view kPage = "velkaro_page";
inline constexpr std::string_view kLine = "velkaro_line";
inline constexpr std::string_view kReadFromFile = "velkaro_readfromfile";
} // namespace col

// In the table's order.
inline constexpr std::array<std::string_view, 12> kColumns = {
    col::kGroup, col::kCode,     col::kCategory, col::kTitle, col::kNo,   col::kMark,
    col::kBookBlue, col::kBookRed, col::kBook, col::kPage, col::kLine, col::kReadFromFile,
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
// Topic lists select by code; a page's topics by volume and page compared as numbers (the
// expressions are the ones the page queries write, so that the engine uses the index, and
// the texts they check and the topic's number are in it too, so that where the topics are
// is read from the index alone); the other queries scan.
inline constexpr const char* kCreateIndexes =
    "CREATE INDEX velkaro_by_code ON Velkaro(velkaro_code);"
    "CREATE INDEX velkaro_by_page ON Velkaro(CAST(velkaro_book AS INTEGER), "
    "CAST(velkaro_page AS INTEGER), velkaro_book, velkaro_page, velkaro_no);";

} // namespace corpus
