#pragma once
// The program's only access to the topic table: one shared connection, one shared result
// set and one shared text, replaced by every call. The data layer below answers with values
// and errors; this layer shows the messages and ends the program on a failed connection.
#include "corpus/recordset.h"
#include "corpus/store.h"
#include "corpus/topic_list.h"
#include "corpus/topic_queries.h"
#include "toolkit/platform.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace tk {

inline const QString kErrorTitle = QStringLiteral("แจ้งข้อผิดพลาด");
inline const QString kConnectMessage = QStringLiteral("ไม่สามารถติดต่อฐานข้อมูลได้");
inline const QString kQueryMessage = QStringLiteral("ไม่สามารถดึงขอมูลได้ กรุณาตรวจสอบวิธีการดึงข้อมูล");

struct Connection {
    QString ConnectionString;
    int ConnectionTimeout = 0;
    std::shared_ptr<corpus::LoadedCorpus> corpus; // set once open
};

class DBFunction {
  public:
    DBFunction(Platform& platform, corpus::CorpusStore& store);

    std::shared_ptr<Connection> SharedConnection;
    std::shared_ptr<corpus::Recordset> SharedRecordset;
    QString SqlText;

    // Starts reading the database file in the background, showing nothing: the first
    // OpenDatabase then finds it read, or reports what went wrong as it always does.
    void Preload();

    // Opens a new connection, or shows the connection message and ends the program with a
    // failure status.
    void OpenDatabase();
    // Runs the SQL text on a new connection into a new result set; a failure is reported
    // and leaves a result set that is not open. Values in params are bound to the text's
    // parameters (?1, ?2, ...) and never become part of the SQL.
    void OpenQuery(QString sql, const std::vector<QVariant>& params = {});

    // Runs a topic query as OpenQuery runs its text, the topics read by type into a list
    // of their own; null after a reported failure. SharedRecordset is replaced by a set
    // that holds none of them.
    std::shared_ptr<const corpus::TopicList> OpenTopicQuery(QString sql,
                                                   const std::vector<QVariant>& params = {});

    // Runs a group query the same way: the group and code of every row, none after a
    // reported failure.
    std::vector<corpus::Group> OpenGroupQuery(QString sql);

    // The table, for readers of their own (the topics of a page): that of the last
    // connection, else the file read quietly (no message, no end of the program, the
    // shared values untouched); null when it cannot be read.
    std::shared_ptr<corpus::LoadedCorpus> loadedTable();

    // Rows of the connected table that could not be read; 0 before the first connection.
    long unreadRows() const;

    // The text of the connection string for a program folder.
    static QString connectionString(const QString& appPath);

  private:
    static constexpr int kConnectionTimeout = 30; // seconds
    // The file the connection string names, under the program folder.
    bool dataSource(const QString& connection, QString* path);
    // Opens the file named by the connection string; a reason when it cannot.
    bool open(Connection& c, std::string* error);
    void queryFailed(const std::string& error);

    Platform& platform_;
    corpus::CorpusStore& store_;
    bool quietFailed_ = false;
};

} // namespace tk
