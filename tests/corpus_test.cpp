#include "toolkit/dbfunction.h"
#include "corpus/jet_text.h"
#include "corpus/like.h"
#include "corpus/statement.h"
#include "corpus/topic_queries.h"
#include "fixtures.h"
#include "jet4_writer.h"
#include "toolkit/scripted_platform.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using fixtures::Topic;

namespace {

struct Db {
    tk::ScriptedPlatform platform;
    corpus::CorpusStore store;
    tk::DBFunction db{platform, store};
    explicit Db(const QString& folder) : platform(folder) {}
};

const QString kSelectAll = QStringLiteral("SELECT *  From Velkaro");

} // namespace

TEST(DBFunction, ConnectionStringIsJoinedAsIsAndRemainsInSqlTextAfterAQuery) {
    fixtures::Folder f({Topic{}});
    Db d(f.path());
    d.db.OpenDatabase();
    EXPECT_EQ(d.db.SqlText,
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + f.path() +
                  QStringLiteral("\\velkaro.mdb;Jet OLEDB:Database Password=harbelune27kest"));
    EXPECT_EQ(d.db.SharedConnection->ConnectionTimeout, 30);
    d.db.SqlText = kSelectAll;
    d.db.OpenQuery(d.db.SqlText);
    ASSERT_TRUE(d.db.SharedRecordset->isOpen());
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), 1);
    EXPECT_TRUE(d.db.SqlText.startsWith(QStringLiteral("Provider=")));
    EXPECT_TRUE(d.platform.boxes.empty());
    // A program folder that ends with a separator gives two before the file name.
    EXPECT_TRUE(tk::DBFunction::connectionString(QStringLiteral("C:\\x\\"))
                    .contains(QStringLiteral("C:\\x\\\\velkaro.mdb;")));
}

TEST(DBFunction, EveryOpeningMakesANewConnectionButTheFileIsReadOnce) {
    fixtures::Folder f({Topic{}});
    Db d(f.path());
    d.db.OpenDatabase();
    auto first = d.db.SharedConnection;
    d.db.OpenQuery(kSelectAll);
    auto second = d.db.SharedConnection;
    d.db.OpenQuery(kSelectAll);
    EXPECT_NE(first, second);
    EXPECT_NE(second, d.db.SharedConnection);
    EXPECT_EQ(d.store.loadCount(), 1);
    // A changed file is read again; a vanished one fails the connection.
    fixtures::writeDatabase(f.path(), {Topic{}, Topic{}});
    d.db.OpenQuery(kSelectAll);
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), 2);
    EXPECT_EQ(d.store.loadCount(), 2);
    QFile::remove(f.path() + QStringLiteral("/velkaro.mdb"));
    EXPECT_THROW(d.db.OpenDatabase(), tk::ProgramEnded);
}

TEST(DBFunction, AnInvalidQueryIsReportedWithTheEngineDescriptionAndLeavesASetNotOpen) {
    fixtures::Folder f({Topic{}});
    Db d(f.path());
    d.db.OpenQuery(QStringLiteral("SELECT * From Velkaro WHERE velkaro_title Like '%a'b%'"));
    ASSERT_EQ(d.platform.boxes.size(), 1u);
    const tk::ShownBox& box = d.platform.boxes[0];
    EXPECT_EQ(box.title, QStringLiteral("แจ้งข้อผิดพลาด"));
    EXPECT_EQ(box.icon(), tk::IconStop);
    EXPECT_EQ(box.buttons(), tk::OkOnly);
    const QString head = QStringLiteral("ไม่สามารถดึงขอมูลได้ กรุณาตรวจสอบวิธีการดึงข้อมูล\r\n");
    EXPECT_TRUE(box.text.startsWith(head));
    EXPECT_GT(box.text.size(), head.size()); // the description follows
    EXPECT_FALSE(d.db.SharedRecordset->isOpen());
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), 0);
    EXPECT_FALSE(d.platform.ended);
    // Statements that would change anything are refused too.
    d.db.OpenQuery(QStringLiteral("DELETE FROM Velkaro"));
    EXPECT_EQ(d.platform.boxes.size(), 2u);
}

