// The search of the canon's own text: the engine, its window and velkaro-search.
#include "canon/engine.h"
#include "canon/search_window.h"
#include "fixtures.h"
#include "reader/content_opener.h"
#include "reader/frm_browser.h"
#include "reader/find_bar.h"
#include "reader/page_view.h"
#include "thai/normalise.h"
#include "topics/topic_pane.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

using fixtures::Topic;

namespace {

QByteArray cp874(const QString& s) {
    QByteArray out;
    for (QChar c : s) {
        const ushort u = c.unicode();
        out.append(u >= 0x0E01 && u <= 0x0E5B ? char(u - 0x0E01 + 0xA1) : char(u));
    }
    return out;
}

// A program folder with page files written as given (text in windows-874 unless utf8).
struct Canon {
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    void page(int volume, const QString& file, const QString& html, bool utf8 = false) {
        const QString p = dir.path() + QStringLiteral("/91book/book%1/").arg(volume, 2, 10, QLatin1Char('0'));
        QDir().mkpath(p);
        QFile f(p + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(utf8 ? ("<meta charset=\"utf-8\">" + html).toUtf8() : cp874(html));
    }
};

struct Result {
    std::vector<canon::PageHit> pages;
    canon::Summary summary;
    QStringList lines() const { // volume:page:hits, as compared
        QStringList out;
        for (const auto& h : pages)
            out << QStringLiteral("%1:%2:%3").arg(h.volume).arg(h.page).arg(h.hits);
        return out;
    }
};

Result run(const QString& folder, const canon::Query& q) {
    Result r;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    int lastVolume = 0;
    canon::Search::Callbacks cb;
    cb.volume = [&](canon::VolumeHits v) {
        std::lock_guard<std::mutex> l(m);
        EXPECT_GT(v.volume, lastVolume); // in volume order
        lastVolume = v.volume;
        for (auto& p : v.pages)
            r.pages.push_back(p);
    };
    cb.finished = [&](canon::Summary s) {
        std::lock_guard<std::mutex> l(m);
        r.summary = s;
        done = true;
        cv.notify_all();
    };
    canon::Search search(folder, q, cb);
    std::unique_lock<std::mutex> l(m);
    cv.wait(l, [&] { return done; });
    return r;
}

Result find(const QString& folder, const QString& word, bool allWords = false, int from = 1,
            int to = 91) {
    canon::Query q;
    q.word = word;
    q.allWords = allWords;
    q.firstVolume = from;
    q.lastVolume = to;
    return run(folder, q);
}

} // namespace

TEST(CanonSearch, TheTextCountsNotTagsCommentsOrAttributesAndMarkupDoesNotSplitAWord) {
    Canon c;
    c.page(1, "001_050.htm",
           "<html><head><title>ธรรม</title><style>p{font:ธรรม}</style></head><body>"
           "<a name=\"1\"></a><p><font face=\"ธรรม\" title='ธรรม'>ก</font></p>"
           "<!-- ธรรม ธรรม --><a name=\"2\"></a><p>พระธ<b>รร</b><span>ม</span>เทศนา</p>"
           "<p>&#3608;รรม &amp; ธรรม&nbsp;</p>");
    for (bool utf8 : {false, true}) {
        c.page(1, "001_050.htm",
               "<html><head><title>ธรรม</title><style>p{font:ธรรม}</style></head><body>"
               "<a name=\"1\"></a><p><font face=\"ธรรม\" title='ธรรม'>ก</font></p>"
               "<!-- ธรรม ธรรม --><a name=\"2\"></a><p>พระธ<b>รร</b><span>ม</span>เทศนา</p>"
               "<p>&#3608;รรม &amp; ธรรม&nbsp;</p>",
               utf8);
        const Result r = find(c.path(), "ธรรม");
        EXPECT_EQ(r.lines(), QStringList{"1:2:3"}) << utf8;
        ASSERT_EQ(r.pages.size(), 1u);
        const canon::Snippet s = canon::snippetOf(r.pages[0]);
        ASSERT_FALSE(s.marks.empty());
        EXPECT_EQ(s.text.mid(s.marks[0].first, s.marks[0].second), QStringLiteral("ธรรม"));
        EXPECT_TRUE(s.text.contains(QStringLiteral("พระธรรมเทศนา")));
    }
}

TEST(CanonSearch, EachFoldingRuleHoldsEndToEnd) {
    Canon c;
    // Written one way in the page, typed the other way in the search.
    const std::vector<std::tuple<QString, QString, bool>> cases = {
        {"น\u0E4D\u0E49\u0E32ใจ", "น้ำใจ", false},         // SARA AM in two characters
        {"น้ำตา", "น\u0E4D\u0E49\u0E32ตา", false},          // and the other way
        {"ก\u0E48\u0E34ง", "กิ่ง", false},                  // marks typed in another order
        {"ปั้\u0E49น", "ปั้น", false},                       // a doubled mark
        {"เล่ม ๑๒", "เล่ม 12", false},                      // Thai digits
        {"PALI Text", "pali text", false},                  // Latin case
        {"ป\uF70Aา ไม้", "ป่า ไม้", true},                   // a legacy glyph code
        {"พระ\u200Bไตร\u00ADปิฎก", "พระไตรปิฎก", true},     // zero-width space, soft hyphen
    };
    int volume = 1;
    for (const auto& [written, typed, utf8] : cases) {
        c.page(volume, "001_050.htm", "<a name=\"7\"></a><p>x " + written + " y</p>", utf8);
        const Result r = find(c.path(), typed, false, volume, volume);
        EXPECT_EQ(r.lines(), QStringList{QStringLiteral("%1:7:1").arg(volume)})
            << written.toStdString() << " / " << typed.toStdString();
        ++volume;
    }
}

TEST(CanonSearch, AllWordsOnOnePageTheVolumeRangeAndPagesAtBoundaries) {
    Canon c;
    c.page(3, "001_050.htm",
           "<a name=\"49\"></a><p>สติ และ สมาธิ</p><a name=\"50\"></a><p>สติ</p>");
    c.page(3, "051_100.htm", "<a name=\"51\"></a><p>สมาธิ ต้นหน้า</p>");
    c.page(4, "001_050.htm", "<a name=\"0\"></a><p>สติ สมาธิ</p>");
    EXPECT_EQ(find(c.path(), "สติ สมาธิ", true).lines(), (QStringList{"3:49:2", "4:0:2"}));
    // Page 50 has one word, page 51 the other: not the same page.
    EXPECT_EQ(find(c.path(), "สติ สมาธิ", true, 3, 3).lines(), QStringList{"3:49:2"});
    EXPECT_EQ(find(c.path(), "สมาธิ", false, 3, 3).lines(), (QStringList{"3:49:1", "3:51:1"}));
    EXPECT_EQ(find(c.path(), "สมาธิ", false, 4, 91).lines(), QStringList{"4:0:1"});
    // The phrase must stand whole.
    EXPECT_TRUE(find(c.path(), "สติ สมาธิ").lines() == QStringList{"4:0:1"});
    // Before the file's first page anchor the page is empty, as the reader's first page.
    c.page(5, "001_050.htm", "<p>สติ</p><a name=\"1\"></a>");
    EXPECT_EQ(find(c.path(), "สติ", false, 5, 5).lines(), QStringList{"5::1"});
}

TEST(CanonSearch, UnreadableFilesAreCountedAndOddWordsNeverMisbehave) {
    Canon c;
    c.page(1, "001_050.htm", "<a name=\"1\"></a><p>ธรรม 50% 'บุญ' a_b &#128591;</p>");
    QDir().mkpath(c.path() + "/91book/book01/051_100.htm"); // a folder, not a file
    QFile::link(c.path() + "/gone.htm", c.path() + "/91book/book01/101_150.htm");
    QFile junk(c.path() + "/91book/book01/151_200.htm");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    QByteArray noise;
    for (int i = 0; i < 100000; ++i)
        noise += char((i * 7919) & 0xFF);
    junk.write(noise);
    junk.close();
    const Result r = find(c.path(), "ธรรม");
    EXPECT_EQ(r.summary.unreadable, 2);
    EXPECT_TRUE(canon::summaryLine(r.summary).contains(QStringLiteral("อ่านไม่ได้ 2 ไฟล์")));
    EXPECT_EQ(r.lines(), QStringList{"1:1:1"});
    EXPECT_EQ(find(c.path(), "50%").lines(), QStringList{"1:1:1"}); // no wildcards here
    EXPECT_EQ(find(c.path(), "'บุญ'").lines(), QStringList{"1:1:1"});
    EXPECT_EQ(find(c.path(), "a_b").lines(), QStringList{"1:1:1"});
    EXPECT_EQ(find(c.path(), "\U0001F64F").lines(), QStringList{"1:1:1"});
    EXPECT_TRUE(find(c.path(), "_").lines().contains("1:1:1")); // a character like any other
    EXPECT_TRUE(find(c.path(), QString(10000, QChar(u'ก'))).lines().isEmpty());
    for (const QString& nothing : {QString(), QStringLiteral("   "), QStringLiteral("\u200B")}) {
        canon::Query q;
        q.word = nothing;
        EXPECT_TRUE(canon::searchWords(q).isEmpty());
        EXPECT_EQ(run(c.path(), q).summary.bytes, 0);
    }
    EXPECT_NO_FATAL_FAILURE(find(c.path(), "\u0E48\u0E48"));
}

// A page file is read whole when small and through a mapping let go as the search moves
// on when large: the same pages find the same words either way.
TEST(CanonSearch, ALargePageFileFindsWhatTheSamePagesFindInASmallOne) {
    Canon c;
    const QString filler = QStringLiteral("<p>") + QString(100000, QChar(u'ก')) + QStringLiteral("</p>");
    QString big, small;
    for (int p = 1; p <= 60; ++p) {
        QString page = QStringLiteral("<a name=\"%1\"></a>").arg(p);
        if (p % 7 == 0)
            page += QStringLiteral("<p>สมาธิ ").repeated(p % 3 + 1) + QStringLiteral("</p>");
        small += page;
        big += page + filler;
    }
    c.page(1, "001_050.htm", big);
    c.page(2, "001_050.htm", small);
    ASSERT_GT(QFileInfo(c.path() + "/91book/book01/001_050.htm").size(), 5ll << 20);
    QStringList fromBig, fromSmall;
    for (const QString& l : find(c.path(), "สมาธิ").lines())
        (l.startsWith("1:") ? fromBig : fromSmall) << l.mid(2);
    EXPECT_EQ(fromSmall.size(), 8);
    EXPECT_EQ(fromBig, fromSmall);
}

TEST(CanonSearch, CancelStopsAtOnceAndANewSearchRunsWhole) {
    Canon c;
    QString big;
    for (int p = 0; p <= 50; ++p) {
        big += QStringLiteral("<a name=\"%1\"></a>").arg(p);
        for (int k = 0; k < 40; ++k)
            big += QStringLiteral("<p>พระพุทธเจ้าทรงแสดงธรรมแก่ภิกษุทั้งหลาย</p>");
    }
    for (int v = 1; v <= 30; ++v)
        for (const char* f : {"001_050.htm", "051_100.htm"})
            c.page(v, f, big);
    canon::Query q;
    q.word = QStringLiteral("ธรรม");
    std::atomic<bool> finished{false};
    std::atomic<int> volumes{0};
    canon::Search::Callbacks cb;
    cb.volume = [&](canon::VolumeHits) { ++volumes; };
    cb.finished = [&](canon::Summary s) {
        finished = true;
        EXPECT_TRUE(s.cancelled);
    };
    {
        canon::Search s(c.path(), q, cb, 2);
        s.cancel();
        EXPECT_TRUE(finished);
    }
    EXPECT_LT(volumes.load(), 30);
    const Result whole = find(c.path(), "ธรรม");
    EXPECT_EQ(whole.pages.size(), 30u * 102u);
    EXPECT_FALSE(whole.summary.cancelled);
}

TEST(CanonSearch, TheWindowAndVelkaroSearchAgree) {
    fixtures::App app(fixtures::sampleFolder());
    canon::SearchWindow w(app.platform, app.form.opener->session, QStringLiteral("ธรรม"));
    w.show();
    w.allWords->setChecked(true);
    w.wordEdit->setText(QStringLiteral("ธรรม สงบ"));
    w.fromVolume->setValue(2);
    w.toVolume->setValue(40);
    QTest::keyClick(w.wordEdit, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.running(); }, 20000));
    QApplication::processEvents();
    QStringList shown;
    for (int v = 0; v < w.model().rowCount(); ++v) {
        const QModelIndex vol = w.model().index(v, 0);
        for (int p = 0; p < w.model().rowCount(vol); ++p) {
            const QModelIndex page = w.model().index(p, 0, vol);
            shown << QStringLiteral("%1\t%2").arg(page.data(canon::SearchWindow::VolumeRole).toInt())
                         .arg(page.data(canon::SearchWindow::PageRole).toString());
        }
    }
    ASSERT_FALSE(shown.isEmpty());
    QProcess tool;
    tool.start(QStringLiteral(VELKARO_SEARCH_TOOL),
               {"--all-words", "--volumes", "2-40", "ธรรม สงบ", fixtures::sampleFolder()});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0);
    QStringList printed;
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
        printed << line.section('\t', 0, 1);
    EXPECT_EQ(printed, shown);
    EXPECT_TRUE(w.summary->text().startsWith(QStringLiteral("พบ ")));
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardError()).trimmed().section(' ', 0, 6),
              w.summary->text().section(' ', 0, 6));
    // Nothing found: status 1; an impossible range: status 2.
    tool.start(QStringLiteral(VELKARO_SEARCH_TOOL), {"ไม่มีคำนี้แน่นอน", fixtures::sampleFolder()});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    tool.start(QStringLiteral(VELKARO_SEARCH_TOOL), {"--volumes", "9-3", "ธรรม", fixtures::sampleFolder()});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 2);
}

