#include "toolkit/dbfunction.h"
#include "fixtures.h"
#include "shell/dialog.h"
#include "shell/form1.h"
#include "toolkit/graphic_button.h"
#include "toolkit/scripted_platform.h"
#include "toolkit/twips.h"
#include "topics/topic_pane.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Window : fixtures::App {
    explicit Window(const QString& folder = fixtures::sampleFolder()) : App(folder) {}
};

} // namespace

TEST(Form1, LoadStepLeavesTheDesignedStartingState) {
    Window w;
    EXPECT_EQ(w.form.windowTitle(), shell::kForm1Caption);
    EXPECT_EQ(w.form.state.LeftPanelStartWidth, 4335);
    EXPECT_FALSE(w.form.state.CollectionOpened);
    EXPECT_FALSE(w.form.Command6.Visible());
    EXPECT_FALSE(w.form.Command8.Visible());
    EXPECT_FALSE(w.form.Frame4.Visible());
    EXPECT_TRUE(w.form.Frame3.Visible());
    EXPECT_EQ(w.form.label1->text(), QString());
    EXPECT_EQ(w.form.frame1->palette().color(QPalette::Window), QColor(85, 85, 85));
    EXPECT_EQ(w.form.frame2->palette().color(QPalette::Window), QColor(85, 85, 85));
    EXPECT_TRUE(w.form.frame1->autoFillBackground());
    EXPECT_EQ(w.form.text1->text(), QStringLiteral("ป้อนหัวข้อธรรมที่ต้องการค้นหา"));
    EXPECT_EQ(w.form.combo1->currentText(), QStringLiteral("เลือกพระไตรปิฎก"));
    EXPECT_EQ(w.form.command4->text(), QStringLiteral("รวมหัวข้อธรรมสำคัญ 91 เล่ม"));
    EXPECT_EQ(w.form.cmdBook.size(), 1u);
    EXPECT_EQ(w.form.cmdBook[0].Width(), 2450);
    EXPECT_EQ(w.form.cmdBook[0].Height(), 3200);
    EXPECT_EQ(w.form.Frame3.Left(), 4800);
    EXPECT_EQ(w.form.Command1.Width(), 3855);
    EXPECT_FALSE(w.form.Timer1.Enabled());
    EXPECT_FALSE(w.form.Timer2.Enabled());
    EXPECT_FALSE(w.form.Timer3.Enabled());
    EXPECT_EQ(w.form.Timer1.Interval(), 100);
    EXPECT_EQ(w.form.Timer2.Interval(), 2000);
    EXPECT_EQ(w.form.Timer3.Interval(), 3000);
    // Nothing touches the database until a list is asked for.
    EXPECT_EQ(w.store.loadCount(), 0);
}

TEST(Form1, EveryThaiCaptionHasAThaiCapableFont) {
    Window w;
    for (QWidget* c : w.form.findChildren<QWidget*>()) {
        const QFontInfo info(c->font());
        EXPECT_NE(info.family(), QStringLiteral("Tahoma")) << c->objectName().toStdString();
        const QFontMetrics fm(c->font());
        EXPECT_TRUE(fm.inFont(QChar(0x0E01)))
            << c->objectName().toStdString() << " " << info.family().toStdString();
    }
}

TEST(Form1, EachTimerHidesItsOwnButtonAndStopsItself) {
    Window w;
    w.form.Command6.setVisible(true);
    w.form.Command8.setVisible(true);
    w.form.Timer2.setEnabled(true);
    w.form.Timer3.setEnabled(true);
    w.form.Timer3.fire();
    EXPECT_FALSE(w.form.Command8.Visible());
    EXPECT_FALSE(w.form.Timer3.Enabled());
    EXPECT_TRUE(w.form.Command6.Visible());
    EXPECT_TRUE(w.form.Timer2.Enabled());
    w.form.Timer2.fire();
    EXPECT_FALSE(w.form.Command6.Visible());
    EXPECT_FALSE(w.form.Timer2.Enabled());
    // Started again after it fired, it runs its whole interval.
    w.form.Timer3.setEnabled(true);
    EXPECT_GT(w.form.Timer3.remaining(), 2900);
    w.form.Timer1.fire(); // never enabled, never fires
}

