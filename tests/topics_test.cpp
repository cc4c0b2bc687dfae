#include "toolkit/dbfunction.h"
#include "fixtures.h"
#include "shell/form1.h"
#include "thai/measure.h"
#include "toolkit/fonts.h"
#include "toolkit/message_box.h"
#include "toolkit/scripted_platform.h"
#include "toolkit/twips.h"
#include "topics/measure.h"
#include "topics/topic_pane.h"
#include "topics/topic_row.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QScreen>
#include <QComboBox>
#include <QHeaderView>
#include <QStyle>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

using fixtures::Topic;

namespace {

Topic topic(int code, const QString& title, int no = 1) {
    Topic t;
    t.code = code;
    t.title = title;
    t.no = no;
    return t;
}

struct Window : fixtures::AppWith {
    topics::TopicPane& pane = *form.topicPane;
    topics::TopicModel& model = pane.model();
    explicit Window(const std::vector<Topic>& topics) : AppWith(topics) {}
    int rows() const { return model.rowCount(); }
    int columns() const { return model.columnCount(); }
    QString header(int c) const {
        return model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
};

} // namespace

TEST(ThaiMeasure, MarksTakeNoCellAndBothCountsAgree) {
    topics::ModuleAll m;
    m.MeasureThaiText(QStringLiteral("ก่อน"));
    EXPECT_EQ(m.MeasuredCells, 3);
    m.MeasureThaiText(QStringLiteral("หัวข้อ"));
    EXPECT_EQ(m.MeasuredCells, 4);
    m.MeasureThaiText(QStringLiteral("\u0E31\u0E34\u0E48\u0E4C"));
    EXPECT_EQ(m.MeasuredCells, 0);
    // SARA AM, PHINTHU, NIKHAHIT and YAMAKKAN take a cell.
    m.MeasureThaiText(QStringLiteral("\u0E33\u0E3A\u0E4D\u0E4E"));
    EXPECT_EQ(m.MeasuredCells, 4);
    m.MeasureThaiText(QString(40000, QChar(u'ก')));
    EXPECT_EQ(m.MeasuredCells, 32767);
    QString all;
    for (char16_t c = 0x0E00; c <= 0x0E7F; ++c)
        all += QChar(c);
    all += QStringLiteral("abc 123 é€") + QString::fromUcs4(U"\U0001F600");
    m.MeasureThaiText(all);
    EXPECT_EQ(topics::measureCellsUtf8(all.toUtf8().toStdString()), m.MeasuredCells);
    EXPECT_EQ(m.MeasuredCells, all.size() - 13);
}

TEST(ThaiMeasure, TheUtf8CountMatchesTheUtf16CountOnMixedText) {
    // Thai with its marks, Latin, digits, a character outside the basic plane, and texts
    // cut right after the first byte of a Thai character.
    const std::u32string alphabet =
        U"กขคฆงจฉชซญฎฏฐฑฒณดตถทธนบปผฝพฟภมยรลวศษสหฬอฮะัาำิีึืุูเแโใไๅๆ็่้๊๋์ํ๎๐๙aZ09 .é€😀";
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::u32string s;
        const int n = int(rng() % 40);
        for (int i = 0; i < n; ++i)
            s += alphabet[rng() % alphabet.size()];
        const QString q = QString::fromUcs4(s.data(), qsizetype(s.size()));
        topics::ModuleAll m;
        m.MeasureThaiText(q);
        const QByteArray u = q.toUtf8();
        ASSERT_EQ(topics::measureCellsUtf8(std::string_view(u.constData(), size_t(u.size()))),
                  m.MeasuredCells)
            << q.toStdString();
    }
    EXPECT_EQ(topics::measureCellsUtf8("\xE0"), 1);
    EXPECT_EQ(topics::measureCellsUtf8("\xE0\xB8"), 1);
}

