#include "corpus/topic_queries.h"

#include "corpus/query.h"
#include "corpus/schema.h"

#include <algorithm>
#include <cstdint>

namespace corpus {

namespace {
QString name(std::string_view n) {
    return QString::fromLatin1(n.data(), qsizetype(n.size()));
}
// "velkaro.velkaro_code" and the like.
QString qualified(std::string_view column) {
    return name(kQualifier) + QLatin1Char('.') + name(column);
}
QString selectAll() {
    return QStringLiteral("SELECT * ") + QStringLiteral(" From ") + name(kTableName);
}
} // namespace

QString volumeTopicsSql(int16_t volume) {
    return selectAll() + QStringLiteral(" WHERE ") + qualified(col::kCode) + QStringLiteral("= ") +
           QString::number(volume);
}

QString groupTopicsSql(const QString& code) {
    // The code comes from the group list, which holds numbers read from the table; the
    // reading allows one statement that only reads, whatever the code holds.
    return selectAll() + QStringLiteral(" WHERE ") + qualified(col::kCode) + QStringLiteral("= ") +
           code;
}

QString searchSql() {
    return selectAll() + QStringLiteral(" WHERE ") + qualified(col::kTitle) +
           QStringLiteral(" Like ?1") + QStringLiteral(" Or ") + qualified(col::kBookBlue) +
           QStringLiteral(" Like ?1");
}

QString searchPattern(const QString& word) {
    return QStringLiteral("%") + word + QStringLiteral("%");
}

QString groupsSql(const QString& category) {
    const QString groupAndCode = qualified(col::kGroup) + QStringLiteral(", ") + qualified(col::kCode);
    return QStringLiteral("SELECT ") + groupAndCode + QStringLiteral("  From ") + name(kTableName) +
           QStringLiteral(" Where ") + name(kTableName) + QLatin1Char('.') + name(col::kCategory) +
           QStringLiteral(" = '") + category + QStringLiteral("'") + QStringLiteral(" GROUP BY ") +
           groupAndCode + QStringLiteral(" ORDER BY ") + qualified(col::kCode);
}

namespace {
// A text of digits only: "0123" is page 123, "12abc" or "abc" is no page at all (a cast alone
// would make them 12 and 0).
QString digitsOnly(std::string_view column) {
    const QString t = QStringLiteral("trim(") + qualified(column) + QLatin1Char(')');
    return t + QStringLiteral(" GLOB '[0-9]*' AND ") + t + QStringLiteral(" NOT GLOB '*[^0-9]*'");
}
} // namespace

QString pageTopicsSql() {
    return selectAll() + QStringLiteral(" WHERE CAST(") + qualified(col::kBook) +
           QStringLiteral(" AS INTEGER) = ?1 AND CAST(") + qualified(col::kPage) +
           QStringLiteral(" AS INTEGER) = ?2 AND ") + digitsOnly(col::kBook) + QStringLiteral(" AND ") +
           digitsOnly(col::kPage) + QStringLiteral(" ORDER BY rowid"); // the table's order
}

namespace {
QString asNumber(std::string_view column) {
    return QStringLiteral("CAST(") + qualified(column) + QStringLiteral(" AS INTEGER)");
}
} // namespace

QString topicPlacesSql() {
    // The expressions of the page index, so that it orders and limits the rows.
    // The texts come too: whether they are digits alone is told here, row by row, faster than
    // the engine's functions tell it.
    return QStringLiteral("SELECT ") + asNumber(col::kBook) + QStringLiteral(", ") +
           asNumber(col::kPage) + QStringLiteral(", ") + qualified(col::kNo) + QStringLiteral(", ") +
           qualified(col::kBook) + QStringLiteral(", ") + qualified(col::kPage) +
           QStringLiteral(" From ") + name(kTableName) + QStringLiteral(" WHERE ") +
           asNumber(col::kBook) + QStringLiteral(" BETWEEN ?1 AND ?2 ORDER BY ") +
           asNumber(col::kBook) + QStringLiteral(", ") + asNumber(col::kPage) +
           QStringLiteral(", rowid");
}

Result<std::vector<TopicPlace>> topicPlaces(sqlite3* db, long firstVolume, long lastVolume) {
    Result<std::vector<TopicPlace>> r;
    auto st = prepareReading(db, topicPlacesSql(), {qlonglong(firstVolume), qlonglong(lastVolume)},
                             &r.error);
    if (!st)
        return r;
    // As digitsOnly() tells it: blanks (spaces only, as trim() takes them) around digits.
    const auto digits = [](std::string_view v) {
        while (!v.empty() && v.front() == ' ')
            v.remove_prefix(1);
        while (!v.empty() && v.back() == ' ')
            v.remove_suffix(1);
        return !v.empty() && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    Statement::Step step;
    while ((step = st->step()) == Statement::Step::Row) {
        if (!digits(st->text(3)) || !digits(st->text(4)))
            continue;
        const std::string_view no = st->text(2);
        const auto clamp = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
        r.value.push_back({clamp(st->integer(0)), clamp(st->integer(1)),
                           QString::fromUtf8(no.data(), qsizetype(no.size()))});
    }
    if (step == Statement::Step::Error) {
        r.error = st->error();
        r.value.clear();
    }
    return r;
}

namespace {
Result<Topics> topics(sqlite3* db, const QString& sql, const std::vector<QVariant>& params) {
    Result<Topics> r;
    r.value = readTopicList(db, sql, params, &r.error);
    if (!r.value && r.error.empty())
        r.error = "no result";
    return r;
}
} // namespace

Result<std::vector<Group>> readGroups(sqlite3* db, const QString& sql,
                                      const std::vector<QVariant>& params) {
    Result<std::vector<Group>> r;
    auto st = prepareReading(db, sql, params, &r.error);
    if (!st)
        return r;
    int groupCol = -1, codeCol = -1;
    for (int i = 0; i < st->columnCount(); ++i) {
        const QString n = QString::fromUtf8(st->columnName(i).data(), qsizetype(st->columnName(i).size()));
        if (n.compare(name(col::kGroup), Qt::CaseInsensitive) == 0)
            groupCol = i;
        else if (n.compare(name(col::kCode), Qt::CaseInsensitive) == 0)
            codeCol = i;
    }
    auto text = [&](int c) {
        if (c < 0)
            return QString();
        const std::string_view v = valueText(st->value(c));
        return QString::fromUtf8(v.data(), qsizetype(v.size()));
    };
    Statement::Step step;
    while ((step = st->step()) == Statement::Step::Row)
        r.value.push_back({text(groupCol), text(codeCol)});
    if (step == Statement::Step::Error) {
        r.error = st->error();
        r.value.clear();
    }
    return r;
}

Result<std::vector<Group>> groupsOf(sqlite3* db, const QString& category) {
    // The category is bound here, not pasted: this typed query takes any text.
    QString sql = groupsSql(QStringLiteral("?"));
    sql.replace(QStringLiteral("'?'"), QStringLiteral("?1"));
    return readGroups(db, sql, {category});
}

Result<Topics> topicsOfGroup(sqlite3* db, const QString& code) {
    return topics(db, groupTopicsSql(code), {});
}

Result<Topics> topicsOfVolume(sqlite3* db, int16_t volume) {
    return topics(db, volumeTopicsSql(volume), {});
}

Result<Topics> topicsOfWord(sqlite3* db, const QString& word) {
    return topics(db, searchSql(), {searchPattern(word)});
}

Result<Topics> topicsAtPage(sqlite3* db, long volume, long page) {
    return topics(db, pageTopicsSql(), {qlonglong(volume), qlonglong(page)});
}

} // namespace corpus