TEST(Form1, CloseButtonAsksAndEndsOnlyOnYes) {
    Window w;
    w.platform.answers = {tk::AnswerNo};
    w.form.Command9_Click();
    ASSERT_EQ(w.platform.boxes.size(), 1u);
    EXPECT_EQ(w.platform.boxes[0].text, QStringLiteral("คุณต้องการปิดโปรแกรมใช่หรือไม่"));
    EXPECT_EQ(w.platform.boxes[0].title, QStringLiteral("คำยืนยัน"));
    EXPECT_EQ(w.platform.boxes[0].style, tk::YesNo | tk::IconInformation);
    EXPECT_FALSE(w.platform.ended);
    EXPECT_EQ(w.form.text1->text(), QStringLiteral("ป้อนหัวข้อธรรมที่ต้องการค้นหา"));
    w.platform.answers = {tk::AnswerYes};
    EXPECT_THROW(w.form.Command9_Click(), tk::ProgramEnded);
    EXPECT_TRUE(w.platform.ended);
}

TEST(Form1, TheCloseBoxClosesWithoutAQuestion) {
    Window w;
    w.form.show();
    EXPECT_TRUE(w.form.close());
    EXPECT_TRUE(w.platform.boxes.empty());
    EXPECT_FALSE(w.form.isVisible());
}

TEST(Dialog, PlacementDividesTheFreeSpaceInIntegers) {
    auto p = shell::dialogPlacement(15360, 11520, 7425, 4800);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->left, 3967);
    EXPECT_EQ(p->top, 2240);
    p = shell::dialogPlacement(6000, 3000, 7425, 4800);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->left, -712); // truncated toward zero
    EXPECT_EQ(p->top, -600);
}

TEST(Dialog, OpensModallyPlacedByItsLoadStepAndClosesWithOk) {
    tk::setTwipsPerPixelOverride(15);
    Window w;
    w.platform.screenWidth = 15360;
    w.platform.screenHeight = 11520;
    QPoint where;
    QSize outer;
    QString title;
    w.platform.onModal = [&](QDialog& d) {
        title = d.windowTitle();
        QTest::qWait(300); // placed again once its frame is drawn
        where = d.frameGeometry().topLeft();
        outer = d.frameGeometry().size();
        auto* ok = d.findChild<QPushButton*>();
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("ตกลง"));
        ok->click();
        EXPECT_FALSE(d.isVisible());
    };
    w.form.Command10_Click();
    EXPECT_EQ(w.platform.modalCount, 1);
    EXPECT_EQ(title, QStringLiteral("เกี่ยวกับโปรแกรม"));
    // Placed by its outer size: the client area of 7305 x 4350 and the frame drawn around it
    // (offscreen windows get a thin one).
    ASSERT_GE(outer.width(), 7305 / 15);
    ASSERT_LE(outer.width(), 7305 / 15 + 8);
    const auto p = shell::dialogPlacement(15360, 11520, outer.width() * 15, outer.height() * 15);
    ASSERT_TRUE(p);
    EXPECT_EQ(where, QPoint(tk::twipsToPixels(double(p->left)), tk::twipsToPixels(double(p->top))));
    tk::setTwipsPerPixelOverride(0);
}

TEST(Form1, EveryButtonAndListReachesItsHandler) {
    Window w;
    w.form.show();
    QApplication::processEvents();
    w.platform.answers = {tk::AnswerNo};
    w.form.command9->click();
    ASSERT_EQ(w.platform.boxes.size(), 1u);
    EXPECT_EQ(w.platform.boxes.back().text, QStringLiteral("คุณต้องการปิดโปรแกรมใช่หรือไม่"));
    w.form.command10->click();
    EXPECT_EQ(w.platform.modalCount, 1);
    w.form.command2->click();
    EXPECT_TRUE(w.form.state.CollectionOpened);
    EXPECT_GT(w.form.listView1->rowCount(), 0);
    w.form.text1->setText(QStringLiteral("ศีล"));
    w.form.command5->click();
    EXPECT_TRUE(w.form.Frame4.Visible());
    w.form.command7->click();
    EXPECT_FALSE(w.form.Frame4.Visible());
    w.platform.answers = {tk::AnswerYes};
    w.form.cmdBookButtons[0]->click(); // volume 1: its topics
    EXPECT_TRUE(w.form.Frame4.Visible());
    EXPECT_EQ(w.platform.boxes.back().text,
              QStringLiteral("คุณต้องการเปิดอ่านพระไตรปิฎกเล่มที่ 1 ใช่หรือไม่"));
    w.form.command8->click(); // opens the selected topic
    EXPECT_EQ(w.platform.modalCount, 2);
    w.form.combo1->showPopup(); // a page chosen from the picker's list
    QApplication::processEvents();
    const QModelIndex last = w.form.combo1->model()->index(w.form.combo1->count() - 1, 0);
    QTest::qWait(QApplication::doubleClickInterval() + 50); // the list ignores a too-early release
    w.form.combo1->view()->scrollTo(last);
    QTest::mouseClick(w.form.combo1->view()->viewport(), Qt::LeftButton, {},
                      w.form.combo1->view()->visualRect(last).center());
    EXPECT_FALSE(w.form.Frame4.Visible());
    emit w.form.listView1->listClick(); // a group row: its open button shows
    EXPECT_TRUE(w.form.Command6.Visible());
    w.platform.answers = {tk::AnswerNo};
    w.form.command6->click();
    EXPECT_EQ(w.platform.boxes.back().title, QStringLiteral("คำยืนยัน"));
    EXPECT_FALSE(w.form.Command6.Visible());
}

