#include "catalogue/category_browser.h"
#include "catalogue/collections.h"
#include "toolkit/dbfunction.h"
#include "fixtures.h"
#include "reader/content_opener.h"
#include "shell/form1.h"
#include "toolkit/scripted_platform.h"
#include "topics/topic_pane.h"

#include <QDir>
#include <QPushButton>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using fixtures::Topic;

namespace {

Topic group(const QString& category, const QString& name, int code) {
    Topic t;
    t.category = category;
    t.group = name;
    t.code = code;
    return t;
}

struct Window : fixtures::AppWith {
    catalogue::CategoryBrowser& browser = *form.browser;
    explicit Window(const std::vector<Topic>& topics) : AppWith(topics) {
        QDir().mkpath(folder.path() + "/img_detail");
        for (const char* f : {"icon-down.gif", "icon-up.gif"})
            QFile::copy(fixtures::sampleFolder() + "/img_detail/" + f,
                        folder.path() + "/img_detail/" + f);
    }
    QStringList groups() const {
        QStringList out;
        for (const auto& r : form.browser->model().rows())
            out << r.group + "|" + r.code;
        return out;
    }
    float top(int j) const {
        return std::array{&form.Command1, &form.Command2, &form.Command3,
                          &form.Command4}[size_t(j - 1)]
            ->Top();
    }
};

const std::vector<Topic> kCorpus = {
    group("พระวินัยปิฎก ", "มหาวิภังค์", 1),
    group("พระวินัยปิฎก", "ไม่ควรพบ", 2),
    group("พระสุตตันตปิฎก", "ทีฆนิกาย", 12),
    group("พระสุตตันตปิฎก", "มัชฌิมนิกาย", 17),
    group("พระสุตตันตปิฎก", "ทีฆนิกาย", 12),
    group("พระสุตตันตปิฎก", "ทีฆนิกาย ภาคผนวก", 12),
    group("พระอธิธรรมปิฎก", "ธัมมสังคณี", 75),
    group("พระอภิธรรมปิฎก", "ไม่ควรพบ", 76),
    group("รวมหัวข้อธรรมสำคัญ 91เล่ม", "อริยสัจ ๔", 101),
};

} // namespace

TEST(Collections, GroupSqlComparesWithTheTablesOwnSpellings) {
    EXPECT_EQ(
        catalogue::groupSql(2),
        QStringLiteral("SELECT velkaro.velkaro_group, velkaro.velkaro_code  From Velkaro Where "
                       "Velkaro.velkaro_category = 'พระสุตตันตปิฎก' GROUP BY velkaro.velkaro_group, "
                       "velkaro.velkaro_code ORDER BY velkaro.velkaro_code"));
    EXPECT_TRUE(catalogue::groupSql(1).contains(QStringLiteral("= 'พระวินัยปิฎก '")));
    EXPECT_TRUE(catalogue::groupSql(3).contains(QStringLiteral("= 'พระอธิธรรมปิฎก'")));
    EXPECT_TRUE(catalogue::groupSql(4).contains(QStringLiteral("= 'รวมหัวข้อธรรมสำคัญ 91เล่ม'")));
}

TEST(Collections, EachButtonListsItsGroupsInCodeOrderTwoGroupsOfOneCodeAsTwoRows) {
    Window w(kCorpus);
    w.browser.CommandN_Click(1);
    EXPECT_EQ(w.groups(), QStringList{"มหาวิภังค์|1"});
    w.browser.CommandN_Click(2);
    EXPECT_EQ(w.groups().size(), 3);
    EXPECT_EQ(w.groups()[2], QStringLiteral("มัชฌิมนิกาย|17"));
    EXPECT_TRUE(w.groups()[0].endsWith("|12") && w.groups()[1].endsWith("|12"));
    w.browser.CommandN_Click(3);
    EXPECT_EQ(w.groups(), QStringList{"ธัมมสังคณี|75"});
    w.browser.CommandN_Click(4);
    EXPECT_EQ(w.groups(), QStringList{"อริยสัจ ๔|101"});
    EXPECT_TRUE(w.form.state.CollectionOpened);
    EXPECT_EQ(w.form.listView1->model()
                  ->data(w.form.listView1->model()->index(0, 0), Qt::ToolTipRole)
                  .toString(),
              QStringLiteral("อริยสัจ ๔"));
    EXPECT_TRUE(w.form.listView1->isColumnHidden(1));
}

