// The reader window as a reader uses it: its keys, its context menu, its boxes.
#include "fixtures.h"
#include "reader/content_opener.h"
#include "reader/find_bar.h"
#include "reader/frm_browser.h"
#include "reader/navigator.h"
#include "reader/page_view.h"
#include "topics/topic_pane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

using fixtures::Topic;

namespace {

// A page-range file of volume 5 whose pages say which they are; "สมาธิ" stands on the
// pages given, written with SARA AM split where asked.
QByteArray rangeFile(int first, int last, std::initializer_list<int> withWord = {}) {
    QByteArray html = "<html><head><meta charset=\"utf-8\"></head><body>";
    for (int p = first; p <= last; ++p) {
        html += "<a name=\"" + QByteArray::number(p) + "\"></a><p>PAGE" + QByteArray::number(p) +
                "</p>";
        for (int k = 0; k < 30; ++k)
            html += QByteArray("<p>พระพุทธเจ้าทรงแสดงธรรมแก่ภิกษุทั้งหลาย</p>");
        for (int w : withWord)
            if (w == p)
                html += QByteArray("<p>ผู้มีสมาธิย่อมเห็นตามความเป็นจริง น้ำใจ</p>");
    }
    return html + "</body></html>";
}

Topic at(const QString& book, const QString& page) {
    Topic t;
    t.code = 7;
    t.title = QStringLiteral("สมาธิ ตั้งมั่น");
    t.book = book;
    t.page = page;
    t.line = QStringLiteral("1");
    return t;
}

struct Reader : fixtures::AppWith {
    // What to do inside the reader window, which closes afterwards.
    std::function<void(reader::frmBrowser&)> inside;
    // What to do inside a box the reader opens (go-to, print).
    std::function<void(QDialog&)> inBox;
    explicit Reader(const std::vector<Topic>& topics = {at("5", "3")}) : AppWith(topics) {
        write("91book/book05/001_050.htm", rangeFile(0, 50, {5, 45}));
        write("91book/book05/051_100.htm", rangeFile(51, 100, {60}));
        platform.onModal = [this](QDialog& d) {
            if (auto* b = dynamic_cast<reader::frmBrowser*>(&d)) {
                b->resize(700, 600);
                QApplication::processEvents();
                if (inside)
                    inside(*b);
            } else if (inBox) {
                inBox(d);
            }
        };
    }
    void write(const QString& rel, const QByteArray& bytes) { fixtures::writeFile(folder.path(), rel, bytes); }
    void openTopic() {
        form.topicPane->ListGroupTopics("7");
        form.listView2->setCurrentIndex(form.topicPane->model().index(0, 0));
        form.opener->ListView2_DblClick();
    }
};

void key(QWidget& w, int k, Qt::KeyboardModifiers m = {}) {
    if (!w.isActiveWindow()) {
        // A box the reader opened has closed: the window system activates it again.
        w.activateWindow();
        (void)QTest::qWaitForWindowActive(&w);
    }
    QWidget* target = QApplication::focusWidget() && w.isAncestorOf(QApplication::focusWidget())
                          ? QApplication::focusWidget()
                          : &w;
    QTest::keyClick(target, Qt::Key(k), m);
}

// Lets the places of the word that came with later parts be counted.
void settle() {
    QTest::qWait(60);
}

} // namespace

