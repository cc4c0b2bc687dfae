#include "catalogue/shelf_labels.h"
#include "catalogue/volume_picker.h"
#include "toolkit/dbfunction.h"
#include "fixtures.h"
#include "shell/form1.h"
#include "shell/main_layout.h"
#include "shell/shelf.h"
#include "toolkit/scripted_platform.h"
#include "topics/topic_pane.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

struct Window : fixtures::App {
    shell::ShelfState& s = form.shelf->state;
    explicit Window(const QString& folder = fixtures::sampleFolder()) : App(folder) {
        form.Combo1.Move(form.Combo1.Left(), form.Combo1.Top(), form.Combo1.Width(), 405);
    }
    void resize(double W, double H, bool minimized = false) {
        form.layout->Form_Resize(minimized, W, H);
    }
    void shelfOf(double w, double h) {
        form.Frame3.Move(0, 0, w, h);
        form.shelf->RebuildShelf();
    }
    QStringList labels() const {
        QStringList out;
        for (int i = 0; i < form.combo1->count(); ++i)
            out << form.combo1->itemText(i);
        return out;
    }
    std::vector<int> visible() const {
        std::vector<int> v;
        for (size_t i = 0; i < form.cmdBook.size(); ++i)
            if (form.cmdBook[i].Visible())
                v.push_back(int(i) + 1);
        return v;
    }
    QPointF at(int volume) const {
        return {form.cmdBook[size_t(volume - 1)].Left(), form.cmdBook[size_t(volume - 1)].Top()};
    }
    void choose(const QString& label) {
        const int i = form.combo1->findText(label);
        ASSERT_GE(i, 0) << label.toStdString();
        form.combo1->setCurrentIndex(i);
        form.picker->Combo1_Click();
    }
};

#define EXPECT_RECT(c, l, t, w, h)                                                                 \
    do {                                                                                           \
        EXPECT_EQ((c).Left(), l) << #c;                                                            \
        EXPECT_EQ((c).Top(), t) << #c;                                                             \
        EXPECT_EQ((c).Width(), w) << #c;                                                           \
        EXPECT_EQ((c).Height(), h) << #c;                                                          \
    } while (0)

} // namespace

TEST(Layout, TheWindowOf15360By11535AtItsFirstLayout) {
    Window w;
    w.resize(15360, 11535);
    auto& f = w.form;
    EXPECT_RECT(f.Frame1, 0, 630, 4495, 10105);
    for (auto* c : {&f.Command1, &f.Command2, &f.Command3, &f.Command4})
        EXPECT_EQ(c->Width(), 4395);
    EXPECT_EQ(f.Frame2.Left(), 4595);
    EXPECT_EQ(f.Frame2.Top(), 150);
    EXPECT_EQ(f.Frame2.Width(), 10265);
    EXPECT_EQ(f.Command9.Left(), 8850);
    EXPECT_EQ(f.Command10.Left(), 7225);
    EXPECT_EQ(f.Label1.Top(), 1655);
    EXPECT_EQ(f.Combo1.Top(), 1655);
    EXPECT_EQ(f.Combo1.Left(), 10765);
    EXPECT_RECT(f.Frame3, 4595, 2110, 10365, 8675);
    EXPECT_RECT(f.Frame4, 4595, 2110, 10365, 8675);
    EXPECT_RECT(f.ListView1, 70, 3620, 4395, 6390); // height from the design place of Command4
    EXPECT_RECT(f.ListView2, 50, 200, 10265, 7475);
    EXPECT_EQ(f.Command7.Left(), 100);
    EXPECT_EQ(f.Command7.Top(), 7775);
    const float tops[4] = {200, 1055, 1910, 2765};
    const tk::Control* cmd[4] = {&f.Command1, &f.Command2, &f.Command3, &f.Command4};
    const tk::Control* pic[4] = {&f.Picture1, &f.Picture2, &f.Picture3, &f.Picture4};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(cmd[j]->Left(), 70);
        EXPECT_EQ(cmd[j]->Top(), tops[j]);
        EXPECT_EQ(pic[j]->Left(), 170);
        EXPECT_EQ(pic[j]->Top(), tops[j] + 100);
    }
    // The shelf of that size: 3 x 2.
    EXPECT_EQ(w.s.ShelfColumns, 3);
    EXPECT_EQ(w.s.ShelfRows, 2);
    // Laid out a second time, the list reads the stacked place of Command4.
    w.resize(15360, 11535);
    EXPECT_RECT(f.ListView1, 70, 3620, 4395, 6385);
}

