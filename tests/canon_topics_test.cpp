// The topic index joined with the canon's text: the topics beside the canon search's results,
// the check box that keeps only their pages, the topic list's way into the canon search, and
// velkaro-search's topic numbers.
#include "canon/page_topics.h"
#include "canon/search_window.h"
#include "fixtures.h"
#include "pagefile/canon_layout.h"
#include "reader/content_opener.h"
#include "reader/frm_browser.h"
#include "topics/topic_pane.h"

#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using fixtures::Topic;

namespace {

Topic topicAt(const QString& volume, const QString& page, const QString& title, int no,
              bool marked = false) {
    Topic t;
    t.book = volume;
    t.page = page;
    t.title = title;
    t.no = no;
    t.blue = QStringLiteral("เล่มที่ %1 หน้า %2").arg(volume, page);
    t.red = QStringLiteral("ล.%1 น.%2").arg(volume, page);
    if (marked)
        t.mark = QStringLiteral("TRUE");
    return t;
}

// Volume 5 has the word on pages 122 and 123, and the index two topics on 123 (one written
// "0123"); volume 6 has the word on page 123 and its only topic elsewhere.
const std::vector<Topic> kTopics = {
    topicAt("5", "0123", QStringLiteral("ปัญญาเป็นแสงสว่างในโลก"), 11, true),
    topicAt("5", "123", QStringLiteral("สติในชีวิตประจำวัน"), 12),
    topicAt("5", "125", QStringLiteral("หน้าที่ไม่มีคำค้น"), 13),
    topicAt("6", "200", QStringLiteral("หัวข้อของเล่มหก"), 14),
    topicAt("5", "x", QStringLiteral("หน้าไม่เป็นตัวเลข"), 15),
    topicAt("x", "123", QStringLiteral("เล่มไม่เป็นตัวเลข"), 16),
};

void writeCanon(const QString& folder) {
    auto page = [](int n, const QString& text) {
        return QStringLiteral("<a name=\"%1\"></a><p>%2</p>").arg(n).arg(text);
    };
    fixtures::writePage(folder, 5, QStringLiteral("101_150.htm"),
                        page(122, QStringLiteral("จิตตั้งมั่นเป็นสมาธิ")) +
                            page(123, QStringLiteral("สมาธิและปัญญา")) +
                            page(125, QStringLiteral("ไม่มีคำนั้น")));
    fixtures::writePage(folder, 6, QStringLiteral("101_150.htm"),
                        page(123, QStringLiteral("สมาธิในเล่มหก")));
}

// The main window over the folder, its topic table loaded by a topic list, as a user has it
// once a list has been shown.
struct Connected : fixtures::AppWith {
    explicit Connected(const std::vector<Topic>& topics = kTopics) : AppWith(topics) {
        writeCanon(folder.path());
        form.topicPane->ListGroupTopics(QStringLiteral("1"));
    }
};

void searchBy(canon::SearchWindow& w, QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.running(); }, 20000));
    QApplication::processEvents();
}

// The page rows as "volume:page:topics", in the list's order.
QStringList pageRows(canon::SearchWindow& w) {
    QStringList out;
    const QAbstractItemModel& m = w.model();
    for (int v = 0; v < m.rowCount(); ++v) {
        const QModelIndex volume = m.index(v, 0);
        for (int p = 0; p < m.rowCount(volume); ++p) {
            const QModelIndex page = m.index(p, 0, volume);
            out << QStringLiteral("%1:%2:%3")
                       .arg(page.data(canon::SearchWindow::VolumeRole).toInt())
                       .arg(page.data(canon::SearchWindow::PageRole).toString())
                       .arg(m.rowCount(page));
        }
    }
    return out;
}

QModelIndex pageRow(canon::SearchWindow& w, int volumeRow, int row) {
    return w.model().index(row, 0, w.model().index(volumeRow, 0));
}

} // namespace