TEST(ThaiMeasure, TheUtf8CountStepsOverThaiCharactersAsItCountsByteByByte) {
    // The count byte by byte: one cell for each byte that does not continue a character,
    // one more for a four-byte start, one less for each mark's three bytes. The count in
    // use is written for speed; on any bytes at all, broken UTF-8 too, the two agree.
    auto byteByByte = [](const std::string& s) {
        const auto* p = reinterpret_cast<const unsigned char*>(s.data());
        const size_t n = s.size();
        long cells = 0;
        for (size_t i = 0; i < n; ++i) {
            cells += (p[i] & 0xC0) != 0x80;
            cells += p[i] >= 0xF0;
            if (p[i] == 0xE0 && i + 2 < n &&
                ((p[i + 1] == 0xB8 &&
                  (p[i + 2] == 0xB1 || (p[i + 2] >= 0xB4 && p[i + 2] <= 0xB9))) ||
                 (p[i + 1] == 0xB9 && p[i + 2] >= 0x87 && p[i + 2] <= 0x8C)))
                --cells;
        }
        return cells;
    };
    // Bytes that make up Thai characters and marks, with bytes that break them.
    const unsigned char pool[] = {0xE0, 0xE0, 0xE0, 0xB8, 0xB8, 0xB9, 0xB9, 0xB1, 0xB4,
                                  0xB9, 0x87, 0x8C, 0x86, 0x8D, 0xB0, 0xBA, 0x80, 0xBF,
                                  0xC0, 0x7F, 0x41, 0x20, 0x00, 0xF0, 0xF4, 0xFF, 0xE1};
    std::mt19937 rng(11);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const int n = int(rng() % 24);
        for (int i = 0; i < n; ++i)
            s += char(pool[rng() % sizeof pool]);
        ASSERT_EQ(topics::measureCellsUtf8(s), byteByByte(s))
            << QByteArray::fromStdString(s).toHex().toStdString();
    }
    // Every three-byte sequence that starts with E0, whole and cut short.
    for (int b1 = 0; b1 < 256; ++b1)
        for (int b2 = 0; b2 < 256; ++b2) {
            const std::string s = {char(0xE0), char(b1), char(b2)};
            ASSERT_EQ(topics::measureCellsUtf8(s), byteByByte(s)) << b1 << " " << b2;
            ASSERT_EQ(topics::measureCellsUtf8(s.substr(0, 2)), byteByByte(s.substr(0, 2)));
        }
}

TEST(ThaiMeasure, TheUtf8CountHoldsOnLongTextsOfThaiAndBrokenBytes) {
    // Long texts go sixteen bytes at a step with the sums taken in every so often: each
    // length up to a few thousand bytes, cut anywhere, counts as the characters of its
    // whole text do.
    const QString word = QStringLiteral("หัวข้อธรรมที่ต้องการค้นหา ก่อน 123 ");
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        QString q;
        const int words = int(rng() % 200);
        for (int i = 0; i < words; ++i)
            q += word.mid(int(rng() % word.size()));
        const QByteArray u = q.toUtf8();
        const long whole = thai::measureCells(q);
        ASSERT_EQ(topics::measureCellsUtf8(std::string_view(u.constData(), size_t(u.size()))),
                  whole);
        // A stray lead byte between two characters counts as one.
        const int at = int(rng() % (q.size() + 1));
        const QByteArray broken = q.left(at).toUtf8() + char(0xE0) + q.mid(at).toUtf8();
        ASSERT_EQ(topics::measureCellsUtf8(std::string_view(broken.constData(), size_t(broken.size()))),
                  whole + 1);
    }
}