TEST(DBFunction, TheResultSetCanBePassedTwiceAndTellsNullsFromEmptyTexts) {
    Topic a;
    a.title = QStringLiteral("ก่อน");
    a.mark = QString(); // empty text
    Topic b;
    b.title = QStringLiteral("หัวข้อ");
    b.mark.reset(); // null
    b.readFromFile = QStringLiteral("1");
    fixtures::Folder f({a, b});
    Db d(f.path());
    d.db.OpenQuery(kSelectAll);
    corpus::Recordset& rs = *d.db.SharedRecordset;
    ASSERT_EQ(rs.RecordCount(), 2);
    QStringList titles;
    for (int pass = 0; pass < 2; ++pass) {
        rs.MoveFirst();
        while (!rs.EOF_()) {
            titles << rs.text("VELKARO_TITLE");
            rs.MoveNext();
        }
    }
    EXPECT_EQ(titles, (QStringList{"ก่อน", "หัวข้อ", "ก่อน", "หัวข้อ"}));
    rs.MoveFirst();
    EXPECT_FALSE(rs.isNull("velkaro_mark"));
    EXPECT_TRUE(rs.isNull("velkaro_readfromfile"));
    rs.MoveNext();
    EXPECT_TRUE(rs.isNull("velkaro_mark"));
    EXPECT_EQ(rs.text("velkaro_mark"), QString());
    EXPECT_EQ(rs.text("velkaro_readfromfile"), QStringLiteral("1"));
    EXPECT_EQ(rs.text("velkaro_code"), QStringLiteral("1"));
}

TEST(DBFunction, TheListsAndSearchSqlRunsWithItsMeaning) {
    Topic a;
    a.code = 5;
    a.title = QStringLiteral("Metta and KARUNA");
    Topic b;
    b.code = 12;
    b.group = QStringLiteral("กลุ่มสอง");
    fixtures::Folder f({a, b, a});
    Db d(f.path());
    d.db.OpenQuery(QStringLiteral("SELECT * ") + QStringLiteral(" From Velkaro") +
                   QStringLiteral(" WHERE velkaro.velkaro_code= ") + QString::number(5));
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), 2);
    d.db.OpenQuery(
        QStringLiteral("SELECT *  From Velkaro WHERE velkaro.velkaro_title Like '%karuna%'"));
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), 2); // case-insensitive
    d.db.OpenQuery(QStringLiteral("SELECT velkaro.velkaro_group, velkaro.velkaro_code  From Velkaro"
                                  " Where Velkaro.velkaro_category = 'พระสุตตันตปิฎก'"
                                  " GROUP BY velkaro.velkaro_group, velkaro.velkaro_code"
                                  " ORDER BY velkaro.velkaro_code"));
    corpus::Recordset& rs = *d.db.SharedRecordset;
    ASSERT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.text("velkaro_code"), QStringLiteral("5"));
    rs.MoveNext();
    EXPECT_EQ(rs.text("velkaro_group"), QStringLiteral("กลุ่มสอง"));
    // Bound values are searched for literally.
    d.db.OpenQuery(QStringLiteral("SELECT *  From Velkaro WHERE velkaro.velkaro_title Like ?1"),
                   {QStringLiteral("%' OR 1=1 --%")});
    EXPECT_TRUE(d.db.SharedRecordset->isOpen());
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), 0);
}

