// The index and the text together in the reader: the topics of the page read, the title
// that follows the reading, and stepping from one search result to the next.
#include "canon/search_window.h"
#include "fixtures.h"
#include "reader/content_opener.h"
#include "reader/find_bar.h"
#include "reader/frm_browser.h"
#include "reader/navigator.h"
#include "reader/page_view.h"
#include "reader/topics_panel.h"
#include "topics/topic_pane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QWheelEvent>
#include <gtest/gtest.h>

using fixtures::Topic;

namespace {

// Pages that say which they are, long enough that a page fills the view; the word
// "สมาธิ" on the pages given.
QByteArray rangeFile(int first, int last, std::initializer_list<int> withWord = {}) {
    QByteArray html = "<html><head><meta charset=\"utf-8\"></head><body>";
    for (int p = first; p <= last; ++p) {
        html += "<a name=\"" + QByteArray::number(p) + "\"></a><p>PAGE" + QByteArray::number(p) + "</p>";
        for (int k = 0; k < 30; ++k)
            html += QByteArray("<p>พระพุทธเจ้าทรงแสดงธรรมแก่ภิกษุทั้งหลาย</p>");
        for (int w : withWord)
            if (w == p)
                html += QByteArray("<p>ผู้มีสมาธิย่อมเห็นตามความเป็นจริง</p>");
    }
    return html + "</body></html>";
}

Topic topic(int no, const QString& title, const QString& book, const QString& page,
            const QString& mark = {}) {
    Topic t;
    t.code = 7;
    t.no = no;
    t.title = title;
    t.book = book;
    t.page = page;
    t.line = QStringLiteral("1");
    t.blue = QStringLiteral("เล่มที่ %1 หน้า %2").arg(book, page);
    t.red = QStringLiteral("ล.%1 น.%2").arg(book, page);
    if (!mark.isEmpty())
        t.mark = mark;
    return t;
}

// Volume 5: three topics on page 3 (one written "003", one marked), one on page 5, none
// on page 4; one on page 60, in the next file.
std::vector<Topic> indexOfVolume5() {
    return {topic(1, QStringLiteral("สมาธิ ตั้งมั่น"), "5", "3"),
            topic(2, QStringLiteral("ศีล ความปกติ"), "5", "003", "TRUE"),
            topic(3, QStringLiteral("ปัญญา รู้ชัด"), "05", "3"),
            topic(4, QStringLiteral("ทาน การให้"), "5", "5"),
            topic(5, QStringLiteral("เมตตา"), "5", "60")};
}

struct Reader : fixtures::AppWith {
    std::function<void(reader::frmBrowser&)> inside;
    explicit Reader(const std::vector<Topic>& topics = indexOfVolume5()) : AppWith(topics) {
        write("91book/book05/001_050.htm", rangeFile(0, 50, {5, 45}));
        write("91book/book05/051_100.htm", rangeFile(51, 100, {60}));
        write("91book/book06/001_050.htm", rangeFile(0, 50, {12}));
        platform.onModal = [this](QDialog& d) {
            if (auto* b = dynamic_cast<reader::frmBrowser*>(&d)) {
                b->resize(760, 600);
                b->activateWindow();
                (void)QTest::qWaitForWindowActive(b);
                QApplication::processEvents();
                if (inside)
                    inside(*b);
            }
        };
    }
    void write(const QString& rel, const QByteArray& bytes) { fixtures::writeFile(folder.path(), rel, bytes); }
    // Opens the first topic of the list (page 3 of volume 5).
    void openFirstTopic() {
        form.topicPane->ListGroupTopics("7");
        form.listView2->setCurrentIndex(form.topicPane->model().index(0, 0));
        form.opener->ListView2_DblClick();
    }
};

void key(QWidget& w, int k, Qt::KeyboardModifiers m = {}) {
    QWidget* target = QApplication::focusWidget() && w.isAncestorOf(QApplication::focusWidget())
                          ? QApplication::focusWidget()
                          : &w;
    QTest::keyClick(target, Qt::Key(k), m);
}

// One notch of the mouse wheel over the view, down (negative) or up.
void wheel(reader::PageView* view, int notches) {
    QWidget* vp = view->viewport();
    const QPointF at(vp->width() / 2.0, vp->height() / 2.0);
    QWheelEvent e(at, vp->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vp, &e);
    QApplication::processEvents();
}

// The rows under a top row of the panel's list.
QStringList rowsOf(const QStandardItemModel* m, int top) {
    QStringList out;
    const QModelIndex parent = m->index(top, 0);
    for (int r = 0; r < m->rowCount(parent); ++r)
        out << m->index(r, 0, parent).data().toString().section(QLatin1Char('\n'), 0, 0);
    return out;
}

// The top rows of the panel's list that the user sees.
QStringList shownRows(const reader::TopicsPanel& panel) {
    QStringList out;
    for (int r = 0; r < panel.model->rowCount(); ++r)
        if (!panel.list->isRowHidden(r, QModelIndex()))
            out << panel.model->index(r, 0).data().toString();
    return out;
}

} // namespace