TEST(TopicRow, FormatOfTextMarkerAndColour) {
    EXPECT_EQ(topics::rowText("7", "T"), QStringLiteral("(7)      T"));
    EXPECT_EQ(topics::fileMarker("31", "1"), QStringLiteral("HTML31"));
    EXPECT_EQ(topics::fileMarker("31", "0"), QStringLiteral("HTML"));
    EXPECT_EQ(topics::fileMarker("31", ""), QStringLiteral("HTML"));
    EXPECT_TRUE(topics::isMarked("TRUE"));
    EXPECT_FALSE(topics::isMarked("True"));
    EXPECT_FALSE(topics::isMarked(""));
    EXPECT_EQ(topics::volumeTopicsSql(5),
              QStringLiteral("SELECT *  From Velkaro WHERE velkaro.velkaro_code= 5"));
    EXPECT_EQ(topics::groupTopicsSql("12"),
              QStringLiteral("SELECT *  From Velkaro WHERE velkaro.velkaro_code= 12"));
    EXPECT_EQ(topics::titleColumnWidth(273), 32760);
    EXPECT_EQ(topics::titleColumnWidth(274), 32767);
}

TEST(TopicList, AFillBuildsSevenColumnsAndOneRowPerRecordInOrder) {
    Topic a = topic(5, "T", 7);
    a.group = QStringLiteral("กลุ่มแรก");
    a.mark = QStringLiteral("TRUE");
    a.readFromFile = QStringLiteral("1");
    a.book = "5";
    a.page = "123";
    a.line = "7";
    Topic b = topic(5, "ก่อน", 8);
    b.group = QStringLiteral("กลุ่มที่สอง");
    b.mark = QStringLiteral("True");
    Topic c = topic(5, "หัวข้อ", 9);
    c.mark = QString();
    Window w({a, b, c, topic(6, "อื่น")});
    w.form.label1->setText("x");
    w.pane.ListVolumeTopics(5);
    ASSERT_EQ(w.rows(), 3);
    ASSERT_EQ(w.columns(), 7);
    EXPECT_EQ(w.header(0), QStringLiteral("(ลำดับ) - หัวข้อธรรม (กลุ่มแรก)"));
    EXPECT_EQ(w.header(1), QStringLiteral("เล่มสีน้ำเงิน"));
    EXPECT_EQ(w.header(2), QStringLiteral("ไฟล์"));
    EXPECT_EQ(w.header(3), QStringLiteral("เล่มสีแดง"));
    EXPECT_EQ(w.header(6), QStringLiteral("บรรทัด"));
    EXPECT_EQ(w.form.label1->text(), QStringLiteral("กำลังแสดงจำนวน : 3 รายการ"));
    EXPECT_TRUE(w.form.Frame4.Visible());
    EXPECT_EQ(w.model.subItem(0, 0), QStringLiteral("(7)      T"));
    EXPECT_EQ(w.model.subItem(0, 2), QStringLiteral("HTML7"));
    EXPECT_EQ(w.model.subItem(1, 2), QStringLiteral("HTML"));
    EXPECT_EQ(w.model.subItem(0, 4), QStringLiteral("5"));
    EXPECT_EQ(w.model.subItem(0, 5), QStringLiteral("123"));
    EXPECT_EQ(w.model.subItem(0, 6), QStringLiteral("7"));
    EXPECT_EQ(w.model.toolTip(1), QStringLiteral("ก่อน"));
    EXPECT_TRUE(w.model.isRed(0));
    EXPECT_FALSE(w.model.isRed(1));
    EXPECT_FALSE(w.model.isRed(2));
    EXPECT_EQ(w.model.data(w.model.index(0, 0), Qt::ForegroundRole).value<QColor>(),
              QColor(255, 0, 0));
    // Widest title "หัวข้อ" = 4 cells, drawn wider; the last three columns are carried but hidden.
    EXPECT_GE(w.form.listView2->columnWidth(0), tk::twipsToPixels(480));
    EXPECT_GE(w.form.listView2->columnWidth(1), tk::twipsToPixels(1200));
    for (int col : {4, 5, 6})
        EXPECT_TRUE(w.form.listView2->isColumnHidden(col));
    EXPECT_FALSE(w.form.listView2->isColumnHidden(0));
    EXPECT_EQ(w.form.state.RowButtonLeft, 2775 - 3700);
    EXPECT_TRUE(w.platform.boxes.empty());
}

