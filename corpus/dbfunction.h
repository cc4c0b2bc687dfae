#pragma once
// The program's only access to the topic table: one shared connection, one shared result
// set and one shared text, replaced by every call.
#include "corpus/recordset.h"
#include "corpus/store.h"
#include "corpus/topic_list.h"
#include "toolkit/platform.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace corpus {

inline const QString kErrorTitle = QStringLiteral("แจ้งข้อผิดพลาด");
inline const QString kConnectMessage = QStringLiteral("ไม่สามารถติดต่อฐานข้อมูลได้");
inline const QString kQueryMessage = QStringLiteral("ไม่สามารถดึงขอมูลได้ กรุณาตรวจสอบวิธีการดึงข้อมูล");

struct Connection {
    QString ConnectionString;
    int ConnectionTimeout = 0;
    std::shared_ptr<LoadedCorpus> corpus; // set once open
};

class DBFunction {
  public:
    DBFunction(tk::Platform& platform, CorpusStore& store);

    std::shared_ptr<Connection> SharedConnection;
    std::shared_ptr<Recordset> SharedRecordset;
    QString SqlText;

    // Opens a new connection, or shows the connection message and ends the program.
    void OpenDatabase();
    // Runs the SQL text on a new connection into a new result set; a failure is reported
    // and leaves a result set that is not open. Values in params are bound to the text's
    // parameters (?1, ?2, ...) and never become part of the SQL.
    void OpenQuery(QString sql, const std::vector<QVariant>& params = {});

    // Runs a topic query as OpenQuery runs its text, the topics read by type into a list
    // of their own; null after a reported failure. SharedRecordset is replaced by a set
    // that holds none of them.
    std::shared_ptr<const TopicList> OpenTopicQuery(QString sql,
                                                   const std::vector<QVariant>& params = {});

    // The text of the connection string for a program folder.
    static QString connectionString(const QString& appPath);

  private:
    // Opens the file named by the connection string; a reason when it cannot.
    bool open(Connection& c, std::string* error);
    void queryFailed(const std::string& error);

    tk::Platform& platform_;
    CorpusStore& store_;
};

} // namespace corpus
