#pragma once
// The program's SQL texts run on a loaded table: one statement that only reads, its
// parameters bound as values, the rows read whole.
#include "corpus/recordset.h"
#include "corpus/statement.h"
#include "corpus/topic_list.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace corpus {

// A statement ready to step, or null with the reason: a text the engine rejects, more
// than one statement, or one that writes.
std::unique_ptr<Statement> prepareReading(sqlite3* db, const QString& sql,
                                          const std::vector<QVariant>& params,
                                          std::string* error);

// Every row of the text's result, every column as text; null with the reason.
std::shared_ptr<ResultTable> readTable(sqlite3* db, const QString& sql,
                                       const std::vector<QVariant>& params, std::string* error);

// The topics of the text's result; null with the reason.
std::shared_ptr<TopicList> readTopicList(sqlite3* db, const QString& sql,
                                         const std::vector<QVariant>& params, std::string* error);

} // namespace corpus