TEST(TopicList, TheFirstColumnHoldsTheWholeRowTextAsDrawn) {
    tk::setTwipsPerPixelOverride(15);
    for (const QString& title :
         {QStringLiteral("ก่อน"), QStringLiteral("หัวข้อธรรมว่าด้วยอริยสัจ ๔ และมรรคมีองค์ ๘"),
          QStringLiteral("\u0E48\u0E49"), QString(300, QChar(u'ก')), QString(40000, QChar(u'ข'))}) {
        Window w({topic(3, title, 700), topic(3, QStringLiteral("สั้น"), 1)});
        w.pane.ListGroupTopics("3");
        ASSERT_EQ(w.rows(), 2);
        EXPECT_FALSE(w.form.listView2->isColumnHidden(0)) << "marks only must still show";
        const int width = w.form.listView2->columnWidth(0);
        const long cells = topics::measureCellsUtf8(title.toStdString());
        EXPECT_GE(width, tk::twipsToPixels(topics::titleColumnWidth(cells)));
        const QFontMetrics fm(w.form.listView2->font());
        const int drawn = fm.horizontalAdvance(w.model.subItem(0, 0));
        if (drawn * 15 < 32767)
            EXPECT_GE(width, drawn) << title.size();
        else
            EXPECT_EQ(width, tk::twipsToPixels(32767)); // held within 16 bits
    }
    tk::setTwipsPerPixelOverride(0);
}

TEST(TopicList, TheFittedWidthIsTheLargerOfCellsAndDrawnHeldIn16Bits) {
    EXPECT_EQ(topics::fittedTitleColumnWidth(4, 10, 15), 480);
    EXPECT_EQ(topics::fittedTitleColumnWidth(4, 100, 15), 1500);
    EXPECT_EQ(topics::fittedTitleColumnWidth(0, 7, 15), 105);
    EXPECT_EQ(topics::fittedTitleColumnWidth(40000, 10, 15), 32767);
    EXPECT_EQ(topics::fittedTitleColumnWidth(1, 5000, 15), 32767);
}

TEST(TopicList, NoRecordsOrAFailedQueryLeaveAnEmptyListAndTheCaption) {
    Window w({topic(1, "หนึ่ง")});
    w.pane.ListGroupTopics("1");
    ASSERT_EQ(w.rows(), 1);
    const QString caption = w.form.label1->text();
    w.form.Frame4.setVisible(false);
    w.form.ListView2.Move(0, 0, 6000, 1000);
    w.pane.ListGroupTopics("2");
    EXPECT_EQ(w.rows(), 0);
    EXPECT_EQ(w.columns(), 0);
    EXPECT_EQ(w.form.label1->text(), caption);
    EXPECT_TRUE(w.form.Frame4.Visible());
    EXPECT_EQ(w.form.state.RowButtonLeft, 2300);
    // A code the engine cannot read: one message only, the list stays empty.
    w.pane.ListGroupTopics("1 +");
    EXPECT_EQ(w.platform.boxes.size(), 1u);
    EXPECT_EQ(w.rows(), 0);
    EXPECT_EQ(w.form.label1->text(), caption);
}

TEST(TopicSearch, ThePromptComesAndGoesWithTheFocus) {
    Window w({topic(1, "ศีล")});
    EXPECT_EQ(w.form.text1->text(), topics::kPrompt);
    w.pane.Text1_GotFocus();
    EXPECT_EQ(w.form.text1->text(), QString());
    w.pane.Text1_LostFocus();
    EXPECT_EQ(w.form.text1->text(), topics::kPrompt);
    w.pane.Text1_GotFocus();
    w.form.text1->setText("ศีล");
    w.pane.Text1_LostFocus();
    EXPECT_EQ(w.form.text1->text(), QStringLiteral("ศีล"));
    w.pane.Text1_GotFocus(); // coming back empties it, the word included
    EXPECT_EQ(w.form.text1->text(), QString());
}