TEST(CanonSearch, ShiftEnterOpensTheWindowAndAResultOpensTheReaderAtItsPage) {
    fixtures::App app(fixtures::sampleFolder());
    app.form.resize(1016, 735);
    app.form.show();
    QApplication::processEvents();
    QString word, readerPage;
    int marked = -1;
    app.platform.onModal = [&](QDialog& d) {
        if (auto* w = dynamic_cast<canon::SearchWindow*>(&d)) {
            word = w->wordEdit->text();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !w->running(); }, 20000));
            QApplication::processEvents();
            ASSERT_GT(w->model().rowCount(), 0);
            const QModelIndex first = w->model().index(0, 0, w->model().index(0, 0));
            w->results->setCurrentIndex(first);
            w->results->setFocus();
            QTest::keyClick(w->results, Qt::Key_Return);
            EXPECT_EQ(w->results->currentIndex(), first); // the row stays selected
        } else if (auto* b = dynamic_cast<reader::frmBrowser*>(&d)) {
            readerPage = b->brwWebBrowser->shownAnchor();
            marked = b->brwWebBrowser->hitCount();
            EXPECT_TRUE(b->windowTitle().contains(QStringLiteral(" หน้า ")));
        }
    };
    QTest::mouseClick(app.form.text1, Qt::LeftButton);
    fixtures::typeText(app.form.text1, QStringLiteral("ธรรม"));
    QTest::keyClick(app.form.text1, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(word, QStringLiteral("ธรรม"));
    EXPECT_FALSE(readerPage.isEmpty());
    EXPECT_GT(marked, 0);
    EXPECT_EQ(app.form.topicPane->model().rowCount(), 0); // the topic search did not run
    // The button at the end of the box opens it too, with its tool tip in Thai.
    auto* action = app.form.text1->findChild<QAction*>(QStringLiteral("canonSearchAction"));
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isVisible()); // a word typed: the button shows
    EXPECT_EQ(action->toolTip(), QStringLiteral("ค้นหาในเนื้อความพระไตรปิฎก"));
    word.clear();
    app.platform.onModal = [&](QDialog& d) {
        if (auto* w = dynamic_cast<canon::SearchWindow*>(&d))
            word = w->windowTitle();
    };
    action->trigger();
    EXPECT_EQ(word, QStringLiteral("ค้นหาในเนื้อความพระไตรปิฎก"));
}