TEST(Collections, AccordionPositionsFromTheDesignPlaces) {
    struct Want {
        int k;
        float c1left, t1, t2, t3, t4, list;
    };
    for (const Want& x :
         {Want{1, 120, 240, 2550, 3405, 4260, 1095}, Want{2, 70, 200, 1055, 3365, 4220, 1910},
          Want{3, 70, 200, 1055, 1910, 4220, 2765}, Want{4, 70, 200, 1055, 1910, 2765, 3620}}) {
        SCOPED_TRACE(x.k);
        Window w(kCorpus);
        w.browser.CommandN_Click(x.k);
        EXPECT_EQ(w.form.Command1.Left(), x.c1left);
        EXPECT_EQ(w.top(1), x.t1);
        EXPECT_EQ(w.top(2), x.t2);
        EXPECT_EQ(w.top(3), x.t3);
        EXPECT_EQ(w.top(4), x.t4);
        EXPECT_EQ(w.form.ListView1.Left(), 50);
        EXPECT_EQ(w.form.ListView1.Top(), x.list);
        EXPECT_EQ(w.form.Command2.Left(), 70);
        EXPECT_EQ(w.form.Command4.Left(), 70);
        EXPECT_EQ(w.form.Picture1.Left(), w.form.Command1.Left() + 100);
        EXPECT_EQ(w.form.Picture4.Top(), x.t4 + 100);
        EXPECT_EQ(w.form.state.saved.SavedTop[0], x.t1);
        EXPECT_EQ(w.form.state.saved.SavedTop[3], x.t4);
        EXPECT_EQ(w.form.state.saved.SavedListTop, x.list);
        EXPECT_EQ(w.form.state.saved.SavedListHeight, 1455);
    }
}

TEST(Collections, ArrowsShowTheOpenCollectionAndAMissingFileLeavesTheArrow) {
    Window w(kCorpus);
    const QImage down =
        QImage(w.folder.path() + "/img_detail/icon-down.gif").convertToFormat(QImage::Format_RGB32);
    const QImage up =
        QImage(w.folder.path() + "/img_detail/icon-up.gif").convertToFormat(QImage::Format_RGB32);
    auto shows = [](QLabel* l) {
        return l->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    };
    w.browser.CommandN_Click(3);
    EXPECT_EQ(shows(w.form.picture3), down);
    EXPECT_EQ(shows(w.form.picture1), up);
    EXPECT_EQ(shows(w.form.picture4), up);
    QFile::remove(w.folder.path() + "/img_detail/icon-up.gif");
    w.browser.CommandN_Click(1);
    EXPECT_EQ(shows(w.form.picture1), down);
    EXPECT_EQ(shows(w.form.picture3), down);         // left as it was
    EXPECT_EQ(w.groups(), QStringList{"มหาวิภังค์|1"}); // and the handler went on
}

TEST(Collections, ACollectionWithoutRecordsShowsNoGroupsOfAnotherCollection) {
    Window w({group("พระสุตตันตปิฎก", "ทีฆนิกาย", 12)});
    w.browser.CommandN_Click(2);
    ASSERT_EQ(w.groups().size(), 1);
    w.browser.CommandN_Click(4);
    EXPECT_EQ(w.groups(), QStringList{});
    EXPECT_EQ(w.top(4), 2765); // the layout already shows the new collection open
    EXPECT_TRUE(w.platform.boxes.empty());
}

TEST(GroupList, ClickShowsTheOpenButtonBesideTheRowForTwoSeconds) {
    Window w(kCorpus);
    w.browser.CommandN_Click(2);
    w.form.listView1->setCurrentIndex(w.browser.model().index(2, 0));
    w.browser.ListView1_Click();
    EXPECT_EQ(w.browser.SelectedGroupCode, QStringLiteral("17"));
    EXPECT_TRUE(w.form.Command6.Visible());
    EXPECT_TRUE(w.form.Timer2.Enabled());
    EXPECT_EQ(w.form.Timer2.Interval(), 2000);
    EXPECT_EQ(w.form.Command6.Left(), w.form.ListView1.Width() - 1000);
    EXPECT_EQ(w.form.Command6.Top(), w.form.ListView1.Top() + w.form.listView1->rowTop(2) + 800);
    w.form.Timer2.fire();
    EXPECT_FALSE(w.form.Command6.Visible());
    EXPECT_FALSE(w.form.Timer2.Enabled());
    // The code stays when another collection opens.
    w.browser.CommandN_Click(4);
    EXPECT_EQ(w.browser.SelectedGroupCode, QStringLiteral("17"));
}