TEST(TopicSearch, AnEmptyBoxOrThePromptAsksForAWordFirst) {
    Window w({topic(1, "ศีล")});
    w.pane.Command5_Click(); // the prompt is showing
    w.form.text1->setText(QString());
    w.pane.Command5_Click();
    ASSERT_EQ(w.platform.boxes.size(), 2u);
    for (const auto& b : w.platform.boxes) {
        EXPECT_EQ(b.text, QStringLiteral("กรุณาป้อนคำที่ต้องการค้นหาก่อน"));
        EXPECT_EQ(b.title, QStringLiteral("แจ้งให้ทราบ"));
        EXPECT_EQ(b.style, tk::OkOnly | tk::IconInformation);
    }
    EXPECT_EQ(w.store.loadCount(), 0);
}

TEST(TopicSearch, TypingThenEnterSearchesWithoutAClick) {
    Window w({topic(1, "ศีล ๕"), topic(2, "สมาธิ")});
    w.form.show();
    w.form.text1->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(w.pane.command5IsDefault());
    for (QChar ch : QStringLiteral("ศีล")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w.form.text1, &press);
    }
    EXPECT_EQ(w.form.text1->text(), QStringLiteral("ศีล"));
    EXPECT_TRUE(w.pane.command5IsDefault());
    EXPECT_TRUE(w.form.command5->isDefault());
    QTest::keyClick(w.form.text1, Qt::Key_Return);
    EXPECT_EQ(w.rows(), 1);
    EXPECT_EQ(w.form.label1->text(), QStringLiteral("ผลการค้นหาคำว่า : ศีล : พบจำนวน : 1 รายการ"));
}

TEST(TopicSearch, MatchesTitleOrBlueReferenceOnceAndTakesWordsLiterally) {
    Topic both = topic(1, "ปัญญา");
    both.blue = QStringLiteral("ปัญญา เล่ม 1");
    Topic blueOnly = topic(2, "สติ");
    blueOnly.blue = QStringLiteral("ดูปัญญาด้วย");
    Topic quote = topic(3, "คำว่า 'บุญ' ในพระสูตร");
    Topic blanks = topic(4, "ทาน   ศีล");
    Topic percent = topic(5, "ร้อยละ 50% ของผู้ฟัง");
    Window w({both, blueOnly, quote, blanks, percent, topic(6, "อื่นๆ")});

    w.pane.SearchTopics("ปัญญา");
    EXPECT_EQ(w.rows(), 2);
    w.pane.SearchTopics("'บุญ'");
    EXPECT_EQ(w.rows(), 1);
    EXPECT_EQ(w.model.toolTip(0), *quote.title);
    w.pane.SearchTopics("   ");
    EXPECT_EQ(w.rows(), 1);
    EXPECT_EQ(w.model.toolTip(0), *blanks.title);
    // "%" and "_" keep their wildcard meaning.
    w.pane.SearchTopics("50%");
    EXPECT_EQ(w.rows(), 1);
    w.pane.SearchTopics("ท_น");
    EXPECT_EQ(w.rows(), 1);
    EXPECT_TRUE(w.platform.boxes.empty());
    // SQL fragments find nothing and change nothing.
    for (const QString& word :
         {QStringLiteral("' OR '1'='1"), QStringLiteral("x'; DROP TABLE Velkaro; --")}) {
        w.form.text1->setText(word);
        w.pane.Command5_Click();
        EXPECT_EQ(w.rows(), 0);
        ASSERT_FALSE(w.platform.boxes.empty());
        EXPECT_EQ(w.platform.boxes.back().text,
                  QStringLiteral("ค้นหาคำว่า :  ") + word +
                      QStringLiteral(" : ไม่ตรงกับรายการที่มีอยู่ในฐานข้อมูล"));
    }
    w.pane.SearchTopics("อื่น");
    EXPECT_EQ(w.rows(), 1);
}