TEST(TopicsOfThePage, TheChipCountsThemAndThePanelListsThemAndMovesToThem) {
    Reader r;
    bool ran = false;
    r.inside = [&](reader::frmBrowser& b) {
        ran = true;
        auto* view = b.brwWebBrowser;
        EXPECT_EQ(view->currentPage(), QStringLiteral("3"));
        // Three topics point at page 3, whichever way its number is written.
        ASSERT_TRUE(b.topicChip->isVisible());
        EXPECT_EQ(b.topicChip->text(), QStringLiteral("๓ หัวข้อ"));
        EXPECT_TRUE(b.textArea().contains(b.topicChip->geometry())) << "the chip lies on the view";
        const QRect viewBefore = view->geometry();

        key(b, Qt::Key_T, Qt::ControlModifier);
        ASSERT_TRUE(b.topicsPanel->isVisible());
        EXPECT_FALSE(b.topicChip->isVisible());
        EXPECT_EQ(view->geometry(), viewBefore) << "the panel floats over the view";
        EXPECT_TRUE(b.topicsPanel->list->hasFocus());
        EXPECT_EQ(b.topicsPanel->accessibleName(), QStringLiteral("หัวข้อธรรมในหน้านี้"));
        const QStandardItemModel* m = b.topicsPanel->model;
        EXPECT_EQ(rowsOf(m, 0), (QStringList{QStringLiteral("(1) สมาธิ ตั้งมั่น"),
                                              QStringLiteral("(2) ศีล ความปกติ"),
                                              QStringLiteral("(3) ปัญญา รู้ชัด")}));
        // The marked topic in red, as the topic list shows it; the references beside each.
        const QModelIndex marked = m->index(1, 0, m->index(0, 0));
        EXPECT_EQ(marked.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
        EXPECT_TRUE(marked.data().toString().endsWith(QStringLiteral("\nเล่มที่ 5 หน้า 003 · ล.5 น.003")));
        EXPECT_TRUE(marked.data(Qt::ToolTipRole).toString().contains(QStringLiteral("เล่มสีแดง ล.5 น.003")));
        // The rest of the file, by page: page 5's topic; page 60 is in another file.
        const QStringList shown = shownRows(*b.topicsPanel);
        ASSERT_EQ(shown.size(), 3) << shown.join(" | ").toStdString();
        EXPECT_EQ(shown[0], QStringLiteral("หน้า 3"));
        EXPECT_EQ(shown[2], QStringLiteral("หน้า 5 — ๑ หัวข้อ"));
        EXPECT_EQ(rowsOf(m, m->rowCount() - 1), QStringList{QStringLiteral("(4) ทาน การให้")});

        // Down to page 5's topic and Enter: the view moves there, and back comes back.
        for (int k = 0; k < 5 && b.topicsPanel->list->currentIndex().data().toString().left(3) != "(4)"; ++k)
            key(b, Qt::Key_Down);
        ASSERT_TRUE(b.topicsPanel->list->currentIndex().data().toString().startsWith("(4)"));
        key(b, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(view->currentPage(), QStringLiteral("5"));
        EXPECT_TRUE(b.windowTitle().endsWith(QStringLiteral("เล่ม 5 หน้า 5"))) << b.windowTitle().toStdString();
        EXPECT_EQ(rowsOf(m, 0), QStringList{QStringLiteral("(4) ทาน การให้")}) << "the panel follows";
        EXPECT_EQ(shownRows(*b.topicsPanel),
                  (QStringList{QStringLiteral("หน้า 5"), QStringLiteral("หัวข้อธรรมในหน้าอื่นของไฟล์นี้"),
                               QStringLiteral("หน้า 3 — ๓ หัวข้อ")}));
        EXPECT_EQ(b.topicsPanel->list->currentIndex().parent().row(), 0) << "the topic chosen, now of this page";
        EXPECT_TRUE(b.topicsPanel->list->hasFocus());

        // Page 4 has none: said in the panel; with the panel closed, no chip.
        b.navigator->goTo(5, 4);
        QApplication::processEvents();
        EXPECT_EQ(rowsOf(m, 0), QStringList{QStringLiteral("ไม่มีหัวข้อธรรมของหน้านี้ในดัชนี")});
        key(b, Qt::Key_Escape);
        EXPECT_FALSE(b.topicsPanel->isVisible());
        EXPECT_TRUE(b.isVisible()) << "Esc closed the panel, not the window";
        EXPECT_FALSE(b.topicChip->isVisible());
        key(b, Qt::Key_Left, Qt::AltModifier); // back over the go-to, to page 5
        QApplication::processEvents();
        EXPECT_EQ(view->currentPage(), QStringLiteral("5"));
        ASSERT_TRUE(b.topicChip->isVisible());
        EXPECT_EQ(b.topicChip->text(), QStringLiteral("๑ หัวข้อ"));
        // A click on the chip opens the panel too.
        QTest::mouseClick(b.topicChip, Qt::LeftButton);
        EXPECT_TRUE(b.topicsPanel->isVisible());
        key(b, Qt::Key_Escape);
        key(b, Qt::Key_Left, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_EQ(view->currentPage(), QStringLiteral("3"));
        b.close();
    };
    r.openFirstTopic();
    EXPECT_TRUE(ran);
}

TEST(TopicsOfThePage, TheContextMenuOpensThePanelAndAPageOutsideTheCanonHasNone) {
    Reader r;
    r.write("img_detail/flomar_web1.htm",
            "<html><head><meta charset=\"utf-8\"></head><body><p>หน้าแยก</p></body></html>");
    int ran = 0;
    r.inside = [&](reader::frmBrowser& b) {
        ++ran;
        QMenu* menu = b.contextMenu();
        QAction* entry = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("หัวข้อธรรมในหน้านี้"))
                entry = a;
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
        if (b.navigator->volume() == 0) {
            // A stand-alone page: no chip, no panel.
            EXPECT_FALSE(entry->isEnabled());
            EXPECT_FALSE(b.topicChip->isVisible());
            key(b, Qt::Key_T, Qt::ControlModifier);
            EXPECT_FALSE(b.topicsPanel->isVisible());
            menu->deleteLater();
            return;
        }
        // Chosen from the menu as a user chooses: opened, Down to the entry, Enter.
        menu->popup(b.brwWebBrowser->mapToGlobal(QPoint(40, 40)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        for (QAction* a = menu->activeAction(); a != entry; a = menu->activeAction())
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_TRUE(b.topicsPanel->isVisible());
    };
    r.openFirstTopic();
    r.form.opener->session.markWord.clear();
    reader::HandOff h;
    h.ReaderTarget = r.folder.path() + "/img_detail/flomar_web1.htm";
    h.ReaderVolume = 0.0;
    reader::showReader(r.platform, h, r.form.opener->session, &r.form);
    EXPECT_EQ(ran, 2);
}

TEST(ThePageBeingRead, TheTitleAndTheCopiedReferenceFollowTheScrolling) {
    Reader r;
    bool ran = false;
    r.inside = [&](reader::frmBrowser& b) {
        ran = true;
        auto* view = b.brwWebBrowser;
        const QString opened = b.windowTitle();
        EXPECT_TRUE(opened.contains(QStringLiteral("บรรทัด"))) << "opened with the topic's title";
        // Scrolling within page 3 keeps the title as it opened.
        wheel(view, -1);
        if (view->currentPage() == QStringLiteral("3")) {
            EXPECT_EQ(b.windowTitle(), opened);
        }
        // On down the wheel until page 4 is at the top.
        for (int k = 0; k < 200 && view->currentPage() != QStringLiteral("4"); ++k)
            wheel(view, -1);
        ASSERT_EQ(view->currentPage(), QStringLiteral("4"));
        EXPECT_TRUE(b.windowTitle().endsWith(QStringLiteral("เล่ม 5 หน้า 4"))) << b.windowTitle().toStdString();
        // A selection dragged at the top of the view is quoted as page 4.
        QWidget* vp = view->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(10, 30));
        QTest::mouseMove(vp, QPoint(200, 60));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(200, 60));
        ASSERT_TRUE(view->textCursor().hasSelection());
        QApplication::clipboard()->clear();
        key(b, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(QApplication::clipboard()->text().endsWith(QStringLiteral("(พระไตรปิฎกเล่ม 5 หน้า 4)")))
            << QApplication::clipboard()->text().toStdString();
        // Back up: the title follows again.
        for (int k = 0; k < 200 && view->currentPage() != QStringLiteral("3"); ++k)
            wheel(view, 1);
        EXPECT_TRUE(b.windowTitle().endsWith(QStringLiteral("เล่ม 5 หน้า 3"))) << b.windowTitle().toStdString();
        b.close();
    };
    r.openFirstTopic();
    EXPECT_TRUE(ran);
}

TEST(ResultToResult, TheReaderStepsThroughTheResultsAcrossFilesAndVolumes) {
    Reader r;
    canon::SearchWindow w(r.platform, r.form.opener->session, QStringLiteral("สมาธิ"));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::mouseClick(w.searchButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.running(); }, 20000));
    QApplication::processEvents();
    struct Seen {
        QString indicator, anchor, title;
        int volume, marked;
    };
    std::vector<Seen> seen;
    QString endNote;
    r.platform.onModal = [&](QDialog& d) {
        auto* b = dynamic_cast<reader::frmBrowser*>(&d);
        ASSERT_NE(b, nullptr);
        b->activateWindow();
        (void)QTest::qWaitForWindowActive(b);
        QApplication::processEvents();
        const auto look = [&] {
            QApplication::processEvents();
            seen.push_back({b->resultIndicator->isVisible() ? b->resultIndicator->label->text() : QString(),
                            b->brwWebBrowser->shownAnchor(), b->windowTitle(), b->navigator->volume(),
                            b->brwWebBrowser->hitCount()});
        };
        look();
        for (int k = 0; k < 3; ++k) {
            key(*b, Qt::Key_PageDown, Qt::AltModifier);
            look();
        }
        key(*b, Qt::Key_PageDown, Qt::AltModifier); // past the last
        endNote = b->noteLabel->isVisible() ? b->noteLabel->text() : QString();
        key(*b, Qt::Key_PageUp, Qt::AltModifier);
        look();
        QTest::mouseClick(b->resultIndicator->previous, Qt::LeftButton);
        look();
        b->close();
    };
    // The first result page, opened with Enter as the user opens it.
    const QModelIndex first = w.model().index(0, 0, w.model().index(0, 0));
    w.results->setCurrentIndex(first);
    w.results->setFocus();
    QTest::keyClick(w.results, Qt::Key_Return);
    ASSERT_EQ(seen.size(), 6u);
    const QStringList indicators = {"ผลลัพธ์ 1 / 4", "ผลลัพธ์ 2 / 4", "ผลลัพธ์ 3 / 4",
                                    "ผลลัพธ์ 4 / 4", "ผลลัพธ์ 3 / 4", "ผลลัพธ์ 2 / 4"};
    const QStringList anchors = {"5", "45", "60", "12", "60", "45"};
    const std::vector<int> volumes = {5, 5, 5, 6, 5, 5};
    for (size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].indicator, indicators[int(k)]) << k;
        EXPECT_EQ(seen[k].anchor, anchors[int(k)]) << k;
        EXPECT_EQ(seen[k].volume, volumes[k]) << k;
        EXPECT_GT(seen[k].marked, 0) << k << ": the word is marked on every result";
        EXPECT_TRUE(seen[k].title.endsWith(QStringLiteral("เล่ม %1 หน้า %2").arg(volumes[k]).arg(anchors[int(k)])))
            << seen[k].title.toStdString();
    }
    EXPECT_EQ(endNote, QStringLiteral("นี่คือผลลัพธ์สุดท้ายของการค้นหา"));
    // Back in the search window at the result read last: page 45 of volume 5.
    const QModelIndex at = w.results->currentIndex();
    EXPECT_EQ(at.data(canon::SearchWindow::PageRole).toString(), QStringLiteral("45"));
    EXPECT_EQ(at.data(canon::SearchWindow::VolumeRole).toInt(), 5);
    // A reader opened from a topic has no results to step through.
    bool ran = false;
    r.inside = [&](reader::frmBrowser& b) {
        ran = true;
        EXPECT_FALSE(b.resultIndicator->isVisible());
        const QString before = b.brwWebBrowser->shownAnchor();
        key(b, Qt::Key_PageDown, Qt::AltModifier);
        EXPECT_EQ(b.brwWebBrowser->shownAnchor(), before);
        b.close();
    };
    r.platform.onModal = [&](QDialog& d) {
        if (auto* b = dynamic_cast<reader::frmBrowser*>(&d)) {
            b->activateWindow();
            (void)QTest::qWaitForWindowActive(b);
            r.inside(*b);
        }
    };
    r.openFirstTopic();
    EXPECT_TRUE(ran);
}