TEST(TopicsBesideResults, APageTheIndexPointsAtShowsItsTopicsAndOthersShowNone) {
    Connected app;
    canon::SearchWindow w(app.platform, app.form.opener->session, QStringLiteral("สมาธิ"));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(w.onlyWithTopics->isVisible());
    searchBy(w, w.searchButton);
    // "0123" and "123" are the same page; 125 has no result, volume 6 no topic on 123, and a
    // page or volume that is no number points at no result.
    EXPECT_EQ(pageRows(w), (QStringList{"5:122:0", "5:123:2", "6:123:0"}));
    const QModelIndex without = pageRow(w, 0, 0), with = pageRow(w, 0, 1);
    EXPECT_EQ(without.data().toString(), QStringLiteral("หน้า 122"));
    EXPECT_EQ(with.data().toString(), QStringLiteral("หน้า 123  ·  ๒ หัวข้อ"));
    EXPECT_EQ(with.data(canon::SearchWindow::TopicCountRole).toInt(), 2);
    EXPECT_FALSE(w.results->isExpanded(without));
    // The titles stand open beneath their page, in the table's order, the marked one in red
    // as in the topic list.
    ASSERT_TRUE(w.results->isExpanded(with));
    QStringList titles, numbers, colours;
    for (int t = 0; t < 2; ++t) {
        const QModelIndex title = w.model().index(t, 1, with);
        EXPECT_TRUE(w.results->visualRect(title).isValid()) << t;
        titles << title.data().toString();
        numbers << w.model().index(t, 0, with).data().toString();
        colours << title.data(Qt::ForegroundRole).value<QColor>().name();
        // A topic's row opens its page, as the page's row does.
        EXPECT_EQ(title.data(canon::SearchWindow::PageRole).toString(), QStringLiteral("123"));
        EXPECT_EQ(title.data(canon::SearchWindow::FileRole), with.data(canon::SearchWindow::FileRole));
    }
    EXPECT_EQ(titles, (QStringList{"ปัญญาเป็นแสงสว่างในโลก", "สติในชีวิตประจำวัน"}));
    EXPECT_EQ(numbers, (QStringList{"หัวข้อที่ 11", "หัวข้อที่ 12"}));
    EXPECT_EQ(colours, (QStringList{"#ff0000", "#000000"}));
    EXPECT_TRUE(w.summary->text().contains(QStringLiteral("มีหัวข้อธรรม 1 หน้า")));
    // Searched in volume 6 alone, the topics of volume 5 count nowhere.
    w.fromVolume->setValue(6);
    w.toVolume->setValue(6);
    searchBy(w, w.searchButton);
    EXPECT_EQ(pageRows(w), QStringList{"6:123:0"});
}

TEST(TopicsBesideResults, TheCheckBoxKeepsOnlyPagesWithTopicsAndGivesTheOthersBack) {
    Connected app;
    canon::SearchWindow w(app.platform, app.form.opener->session, QStringLiteral("สมาธิ"));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    searchBy(w, w.searchButton);
    const QStringList all = {"5:122:0", "5:123:2", "6:123:0"};
    ASSERT_EQ(pageRows(w), all);
    // The user is on page 123's second topic: it stays current through both changes.
    const QModelIndex second = w.model().index(1, 0, pageRow(w, 0, 1));
    w.results->setCurrentIndex(second);
    QTest::mouseClick(w.onlyWithTopics, Qt::LeftButton);
    ASSERT_TRUE(w.onlyWithTopics->isChecked());
    EXPECT_EQ(pageRows(w), QStringList{"5:123:2"}); // volume 6 has none: its row goes too
    EXPECT_TRUE(w.results->isExpanded(w.model().index(0, 0)));
    EXPECT_TRUE(w.results->isExpanded(pageRow(w, 0, 0)));
    EXPECT_EQ(w.results->currentIndex().data(canon::SearchWindow::TopicNoRole).toString(), QStringLiteral("12"));
    EXPECT_TRUE(w.summary->text().startsWith(QStringLiteral("พบ ")));
    EXPECT_TRUE(w.summary->text().endsWith(QStringLiteral("แสดง 1 หน้าที่มีหัวข้อธรรม")));
    QTest::mouseClick(w.onlyWithTopics, Qt::LeftButton);
    ASSERT_FALSE(w.onlyWithTopics->isChecked());
    EXPECT_EQ(pageRows(w), all);
    EXPECT_TRUE(w.results->isExpanded(pageRow(w, 0, 1)));
    EXPECT_EQ(w.results->currentIndex().data(canon::SearchWindow::TopicNoRole).toString(), QStringLiteral("12"));
    EXPECT_EQ(w.summary->text().count(QStringLiteral("หัวข้อธรรม")), 1);
    // Checked before a search, it keeps the pages as their volumes come; a search with none
    // lists nothing, and says so.
    QTest::mouseClick(w.onlyWithTopics, Qt::LeftButton);
    searchBy(w, w.searchButton);
    EXPECT_EQ(pageRows(w), QStringList{"5:123:2"});
    w.wordEdit->setText(QStringLiteral("เล่มหก"));
    searchBy(w, w.searchButton);
    EXPECT_TRUE(pageRows(w).isEmpty());
    EXPECT_EQ(w.model().pageRows(), 1);
    EXPECT_TRUE(w.summary->text().endsWith(QStringLiteral("แสดง 0 หน้าที่มีหัวข้อธรรม")));
    QTest::mouseClick(w.onlyWithTopics, Qt::LeftButton);
    EXPECT_EQ(pageRows(w), QStringList{"6:123:0"});
}