TEST(TopicSearch, NoMatchAfterAHitEmptiesListAndCaptionButKeepsThePanel) {
    Window w({topic(1, "เมตตา"), topic(1, "กรุณา"), topic(1, "มุทิตา")});
    w.pane.SearchTopics("ตา");
    EXPECT_EQ(w.rows(), 2);
    EXPECT_EQ(w.form.label1->text(), QStringLiteral("ผลการค้นหาคำว่า : ตา : พบจำนวน : 2 รายการ"));
    EXPECT_TRUE(w.form.Frame4.Visible());
    w.form.text1->setText("อุเบกขา");
    w.pane.Command5_Click();
    EXPECT_EQ(w.rows(), 0);
    EXPECT_EQ(w.columns(), 0);
    EXPECT_EQ(w.form.label1->text(), QString());
    EXPECT_TRUE(w.form.Frame4.Visible());
    ASSERT_EQ(w.platform.boxes.size(), 1u);
    EXPECT_EQ(w.platform.boxes[0].style, tk::OkOnly | tk::IconInformation);
    // A search without results leaves a hidden panel hidden.
    w.form.Frame4.setVisible(false);
    w.pane.SearchTopics("อุเบกขา");
    EXPECT_FALSE(w.form.Frame4.Visible());
}

namespace {
// The window shown and active, with the typing box focused by a click, as a user has it.
void showAndFocusTheBox(Window& w) {
    w.form.resize(1016, 735);
    w.form.show();
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    QTest::mouseClick(w.form.text1, Qt::LeftButton);
    QApplication::processEvents();
}
} // namespace

TEST(TopicSearch, TheTypedWordSurvivesTheNoMatchBoxAndTheWindowComingBack) {
    Window w({topic(1, "ศีล")});
    w.platform.realBoxes = true;
    showAndFocusTheBox(w);
    ASSERT_EQ(w.form.text1->text(), QString()); // a click into the box empties the prompt
    fixtures::typeText(w.form.text1, QStringLiteral("สมาธิ"));
    QTest::keyClick(w.form.text1, Qt::Key_Return);
    ASSERT_EQ(w.platform.boxes.size(), 1u); // no match, said in a real modal box
    QApplication::processEvents();
    EXPECT_EQ(w.form.text1->text(), QStringLiteral("สมาธิ"));
    // Another window takes the focus and gives it back.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    QApplication::processEvents();
    EXPECT_EQ(w.form.text1->text(), QStringLiteral("สมาธิ"));
    // Moving to another control and back is what empties it.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    w.form.command5->setFocus(Qt::MouseFocusReason);
    w.form.text1->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(w.form.text1->text(), QString());
}

TEST(TopicSearch, OnceTypedEnterAnywhereButOnAnotherButtonPressesSearch) {
    Window w({topic(1, "ศีล ๕"), topic(2, "สมาธิ")});
    showAndFocusTheBox(w);
    fixtures::typeText(w.form.text1, QStringLiteral("ศีล"));
    ASSERT_TRUE(w.form.command5->isDefault());
    w.form.combo1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.form.combo1, Qt::Key_Return);
    EXPECT_EQ(w.rows(), 1);
    w.form.listView2->setFocus(Qt::TabFocusReason);
    w.form.topicPane->model().clear();
    QTest::keyClick(w.form.listView2, Qt::Key_Return);
    EXPECT_EQ(w.rows(), 1);
    w.form.topicPane->model().clear();
    w.form.command7->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.form.command7, Qt::Key_Return);
    EXPECT_EQ(w.rows(), 0); // Enter does not press another button, nor search
    EXPECT_TRUE(w.platform.boxes.empty());
}