TEST(GroupList, DoubleClickRunsTheClickThenAsksWithTheTimerOff) {
    Window w(kCorpus);
    w.form.show();
    w.browser.CommandN_Click(2);
    QApplication::processEvents();
    bool asked = false;
    w.platform.onBox = [&](const tk::ShownBox& b) {
        if (b.title != QStringLiteral("คำยืนยัน"))
            return;
        asked = true;
        EXPECT_EQ(w.browser.SelectedGroupCode, QStringLiteral("17")); // the click came first
        EXPECT_FALSE(w.form.Command6.Visible());
        EXPECT_FALSE(w.form.Timer2.Enabled()); // not hidden by the timer while asking
        EXPECT_EQ(b.text, QStringLiteral("คุณต้องการเปิดรายละเอียดหัวข้อธรรม ใช่หรือไม่"));
        EXPECT_EQ(b.style, tk::YesNo | tk::IconQuestion);
    };
    const QRect r = w.form.listView1->visualRect(w.browser.model().index(2, 0));
    QTest::mouseClick(w.form.listView1->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(w.form.listView1->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_TRUE(asked);
    EXPECT_EQ(w.form.topicPane->model().rowCount(), 1); // Yes lists the group's topics
    EXPECT_TRUE(w.form.Frame4.Visible());
    EXPECT_FALSE(w.form.Command6.Visible());
}

TEST(GroupList, NoLeavesTheTopicPaneAndAnEmptySelectionAsksFirst) {
    Window w(kCorpus);
    w.browser.ListView1_DblClick(); // before any collection
    ASSERT_EQ(w.platform.boxes.size(), 1u);
    EXPECT_EQ(w.platform.boxes[0].text, QStringLiteral("กรุณาเลือกข้อมูลก่อน"));
    EXPECT_EQ(w.platform.boxes[0].style, tk::OkOnly | tk::IconStop);
    EXPECT_EQ(w.platform.boxes[0].title, QStringLiteral("แจ้งให้ทราบ"));
    w.browser.CommandN_Click(2);
    w.browser.ListView1_Click();
    w.platform.answers = {tk::AnswerNo};
    w.browser.Command6_Click();
    EXPECT_FALSE(w.form.Frame4.Visible());
    EXPECT_EQ(w.form.topicPane->model().rowCount(), 0);
    EXPECT_FALSE(w.form.Command6.Visible());
}

TEST(TopicPane, BackHidesThePaneAndOpenRunsTheTopicDoubleClick) {
    Topic t = group("พระสุตตันตปิฎก", "ทีฆนิกาย", 12);
    t.readFromFile = "1";
    t.no = 31;
    Window w({t});
    w.form.topicPane->ListGroupTopics("12");
    EXPECT_TRUE(w.form.Frame4.Visible());
    EXPECT_FALSE(w.form.label1->text().isEmpty());
    w.browser.Command8_Click();
    EXPECT_EQ(w.platform.modalCount, 1);
    EXPECT_TRUE(w.form.state.handOff.ReaderTarget.endsWith(
        QStringLiteral("\\img_detail\\flomar_web1.htm")));
    w.browser.Command7_Click();
    EXPECT_FALSE(w.form.Frame4.Visible());
    EXPECT_EQ(w.form.label1->text(), QString());
}

TEST(GroupList, AClickAfterADoubleClickThatOpenedAModalWindowCounts) {
    Window w(kCorpus);
    w.form.show();
    w.browser.CommandN_Click(2);
    QApplication::processEvents();
    w.platform.answers = {tk::AnswerNo};
    auto* view = w.form.listView1->viewport();
    const QRect second = w.form.listView1->visualRect(w.browser.model().index(2, 0));
    QTest::mouseClick(view, Qt::LeftButton, {}, second.center());
    // The double-click opens the confirmation; the release that ends it goes to that box,
    // so the list never sees it.
    QTest::mouseDClick(view, Qt::LeftButton, {}, second.center());
    ASSERT_EQ(w.platform.boxes.size(), 1u);
    const QRect first = w.form.listView1->visualRect(w.browser.model().index(0, 0));
    QTest::mouseClick(view, Qt::LeftButton, {}, first.center());
    EXPECT_EQ(w.browser.SelectedGroupCode, QStringLiteral("12"));
    EXPECT_TRUE(w.form.Command6.Visible());
    EXPECT_TRUE(w.form.Timer2.Enabled());
}

TEST(Collections, OpeningAnEmptyCollectionThenTheGroupButtonListsNothingOfTheOther) {
    Window w({group("พระสุตตันตปิฎก", "ทีฆนิกาย", 12)});
    w.form.show();
    w.browser.CommandN_Click(2);
    QApplication::processEvents();
    const QRect r = w.form.listView1->visualRect(w.browser.model().index(0, 0));
    QTest::mouseClick(w.form.listView1->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseClick(w.form.command1, Qt::LeftButton);
    EXPECT_EQ(w.browser.model().rowCount(), 0);
    QTest::mouseClick(w.form.listView1->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_FALSE(w.form.Command6.Visible()); // no row, no open button
}