TEST(FindInPage, TypingHighlightsEveryPlaceAndTheKeysStepRoundThem) {
    Reader r;
    r.inside = [](reader::frmBrowser& b) {
        b.activateWindow();
        key(b, Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(b.findBar->isVisible());
        EXPECT_EQ(b.findBar->edit()->placeholderText(), QStringLiteral("ค้นหาในหน้านี้"));
        fixtures::typeText(b.findBar->edit(), QStringLiteral("สมาธิ"));
        settle();
        EXPECT_EQ(b.brwWebBrowser->hitCount(), 2);
        EXPECT_EQ(b.brwWebBrowser->extraSelections().size(), 2);
        // The first place at or after the page shown (3) is page 5's.
        EXPECT_EQ(b.findBar->status(), QStringLiteral("ตำแหน่ง 1 / 2"));
        QTest::keyClick(b.findBar->edit(), Qt::Key_Return);
        EXPECT_EQ(b.findBar->status(), QStringLiteral("ตำแหน่ง 2 / 2"));
        QTest::keyClick(b.findBar->edit(), Qt::Key_F3);
        EXPECT_TRUE(b.findBar->status().startsWith(QStringLiteral("ตำแหน่ง 1 / 2 ("))); // round
        QTest::keyClick(b.findBar->edit(), Qt::Key_Return, Qt::ShiftModifier);
        EXPECT_TRUE(b.findBar->status().startsWith(QStringLiteral("ตำแหน่ง 2 / 2 (")));
        // The selection is the word itself.
        EXPECT_EQ(b.brwWebBrowser->textCursor().selectedText(), QStringLiteral("สมาธิ"));
        // SARA AM typed as two characters finds the one-character spelling.
        b.findBar->edit()->clear();
        fixtures::typeText(b.findBar->edit(), QStringLiteral("น\u0E4D\u0E49\u0E32ใจ"));
        EXPECT_EQ(b.brwWebBrowser->hitCount(), 2);
        b.findBar->edit()->clear();
        fixtures::typeText(b.findBar->edit(), QStringLiteral("ไม่มีคำนี้"));
        EXPECT_EQ(b.findBar->status(), QStringLiteral("ไม่พบ"));
        QTest::keyClick(b.findBar->edit(), Qt::Key_Escape);
        EXPECT_FALSE(b.findBar->isVisible());
        EXPECT_TRUE(b.brwWebBrowser->extraSelections().isEmpty());
        EXPECT_TRUE(b.isVisible()); // Esc closed the box, not the window
    };
    r.openTopic();
    ASSERT_EQ(r.platform.modalCount, 1);
}

TEST(FindInPage, PlacesInPartsStillToComeAreCountedAsTheyArrive) {
    Reader r({at("5", "40")});
    // A long file: opened at page 40, its early pages arrive afterwards.
    QByteArray big = rangeFile(0, 50, {2, 45});
    big.replace("<p>พระพุทธเจ้าทรงแสดงธรรมแก่ภิกษุทั้งหลาย</p>",
                "<p>พระพุทธเจ้าทรงแสดงธรรมแก่ภิกษุทั้งหลาย ผู้ฟังตั้งใจฟังด้วยดี</p>");
    r.write("91book/book05/001_050.htm", big.repeated(1));
    r.inside = [](reader::frmBrowser& b) {
        ASSERT_TRUE(b.brwWebBrowser->loading());
        key(b, Qt::Key_F, Qt::ControlModifier);
        fixtures::typeText(b.findBar->edit(), QStringLiteral("สมาธิ"));
        const int early = b.brwWebBrowser->hitCount();
        b.brwWebBrowser->finishLoading();
        settle();
        EXPECT_EQ(b.brwWebBrowser->hitCount(), 2);
        EXPECT_LE(early, 2);
        EXPECT_TRUE(b.findBar->status().endsWith(QStringLiteral("/ 2")));
    };
    r.openTopic();
}

TEST(FindInPage, TheWordATopicWasFoundByIsMarkedOnItsPage) {
    Reader r({at("5", "45")});
    r.form.resize(1016, 735);
    r.form.show();
    QApplication::processEvents();
    int marked = -1;
    r.inside = [&](reader::frmBrowser& b) {
        marked = b.brwWebBrowser->hitCount();
        EXPECT_EQ(b.brwWebBrowser->shownAnchor(), QStringLiteral("45")); // still at its anchor
    };
    r.form.text1->setText(QStringLiteral("สมาธิ"));
    r.form.topicPane->Command5_Click();
    ASSERT_EQ(r.form.topicPane->model().rowCount(), 1);
    const QRect row = r.form.listView2->visualRect(r.form.topicPane->model().index(0, 0));
    QTest::mouseDClick(r.form.listView2->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(marked, 2);
    // A topic listed by its group carries no word.
    r.form.topicPane->ListGroupTopics("7");
    QTest::mouseDClick(r.form.listView2->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(marked, 0);
}

TEST(PageByPage, NextAndPreviousCrossFilesAndStopAtTheVolumesEnds) {
    Reader r({at("5", "49")});
    r.inside = [](reader::frmBrowser& b) {
        auto page = [&] { return b.brwWebBrowser->currentPage(); };
        EXPECT_EQ(page(), QStringLiteral("49"));
        key(b, Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(page(), QStringLiteral("50"));
        EXPECT_EQ(b.windowTitle(), QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 5 หน้า 50"));
        key(b, Qt::Key_PageDown, Qt::ControlModifier); // into the next file
        EXPECT_TRUE(b.brwWebBrowser->shownFile().endsWith(QStringLiteral("051_100.htm")));
        EXPECT_EQ(page(), QStringLiteral("51"));
        key(b, Qt::Key_PageUp, Qt::ControlModifier); // and back out of it
        EXPECT_TRUE(b.brwWebBrowser->shownFile().endsWith(QStringLiteral("001_050.htm")));
        EXPECT_EQ(page(), QStringLiteral("50"));
        // The last page of the volume: a note, and the page stays.
        b.navigator->goTo(5, 100);
        key(b, Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(page(), QStringLiteral("100"));
        EXPECT_TRUE(b.noteLabel->isVisible());
        EXPECT_EQ(b.noteLabel->text(), QStringLiteral("หน้านี้เป็นหน้าสุดท้ายของพระไตรปิฎกเล่ม 5"));
        b.navigator->goTo(5, 0);
        key(b, Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(page(), QStringLiteral("0"));
        EXPECT_EQ(b.noteLabel->text(), QStringLiteral("หน้านี้เป็นหน้าแรกของพระไตรปิฎกเล่ม 5"));
    };
    r.openTopic();
}

TEST(PageByPage, GoToTakesThaiDigitsAndRefusesWhatIsNoPlace) {
    Reader r;
    std::vector<std::pair<QString, QString>> typed = {
        {"๕", "๖๐"}, {"ห้า", "1"}, {"-3", "1"}, {"5", "99999999999"}, {"92", "1"}, {"5", "1551"}};
    size_t next = 0;
    r.inBox = [&](QDialog& d) {
        auto* g = dynamic_cast<reader::GoToDialog*>(&d);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->volume->text(), QStringLiteral("5")); // filled with the place shown
        g->volume->setText(typed[next].first);
        g->page->setText(typed[next].second);
        ++next;
        g->accept();
    };
    QStringList pages;
    r.inside = [&](reader::frmBrowser& b) {
        for (size_t i = 0; i < typed.size(); ++i) {
            key(b, Qt::Key_G, Qt::ControlModifier);
            pages << b.brwWebBrowser->currentPage();
        }
        EXPECT_EQ(b.windowTitle(), QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 5 หน้า 60"));
        // A page whose file is missing is no place to go: the page shown stays.
        EXPECT_FALSE(b.navigator->goTo(5, 1501));
        EXPECT_FALSE(b.brwWebBrowser->showsExplanation());
        EXPECT_EQ(b.brwWebBrowser->currentPage(), QStringLiteral("60"));
    };
    r.openTopic();
    ASSERT_EQ(next, typed.size());
    EXPECT_EQ(pages.front(), QStringLiteral("60"));
    // Letters, a negative or huge number, volume 92: a notice each, the page stays.
    ASSERT_EQ(r.platform.boxes.size(), 5u);
    for (const auto& box : r.platform.boxes) {
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("ไม่สามารถเปิดหน้านี้ได้"))) << box.text.toStdString();
        EXPECT_EQ(box.title, QStringLiteral("แจ้งให้ทราบ"));
    }
    for (const QString& p : pages)
        EXPECT_EQ(p, QStringLiteral("60"));
}

TEST(PageByPage, BackAndForwardFollowEveryPlaceShown) {
    Reader r;
    r.inside = [](reader::frmBrowser& b) {
        auto page = [&] { return b.brwWebBrowser->currentPage(); };
        key(b, Qt::Key_PageDown, Qt::ControlModifier); // 4
        b.navigator->goTo(5, 60);                       // 60
        key(b, Qt::Key_PageDown, Qt::ControlModifier); // 61
        ASSERT_EQ(page(), QStringLiteral("61"));
        key(b, Qt::Key_Left, Qt::AltModifier);
        EXPECT_EQ(page(), QStringLiteral("60"));
        key(b, Qt::Key_Backspace);
        EXPECT_EQ(page(), QStringLiteral("4"));
        QTest::mouseClick(b.brwWebBrowser->viewport(), Qt::BackButton);
        EXPECT_EQ(page(), QStringLiteral("3"));
        key(b, Qt::Key_Left, Qt::AltModifier); // nothing before the first
        EXPECT_EQ(page(), QStringLiteral("3"));
        key(b, Qt::Key_Right, Qt::AltModifier);
        EXPECT_EQ(page(), QStringLiteral("4"));
        QTest::mouseClick(b.brwWebBrowser->viewport(), Qt::ForwardButton);
        EXPECT_EQ(page(), QStringLiteral("60"));
        // A new place forgets what lay ahead.
        b.navigator->goTo(5, 10);
        key(b, Qt::Key_Right, Qt::AltModifier);
        EXPECT_EQ(page(), QStringLiteral("10"));
        EXPECT_EQ(b.navigator->history().size(), 4);
    };
    r.openTopic();
}

TEST(ReaderWindow, ZoomKeepsTheLineAtTheTopAndLastsToTheNextWindow) {
    Reader r({at("5", "20")});
    r.inside = [](reader::frmBrowser& b) {
        const int size = b.brwWebBrowser->document()->defaultFont().pixelSize() > 0
                             ? b.brwWebBrowser->document()->defaultFont().pixelSize()
                             : int(b.brwWebBrowser->document()->defaultFont().pointSizeF());
        key(b, Qt::Key_Equal, Qt::ControlModifier);
        EXPECT_EQ(b.brwWebBrowser->zoomPercent(), 110);
        EXPECT_EQ(b.brwWebBrowser->currentPage(), QStringLiteral("20"));
        key(b, Qt::Key_Minus, Qt::ControlModifier);
        key(b, Qt::Key_Minus, Qt::ControlModifier);
        EXPECT_EQ(b.brwWebBrowser->zoomPercent(), 90);
        for (int i = 0; i < 20; ++i)
            key(b, Qt::Key_Plus, Qt::ControlModifier);
        EXPECT_EQ(b.brwWebBrowser->zoomPercent(), 300); // held at 300
        EXPECT_EQ(b.brwWebBrowser->currentPage(), QStringLiteral("20"));
        key(b, Qt::Key_0, Qt::ControlModifier);
        EXPECT_EQ(b.brwWebBrowser->zoomPercent(), 100);
        EXPECT_GT(size, 0);
        key(b, Qt::Key_Minus, Qt::ControlModifier);
    };
    r.openTopic();
    int next = 0;
    r.inside = [&](reader::frmBrowser& b) { next = b.brwWebBrowser->zoomPercent(); };
    r.openTopic();
    EXPECT_EQ(next, 90);
}

TEST(ReaderWindow, CopyWithItsReferenceNamesThePageWhereTheSelectionStarts) {
    Reader r;
    QString copied, plain;
    r.inside = [&](reader::frmBrowser& b) {
        QTextCursor c = b.brwWebBrowser->document()->find(QStringLiteral("PAGE5"));
        ASSERT_FALSE(c.isNull());
        c.setPosition(c.selectionEnd() + 1);
        c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        b.brwWebBrowser->setTextCursor(c);
        b.brwWebBrowser->setFocus();
        key(b, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        copied = QApplication::clipboard()->text();
        key(b, Qt::Key_C, Qt::ControlModifier);
        plain = QApplication::clipboard()->text();
    };
    r.openTopic();
    EXPECT_TRUE(copied.startsWith(QStringLiteral("พระพุทธเจ้า"))) << copied.toStdString();
    EXPECT_TRUE(copied.endsWith(QStringLiteral("\n(พระไตรปิฎกเล่ม 5 หน้า 5)"))) << copied.toStdString();
    EXPECT_FALSE(plain.contains(QStringLiteral("(พระไตรปิฎกเล่ม")));
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasHtml()); // plain text only
}

TEST(ReaderWindow, TheContextMenuOffersEverythingWithItsKeysAndPrintWritesWhatTheUserNames) {
    Reader r;
    QTemporaryDir out;
    const QString pdf = out.path() + "/หน้า.pdf";
    r.inBox = [&](QDialog& d) {
        if (d.objectName() == QStringLiteral("PrintChoice")) {
            d.accept(); // what to print: the page shown (the choice is tested with printing)
            return;
        }
        auto* p = dynamic_cast<QPrintDialog*>(&d);
        ASSERT_NE(p, nullptr);
        p->printer()->setOutputFormat(QPrinter::PdfFormat);
        p->printer()->setOutputFileName(pdf);
        p->done(QDialog::Accepted); // as if the user had named this file in the dialog
    };
    QStringList entries;
    r.inside = [&](reader::frmBrowser& b) {
        QMenu* menu = b.contextMenu();
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                entries << a->text() + "|" + a->shortcut().toString();
        delete menu;
        key(b, Qt::Key_P, Qt::ControlModifier);
    };
    r.openTopic();
    for (const char* want : {"ค้นหาในหน้านี้|Ctrl+F", "หน้าถัดไป|Ctrl+PgDown", "หน้าก่อน|Ctrl+PgUp",
                             "ไปที่เล่มและหน้า…|Ctrl+G", "ย้อนกลับ|Alt+Left", "ไปข้างหน้า|Alt+Right",
                             "คัดลอกพร้อมที่มา|Ctrl+Shift+C", "เลือกทั้งหมด|Ctrl+A", "พิมพ์…|Ctrl+P"})
        EXPECT_TRUE(entries.contains(QString::fromUtf8(want))) << want;
    EXPECT_TRUE(QFileInfo(pdf).size() > 1000);
}

TEST(PageByPage, LooseAndOtherAnchorsAreTakenAsTheCanonSearchTakesThem) {
    // Anchors written loosely are pages by their numbers; names that are no page numbers
    // and empty names start no page, for the moves, the title and the copied reference.
    QByteArray html = "<html><body>";
    const QList<QByteArray> anchors = {"<a name=1></a>",          "<a name=net01></a>",
                                       "<a name=2\r\nhref=\"#x\">", "<a name=\"\xE0\xB8\xAB\xE0\xB8\xA1\xE0\xB8\xA7\xE0\xB8\x94 1\"></a>",
                                       "<a name=\t3></a>",        "<a name=\"\"></a>",
                                       "<a name=\" 4 \"></a>"};
    for (int i = 0; i < anchors.size(); ++i) {
        html += anchors[i] + "<p>MARK" + QByteArray::number(i) + "</p>\r\n";
        for (int k = 0; k < 30; ++k)
            html += "<p>\xE0\xB8\x98\xE0\xB8\xA3\xE0\xB8\xA3\xE0\xB8\xA1 " + QByteArray::number(i) + "</p>\r\n";
    }
    Reader r({at("5", "1")});
    r.write("91book/book05/001_050.htm", "<meta charset=\"utf-8\">" + html + "</body></html>");
    QStringList pages, titles;
    QString copied;
    r.inside = [&](reader::frmBrowser& b) {
        const auto& listed = b.brwWebBrowser->pageAnchors();
        for (const auto& a : listed)
            pages << a.name;
        auto page = [&] { return b.brwWebBrowser->currentPage(); };
        titles << page();
        for (int i = 0; i < 3; ++i) {
            key(b, Qt::Key_PageDown, Qt::ControlModifier);
            titles << page() + QLatin1Char('|') + b.windowTitle();
        }
        key(b, Qt::Key_PageUp, Qt::ControlModifier);
        titles << page();
        // The text under a name that is no page is copied with the page it stands on.
        QTextCursor c = b.brwWebBrowser->document()->find(QStringLiteral("MARK5"));
        ASSERT_FALSE(c.isNull());
        b.brwWebBrowser->setTextCursor(c);
        key(b, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        copied = QApplication::clipboard()->text();
    };
    r.openTopic();
    EXPECT_EQ(pages, (QStringList{"1", "2", "3", "4"}));
    const QString head = QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 5 หน้า ");
    EXPECT_EQ(titles, (QStringList{"1", "2|" + head + "2", "3|" + head + "3", "4|" + head + "4", "3"}));
    EXPECT_EQ(copied, QStringLiteral("MARK5\n(พระไตรปิฎกเล่ม 5 หน้า 3)"));
}