TEST(Layout, AfterACollectionClickResizesKeepTheSavedArrangement) {
    Window w;
    w.resize(15360, 11535);
    w.form.browser->CommandN_Click(2);
    const auto saved = w.form.state.saved;
    w.resize(12000, 9000);
    auto& f = w.form;
    const tk::Control* cmd[4] = {&f.Command1, &f.Command2, &f.Command3, &f.Command4};
    const tk::Control* pic[4] = {&f.Picture1, &f.Picture2, &f.Picture3, &f.Picture4};
    for (size_t j = 0; j < 4; ++j) {
        EXPECT_EQ(cmd[j]->Top(), saved.SavedTop[j]);
        EXPECT_EQ(cmd[j]->Left(), 70);
        EXPECT_EQ(cmd[j]->Width(), 4395);
        EXPECT_EQ(pic[j]->Top(), saved.SavedTop[j] + 100);
    }
    EXPECT_EQ(f.ListView1.Left(), 70); // the click put it at 50
    EXPECT_EQ(f.ListView1.Top(), saved.SavedListTop);
    EXPECT_EQ(f.ListView1.Height(), saved.SavedListHeight);
    EXPECT_EQ(f.ListView1.Width(), 4395);
}

TEST(Layout, FailingStepsAreSkippedAloneAndAMinimisedWindowKeepsItsLayout) {
    Window w;
    w.resize(15360, 11535);
    auto& f = w.form;
    // Too narrow for Frame2: it keeps its place; the steps after it still run.
    w.resize(5000, 11535);
    EXPECT_EQ(f.Frame2.Width(), 10265);
    EXPECT_EQ(f.Combo1.Left(), 5000 - (4095 + 500));
    EXPECT_EQ(f.Frame3.Width(), 5); // still positive: placed
    // Too low for Frame1.
    w.resize(15360, 1000);
    EXPECT_EQ(f.Frame1.Height(), 10105);
    EXPECT_EQ(f.Frame2.Width(), 10265);
    // Minimised: nothing moves.
    const float before = f.Frame3.Width();
    w.resize(9000, 9000, true);
    EXPECT_EQ(f.Frame3.Width(), before);
}

TEST(Layout, ALeftPanelWidthPast16BitsSkipsOnlyThatStep) {
    Window w;
    w.resize(15360, 11535);
    w.form.state.LeftPanelStartWidth = 32700; // + 160 overflows the 16-bit sum
    w.resize(16000, 11535);
    EXPECT_EQ(w.form.Frame1.Width(), 4495);
    EXPECT_EQ(w.form.Frame2.Width(), 16000 - (4495 + 600)); // the next steps still run
}

TEST(ShelfLabels, PagesOfEverySize) {
    using catalogue::pageLabels;
    auto six = pageLabels(6);
    ASSERT_EQ(six.size(), 16);
    EXPECT_EQ(six.front(), QStringLiteral("พระไตรปิฎกเล่ม 01-06"));
    EXPECT_EQ(six[14], QStringLiteral("พระไตรปิฎกเล่ม 85-90"));
    EXPECT_EQ(six.back(), QStringLiteral("พระไตรปิฎกเล่ม 91"));
    auto seven = pageLabels(7);
    EXPECT_EQ(seven.size(), 13);
    EXPECT_EQ(seven.back(), QStringLiteral("พระไตรปิฎกเล่ม 85-91"));
    auto eight = pageLabels(8);
    EXPECT_EQ(eight.size(), 12);
    EXPECT_EQ(eight.back(), QStringLiteral("พระไตรปิฎกเล่ม 89-91"));
    EXPECT_EQ(pageLabels(9).size(), 11);
    EXPECT_EQ(pageLabels(9).back(), QStringLiteral("พระไตรปิฎกเล่ม 91"));
    auto one = pageLabels(1);
    EXPECT_EQ(one.size(), 91);
    EXPECT_EQ(one.back(), QStringLiteral("พระไตรปิฎกเล่ม 91-91"));
    EXPECT_EQ(pageLabels(100), QStringList{"พระไตรปิฎกเล่ม 01-91"});
    EXPECT_TRUE(pageLabels(0).isEmpty());
    using P = std::pair<int, int>;
    EXPECT_EQ(catalogue::readLabel("พระไตรปิฎกเล่ม 91"), P(91, 91));
    EXPECT_EQ(catalogue::readLabel("พระไตรปิฎกเล่ม 91-91"), P(91, 91));
    EXPECT_EQ(catalogue::readLabel("พระไตรปิฎกเล่ม 85-91"), P(85, 91));
    EXPECT_EQ(catalogue::readLabel("พระไตรปิฎกเล่ม 01-91"), P(1, 91));
    EXPECT_EQ(catalogue::readLabel("พระไตรปิฎกเล่ม 01-06"), P(1, 6));
    EXPECT_FALSE(catalogue::readLabel("เลือกพระไตรปิฎก"));
}