TEST(TopicsBesideResults, PastTheFirstThousandPagesWithTopicsAPageOpensWhenAsked) {
    // Volume 5's pages 1 to 1050 each have the word and one topic.
    const int pages = canon::SearchWindow::kOpenedTopicPages + 50;
    std::vector<Topic> topics;
    for (int p = 1; p <= pages; ++p)
        topics.push_back(topicAt("5", QString::number(p), QStringLiteral("หัวข้อของหน้า %1").arg(p), p));
    fixtures::AppWith app(topics);
    for (int k = 0; 50 * k < pages; ++k) {
        QString html;
        for (int p = std::max(1, 50 * k + 1); p <= 50 * (k + 1) && p <= pages; ++p)
            html += QStringLiteral("<a name=\"%1\"></a><p>สมาธิ</p>").arg(p);
        fixtures::writePage(app.folder.path(), 5, pagefile::CanonLayout::rangeFile(k), html);
    }
    app.form.topicPane->ListGroupTopics(QStringLiteral("1"));
    canon::SearchWindow w(app.platform, app.form.opener->session, QStringLiteral("สมาธิ"));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    searchBy(w, w.searchButton);
    ASSERT_EQ(w.model().rowCount(w.model().index(0, 0)), pages);
    const QModelIndex lastOpened = pageRow(w, 0, canon::SearchWindow::kOpenedTopicPages - 1);
    const QModelIndex closed = pageRow(w, 0, canon::SearchWindow::kOpenedTopicPages);
    EXPECT_TRUE(w.results->isExpanded(lastOpened));
    EXPECT_FALSE(w.results->isExpanded(closed));
    EXPECT_EQ(closed.data().toString(), QStringLiteral("หน้า 1001  ·  ๑ หัวข้อ"));
    // The right arrow on it shows its topic.
    w.results->setCurrentIndex(closed);
    w.results->setFocus();
    QTest::keyClick(w.results, Qt::Key_Right);
    ASSERT_TRUE(w.results->isExpanded(closed));
    const QModelIndex title = w.model().index(0, 1, closed);
    EXPECT_TRUE(w.results->visualRect(title).isValid());
    EXPECT_EQ(title.data().toString(), QStringLiteral("หัวข้อของหน้า 1001"));
}

TEST(TopicsBesideResults, RightAfterStartTheyShowAndWithoutATopicTableTheWindowSearchesAsBefore) {
    fixtures::AppWith app(kTopics);
    writeCanon(app.folder.path());
    {
        // No list shown yet: the table is read quietly for the topics, the shared connection
        // left as it was.
        canon::SearchWindow w(app.platform, app.form.opener->session, QStringLiteral("สมาธิ"));
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        EXPECT_TRUE(w.onlyWithTopics->isVisible());
        searchBy(w, w.searchButton);
        EXPECT_TRUE(pageRow(w, 0, 1).data().toString().startsWith(QStringLiteral("หน้า 123  ·  ")))
            << pageRow(w, 0, 1).data().toString().toStdString();
        EXPECT_FALSE(app.db.SharedConnection);
    }
    reader::ReaderSession unset;
    for (reader::ReaderSession* session : {&unset}) {
        canon::SearchWindow w(app.platform, *session, QStringLiteral("สมาธิ"));
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        EXPECT_FALSE(w.onlyWithTopics->isVisible());
        searchBy(w, w.searchButton);
        EXPECT_EQ(pageRows(w), (QStringList{"5:122:0", "5:123:0", "6:123:0"}));
        EXPECT_EQ(pageRow(w, 0, 1).data().toString(), QStringLiteral("หน้า 123"));
        EXPECT_FALSE(w.summary->text().contains(QStringLiteral("หัวข้อ")));
    }
    EXPECT_TRUE(app.platform.boxes.empty());
}