TEST(TopicList, TheCountCaptionKeepsItsWidthThroughAResize) {
    Window w({topic(1, "ศีล ๕"), topic(1, "สมาธิ")});
    showAndFocusTheBox(w);
    fixtures::typeText(w.form.text1, QStringLiteral("ศีล"));
    QTest::keyClick(w.form.text1, Qt::Key_Return);
    const QString caption = w.form.label1->text();
    ASSERT_FALSE(caption.isEmpty());
    w.form.resize(1100, 800);
    QApplication::processEvents();
    EXPECT_GE(w.form.label1->width(), w.form.label1->sizeHint().width());
    EXPECT_EQ(w.form.label1->width(), tk::twipsToPixels(w.form.Label1.Width()));
}

// A pasted page of text finds nothing: the notice repeats the word shortened in the middle,
// and the box stays within the screen with its button on it.
TEST(TopicSearch, APastedPageFindsNothingInABoxThatFitsTheScreen) {
    Window w({topic(1, "ศีล")});
    w.platform.realBoxes = true;
    showAndFocusTheBox(w);
    QString page;
    while (page.size() < 20000)
        page += QStringLiteral("ก่ข้ค์ง");
    QApplication::clipboard()->setText(page);
    QTest::keyClick(w.form.text1, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(w.form.text1->text(), page);
    QSize boxSize, screenSize;
    QString shown;
    bool buttonOnScreen = false;
    w.platform.onBox = [&](const tk::ShownBox&) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        boxSize = box->frameGeometry().size();
        screenSize = box->screen()->availableGeometry().size();
        shown = box->text();
        const QList<QAbstractButton*> buttons = box->buttons();
        buttonOnScreen = !buttons.isEmpty() &&
                         box->screen()->availableGeometry().contains(
                             QRect(buttons[0]->mapToGlobal(QPoint()), buttons[0]->size()));
    };
    QTest::keyClick(w.form.text1, Qt::Key_Return);
    ASSERT_EQ(w.platform.boxes.size(), 1u);
    EXPECT_LE(boxSize.width(), screenSize.width());
    EXPECT_LE(boxSize.height(), screenSize.height());
    EXPECT_TRUE(buttonOnScreen);
    // The notice of the design, with the word shortened to 60 characters.
    const QString word = thai::elideMiddle(page, 60);
    EXPECT_EQ(shown, QStringLiteral("ค้นหาคำว่า :  ") + word +
                         QStringLiteral(" : ไม่ตรงกับรายการที่มีอยู่ในฐานข้อมูล"));
    EXPECT_EQ(w.platform.boxes[0].text, shown);
    EXPECT_EQ(w.form.text1->text(), page); // what was typed is kept
}

// Any text the program shows in a box stays within the screen, however long.
TEST(MessageBoxes, NoBoxIsLargerThanItsScreen) {
    for (const QString& text :
         {QString(30000, QChar(0x0E01)), QStringLiteral("บรรทัด\n").repeated(400),
          QStringLiteral("คำ ").repeated(8000)}) {
        tk::MessageBox box(text, tk::OkOnly | tk::IconInformation, QStringLiteral("แจ้งให้ทราบ"));
        box.show();
        QApplication::processEvents();
        const QSize room = box.screen()->availableGeometry().size();
        EXPECT_LE(box.frameGeometry().width(), room.width()) << text.size();
        EXPECT_LE(box.frameGeometry().height(), room.height()) << text.size();
        EXPECT_TRUE(box.text().contains(QStringLiteral("…")));
    }
}