TEST(DBFunction, ABrokenOrMissingFileShowsTheConnectionMessageAndEndsInTime) {
    const QString sample = fixtures::sampleFolder() + QStringLiteral("/velkaro.mdb");
    QFile src(sample);
    ASSERT_TRUE(src.open(QIODevice::ReadOnly));
    const QByteArray good = src.readAll();
    ASSERT_GT(good.size(), 100000);

    QByteArray flipped = good;
    for (int i = 4096 * 2; i < flipped.size(); i += 97)
        flipped[i] = char(flipped[i] ^ 0x5A);
    QByteArray tdefFlipped = good;
    for (int i = 4096 * 3 + 40; i < 4096 * 3 + 400; ++i)
        tdefFlipped[i] = char(0xFF);
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", QByteArray()},
        {"text", QByteArray("This is not a database, only some text.\n").repeated(200)},
        {"truncated to the header", good.left(4096)},
        {"truncated mid-way", good.left(good.size() / 2)},
        {"truncated oddly", good.left(good.size() / 3 + 123)},
        {"bytes flipped", flipped},
        {"table definition damaged", tdefFlipped},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        QFile out(dir.path() + QStringLiteral("/velkaro.mdb"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        Db d(dir.path());
        QElapsedTimer t;
        t.start();
        bool ended = false;
        try {
            d.db.OpenQuery(kSelectAll);
        } catch (const tk::ProgramEnded&) {
            ended = true;
        }
        EXPECT_LT(t.elapsed(), 8000);
        if (ended) {
            ASSERT_EQ(d.platform.boxes.size(), 1u);
            EXPECT_EQ(d.platform.boxes[0].text, QStringLiteral("ไม่สามารถติดต่อฐานข้อมูลได้"));
            EXPECT_EQ(d.platform.boxes[0].title, QStringLiteral("แจ้งข้อผิดพลาด"));
            EXPECT_EQ(d.platform.boxes[0].style, tk::OkOnly | tk::IconStop);
        } else {
            // A damage that libmdb reads past yields whatever rows survived, never garbage sizes.
            EXPECT_TRUE(d.db.SharedRecordset->isOpen());
        }
    }
    // Missing file.
    QTemporaryDir none;
    Db d(none.path());
    EXPECT_THROW(d.db.OpenDatabase(), tk::ProgramEnded);
    ASSERT_EQ(d.platform.boxes.size(), 1u);
    EXPECT_EQ(d.platform.boxes[0].text, QStringLiteral("ไม่สามารถติดต่อฐานข้อมูลได้"));
}

TEST(IsolatedLoad, ALoaderThatHangsOrFloodsIsStoppedAtItsLimits) {
    QTemporaryDir dir;
    const std::string file = (dir.path() + QStringLiteral("/velkaro.mdb")).toStdString();
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    QElapsedTimer t;
    t.start();
    // Reading a pipe that nobody writes never ends: the time limit stops it.
    const std::string fifo = (dir.path() + QStringLiteral("/fifo")).toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    corpus::LoadOutcome hang = corpus::loadIsolated("/bin/cat", fifo, {1, 1, 1ull << 30});
    EXPECT_EQ(hang.db, nullptr);
    EXPECT_NE(hang.error.find("too long"), std::string::npos);
    EXPECT_LT(t.elapsed(), 3000);
    // "yes" writes without end: stopped too.
    t.restart();
    corpus::LoadOutcome flood = corpus::loadIsolated("/usr/bin/yes", file, {1, 1, 8ull << 20});
    EXPECT_EQ(flood.db, nullptr);
    EXPECT_LT(t.elapsed(), 3000);
    // A loader that ends well but hands back nothing usable.
    corpus::LoadOutcome nothing = corpus::loadIsolated("/bin/true", file);
    EXPECT_EQ(nothing.db, nullptr);
    EXPECT_FALSE(nothing.error.empty());
    // A loader that is missing.
    corpus::LoadOutcome missing = corpus::loadIsolated("/nonexistent/velkaro-load", file);
    EXPECT_EQ(missing.db, nullptr);
    EXPECT_FALSE(missing.error.empty());
}

TEST(JetText, PlainCompressedAndMixedRunsDecodeToUtf8) {
    auto decode = [](std::initializer_list<int> bytes) {
        std::vector<unsigned char> b(bytes.begin(), bytes.end());
        std::string out;
        corpus::appendJetText(b.data(), b.size(), out);
        return QString::fromStdString(out);
    };
    EXPECT_EQ(decode({0x01, 0x0E, 0x48, 0x0E}), QStringLiteral("ก่"));
    EXPECT_EQ(decode({0xFF, 0xFE, 'A', 'b', 0xE9}), QStringLiteral("Abé"));
    // One-byte run, switch, a Thai character in two bytes, switch back.
    EXPECT_EQ(decode({0xFF, 0xFE, 'x', 0x00, 0x01, 0x0E, 0x00, 'y'}), QStringLiteral("xกy"));
    EXPECT_EQ(decode({0x3D, 0xD8, 0x00, 0xDE}), QString::fromUcs4(U"\U0001F600"));
    EXPECT_EQ(decode({0x3D, 0xD8}), QString(QChar(0xFFFD))); // a lone surrogate
    EXPECT_EQ(decode({}), QString());
}

TEST(Jet4Writer, WhatItWritesReadsBackThroughLibmdbUnchangedThaiIncluded) {
    Topic a;
    a.title = QStringLiteral("อริยสัจ ๔ ประการ: ทุกข์ สมุทัย นิโรธ มรรค");
    a.group = QStringLiteral("Latin group name"); // stored compressed
    Topic b;
    b.title =
        QString(6000, QChar(0x0E01)) + QStringLiteral("จบ"); // a long memo on pages of its own
    b.code = 86;
    b.blue.reset();
    Topic c;
    c.title = QString(1500, QChar(0x0E02)); // one long-value row
    fixtures::Folder f({a, b, c});
    Db d(f.path());
    d.db.OpenQuery(kSelectAll);
    corpus::Recordset& rs = *d.db.SharedRecordset;
    ASSERT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.text("velkaro_title"), *a.title);
    EXPECT_EQ(rs.text("velkaro_group"), *a.group);
    EXPECT_EQ(rs.text("velkaro_category"), *a.category);
    rs.MoveNext();
    EXPECT_EQ(rs.text("velkaro_title"), *b.title);
    EXPECT_EQ(rs.text("velkaro_code"), QStringLiteral("86"));
    EXPECT_TRUE(rs.isNull("velkaro_book_blue"));
    rs.MoveNext();
    EXPECT_EQ(rs.text("velkaro_title"), *c.title);

    QFile file(f.path() + QStringLiteral("/velkaro.mdb"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.size() % 4096, 0);
    EXPECT_EQ(jet4::readPassword(bytes.toStdString()), u"harbelune27kest");
}

TEST(Jet4Writer, ATableOnMoreThan472PagesIsReadWhole) {
    // Past 472 data pages the table's page map is kept on bitmap pages of its own.
    std::vector<Topic> many;
    for (int i = 0; i < 9000; ++i) {
        Topic t;
        t.code = i % 90 + 1;
        t.no = i;
        t.title = QStringLiteral("หัวข้อธรรมลำดับที่ %1 ว่าด้วยการปฏิบัติธรรมเพื่อความพ้นทุกข์").arg(i);
        many.push_back(t);
    }
    fixtures::Folder f(many);
    QFile file(f.path() + QStringLiteral("/velkaro.mdb"));
    EXPECT_GT(file.size(), 480 * 4096);
    Db d(f.path());
    d.db.OpenQuery(kSelectAll);
    corpus::Recordset& rs = *d.db.SharedRecordset;
    ASSERT_EQ(rs.RecordCount(), 9000);
    long sum = 0;
    for (rs.MoveFirst(); !rs.EOF_(); rs.MoveNext())
        sum += rs.text("velkaro_no").toLong();
    EXPECT_EQ(sum, 9000L * 8999 / 2);
}

TEST(Jet4Writer, TheSampleFolderIsReadByMdbExportAsByOurLoader) {
    const QString folder = fixtures::sampleFolder();
    QProcess exp;
    exp.start(
        QStringLiteral("mdb-export"),
        {QStringLiteral("-H"), folder + QStringLiteral("/velkaro.mdb"), QStringLiteral("Velkaro")});
    ASSERT_TRUE(exp.waitForFinished(30000));
    const int exported = QString::fromUtf8(exp.readAllStandardOutput()).count(QLatin1Char('\n'));
    Db d(folder);
    d.db.OpenQuery(kSelectAll);
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), exported);
    EXPECT_GT(exported, 2800);
    d.db.OpenQuery(
        QStringLiteral("SELECT count(*) AS n FROM Velkaro WHERE velkaro_category = 'พระวินัยปิฎก '"));
    EXPECT_GT(d.db.SharedRecordset->text("n").toInt(), 0);
}