TEST(Form1, GraphicalButtonsDrawTheirPictureAboveACaptionThatFits) {
    Window w;
    w.form.resize(1016, 735);
    w.form.show();
    QApplication::processEvents();
    for (QPushButton* b : {w.form.command5, w.form.command9, w.form.command10, w.form.command7}) {
        auto* g = qobject_cast<tk::GraphicButton*>(b);
        ASSERT_NE(g, nullptr) << b->objectName().toStdString();
        EXPECT_TRUE(g->captionFits()) << b->objectName().toStdString();
        const QFontMetrics fm(g->captionFont());
        EXPECT_LE(fm.horizontalAdvance(g->text()), g->width()) << b->objectName().toStdString();
        EXPECT_LE(g->iconSize().height() + fm.height(), g->height()) << b->objectName().toStdString();
        EXPECT_TRUE(g->toolTip().isEmpty());
    }
    // A box that cannot hold the caption even at the smallest size: elided, whole in the tip.
    auto* close = qobject_cast<tk::GraphicButton*>(w.form.command9);
    close->resize(20, close->height());
    EXPECT_FALSE(close->captionFits());
    EXPECT_EQ(close->toolTip(), QStringLiteral("ปิดโปรแกรม"));
    close->grab(); // draws without fault
}

TEST(Form1, TheTabKeyWalksTheScreenInOrderAndEveryControlHasAThaiName) {
    Window w;
    w.form.resize(1016, 735);
    w.form.show();
    w.form.Frame4.setVisible(true);
    w.form.Command6.setVisible(true);
    w.form.Command8.setVisible(true);
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    w.form.text1->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int i = 0; i < 40; ++i) {
        QWidget* f = QApplication::focusWidget();
        ASSERT_NE(f, nullptr);
        QWidget* named = f;
        while (named && named->objectName().isEmpty())
            named = named->parentWidget();
        const QString name = named ? named->objectName() : QString();
        if (!visited.isEmpty() && name == visited.front())
            break;
        if (visited.isEmpty() || visited.back() != name)
            visited << name;
        EXPECT_FALSE(named->accessibleName().isEmpty()) << name.toStdString();
        QTest::keyClick(f, Qt::Key_Tab);
    }
    QStringList want = {"Text1",     "Command5", "Command1",  "Command2", "Command3",
                        "Command4",  "ListView1", "Command6", "ListView2", "Command8",
                        "Command7",  "Combo1"};
    for (size_t i = 0; i < w.form.cmdBookButtons.size(); ++i)
        if (w.form.cmdBookButtons[i]->isVisible())
            want << w.form.cmdBookButtons[i]->objectName();
    want << "Command10" << "Command9";
    EXPECT_EQ(visited, want);
}

TEST(Form1, EnterOnAFocusedRowOrCoverActsAsTheMouseDoes) {
    Window w;
    w.form.resize(1016, 735);
    w.form.show();
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    // A typed word makes the search button the window's default; a focused row still wins.
    fixtures::typeText(w.form.text1, QStringLiteral("ศีล"));
    QTest::mouseClick(w.form.command2, Qt::LeftButton);
    ASSERT_GT(w.form.listView1->rowCount(), 1);
    w.form.listView1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.form.listView1, Qt::Key_Down);
    w.platform.answers = {tk::AnswerYes};
    QTest::keyClick(w.form.listView1, Qt::Key_Return);
    ASSERT_EQ(w.platform.boxes.size(), 1u);
    EXPECT_EQ(w.platform.boxes.back().text,
              QStringLiteral("คุณต้องการเปิดรายละเอียดหัวข้อธรรม ใช่หรือไม่"));
    EXPECT_TRUE(w.form.Frame4.Visible());
    EXPECT_FALSE(w.form.Command6.Visible());
    ASSERT_GT(w.form.listView2->rowCount(), 1);

    // A topic row opens on the keypad's Enter too.
    w.form.listView2->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.form.listView2, Qt::Key_Down);
    QTest::keyClick(w.form.listView2, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(w.platform.modalCount, 1);

    // A cover clicks: its volume's question.
    QTest::mouseClick(w.form.command7, Qt::LeftButton);
    QPushButton* cover = w.form.cmdBookButtons[0];
    ASSERT_TRUE(cover->isVisible());
    cover->setFocus(Qt::TabFocusReason);
    w.platform.answers = {tk::AnswerNo};
    QTest::keyClick(cover, Qt::Key_Return);
    EXPECT_EQ(w.platform.boxes.back().text,
              QStringLiteral("คุณต้องการเปิดอ่านพระไตรปิฎกเล่มที่ 1 ใช่หรือไม่"));
}