// The blue, file and red columns show their whole cells and headers in the list's own font,
// and are never narrower than their design widths.
TEST(TopicList, TheShownColumnsHoldTheirWidestCellAndHeader) {
    std::vector<Topic> topics;
    for (int i = 0; i < 300; ++i) {
        Topic t = topic(4, QStringLiteral("หัวข้อ %1").arg(i), i + 1);
        t.blue = QStringLiteral("เล่มที่ 2 หน้า %1 ข้อ %2").arg(i * 7).arg(i);
        t.red = QStringLiteral("ล.%1 น.%2").arg(i % 45).arg(i * 3);
        if (i == 123)
            t.readFromFile = QStringLiteral("1"); // "HTML124"
        topics.push_back(t);
    }
    Topic shortOne = topic(5, QStringLiteral("สั้น"), 1);
    shortOne.blue = QStringLiteral("1");
    shortOne.red = QStringLiteral("2");
    topics.push_back(shortOne);
    Window w(topics);
    for (int width : {800, 1280, 1920}) {
        SCOPED_TRACE(width);
        w.form.resize(width, 735);
        w.form.show();
        QApplication::processEvents();
        w.pane.ListGroupTopics("4");
        ASSERT_EQ(w.rows(), 300);
        tk::ListView* list = w.form.listView2;
        const QFontMetrics fm(list->font());
        const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        QHeaderView* header = list->horizontalHeader();
        const int headerMargin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int col : {1, 2, 3}) {
            int widest = 0;
            for (int r = 0; r < w.rows(); ++r)
                widest = std::max(widest, fm.horizontalAdvance(w.model.subItem(r, col)));
            EXPECT_GE(list->columnWidth(col), widest + 2 * margin) << col;
            EXPECT_GE(list->columnWidth(col),
                      QFontMetrics(header->font()).horizontalAdvance(w.header(col)) + 2 * headerMargin)
                << col;
        }
        EXPECT_EQ(header->textElideMode(), Qt::ElideRight);
    }
    // Short cells keep the design widths.
    w.pane.ListGroupTopics("5");
    ASSERT_EQ(w.rows(), 1);
    EXPECT_EQ(w.form.listView2->columnWidth(2), tk::twipsToPixels(1000));
}

// The widest text found by shaping only those whose bound can win equals the widest found by
// shaping them all, on Thai texts of every shape the lists hold: marks stacked in any
// order, SARA AM, digits of both kinds, Latin, blanks, repeats.
TEST(TopicList, TheWidestTextShapingFewEqualsShapingAll) {
    std::mt19937 rng(20261208);
    const QString pieces[] = {QStringLiteral("ก"), QStringLiteral("ข้"), QStringLiteral("ค่ิ"),
                              QStringLiteral("ำ"), QStringLiteral("น้ำ"), QStringLiteral("ฐุ"),
                              QStringLiteral("ญ"), QStringLiteral("๑๒"), QStringLiteral("12"),
                              QStringLiteral("W"), QStringLiteral("i"), QStringLiteral(" "),
                              QStringLiteral("เล่มที่ "), QStringLiteral("หน้า "),
                              QStringLiteral("ฟ"), QStringLiteral("ป์"), QStringLiteral("ฎ"),
                              QStringLiteral("\u0E47"), QStringLiteral("ั")};
    QFont thai = tk::thaiFont(QStringLiteral("Tahoma"), 10);
    for (const QFont& font : {thai, tk::thaiFont(QStringLiteral("AngsanaUPC"), 14.25)}) {
        const QFontMetrics fm(font);
        for (int round = 0; round < 300; ++round) {
            QStringList texts;
            const int n = 1 + int(rng() % 60);
            for (int i = 0; i < n; ++i) {
                QString t;
                const int len = int(rng() % 25);
                for (int j = 0; j < len; ++j)
                    t += pieces[rng() % std::size(pieces)];
                texts << t;
                if (rng() % 4 == 0)
                    texts << t; // repeats, as the short columns have
            }
            int all = 0;
            for (const QString& t : texts)
                all = std::max(all, fm.horizontalAdvance(t));
            ASSERT_EQ(topics::widestAdvance(fm, texts), all) << texts.join('|').toStdString();
        }
    }
}
