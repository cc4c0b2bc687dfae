#include "corpus/statement.h"

namespace corpus {

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
    const char* tail = nullptr;
    if (!db_) {
        error_ = "no database";
        return;
    }
    const int rc = sqlite3_prepare_v2(db_, sql.data(), int(sql.size()), &st_, &tail);
    if (rc != SQLITE_OK) {
        error_ = sqlite3_errmsg(db_);
        return;
    }
    if (!st_) {
        error_ = "empty SQL text";
        return;
    }
    const char* end = sql.data() + sql.size();
    while (tail && tail < end &&
           (*tail == ' ' || *tail == '\n' || *tail == '\r' || *tail == '\t' || *tail == ';'))
        ++tail;
    trailing_ = tail && tail < end;
}

Statement::~Statement() {
    sqlite3_finalize(st_);
}

bool Statement::check(int rc) {
    if (rc == SQLITE_OK)
        return true;
    error_ = sqlite3_errmsg(db_);
    if (error_.empty())
        error_ = sqlite3_errstr(rc);
    return false;
}

bool Statement::bindNull(int slot) {
    return st_ && check(sqlite3_bind_null(st_, slot));
}

bool Statement::bindInt(int slot, int64_t v) {
    return st_ && check(sqlite3_bind_int64(st_, slot, v));
}

bool Statement::bindText(int slot, std::string_view v) {
    return st_ && check(sqlite3_bind_text(st_, slot, v.data(), int(v.size()), SQLITE_TRANSIENT));
}

Statement::Step Statement::step() {
    if (!ok())
        return Step::Error;
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW)
        return Step::Row;
    if (rc == SQLITE_DONE)
        return Step::Done;
    error_ = sqlite3_errmsg(db_);
    if (error_.empty())
        error_ = sqlite3_errstr(rc);
    return Step::Error;
}

bool Statement::reset() {
    return st_ && check(sqlite3_reset(st_));
}

std::string_view Statement::columnName(int i) const {
    const char* n = st_ ? sqlite3_column_name(st_, i) : nullptr;
    return n ? std::string_view(n) : std::string_view();
}

std::string_view Statement::text(int i) const {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st_, i));
    if (!t)
        return {};
    return std::string_view(t, size_t(sqlite3_column_bytes(st_, i)));
}

bool execute(sqlite3* db, const char* sql, std::string* error) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        return true;
    if (error)
        *error = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return false;
}

} // namespace corpus
