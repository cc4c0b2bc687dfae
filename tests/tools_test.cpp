#include "fixtures.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
struct Output {
    int code;
    QString out, err;
};
Output dump(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VELKARO_DUMP_TOOL), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

TEST(VelkaroDump, PrintsTheTableAsTabSeparatedText) {
    fixtures::Topic t;
    t.title = QStringLiteral("ชื่อ\tมีแท็บ");
    t.mark.reset();
    fixtures::Folder f({t, fixtures::Topic{}});
    const Output r = dump({f.path()});
    EXPECT_EQ(r.code, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("velkaro_group\tvelkaro_code\t")));
    EXPECT_EQ(lines[1].split('\t').size(), 12);
    EXPECT_TRUE(lines[1].contains(QStringLiteral("ชื่อ มีแท็บ")));
}

TEST(VelkaroDump, AFolderWithoutADatabaseFailsWithOneLine) {
    QTemporaryDir empty;
    const Output r = dump({empty.path()});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err.count('\n'), 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("velkaro.mdb")));
}

TEST(SampleFolder, IsWrittenIdenticallyEveryTime) {
    QTemporaryDir a, b;
    for (const QTemporaryDir* d : {&a, &b})
        ASSERT_EQ(QProcess::execute(QStringLiteral(VELKARO_SAMPLE_TOOL), {d->path()}), 0);
    for (const char* f : {"velkaro.mdb", "91book/book05/101_150.htm", "img_book/velkaro_book91.jpg",
                          "img_detail/icon-down.gif"}) {
        QFile x(a.path() + "/" + f), y(b.path() + "/" + f);
        ASSERT_TRUE(x.open(QIODevice::ReadOnly)) << f;
        ASSERT_TRUE(y.open(QIODevice::ReadOnly)) << f;
        EXPECT_EQ(x.readAll(), y.readAll()) << f;
    }
}

TEST(VelkaroDump, FindsTheDatabaseInAnyLetterCaseAndTellsNullFromEmpty) {
    fixtures::Topic t;
    t.mark.reset();                 // null
    t.red = QString();              // empty text
    fixtures::Folder f({t});
    ASSERT_TRUE(QFile::rename(f.path() + "/velkaro.mdb", f.path() + "/VELKARO.MDB"));
    const Output r = dump({f.path()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QStringList cells = lines[1].split('\t');
    ASSERT_EQ(cells.size(), 12);
    EXPECT_EQ(cells[5], QStringLiteral("\\N")); // velkaro_mark
    EXPECT_EQ(cells[7], QString());            // velkaro_book_red
    EXPECT_TRUE(r.err.isEmpty());
}

TEST(CommandLineTools, LinkNoWindowLibrary) {
    // The tools read the data layer only: no widget, drawing or display library may be
    // loaded with them, so they run where no window system is installed.
    for (const char* tool : {VELKARO_DUMP_TOOL, VELKARO_SEARCH_TOOL}) {
        QProcess p;
        p.start(QStringLiteral("ldd"), {QString::fromUtf8(tool)});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << tool;
        const QString libs = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(libs.contains(QStringLiteral("libQt6Core"))) << tool;
        EXPECT_TRUE(libs.contains(QStringLiteral("libsqlite3"))) << tool;
        for (const char* window : {"libQt6Widgets", "libQt6Gui", "libQt6PrintSupport", "libxcb",
                                   "libX11", "libGL", "libOpenGL"})
            EXPECT_FALSE(libs.contains(QString::fromUtf8(window))) << tool << " loads " << window;
    }
}