TEST(PageTopics, PageNamesAreNumbersOnlyWhenWrittenInDigits) {
    EXPECT_EQ(canon::pageNumber(QStringLiteral("123")), 123);
    EXPECT_EQ(canon::pageNumber(QStringLiteral("0123")), 123);
    EXPECT_EQ(canon::pageNumber(QStringLiteral("0")), 0);
    for (const char* name : {"", "net01", "12a", "-1", " 1", "1234567890", "๑๒"})
        EXPECT_EQ(canon::pageNumber(QString::fromUtf8(name)), -1) << name;
    // No table: nothing anywhere, and nothing read.
    const canon::PageTopics none;
    EXPECT_EQ(none.at(5, QStringLiteral("123")).count, 0u);
    EXPECT_EQ(none.topicsAt(5, QStringLiteral("123")), nullptr);
}

namespace {
// Right-clicks the topic list's row as the window system delivers it, and returns the menu
// that opened.
QMenu* rightClick(fixtures::App& app, int row) {
    tk::ListView* list = app.form.listView2;
    const QPoint at = list->visualRect(app.form.topicPane->model().index(row, 0)).center();
    QWindow* window = app.form.windowHandle();
    const QPoint inWindow = list->viewport()->mapTo(&app.form, at);
    QTest::mouseClick(window, Qt::RightButton, {}, inWindow);
    QApplication::processEvents();
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}
} // namespace

// The main window shown at its design size.
struct Shown : Connected {
    Shown() {
        form.resize(1016, 735);
        form.show();
        (void)QTest::qWaitForWindowExposed(&form);
    }
};