TEST(CanonSearch, AnEmptyWordThePromptOrNoCanonFolderGetANotice) {
    fixtures::Folder none({Topic{}});
    fixtures::App app(none.path());
    canon::SearchWindow w(app.platform, app.form.opener->session, topics::kPrompt);
    EXPECT_EQ(w.wordEdit->text(), QString()); // the prompt counts as nothing
    w.start();
    w.wordEdit->setText(QStringLiteral("   "));
    w.start();
    w.wordEdit->setText(QStringLiteral("ธรรม"));
    w.start();
    ASSERT_EQ(app.platform.boxes.size(), 3u);
    EXPECT_EQ(app.platform.boxes[0].text, QStringLiteral("กรุณาป้อนคำที่ต้องการค้นหาก่อน"));
    EXPECT_EQ(app.platform.boxes[1].text, QStringLiteral("กรุณาป้อนคำที่ต้องการค้นหาก่อน"));
    EXPECT_EQ(app.platform.boxes[2].text,
              QStringLiteral("ไม่พบโฟลเดอร์ 91book ของพระไตรปิฎกในโฟลเดอร์ของโปรแกรม"));
    EXPECT_FALSE(w.running());
}

TEST(TopicSearch, TwoSpellingsThatDisplayAlikeFindEachOther) {
    Topic one, two, digits;
    one.title = QStringLiteral("น้ำใจของผู้ให้");
    two.title = QStringLiteral("น\u0E4D\u0E49\u0E32ใจงาม");
    digits.title = QStringLiteral("ศีล ๕");
    fixtures::AppWith app({one, two, digits, Topic{}});
    app.form.topicPane->SearchTopics(QStringLiteral("น้ำใจ"));
    EXPECT_EQ(app.form.topicPane->model().rowCount(), 2);
    app.form.topicPane->SearchTopics(QStringLiteral("น\u0E4D\u0E49\u0E32ใจ"));
    EXPECT_EQ(app.form.topicPane->model().rowCount(), 2);
    app.form.topicPane->SearchTopics(QStringLiteral("ศีล 5"));
    EXPECT_EQ(app.form.topicPane->model().rowCount(), 1);
    // The caption keeps the word as typed.
    EXPECT_EQ(app.form.label1->text(), QStringLiteral("ผลการค้นหาคำว่า : ศีล 5 : พบจำนวน : 1 รายการ"));
    // velkaro-search --topics finds the same.
    QProcess tool;
    tool.start(QStringLiteral(VELKARO_SEARCH_TOOL), {"--topics", "น้ำใจ", app.folder.path()});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardOutput()).count('\n'), 3); // header + 2
}

