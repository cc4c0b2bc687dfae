#include "corpus/query.h"

#include <charconv>

namespace corpus {

std::unique_ptr<Statement> prepareReading(sqlite3* db, const QString& sql,
                                          const std::vector<QVariant>& params,
                                          std::string* error) {
    const QByteArray text = sql.toUtf8();
    auto st = std::make_unique<Statement>(db, std::string_view(text.constData(), size_t(text.size())));
    if (!st->ok()) {
        *error = st->error();
        return nullptr;
    }
    if (st->hasTrailingText() || !st->readOnly()) {
        *error = "only one reading statement is allowed";
        return nullptr;
    }
    for (size_t i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        const int slot = int(i) + 1;
        bool bound;
        if (v.isNull())
            bound = st->bindNull(slot);
        else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
            bound = st->bindInt(slot, v.toLongLong());
        else {
            const QByteArray b = v.toString().toUtf8();
            bound = st->bindText(slot, std::string_view(b.constData(), size_t(b.size())));
        }
        if (!bound) {
            *error = st->error();
            return nullptr;
        }
    }
    return st;
}

std::shared_ptr<ResultTable> readTable(sqlite3* db, const QString& sql,
                                       const std::vector<QVariant>& params, std::string* error) {
    auto st = prepareReading(db, sql, params, error);
    if (!st)
        return nullptr;
    const int n = st->columnCount();
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.emplace_back(st->columnName(i));
    auto table = std::make_shared<ResultTable>(std::move(names));
    Statement::Step step;
    while ((step = st->step()) == Statement::Step::Row) {
        for (int i = 0; i < n; ++i) {
            sqlite3_value* v = st->value(i);
            const int type = sqlite3_value_type(v);
            if (type == SQLITE_NULL) {
                table->addNull();
            } else if (type == SQLITE_INTEGER) {
                // Formatted here: the engine's own text conversion allocates every time.
                char buf[24];
                const auto r = std::to_chars(buf, buf + sizeof buf, sqlite3_value_int64(v));
                table->addCell(buf, size_t(r.ptr - buf));
            } else {
                const std::string_view t = valueText(v);
                table->addCell(t.data(), t.size());
            }
        }
    }
    if (step == Statement::Step::Error) {
        *error = st->error();
        return nullptr;
    }
    return table;
}

std::shared_ptr<TopicList> readTopicList(sqlite3* db, const QString& sql,
                                         const std::vector<QVariant>& params, std::string* error) {
    auto st = prepareReading(db, sql, params, error);
    if (!st)
        return nullptr;
    auto list = std::make_shared<TopicList>();
    if (!readTopics(*st, *list)) {
        *error = st->error();
        return nullptr;
    }
    return list;
}

} // namespace corpus