TEST(TopicList, TheMenuOfARowSearchesItsTitleInTheCanonTextOfItsVolume) {
    Shown app;
    app.form.topicPane->SearchTopics(QStringLiteral("ปัญญาเป็นแสงสว่าง"));
    ASSERT_EQ(app.form.topicPane->model().rowCount(), 1);
    struct Seen {
        QString word;
        int from = 0, to = 0;
        bool phrase = false;
        QStringList pages;
    };
    std::vector<Seen> seen;
    app.platform.onModal = [&](QDialog& d) {
        auto* w = dynamic_cast<canon::SearchWindow*>(&d);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->running(); }, 20000));
        QApplication::processEvents();
        seen.push_back({w->wordEdit->text(), w->fromVolume->value(), w->toVolume->value(),
                        w->phrase->isChecked(), pageRows(*w)});
    };
    // Chosen with the mouse.
    QMenu* menu = rightClick(app, 0);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* entry = menu->actions()[0];
    EXPECT_EQ(entry->text(), topics::kSearchTitleInCanon);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, 20000));
    EXPECT_EQ(seen[0].word, QStringLiteral("ปัญญาเป็นแสงสว่างในโลก"));
    EXPECT_EQ(seen[0].from, 5);
    EXPECT_EQ(seen[0].to, 5);
    EXPECT_TRUE(seen[0].phrase);
    EXPECT_TRUE(seen[0].pages.isEmpty()); // the title is in the index, not in the page's text
    // A topic whose volume is no number: every volume, and chosen by the keyboard. The
    // right-click selects the row it is on, and nothing else that a click does happens.
    app.form.topicPane->SearchTopics(QStringLiteral("ไม่เป็นตัวเลข"));
    ASSERT_EQ(app.form.topicPane->model().rowCount(), 2); // "หน้าไม่...", "เล่มไม่เป็นตัวเลข"
    ASSERT_EQ(app.form.listView2->selectedRow(), 0);
    const bool buttonBefore = app.form.Command8.Visible();
    menu = rightClick(app, 1);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(app.form.listView2->selectedRow(), 1);
    EXPECT_EQ(app.form.Command8.Visible(), buttonBefore);
    // The one entry chosen by the keys; the window it opens searched for the word in these volumes.
    auto chooseByKeys = [&](QMenu* m, const QString& word, int from, int to) {
        const size_t before = seen.size();
        QTest::keyClick(m, Qt::Key_Down);
        QTest::keyClick(m, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() > before; }, 20000));
        EXPECT_EQ(seen.back().word, word);
        EXPECT_EQ(seen.back().from, from);
        EXPECT_EQ(seen.back().to, to);
    };
    chooseByKeys(menu, QStringLiteral("เล่มไม่เป็นตัวเลข"), 1, 91);
    EXPECT_EQ(app.platform.modalCount, 2);
    // The menu key opens it for the current row: the window system asks the focused list for
    // a menu where its current row is, as Qt does on the key.
    tk::ListView* list = app.form.listView2;
    list->setFocus();
    list->setCurrentIndex(app.form.topicPane->model().index(0, 0));
    const QPoint cursor = list->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent key(QContextMenuEvent::Keyboard, cursor, list->mapToGlobal(cursor));
    QApplication::sendEvent(list, &key);
    QApplication::processEvents();
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    chooseByKeys(menu, QStringLiteral("หน้าไม่เป็นตัวเลข"), 5, 5);
    // Below the rows there is no topic, and no menu.
    const QRect last = app.form.listView2->visualRect(app.form.topicPane->model().index(1, 0));
    QTest::mouseClick(app.form.windowHandle(), Qt::RightButton, {},
                      app.form.listView2->viewport()->mapTo(&app.form, last.center() + QPoint(0, 3 * last.height())));
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST(TopicList, ALeftClickAndADoubleClickDoWhatTheyDidBeforeTheMenu) {
    Shown app;
    app.form.topicPane->SearchTopics(QStringLiteral("สติในชีวิต"));
    ASSERT_EQ(app.form.topicPane->model().rowCount(), 1);
    int readers = 0;
    app.platform.onModal = [&](QDialog& d) {
        if (dynamic_cast<reader::frmBrowser*>(&d))
            ++readers;
    };
    const QRect first = app.form.listView2->visualRect(app.form.topicPane->model().index(0, 0));
    QTest::mouseClick(app.form.listView2->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_TRUE(app.form.Command8.Visible()); // the row's open button
    EXPECT_EQ(app.form.listView2->selectedRow(), 0);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    QTest::mouseDClick(app.form.listView2->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(readers, 1); // the reader, at the topic's page
    EXPECT_EQ(app.platform.modalCount, 1);
    EXPECT_TRUE(app.platform.boxes.empty());
}

namespace {
struct Output {
    int code;
    QStringList lines;
    QString err;
};
Output searchTool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VELKARO_SEARCH_TOOL), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

TEST(VelkaroSearch, PrintsEachPagesTopicNumbersAndAPagesTopicsOnAsking) {
    fixtures::Folder f(kTopics);
    writeCanon(f.path());
    Output r = searchTool({"สมาธิ", f.path()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QStringList firstTwoAndLast;
    for (const QString& line : r.lines) {
        const QStringList cells = line.split('\t');
        ASSERT_EQ(cells.size(), 5) << line.toStdString();
        firstTwoAndLast << cells[0] + ":" + cells[1] + ":" + cells[4];
    }
    EXPECT_EQ(firstTwoAndLast, (QStringList{"5:122:", "5:123:11,12", "6:123:"}));
    EXPECT_FALSE(r.err.contains(QStringLiteral("หัวข้อธรรม")));
    // --on: the page's topics in the table's order, with their references.
    r = searchTool({"--on", "5:123", f.path()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines, (QStringList{"11\tปัญญาเป็นแสงสว่างในโลก\tเล่มที่ 5 หน้า 0123\tล.5 น.0123",
                                    "12\tสติในชีวิตประจำวัน\tเล่มที่ 5 หน้า 123\tล.5 น.123"}));
    r = searchTool({"--on", "5:124", f.path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.lines.isEmpty());
    for (const char* bad : {"5:x", "92:1", "0:1", "5", ":5", "5:-1", "5:99999"}) {
        r = searchTool({"--on", bad, f.path()});
        EXPECT_EQ(r.code, 2) << bad;
        EXPECT_TRUE(r.lines.isEmpty()) << bad;
        EXPECT_EQ(r.err.count('\n'), 1) << bad;
    }
    // Without a database: --on fails, the search runs with the column empty and one warning.
    ASSERT_TRUE(QFile::remove(f.path() + "/velkaro.mdb"));
    r = searchTool({"--on", "5:123", f.path()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("velkaro.mdb")));
    r = searchTool({"สมาธิ", f.path()});
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.lines.size(), 3);
    for (const QString& line : r.lines)
        EXPECT_TRUE(line.endsWith('\t')) << line.toStdString();
    EXPECT_EQ(r.err.count(QStringLiteral("velkaro.mdb")), 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("ไม่แสดงเลขหัวข้อธรรม")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("พบ 3 แห่ง")));
}
