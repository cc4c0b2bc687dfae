#include "corpus/dbfunction.h"

#include "toolkit/paths.h"

#include <charconv>

namespace corpus {

DBFunction::DBFunction(tk::Platform& platform, CorpusStore& store)
    : platform_(platform), store_(store) {}

QString DBFunction::connectionString(const QString& appPath) {
    // Joined exactly as they are: no separator is tested, added or removed.
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + appPath +
           QStringLiteral("\\") + QStringLiteral("velkaro.mdb;") +
           QStringLiteral("Jet OLEDB:Database Password=harbelune27kest") + QString();
}

bool DBFunction::open(Connection& c, std::string* error) {
    // The data source runs from "Data Source=" to the file name this program appended: the
    // folder between them may hold ";" or anything else.
    const QString key = QStringLiteral("Data Source=");
    const QString file = QStringLiteral("velkaro.mdb;");
    const qsizetype at = c.ConnectionString.indexOf(key);
    const qsizetype end = c.ConnectionString.lastIndexOf(file);
    if (at < 0 || end < at + key.size()) {
        *error = "no data source";
        return false;
    }
    const qsizetype from = at + key.size();
    const QString source = c.ConnectionString.mid(from, end + file.size() - 1 - from);
    const QString path = tk::resolvePath(platform_.AppPath(), source);
    c.corpus = store_.open(path.toStdString(), error, c.ConnectionTimeout);
    return static_cast<bool>(c.corpus);
}

void DBFunction::OpenDatabase() {
    auto conn = std::make_shared<Connection>();
    SharedConnection = conn;
    SqlText = connectionString(platform_.AppPath());
    conn->ConnectionTimeout = 30;
    conn->ConnectionString = SqlText;
    std::string error;
    if (!open(*conn, &error)) {
        platform_.MsgBox(kConnectMessage, tk::OkOnly | tk::IconStop, kErrorTitle);
        platform_.End();
    }
}

void DBFunction::OpenQuery(QString sql, const std::vector<QVariant>& params) {
    // Taken by value first: the caller's text is SqlText, which OpenDatabase overwrites.
    const QString copy = std::move(sql);
    OpenDatabase();
    auto rs = std::make_shared<Recordset>();
    SharedRecordset = rs;
    QString error;
    auto table = run(SharedConnection->corpus->db(), copy, params, &error);
    if (!table) {
        platform_.MsgBox(kQueryMessage + QStringLiteral("\r\n") + error, tk::OkOnly | tk::IconStop,
                         kErrorTitle);
        return;
    }
    *rs = Recordset(std::move(table));
}

std::shared_ptr<ResultTable> DBFunction::run(sqlite3* db, const QString& sql,
                                             const std::vector<QVariant>& params, QString* error) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, &tail) != SQLITE_OK ||
        !st) {
        *error = sqlite3_errcode(db) != SQLITE_OK ? QString::fromUtf8(sqlite3_errmsg(db))
                                                  : QStringLiteral("empty SQL text");
        sqlite3_finalize(st);
        return nullptr;
    }
    // One statement only, and one that only reads.
    while (tail && *tail &&
           (*tail == ' ' || *tail == '\n' || *tail == '\r' || *tail == '\t' || *tail == ';'))
        ++tail;
    if ((tail && *tail) || !sqlite3_stmt_readonly(st)) {
        *error = QStringLiteral("only one reading statement is allowed");
        sqlite3_finalize(st);
        return nullptr;
    }
    for (size_t i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        const int slot = int(i) + 1;
        if (v.isNull()) {
            sqlite3_bind_null(st, slot);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(st, slot, v.toLongLong());
        } else {
            const QByteArray b = v.toString().toUtf8();
            sqlite3_bind_text(st, slot, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        }
    }
    const int n = sqlite3_column_count(st);
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.emplace_back(sqlite3_column_name(st, i));
    auto table = std::make_shared<ResultTable>(std::move(names));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int i = 0; i < n; ++i) {
            // Through the value: one call each instead of the column calls' bookkeeping.
            sqlite3_value* v = sqlite3_column_value(st, i);
            const int type = sqlite3_value_type(v);
            if (type == SQLITE_NULL) {
                table->addNull();
            } else if (type == SQLITE_INTEGER) {
                // Formatted here: the engine's own text conversion allocates every time.
                char buf[24];
                const auto r = std::to_chars(buf, buf + sizeof buf, sqlite3_value_int64(v));
                table->addCell(buf, size_t(r.ptr - buf));
            } else {
                const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
                table->addCell(t, size_t(sqlite3_value_bytes(v)));
            }
        }
    }
    if (rc != SQLITE_DONE) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
        return nullptr;
    }
    sqlite3_finalize(st);
    return table;
}

} // namespace corpus
