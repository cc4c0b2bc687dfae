#pragma once
// Rows of table Velkaro as the command-line tools print them: tab-separated UTF-8, a null
// as \N, tabs and line breaks inside a value as blanks.
#include <sqlite3.h>
#include <string>

namespace tools {

inline void appendHeader(sqlite3_stmt* st, std::string& out) {
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
        out += i ? "\t" : "";
        out += sqlite3_column_name(st, i);
    }
    out += '\n';
}

inline void appendRow(sqlite3_stmt* st, std::string& out) {
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (i)
            out += '\t';
        if (sqlite3_column_type(st, i) == SQLITE_NULL) {
            out += "\\N"; // apart from an empty text
            continue;
        }
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        for (const char* c = t ? t : ""; *c; ++c)
            out += (*c == '\t' || *c == '\n' || *c == '\r') ? ' ' : *c;
    }
    out += '\n';
}

} // namespace tools