TEST(Loader, MemoTitlesKeepCharactersOutsideTheBasicPlaneInEveryStorage) {
    const QString emoji = QStringLiteral("ธรรม \U0001F64F \U00020000");
    Topic inlineTitle, single, chain;
    inlineTitle.title = emoji;
    single.title = QString(1500, QChar(0x0E02)) + emoji;
    chain.title = QString(6000, QChar(0x0E01)) + emoji;
    fixtures::Folder f({inlineTitle, single, chain});
    Db d(f.path());
    d.db.OpenQuery(kSelectAll);
    corpus::Recordset& rs = *d.db.SharedRecordset;
    ASSERT_EQ(rs.RecordCount(), 3);
    for (const Topic& t : {inlineTitle, single, chain}) {
        EXPECT_EQ(rs.text("velkaro_title"), *t.title);
        rs.MoveNext();
    }
    d.db.OpenQuery(kSelectAll + QStringLiteral(" WHERE velkaro_title Like ?1"),
                   {QStringLiteral("%\U0001F64F%")});
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), 3);
}

TEST(Like, AgreesWithTheEnginesOwnLikeOnWildcardsCaseAndThai) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT ?2 LIKE ?1", -1, &st, nullptr), SQLITE_OK);
    const std::vector<std::string> patterns = {
        "", "%", "%%", "_", "%ศีล%", "ศีล%", "%ศีล", "ศีล", "%ศ_ล%", "_ีล%", "%a%", "%A%",
        "%50%%", "%ท_น%", "a%b", "a%b%c", "%ab%ab%", "%_", "_%_", "ศ%ล", "%'บุญ'%", "%ÄB%"};
    const std::vector<std::string> texts = {
        "", "ศีล", "ศีล ๕", "มีศีล", "ศล", "ทาน", "ทุน", "A", "aAbB", "ab", "acb", "abcabc",
        "50% ของ", "x'บุญ'y", "äb", "ÄB", "ศีลธรรมศีล", "abab", "ศลีล"};
    for (const auto& p : patterns)
        for (const auto& t : texts) {
            sqlite3_bind_text(st, 1, p.data(), int(p.size()), SQLITE_STATIC);
            sqlite3_bind_text(st, 2, t.data(), int(t.size()), SQLITE_STATIC);
            ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
            EXPECT_EQ(corpus::likeMatch(p, t), sqlite3_column_int(st, 0) != 0)
                << "'" << t << "' LIKE '" << p << "'";
            sqlite3_reset(st);
        }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST(TopicSearchEngine, AWordLongerThanTheEnginesPatternLimitJustSearches) {
    Topic longTitle;
    longTitle.title = QString(20000, QChar(0x0E28)) + QStringLiteral("จบ");
    fixtures::Folder f({longTitle, Topic{}});
    Db d(f.path());
    d.db.OpenQuery(kSelectAll + QStringLiteral(" WHERE velkaro_title Like ?1"),
                   {QStringLiteral("%") + QString(17000, QChar(0x0E28)) + QStringLiteral("จบ%")});
    EXPECT_TRUE(d.platform.boxes.empty());
    EXPECT_EQ(d.db.SharedRecordset->RecordCount(), 1);
}