// Enter in any field of the window searches again with what the fields now hold.
TEST(CanonSearch, EnterInAnyFieldSearches) {
    fixtures::App app(fixtures::sampleFolder());
    canon::SearchWindow w(app.platform, app.form.opener->session, QStringLiteral("ธรรม"));
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto volumesShown = [&] {
        std::set<int> v;
        for (int i = 0; i < w.model().rowCount(); ++i) {
            const QModelIndex vol = w.model().index(i, 0);
            if (w.model().rowCount(vol) > 0)
                v.insert(w.model().index(0, 0, vol).data(canon::SearchWindow::VolumeRole).toInt());
        }
        return v;
    };
    struct Field {
        const char* name;
        QWidget* widget;
        std::function<void()> edit; // by real keys
        Qt::Key enter;
        int first, last;
    };
    const std::vector<Field> fields = {
        {"from volume", w.fromVolume,
         [&] {
             QTest::keyClick(w.fromVolume, Qt::Key_A, Qt::ControlModifier);
             QTest::keyClicks(w.fromVolume, "3");
         },
         Qt::Key_Return, 3, 91},
        {"to volume", w.toVolume,
         [&] {
             QTest::keyClick(w.toVolume, Qt::Key_A, Qt::ControlModifier);
             QTest::keyClicks(w.toVolume, "5");
         },
         Qt::Key_Enter, 3, 5},
        {"all words", w.allWords, [&] { QTest::keyClick(w.allWords, Qt::Key_Space); }, Qt::Key_Return,
         3, 5},
        {"word", w.wordEdit, [] {}, Qt::Key_Return, 3, 5},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.running(); }, 20000));
        w.model().removeRows(0, w.model().rowCount());
        f.widget->setFocus();
        f.edit();
        QTest::keyClick(f.widget, f.enter);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.running(); }, 20000));
        QApplication::processEvents();
        const std::set<int> shown = volumesShown();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(*shown.begin(), f.first);
        EXPECT_EQ(*shown.rbegin(), f.last);
    }
    EXPECT_TRUE(w.allWords->isChecked());
    EXPECT_TRUE(app.platform.boxes.empty());
}

