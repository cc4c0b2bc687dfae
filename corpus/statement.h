#pragma once
// One SQLite statement, owned: every call's result is checked and the last failure kept,
// so that a caller gets an error value instead of a half-read result.
#include <cstdint>
#include <sqlite3.h>
#include <string>
#include <string_view>

namespace corpus {

class Statement {
  public:
    enum class Step { Row, Done, Error };

    // Prepares the first statement of sql; ok() tells whether it can run.
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return st_ && error_.empty(); }
    // The last failure, in the engine's words; empty while none.
    const std::string& error() const { return error_; }
    // Text after the first statement other than blanks and semicolons.
    bool hasTrailingText() const { return trailing_; }
    bool readOnly() const { return st_ && sqlite3_stmt_readonly(st_); }

    bool bindNull(int slot);
    bool bindInt(int slot, int64_t v);
    bool bindText(int slot, std::string_view v);

    Step step();
    // Back to before the first row, keeping the bound values.
    bool reset();

    int columnCount() const { return st_ ? sqlite3_column_count(st_) : 0; }
    std::string_view columnName(int i) const;
    // A cell of the current row; read it with the value functions below, which, unlike
    // the column calls, take no lock each.
    sqlite3_value* value(int i) const { return sqlite3_column_value(st_, i); }
    int type(int i) const { return sqlite3_column_type(st_, i); }
    int64_t integer(int i) const { return sqlite3_column_int64(st_, i); }
    // The cell as text (a number in the engine's own form); empty for a null.
    std::string_view text(int i) const;

    sqlite3_stmt* get() const { return st_; }

  private:
    bool check(int rc);

    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
    std::string error_;
    bool trailing_ = false;
};

// A value's text (a number in the engine's own form); empty for a null.
inline std::string_view valueText(sqlite3_value* v) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return t ? std::string_view(t, size_t(sqlite3_value_bytes(v))) : std::string_view();
}

// Runs statements that return no rows; false with the reason when one fails.
bool execute(sqlite3* db, const char* sql, std::string* error);

} // namespace corpus
