#pragma once
// Program folders for tests: topic databases written by our own Jet 4.0 writer, and the
// sample folder written by the sample tool; and the main window over such a folder.
#include "toolkit/dbfunction.h"
#include "shell/form1.h"
#include "toolkit/scripted_platform.h"

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

// Spoils the offset of the second row on the table's data page of the folder's
// velkaro.mdb: libmdb then passes over it (and its neighbour) without a word, and the
// loader counts them as unread. False when the file has no such page.
bool damageSecondRow(const QString& folder);

// A temporary program folder holding a database of these topics.
struct Folder {
    QTemporaryDir dir;
    explicit Folder(const std::vector<Topic>& topics = {});
    QString path() const { return dir.path(); }
};

// Types the text into the widget key by key, as real key events (QTest's own typing takes
// Latin letters only).
void typeText(QWidget* widget, const QString& text);

// Writes a file of the folder by its path under it, its folders made as needed.
void writeFile(const QString& folder, const QString& path, const QByteArray& bytes);
// Writes a canon page file of the folder (91book/bookNN/file) in UTF-8.
void writePage(const QString& folder, int volume, const QString& file, const QString& html);

// The sample program folder, written once per test run.
QString sampleFolder();

// The main window, loaded, over a program folder, with scripted message boxes.
struct App {
    tk::ScriptedPlatform platform;
    corpus::CorpusStore store;
    tk::DBFunction db{platform, store};
    shell::Form1 form;
    // Built, then loaded; or as the program starts it: mapped first, built and loaded on
    // the way.
    explicit App(const QString& folder, shell::Form1::Start start = shell::Form1::Start::Built)
        : platform(folder), form(platform, db, start) {
        if (start == shell::Form1::Start::Built)
            form.Form_Load();
    }
};

// Every control of a window, a line each, in the order of its children: kind, place,
// whether it shows, font, texts, names, picture or none; then the tab order.
QStringList describeControls(QWidget& window);
// The first line where two descriptions differ, or nothing.
QString firstDifference(const QStringList& want, const QStringList& got);

// The same over a fresh folder holding these topics.
struct AppWith : Folder, App {
    Folder& folder = *this;
    explicit AppWith(const std::vector<Topic>& topics) : Folder(topics), App(Folder::path()) {}
};

} // namespace fixtures