TEST(CanonSearch, AResultOfAllWordsOpensTheReaderWithEveryWordMarked) {
    Canon c;
    c.page(3, "001_050.htm",
           QStringLiteral("<a name=\"1\"></a><p>ธรรม กุ้ง</p><a name=\"2\"></a><p>ธรรม</p>"
                          "<a name=\"3\"></a><p>ก้<b>ุ</b>ง และ ธรรม</p><p>ธรรม กุ้ง</p>"));
    fixtures::App app(c.path());
    struct Seen {
        QString box, anchor;
        QStringList marked;   // the marks' text, in document order
        std::vector<int> steps; // the place each F3 makes current
        int back = -1;          // and Shift+F3 after them
    };
    std::vector<Seen> seen;
    app.platform.onModal = [&](QDialog& d) {
        auto* b = dynamic_cast<reader::frmBrowser*>(&d);
        ASSERT_NE(b, nullptr);
        Seen s;
        s.box = b->findBar->edit()->text();
        s.anchor = b->brwWebBrowser->shownAnchor();
        for (const QTextEdit::ExtraSelection& sel : b->brwWebBrowser->extraSelections())
            s.marked << sel.cursor.selectedText();
        b->activateWindow();
        (void)QTest::qWaitForWindowActive(b);
        for (int i = 0; i <= b->brwWebBrowser->hitCount(); ++i) {
            QTest::keyClick(b->brwWebBrowser, Qt::Key_F3);
            s.steps.push_back(b->brwWebBrowser->currentHit());
        }
        QTest::keyClick(b->brwWebBrowser, Qt::Key_F3, Qt::ShiftModifier);
        s.back = b->brwWebBrowser->currentHit();
        seen.push_back(s);
    };
    canon::SearchWindow w(app.platform, app.form.opener->session, QStringLiteral("ธรรม กุ้ง"));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::mouseClick(w.allWords, Qt::LeftButton);
    ASSERT_TRUE(w.allWords->isChecked());
    QTest::keyClick(w.wordEdit, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.running(); }, 20000));
    QApplication::processEvents();
    const QModelIndex volume = w.model().index(0, 0);
    ASSERT_EQ(w.model().rowCount(volume), 2); // pages 1 and 3 hold both words
    // By the mouse: page 3; by the keyboard: page 1.
    const QModelIndex third = w.model().index(1, 0, volume);
    w.results->scrollTo(third);
    QApplication::processEvents();
    // A double click: the first click, then the second, which QTest sends as the double one.
    const QPoint at = w.results->visualRect(third).center();
    QTest::mouseClick(w.results->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w.results->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(seen.size(), 1u);
    w.results->setCurrentIndex(w.model().index(0, 0, volume));
    w.results->setFocus();
    QTest::keyClick(w.results, Qt::Key_Return);
    ASSERT_EQ(seen.size(), 2u);
    // Every place of either word in the file, in the order they stand; F3 goes through them
    // all and round.
    const QStringList all = {"ธรรม", "กุ้ง", "ธรรม", QStringLiteral("กุ้ง"), "ธรรม", "ธรรม", "กุ้ง"};
    for (const Seen& s : seen) {
        EXPECT_EQ(s.box, QStringLiteral("ธรรม กุ้ง"));
        ASSERT_EQ(s.marked.size(), all.size());
        for (int k = 0; k < all.size(); ++k)
            EXPECT_EQ(thai::foldWord(s.marked[k]), thai::foldWord(all[k])) << k;
        ASSERT_EQ(s.steps.size(), size_t(all.size()) + 1);
        for (size_t k = 1; k < s.steps.size(); ++k)
            EXPECT_EQ(s.steps[k], (s.steps[k - 1] + 1) % all.size());
        EXPECT_EQ(s.back, (s.steps.back() + all.size() - 1) % all.size());
    }
    EXPECT_EQ(seen[0].anchor, QStringLiteral("3"));
    EXPECT_EQ(seen[1].anchor, QStringLiteral("1"));
    // A search for the words as one phrase marks the phrase alone, as before.
    seen.clear();
    QTest::mouseClick(w.phrase, Qt::LeftButton);
    QTest::keyClick(w.wordEdit, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.running(); }, 20000));
    QApplication::processEvents();
    w.results->setCurrentIndex(w.model().index(0, 0, w.model().index(0, 0)));
    w.results->setFocus();
    QTest::keyClick(w.results, Qt::Key_Return);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].marked, (QStringList{"ธรรม กุ้ง", "ธรรม กุ้ง"}));
}