// A screen reader hears the page picker by its purpose, its field likewise, and the range on
// show as its value, also after a page is chosen.
TEST(ScreenReader, ThePagePickerAndItsFieldAreNamedAndTellTheRangeShown) {
    fixtures::App app(fixtures::sampleFolder());
    app.form.resize(1016, 735);
    app.form.show();
    QApplication::processEvents();
    const QString name = QStringLiteral("เลือกช่วงเล่มพระไตรปิฎก");
    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(app.form.combo1);
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->role(), QAccessible::ComboBox);
    EXPECT_EQ(combo->text(QAccessible::Name), name);
    EXPECT_EQ(combo->text(QAccessible::Value), app.form.combo1->currentText());
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(app.form.combo1->lineEdit());
    ASSERT_TRUE(field);
    EXPECT_EQ(field->text(QAccessible::Name), name);
    // Down on the closed box chooses the next page; the value follows.
    app.form.combo1->setFocus();
    QTest::keyClick(app.form.combo1, Qt::Key_Down);
    EXPECT_EQ(combo->text(QAccessible::Value), app.form.combo1->itemText(1));
    EXPECT_EQ(combo->text(QAccessible::Name), name);
}

TEST(UnreadRows, TheNoticeComesOnceAfterTheFirstListAndChangesNoCaption) {
    std::vector<fixtures::Topic> topics(3);
    for (int i = 0; i < 3; ++i) {
        topics[size_t(i)].code = 7;
        topics[size_t(i)].no = i + 1;
    }
    fixtures::Folder folder(topics);
    ASSERT_TRUE(fixtures::damageSecondRow(folder.path()));
    fixtures::App app(folder.path());
    app.form.resize(1016, 735);
    app.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.form));
    QLabel* note = app.form.findChild<QLabel*>(QStringLiteral("unreadNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->isVisible()); // nothing about the database before a list is asked for
    // The first list: a collection's groups, by a click on its button.
    QTest::mouseClick(app.form.command2, Qt::LeftButton);
    QTest::qWait(50);
    const long unread = app.db.unreadRows();
    ASSERT_GE(unread, 1);
    ASSERT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), QStringLiteral("อ่านข้อมูลไม่ได้ %1 รายการ").arg(unread));
    EXPECT_TRUE(app.form.label1->text().isEmpty()); // the count line keeps its own caption
    EXPECT_TRUE(app.platform.boxes.empty());
    // Later lists say nothing more, and the count caption is the list's own.
    note->hide();
    app.form.topicPane->ListGroupTopics(QStringLiteral("7"));
    QTest::qWait(50);
    EXPECT_FALSE(note->isVisible());
    EXPECT_EQ(app.form.label1->text(),
              QStringLiteral("กำลังแสดงจำนวน : %1 รายการ").arg(3 - unread));
    QTest::mouseClick(app.form.command3, Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_FALSE(note->isVisible());
}

TEST(UnreadRows, AWholeTableBringsNoNotice) {
    fixtures::AppWith app({fixtures::Topic{}, fixtures::Topic{}});
    app.form.resize(1016, 735);
    app.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.form));
    QTest::mouseClick(app.form.command2, Qt::LeftButton);
    QTest::qWait(50);
    QLabel* note = app.form.findChild<QLabel*>(QStringLiteral("unreadNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->isVisible());
}

TEST(StartUp, TheTableIsReadAfterTheFirstPaintAndNothingShowsBeforeTheFirstList) {
    fixtures::Topic t;
    t.code = 7;
    fixtures::AppWith app({t});
    EXPECT_EQ(app.store.loadCount(), 0);
    app.form.resize(1016, 735);
    app.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.form));
    QTest::qWait(50); // the first paint, then the reading begins
    EXPECT_TRUE(app.platform.boxes.empty());
    EXPECT_TRUE(app.store.preloadPending()); // begun, not yet taken
    EXPECT_EQ(app.store.loadCount(), 0);
    QTest::mouseClick(app.form.command2, Qt::LeftButton);
    EXPECT_EQ(app.form.listView1->model()->rowCount(), 1);
    EXPECT_FALSE(app.store.preloadPending());
    EXPECT_EQ(app.store.loadCount(), 1); // the background reading, taken by the first list
    EXPECT_TRUE(app.platform.boxes.empty());
}