TEST(Loader, ASlowDiskWithinTheConnectionTimeOutIsWaitedFor) {
    // Six seconds of waiting without using the processor, as a slow drive does.
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/slow-load");
    QFile s(script);
    ASSERT_TRUE(s.open(QIODevice::WriteOnly));
    s.write(QByteArray("#!/bin/sh\nsleep 6\nexec '") + corpus::defaultHelper().c_str() +
            "' \"$@\"\n");
    s.close();
    s.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    fixtures::Folder f({Topic{}});
    tk::ScriptedPlatform platform(f.path());
    corpus::CorpusStore store(script.toStdString());
    tk::DBFunction db(platform, store);
    EXPECT_NO_THROW(db.OpenQuery(kSelectAll));
    EXPECT_EQ(db.SharedRecordset->RecordCount(), 1);
}

TEST(Loader, RowsThatCannotBeReadAreCounted) {
    std::vector<Topic> topics(3);
    fixtures::Folder f(topics);
    // Row 1 of the table's data page starts past the end of row 0: libmdb passes over it
    // without a word.
    ASSERT_TRUE(fixtures::damageSecondRow(f.path()));
    corpus::CorpusStore store;
    std::string error;
    auto loaded = store.open((f.path() + QStringLiteral("/velkaro.mdb")).toStdString(), &error);
    ASSERT_TRUE(loaded) << error;
    // The damaged offset spoils its neighbour too; what is not read is counted.
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(loaded->db(), "SELECT count(*) FROM Velkaro", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    const long read = long(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    EXPECT_GE(loaded->unreadRows(), 1);
    EXPECT_EQ(read + loaded->unreadRows(), 3);
    QProcess dump;
    dump.start(QStringLiteral(VELKARO_DUMP_TOOL), {f.path()});
    ASSERT_TRUE(dump.waitForFinished(60000));
    EXPECT_EQ(dump.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(dump.readAllStandardError()),
              QStringLiteral("velkaro-dump: %1 rows of the table could not be read\n")
                  .arg(loaded->unreadRows()));
}

namespace {
// The real window system's end of the program, with its boxes answered at once.
struct AnsweringPlatform : tk::QtPlatform {
    using tk::QtPlatform::QtPlatform;
    int MsgBox(const QString&, int, const QString&) override { return tk::AnswerOk; }
};
} // namespace

TEST(DBFunctionDeathTest, AFailedConnectionEndsTheProgramWithAFailureStatus) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir empty; // no velkaro.mdb
    EXPECT_EXIT(
        {
            AnsweringPlatform platform(empty.path());
            corpus::CorpusStore store;
            tk::DBFunction db(platform, store);
            db.OpenDatabase();
            std::_Exit(0); // not reached
        },
        testing::ExitedWithCode(tk::kEndFailure), "");
    // The close the user asks for ends with success.
    EXPECT_EXIT(AnsweringPlatform(empty.path()).End(tk::kEndNormally), testing::ExitedWithCode(0),
                "");
}

TEST(TypedStore, QueriesReturnTheirValuesOrTheEnginesReason) {
    Topic a;
    a.code = 7;
    a.group = QStringLiteral("หมวดเจ็ด");
    a.title = QStringLiteral("บุญ");
    a.book = QStringLiteral("5");
    a.page = QStringLiteral("123");
    a.mark = QStringLiteral("TRUE");
    Topic b = a;
    b.title = QStringLiteral("บาป");
    b.page = QStringLiteral("0123"); // a page written with a leading zero is the same page
    b.mark = QStringLiteral("true");
    Topic c = a;
    c.code = 8;
    c.group = QStringLiteral("หมวดแปด");
    c.title = QStringLiteral("ศีล");
    c.page = QStringLiteral("124");
    Topic odd = a; // pages that are no page number: not at page 0, not at page 12
    odd.code = 9;
    odd.category = QStringLiteral("อื่น ๆ");
    odd.page = QStringLiteral("abc");
    Topic odder = odd;
    odder.page = QStringLiteral("12abc");
    fixtures::Folder f({a, b, c, odd, odder});
    corpus::CorpusStore store;
    std::string error;
    auto loaded = store.open((f.path() + QStringLiteral("/velkaro.mdb")).toStdString(), &error);
    ASSERT_TRUE(loaded) << error;
    sqlite3* db = loaded->db();

    const auto groups = corpus::groupsOf(db, *a.category);
    ASSERT_TRUE(groups.ok()) << groups.error;
    ASSERT_EQ(groups.value.size(), 2u);
    EXPECT_EQ(groups.value[0].name, QStringLiteral("หมวดเจ็ด"));
    EXPECT_EQ(groups.value[0].code, QStringLiteral("7"));
    // A category with an apostrophe is a value, not SQL.
    const auto none = corpus::groupsOf(db, QStringLiteral("it's"));
    EXPECT_TRUE(none.ok()) << none.error;
    EXPECT_TRUE(none.value.empty());

    const auto group = corpus::topicsOfGroup(db, QStringLiteral("7"));
    ASSERT_TRUE(group.ok()) << group.error;
    ASSERT_EQ(group.value->size(), 2u);
    EXPECT_EQ(group.value->firstGroup, "หมวดเจ็ด");
    EXPECT_EQ(group.value->topics[0].title().view(), "บุญ");
    EXPECT_TRUE(group.value->topics[0].marked);
    EXPECT_FALSE(group.value->topics[1].marked); // "true" is not "TRUE"
    EXPECT_EQ(group.value->topics[1].page().view(), "0123");
    EXPECT_EQ(corpus::topicsOfVolume(db, 8).value->size(), 1u);
    EXPECT_EQ(corpus::topicsOfWord(db, QStringLiteral("ศีล")).value->size(), 1u);

    const auto page = corpus::topicsAtPage(db, 5, 123);
    ASSERT_TRUE(page.ok()) << page.error;
    ASSERT_EQ(page.value->size(), 2u);
    EXPECT_EQ(corpus::topicsAtPage(db, 5, 124).value->size(), 1u);
    EXPECT_EQ(corpus::topicsAtPage(db, 6, 123).value->size(), 0u);
    EXPECT_EQ(corpus::topicsAtPage(db, 5, 0).value->size(), 0u);
    EXPECT_EQ(corpus::topicsAtPage(db, 5, 12).value->size(), 0u);

    // Where the index points, by number ("0123" is page 123), in volume and page order.
    const auto places = corpus::topicPlaces(db, 1, 91);
    ASSERT_TRUE(places.ok()) << places.error;
    ASSERT_EQ(places.value.size(), 3u);
    for (size_t k = 1; k < places.value.size(); ++k)
        EXPECT_LE(std::pair(places.value[k - 1].volume, places.value[k - 1].page),
                  std::pair(places.value[k].volume, places.value[k].page));
    EXPECT_EQ(places.value[0].page, 123);
    EXPECT_EQ(places.value[2].page, 124);
    EXPECT_TRUE(corpus::topicPlaces(db, 6, 91).value.empty());
    // Both page queries are answered from the page index, not by reading the whole table.
    for (QString sql : {corpus::pageTopicsSql(), corpus::topicPlacesSql()}) {
        corpus::Statement plan(db, ("EXPLAIN QUERY PLAN " + sql).toStdString());
        ASSERT_TRUE(plan.ok()) << plan.error();
        std::string steps;
        while (plan.step() == corpus::Statement::Step::Row)
            steps += std::string(plan.text(3)) + "\n";
        EXPECT_NE(steps.find("velkaro_by_page"), std::string::npos) << steps;
    }

    // A code that is not SQL the engine takes, a second statement, a writing one: each is an
    // error value with the reason, never a list.
    for (const QString& code : {QStringLiteral("7 AND"), QStringLiteral("7; DELETE FROM Velkaro"),
                                QStringLiteral("")}) {
        const auto bad = corpus::topicsOfGroup(db, code);
        EXPECT_FALSE(bad.ok()) << code.toStdString();
        EXPECT_FALSE(bad.value) << code.toStdString();
    }
    EXPECT_EQ(corpus::topicsOfGroup(db, QStringLiteral("7")).value->size(), 2u); // still there
}

TEST(TypedStore, TheStatementKeepsTheLastErrorAndRefusesToStepAfterIt) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    {
        corpus::Statement bad(db, "SELECT * FROM nowhere");
        EXPECT_FALSE(bad.ok());
        EXPECT_NE(bad.error().find("nowhere"), std::string::npos);
        EXPECT_EQ(bad.step(), corpus::Statement::Step::Error);
        corpus::Statement empty(db, "  ");
        EXPECT_FALSE(empty.ok());
        EXPECT_FALSE(empty.error().empty());
        corpus::Statement two(db, "SELECT 1; SELECT 2");
        EXPECT_TRUE(two.ok());
        EXPECT_TRUE(two.hasTrailingText());
        corpus::Statement one(db, "SELECT ?1 ;  ");
        EXPECT_FALSE(one.hasTrailingText());
        EXPECT_FALSE(one.bindInt(2, 5)); // no such parameter
        EXPECT_FALSE(one.error().empty());
        // A failure at a step: the engine's reason is kept.
        corpus::Statement overflow(db, "SELECT abs(-9223372036854775807 - 1)");
        EXPECT_EQ(overflow.step(), corpus::Statement::Step::Error);
        EXPECT_NE(overflow.error().find("overflow"), std::string::npos);
    }
    std::string error;
    EXPECT_FALSE(corpus::execute(db, "CREATE TABLE", &error));
    EXPECT_FALSE(error.empty());
    sqlite3_close(db);
}

