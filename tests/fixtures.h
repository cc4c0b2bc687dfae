#pragma once
// Program folders for tests: topic databases written by our own Jet 4.0 writer, and the
// sample folder written by the sample tool.
#include <QString>
#include <QTemporaryDir>
#include <array>
#include <optional>
#include <vector>

namespace fixtures {

// One record of table Velkaro, in the column order of the table; nothing = null.
struct Topic {
    std::optional<QString> group = QStringLiteral("หมวดทดสอบ");
    std::optional<int> code = 1;
    std::optional<QString> category = QStringLiteral("พระสุตตันตปิฎก");
    std::optional<QString> title = QStringLiteral("หัวข้อ");
    std::optional<int> no = 1;
    std::optional<QString> mark;
    std::optional<QString> blue = QStringLiteral("เล่มที่ 1 หน้า 1");
    std::optional<QString> red = QStringLiteral("ล.1 น.1");
    std::optional<QString> book = QStringLiteral("1");
    std::optional<QString> page = QStringLiteral("1");
    std::optional<QString> line = QStringLiteral("1");
    std::optional<QString> readFromFile;
};

// Writes velkaro.mdb with these topics into the folder.
void writeDatabase(const QString& folder, const std::vector<Topic>& topics);

// A temporary program folder holding a database of these topics.
struct Folder {
    QTemporaryDir dir;
    explicit Folder(const std::vector<Topic>& topics = {});
    QString path() const { return dir.path(); }
};

// The sample program folder, written once per test run.
QString sampleFolder();

} // namespace fixtures
