#pragma once
// The SQL texts the lists run, assembled from fixed pieces and the caller's values, and the
// same queries typed: each returns its values or the reason it failed.
#include "corpus/topic_list.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace corpus {

// "SELECT * " + " From Velkaro" + " WHERE velkaro.velkaro_code= " + the volume.
QString volumeTopicsSql(int16_t volume);
// The same with the code appended exactly as passed.
QString groupTopicsSql(const QString& code);
// The search text: the word is bound as parameter 1 ("%" + word + "%").
QString searchSql();
QString searchPattern(const QString& word);
// The groups of a collection, by its category text, in code order.
QString groupsSql(const QString& category);
// Topics whose volume and page, texts in the table, equal parameters 1 and 2 as numbers;
// a volume or page that is not written in digits alone is no place.
QString pageTopicsSql();

struct Group {
    QString name;
    QString code;
};

template <class T>
struct Result {
    T value{};
    std::string error; // empty on success
    bool ok() const { return error.empty(); }
};

using Topics = std::shared_ptr<TopicList>;

Result<std::vector<Group>> groupsOf(sqlite3* db, const QString& category);
Result<Topics> topicsOfGroup(sqlite3* db, const QString& code);
Result<Topics> topicsOfVolume(sqlite3* db, int16_t volume);
Result<Topics> topicsOfWord(sqlite3* db, const QString& word);
Result<Topics> topicsAtPage(sqlite3* db, long volume, long page);

// Where the index points: each topic's volume and page as numbers, with its number as
// written, for the volumes first to last; in volume and page order, a page's topics in the
// table's order. A topic whose volume or page is not written in digits alone has no place.
struct TopicPlace {
    int volume = 0;
    int page = 0;
    QString no;
};
// "SELECT CAST(...) , CAST(...), no From Velkaro WHERE volume BETWEEN ?1 AND ?2 ORDER BY ...".
QString topicPlacesSql();
Result<std::vector<TopicPlace>> topicPlaces(sqlite3* db, long firstVolume, long lastVolume);

// Reads the rows of a group query: the group and code columns of every row.
Result<std::vector<Group>> readGroups(sqlite3* db, const QString& sql,
                                      const std::vector<QVariant>& params = {});

} // namespace corpus