TEST(Loader, AReadingBegunEarlierIsTakenOnlyForTheSameUnchangedFile) {
    Topic a;
    a.title = QStringLiteral("ก่อน");
    fixtures::Folder f({a});
    const std::string path = (f.path() + QStringLiteral("/velkaro.mdb")).toStdString();
    {
        corpus::CorpusStore store;
        store.preload(path);
        std::string error;
        auto loaded = store.open(path, &error);
        ASSERT_TRUE(loaded) << error;
        EXPECT_EQ(store.loadCount(), 1);
        EXPECT_EQ(store.open(path, &error), loaded); // kept while the file stays
        EXPECT_EQ(store.loadCount(), 1);
    }
    {
        // The file changes after the reading began: the reading is let go, the new file read.
        corpus::CorpusStore store;
        store.preload(path);
        Topic b;
        b.title = QStringLiteral("หลัง");
        fixtures::writeDatabase(f.path(), {a, b});
        std::string error;
        auto loaded = store.open(path, &error);
        ASSERT_TRUE(loaded) << error;
        corpus::Statement st(loaded->db(), "SELECT count(*) FROM Velkaro");
        ASSERT_EQ(st.step(), corpus::Statement::Step::Row);
        EXPECT_EQ(st.integer(0), 2);
    }
    {
        // A reading that fails reports nothing until the file is opened, then fails that.
        QFile::remove(f.path() + QStringLiteral("/velkaro.mdb"));
        corpus::CorpusStore store;
        store.preload(path);
        std::string error;
        EXPECT_FALSE(store.open(path, &error));
        EXPECT_FALSE(error.empty());
    }
    {
        // Nobody opens it: the store still lets it go.
        fixtures::writeDatabase(f.path(), {a});
        corpus::CorpusStore store;
        store.preload(path);
    }
}