TEST(StartUp, AFailedBackgroundReadingShowsTheConnectionMessageAtTheFirstList) {
    fixtures::Folder folder({fixtures::Topic{}});
    QFile mdb(folder.path() + QStringLiteral("/velkaro.mdb"));
    ASSERT_TRUE(mdb.open(QIODevice::WriteOnly | QIODevice::Truncate));
    mdb.write(QByteArray(8192, 'x')); // not a database
    mdb.close();
    fixtures::App app(folder.path());
    app.form.resize(1016, 735);
    app.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.form));
    QTest::qWait(200);
    EXPECT_TRUE(app.platform.boxes.empty()); // nothing before the list is asked for
    EXPECT_THROW(app.form.browser->CommandN_Click(2), tk::ProgramEnded);
    ASSERT_EQ(app.platform.boxes.size(), 1u);
    EXPECT_EQ(app.platform.boxes[0].text, QStringLiteral("ไม่สามารถติดต่อฐานข้อมูลได้"));
    EXPECT_EQ(app.platform.boxes[0].title, QStringLiteral("แจ้งข้อผิดพลาด"));
    EXPECT_EQ(app.platform.endStatus, tk::kEndFailure);
}

// Straight after the window is shown, before anything has been painted, the next shelf page
// is asked for by the keyboard and a cover on it clicked: the page's covers and the shelf's
// background are the files', however far the pictures decoded beside the start had come.
TEST(Form1, TheNextShelfPageRightAfterTheStartShowsItsCoversAndTheirClicksAsk) {
    const QString folder = fixtures::sampleFolder();
    const QImage background =
        QImage(folder + "/img_book/bgbook02.jpg").convertToFormat(QImage::Format_RGB32);
    for (int start = 0; start < 30; ++start) {
        SCOPED_TRACE(start);
        Window w;
        w.form.resize(1016, 735);
        w.form.show();
        w.form.combo1->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.form.combo1, Qt::Key_Down);
        ASSERT_EQ(w.form.combo1->currentText(), QStringLiteral("พระไตรปิฎกเล่ม 07-12"));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
        for (int v = 1; v <= 91; ++v)
            ASSERT_EQ(w.form.cmdBookButtons[size_t(v - 1)]->isVisible(), v >= 7 && v <= 12) << v;
        for (int v = 7; v <= 12; ++v) {
            QPushButton* cover = w.form.cmdBookButtons[size_t(v - 1)];
            const QImage file = QImage(folder + QStringLiteral("/img_book/velkaro_book%1.jpg").arg(v))
                                    .convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(cover->icon().pixmap(file.size()).toImage().convertToFormat(QImage::Format_RGB32),
                      file)
                << v;
        }
        EXPECT_EQ(w.form.imageBox->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                  background);
        w.platform.answers = {tk::AnswerNo};
        QTest::mouseClick(w.form.cmdBookButtons[7], Qt::LeftButton);
        ASSERT_EQ(w.platform.boxes.size(), 1u);
        EXPECT_EQ(w.platform.boxes.back().text,
                  QStringLiteral("คุณต้องการเปิดอ่านพระไตรปิฎกเล่มที่ 8 ใช่หรือไม่"));
    }
}

// The program maps its window before it builds the controls: once on the screen, that
// window is the one built whole and then shown, control by control, and answers the mouse.
TEST(StartUp, AWindowMappedFirstIsTheWindowBuiltFirstAndAnswersClicks) {
    Window built;
    built.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&built.form));
    fixtures::App started(fixtures::sampleFolder(), shell::Form1::Start::MappedFirst);
    EXPECT_TRUE(started.form.isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&started.form));
    const QStringList want = fixtures::describeControls(built.form);
    const QStringList got = fixtures::describeControls(started.form);
    EXPECT_GT(want.size(), 100);
    EXPECT_EQ(fixtures::firstDifference(want, got).toStdString(), "");
    EXPECT_TRUE(started.platform.boxes.empty());
    QTest::mouseClick(started.form.command1, Qt::LeftButton);
    EXPECT_GT(started.form.listView1->model()->rowCount(), 0);
    EXPECT_TRUE(started.form.listView1->isVisible());
    EXPECT_TRUE(started.platform.boxes.empty());
}
