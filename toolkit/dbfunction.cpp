#include "toolkit/dbfunction.h"

#include "toolkit/paths.h"

#include "corpus/query.h"
#include "toolkit/log.h"

namespace tk {

using corpus::Recordset;
using corpus::TopicList;

DBFunction::DBFunction(Platform& platform, corpus::CorpusStore& store)
    : platform_(platform), store_(store) {}

QString DBFunction::connectionString(const QString& appPath) {
    // Joined exactly as they are: no separator is tested, added or removed.
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + appPath +
           QStringLiteral("\\") + QStringLiteral("velkaro.mdb;") +
           QStringLiteral("Jet OLEDB:Database Password=harbelune27kest") + QString();
}

bool DBFunction::dataSource(const QString& connection, QString* path) {
    // The data source runs from "Data Source=" to the file name this program appended: the
    // folder between them may hold ";" or anything else.
    const QString key = QStringLiteral("Data Source=");
    const QString file = QStringLiteral("velkaro.mdb;");
    const qsizetype at = connection.indexOf(key);
    const qsizetype end = connection.lastIndexOf(file);
    if (at < 0 || end < at + key.size())
        return false;
    const qsizetype from = at + key.size();
    *path = resolvePath(platform_.AppPath(), connection.mid(from, end + file.size() - 1 - from));
    return true;
}

bool DBFunction::open(Connection& c, std::string* error) {
    QString path;
    if (!dataSource(c.ConnectionString, &path)) {
        *error = "no data source";
        return false;
    }
    c.corpus = store_.open(path.toStdString(), error, c.ConnectionTimeout);
    return static_cast<bool>(c.corpus);
}

std::shared_ptr<corpus::LoadedCorpus> DBFunction::loadedTable() {
    if (SharedConnection && SharedConnection->corpus)
        return SharedConnection->corpus;
    QString path;
    if (quietFailed_ || !dataSource(connectionString(platform_.AppPath()), &path))
        return nullptr;
    std::string error;
    auto table = store_.open(path.toStdString(), &error, kConnectionTimeout);
    if (!table) {
        // Tried once: a file that cannot be read is not read again for every window.
        quietFailed_ = true;
        qCWarning(lcToolkit, "the topics of pages are not shown: %s", error.c_str());
    }
    return table;
}

void DBFunction::Preload() {
    QString path;
    if (dataSource(connectionString(platform_.AppPath()), &path))
        store_.preload(path.toStdString(), kConnectionTimeout);
}

void DBFunction::OpenDatabase() {
    auto conn = std::make_shared<Connection>();
    SharedConnection = conn;
    SqlText = connectionString(platform_.AppPath());
    conn->ConnectionTimeout = kConnectionTimeout;
    conn->ConnectionString = SqlText;
    std::string error;
    if (!open(*conn, &error)) {
        qCWarning(lcToolkit, "cannot connect to the database: %s", error.c_str());
        platform_.MsgBox(kConnectMessage, OkOnly | IconStop, kErrorTitle);
        platform_.End(kEndFailure);
    }
}

void DBFunction::OpenQuery(QString sql, const std::vector<QVariant>& params) {
    // Taken by value first: the caller's text is SqlText, which OpenDatabase overwrites.
    const QString copy = std::move(sql);
    OpenDatabase();
    auto rs = std::make_shared<Recordset>();
    SharedRecordset = rs;
    std::string error;
    auto table = corpus::readTable(SharedConnection->corpus->db(), copy, params, &error);
    if (!table) {
        queryFailed(error);
        return;
    }
    *rs = Recordset(std::move(table));
}

std::shared_ptr<const TopicList> DBFunction::OpenTopicQuery(QString sql,
                                                           const std::vector<QVariant>& params) {
    const QString copy = std::move(sql);
    OpenDatabase();
    SharedRecordset = std::make_shared<Recordset>();
    std::string error;
    auto list = corpus::readTopicList(SharedConnection->corpus->db(), copy, params, &error);
    if (!list)
        queryFailed(error);
    return list;
}

std::vector<corpus::Group> DBFunction::OpenGroupQuery(QString sql) {
    const QString copy = std::move(sql);
    OpenDatabase();
    SharedRecordset = std::make_shared<Recordset>();
    auto groups = corpus::readGroups(SharedConnection->corpus->db(), copy);
    if (!groups.ok())
        queryFailed(groups.error);
    return std::move(groups.value);
}

long DBFunction::unreadRows() const {
    return SharedConnection && SharedConnection->corpus ? SharedConnection->corpus->unreadRows() : 0;
}

void DBFunction::queryFailed(const std::string& error) {
    platform_.MsgBox(kQueryMessage + QStringLiteral("\r\n") + QString::fromStdString(error),
                     OkOnly | IconStop, kErrorTitle);
}

} // namespace tk