TEST(Shelf, APanelOf10365By8675) {
    Window w;
    w.shelfOf(10365, 8675);
    EXPECT_EQ(w.s.ShelfColumns, 3);
    EXPECT_EQ(w.s.ShelfRows, 2);
    EXPECT_EQ(w.s.ShelfPageSize, 6);
    EXPECT_EQ(w.s.ShelfPageCount, 15);
    EXPECT_EQ(w.s.ShelfFirstRowTop, 587);
    EXPECT_EQ(w.labels().size(), 16);
    EXPECT_EQ(w.form.combo1->currentText(), QStringLiteral("พระไตรปิฎกเล่ม 01-06"));
    EXPECT_EQ(w.visible(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(w.at(1), QPointF(480, 587));
    EXPECT_EQ(w.at(2), QPointF(3730, 587));
    EXPECT_EQ(w.at(3), QPointF(6980, 587));
    EXPECT_EQ(w.at(4), QPointF(480, 4437));
    EXPECT_EQ(w.at(6), QPointF(6980, 4437));
    EXPECT_EQ(w.form.cmdBook.size(), 91u);
    EXPECT_FALSE(w.form.cmdBookButtons[0]->icon().isNull());
    // The background for two rows.
    const QImage two = QImage(fixtures::sampleFolder() + "/img_book/bgbook02.jpg")
                           .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(w.form.imageBox->pixmap().toImage().convertToFormat(QImage::Format_RGB32), two);
    EXPECT_EQ(w.form.ImageBox.Width(), 10365);
    // A second rebuild at the same size creates no buttons.
    QPushButton* b40 = w.form.cmdBookButtons[40];
    w.form.shelf->RebuildShelf();
    EXPECT_EQ(w.form.cmdBook.size(), 91u);
    EXPECT_EQ(w.form.cmdBookButtons[40], b40);
}

TEST(Shelf, ColumnsAndRowsFollowThePanel) {
    Window w;
    w.shelfOf(6400, 4000);
    EXPECT_EQ(w.s.ShelfColumns, 2);
    const QImage one = QImage(fixtures::sampleFolder() + "/img_book/bgbook.jpg")
                           .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(w.form.imageBox->pixmap().toImage().convertToFormat(QImage::Format_RGB32), one);
    w.shelfOf(6399, 12000);
    EXPECT_EQ(w.s.ShelfColumns, 1);
    EXPECT_EQ(w.s.ShelfRows, 3);
    EXPECT_EQ(w.form.imageBox->pixmap().toImage().convertToFormat(QImage::Format_RGB32), one);
}

TEST(Shelf, PartPagesAndPickerChoices) {
    Window w;
    w.shelfOf(12800, 8000); // 4 x 2 = 8
    w.choose("พระไตรปิฎกเล่ม 89-91");
    EXPECT_EQ(w.visible(), (std::vector<int>{89, 90, 91}));
    EXPECT_EQ(w.at(89).y(), w.at(91).y());
    EXPECT_EQ(w.at(91).x(), 480 + 2 * 3250);
    w.shelfOf(6400, 16000); // 2 x 4 = 8
    w.choose("พระไตรปิฎกเล่ม 89-91");
    EXPECT_EQ(w.at(89).y(), w.at(90).y());
    EXPECT_EQ(w.at(91), QPointF(480, w.s.ShelfFirstRowTop + 3850));
    w.shelfOf(9600, 12000); // 3 x 3 = 9
    w.choose("พระไตรปิฎกเล่ม 91");
    EXPECT_EQ(w.visible(), std::vector<int>{91});
    EXPECT_EQ(w.at(91), QPointF(480, w.s.ShelfFirstRowTop));
    w.shelfOf(3200, 4000); // 1 x 1
    EXPECT_EQ(w.labels().size(), 91);
    w.choose("พระไตรปิฎกเล่ม 91-91");
    EXPECT_EQ(w.visible(), std::vector<int>{91});
    w.shelfOf(10365, 8675);
    w.choose("พระไตรปิฎกเล่ม 01-06");
    EXPECT_EQ(w.visible(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    w.shelfOf(22400, 4000); // 7 x 1 = 7
    w.choose("พระไตรปิฎกเล่ม 85-91");
    EXPECT_EQ(w.visible(), (std::vector<int>{85, 86, 87, 88, 89, 90, 91}));
}

TEST(Shelf, ChoosingAPageBringsTheShelfToTheFrontAndAResizeReturnsToPage1) {
    Window w;
    w.resize(15360, 11535);
    w.form.topicPane->ListVolumeTopics(3);
    ASSERT_TRUE(w.form.Frame4.Visible());
    const int rows = w.form.topicPane->model().rowCount();
    w.choose("พระไตรปิฎกเล่ม 13-18");
    EXPECT_FALSE(w.form.Frame4.Visible());
    EXPECT_EQ(w.form.label1->text(), QString());
    EXPECT_EQ(w.form.topicPane->model().rowCount(), rows); // the rows stay, hidden
    EXPECT_EQ(w.visible().front(), 13);
    w.resize(15360, 11535);
    EXPECT_EQ(w.form.combo1->currentText(), QStringLiteral("พระไตรปิฎกเล่ม 01-06"));
    EXPECT_EQ(w.visible().front(), 1);
    // Typing into the box changes nothing.
    w.form.combo1->setEditText("พระไตรปิฎกเล่ม 07-12");
    EXPECT_EQ(w.visible().front(), 1);
}

TEST(Shelf, TooSmallGivesAnEmptyShelfTooLargeShowsAll91OnOnePage) {
    Window w;
    w.shelfOf(3199, 8000);
    EXPECT_TRUE(w.visible().empty());
    EXPECT_EQ(w.labels().size(), 0);
    w.shelfOf(40000, 40000); // 12 x 10
    EXPECT_EQ(w.labels(), QStringList{"พระไตรปิฎกเล่ม 01-91"});
    EXPECT_EQ(w.visible().size(), 91u);
}

TEST(Shelf, AMissingCoverLeavesThePictureAndAReplacedOneShowsAtTheNextRebuild) {
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/img_book");
    for (const char* f : {"bgbook.jpg", "bgbook02.jpg", "velkaro_book1.jpg", "velkaro_book3.jpg"})
        QFile::copy(fixtures::sampleFolder() + "/img_book/" + f, dir.path() + "/img_book/" + f);
    Window w(dir.path());
    w.shelfOf(10365, 8675);
    EXPECT_FALSE(w.form.cmdBookButtons[0]->icon().isNull());
    EXPECT_TRUE(w.form.cmdBookButtons[1]->icon().isNull()); // no cover, still shown
    EXPECT_TRUE(w.form.cmdBook[1].Visible());
    QFile::remove(dir.path() + "/img_book/velkaro_book1.jpg");
    QFile::copy(fixtures::sampleFolder() + "/img_book/velkaro_book2.jpg",
                dir.path() + "/img_book/velkaro_book1.jpg");
    w.form.shelf->RebuildShelf();
    const QImage two =
        QImage(dir.path() + "/img_book/velkaro_book1.jpg").convertToFormat(QImage::Format_RGB32);
    const QImage now = w.form.cmdBookButtons[0]->icon().pixmap(two.size()).toImage().convertToFormat(
        QImage::Format_RGB32);
    EXPECT_EQ(now.size(), two.size());
    EXPECT_EQ(now, two);
}

TEST(TopicSelection, AClickPlacesTheOpenButtonBesideTheRowForThreeSeconds) {
    Window w;
    w.resize(15360, 11535);
    w.form.Command8.Move(1, 2);
    w.form.picker->ListView2_Click(); // empty list: nothing
    EXPECT_FALSE(w.form.Command8.Visible());
    EXPECT_EQ(w.form.Command8.Left(), 1);
    w.form.topicPane->ListVolumeTopics(2);
    w.form.listView2->setCurrentIndex(w.form.topicPane->model().index(1, 0));
    w.form.picker->ListView2_Click();
    EXPECT_TRUE(w.form.Command8.Visible());
    EXPECT_TRUE(w.form.Timer3.Enabled());
    EXPECT_EQ(w.form.Command8.Left(), w.form.state.RowButtonLeft);
    EXPECT_EQ(w.form.Command8.Top(), w.form.listView2->rowTop(1) + 200);
    EXPECT_EQ(w.form.state.RowButtonLeft, 10265 - 3700);
    w.form.Timer3.fire();
    EXPECT_FALSE(w.form.Command8.Visible());
}

TEST(Shelf, TypingAPageNameInThePickerThenEnterOrLeavingItChangesNothing) {
    Window w;
    w.form.resize(1016, 735);
    w.form.show();
    QApplication::processEvents();
    w.resize(15360, 11535);
    ASSERT_EQ(w.visible().front(), 1);
    w.form.combo1->setFocus();
    w.form.combo1->lineEdit()->selectAll();
    fixtures::typeText(w.form.combo1->lineEdit(), QStringLiteral("พระไตรปิฎกเล่ม 07-12"));
    QTest::keyClick(w.form.combo1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(w.visible().front(), 1);
    w.form.text1->setFocus(); // the focus leaves the box
    QApplication::processEvents();
    EXPECT_EQ(w.visible().front(), 1);
    // Choosing the entry from the open list does change the shelf.
    w.form.combo1->showPopup();
    QApplication::processEvents();
    QAbstractItemView* list = w.form.combo1->view();
    QTest::qWait(QApplication::doubleClickInterval() + 50); // the list ignores a too-early release
    const QRect r = list->visualRect(w.form.combo1->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QApplication::processEvents();
    EXPECT_EQ(w.visible().front(), 13);
}

// Every way of choosing from the open list acts as the click does: the keys move through
// the list and Enter (or the keypad's) chooses.
TEST(Shelf, ChoosingFromTheOpenListByKeyboardShowsThatPage) {
    struct Way {
        const char* name;
        std::vector<Qt::Key> keys;
        int row; // the entry chosen, from the third; -1 = the last
    };
    const std::vector<Way> ways = {
        {"End, Enter", {Qt::Key_End, Qt::Key_Return}, -1},
        {"Home, Down, keypad Enter", {Qt::Key_Home, Qt::Key_Down, Qt::Key_Enter}, 1},
        {"Up, Up, Enter", {Qt::Key_Up, Qt::Key_Up, Qt::Key_Return}, 0},
        {"Down, Down, Enter", {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, 4},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Window w;
        w.form.resize(1016, 735);
        w.form.show();
        w.form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
        w.resize(15360, 11535);
        const QStringList labels = w.labels();
        ASSERT_GE(labels.size(), 4);
        // Start on the third page, so that every way moves somewhere else.
        w.choose(labels[2]);
        const std::vector<int> third = w.visible();
        ASSERT_FALSE(third.empty());
        w.form.combo1->setFocus();
        QTest::keyClick(w.form.combo1, Qt::Key_Down, Qt::AltModifier); // opens the list
        QAbstractItemView* list = w.form.combo1->view();
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
        for (Qt::Key k : way.keys)
            QTest::keyClick(list, k);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); }, 2000));
        QApplication::processEvents();
        const int row = way.row < 0 ? int(labels.size()) - 1 : std::min(way.row, int(labels.size()) - 1);
        EXPECT_EQ(w.form.combo1->currentText(), labels[row]);
        const auto range = catalogue::readLabel(labels[row]);
        ASSERT_TRUE(range);
        ASSERT_FALSE(w.visible().empty());
        EXPECT_EQ(w.visible().front(), range->first) << w.form.combo1->currentText().toStdString();
    }
}
