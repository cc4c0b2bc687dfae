#include "toolkit/dbfunction.h"
#include "fixtures.h"
#include "reader/content_opener.h"
#include "reader/frm_browser.h"
#include "reader/locations.h"
#include "reader/page_parts.h"
#include "pagefile/decode.h"
#include "thai/codec.h"
#include "shell/form1.h"
#include "toolkit/control.h"
#include "toolkit/scripted_platform.h"
#include "toolkit/twips.h"
#include "topics/topic_pane.h"

#include "toolkit/fonts.h"
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

using fixtures::Topic;

namespace {

Topic at(const QString& book, const QString& page, const QString& line,
         const QString& readFromFile = {}, int no = 1) {
    Topic t;
    t.code = 7;
    t.no = no;
    t.book = book;
    t.page = page;
    t.line = line;
    if (!readFromFile.isEmpty())
        t.readFromFile = readFromFile;
    return t;
}

struct Opened {
    QString title;
    QString target;
    QString file;
    QString anchor;
    bool explanation = false;
    QString text;
    QSize size;
};

struct Window : fixtures::AppWith {
    reader::ContentOpener& opener = *form.opener;
    std::vector<Opened> opened;
    explicit Window(const std::vector<Topic>& topics) : AppWith(topics) {
        platform.onModal = [this](QDialog& d) {
            auto* b = dynamic_cast<reader::frmBrowser*>(&d);
            ASSERT_NE(b, nullptr);
            opened.push_back({d.windowTitle(), form.state.handOff.ReaderTarget,
                              b->brwWebBrowser->shownFile(), b->brwWebBrowser->shownAnchor(),
                              b->brwWebBrowser->showsExplanation(), b->brwWebBrowser->toPlainText(),
                              d.frameGeometry().size()});
        };
    }
    void open(int row) {
        form.topicPane->ListGroupTopics("7");
        form.listView2->setCurrentIndex(form.topicPane->model().index(row, 0));
        opener.ListView2_DblClick();
    }
    void writePage(const QString& rel, const QByteArray& bytes) {
        const QString p = folder.path() + "/" + rel;
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

} // namespace

TEST(Locations, PageRangeTableFromPageZeroTo1550) {
    const std::vector<std::pair<double, const char*>> cases = {
        {0, "001_050.htm"},      {1, "001_050.htm"},      {50, "001_050.htm"},
        {51, "051_100.htm"},     {100, "051_100.htm"},    {101, "101_150.htm"},
        {123, "101_150.htm"},    {951, "951_1000.htm"},   {1000, "951_1000.htm"},
        {1001, "1001_1050.htm"}, {1501, "1501_1550.htm"}, {1550, "1501_1550.htm"},
    };
    using pagefile::CanonLayout;
    const auto pageRangeFile = [](double page) -> std::optional<QString> {
        if (const auto k = CanonLayout::rangeIndex(page))
            return CanonLayout::rangeFile(*k);
        return std::nullopt;
    };
    for (const auto& [page, file] : cases)
        EXPECT_EQ(pageRangeFile(page), QString(file)) << page;
    EXPECT_FALSE(pageRangeFile(1551));
    EXPECT_FALSE(pageRangeFile(-1));
    EXPECT_FALSE(pageRangeFile(50.5));
    EXPECT_EQ(pagefile::CanonLayout::volumeFolder(9, "9"), QStringLiteral("book09"));
    EXPECT_EQ(pagefile::CanonLayout::volumeFolder(10, "10"), QStringLiteral("book10"));
    EXPECT_EQ(pagefile::CanonLayout::volumeFolder(91, "91"), QStringLiteral("book91"));
    EXPECT_FALSE(pagefile::CanonLayout::volumeFolder(92, "92"));
    EXPECT_FALSE(pagefile::CanonLayout::volumeFolder(0, "0"));
}

TEST(Locations, VariantsCompareAsNumbersWithEmptyAsZero) {
    EXPECT_EQ(reader::numeric(reader::Variant{}), 0.0);
    EXPECT_EQ(reader::numeric(reader::Variant{QStringLiteral("087")}), 87.0);
    EXPECT_EQ(reader::numeric(reader::Variant{86.0}), 86.0);
    EXPECT_FALSE(reader::numeric(reader::Variant{QStringLiteral("สิบ")}));
    EXPECT_EQ(reader::text(reader::Variant{}), QString());
    EXPECT_EQ(reader::text(reader::Variant{87.0}), QStringLiteral("87"));
}

TEST(ReaderWindow, TitleFormsAndLeftEdge) {
    reader::HandOff h;
    h.ReaderVolume = QStringLiteral("86");
    h.ReaderPage = QStringLiteral("12");
    h.ReaderLine = 3;
    EXPECT_EQ(reader::readerTitle(h),
              QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 86 หน้า 12 บรรทัด 3"));
    h.ReaderVolume = 87.0;
    EXPECT_EQ(reader::readerTitle(h), QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 87"));
    EXPECT_EQ(reader::readerTitle(reader::HandOff{}),
              QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม  หน้า  บรรทัด 0"));
    EXPECT_EQ(reader::readerLeft(15360, 6660), 2900);
    EXPECT_EQ(reader::readerLeft(6000, 10000), -1333);
}

TEST(Codec, EveryByteOfTheThaiTable) {
    for (int b = 0; b < 0x80; ++b)
        EXPECT_EQ(thai::windows874(uchar(b)), char16_t(b));
    const std::map<int, char16_t> special = {{0x80, 0x20AC}, {0x85, 0x2026}, {0x91, 0x2018},
                                             {0x92, 0x2019}, {0x93, 0x201C}, {0x94, 0x201D},
                                             {0x95, 0x2022}, {0x96, 0x2013}, {0x97, 0x2014},
                                             {0xA0, 0x00A0}, {0xDF, 0x0E3F}};
    for (int b = 0x80; b < 0x100; ++b) {
        char16_t want;
        if (special.count(b))
            want = special.at(b);
        else if (b < 0xA0)
            want = char16_t(b);
        else if (b <= 0xDA)
            want = char16_t(0x0E01 + b - 0xA1);
        else if (b >= 0xE0 && b <= 0xFB)
            want = char16_t(0x0E40 + b - 0xE0);
        else
            want = 0xFFFD;
        EXPECT_EQ(thai::windows874(uchar(b)), want) << std::hex << b;
    }
    EXPECT_EQ(thai::decodeWindows874(QByteArray("\xBE\xC3\xD0\xE4\xB5\xC3\xBB\xD4\xAE\xA1")),
              QStringLiteral("พระไตรปิฎก"));
}

TEST(Codec, LabelsAndUnlabelledPages) {
    const QByteArray thai("\xBE\xC3\xD0\xE4\xB5\xC3\xBB\xD4\xAE\xA1");
    for (const char* label : {"windows-874", "TIS-620", "iso-8859-11", "x-cp874", "tis620"}) {
        const QByteArray page =
            QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + label +
            "\"><p>" + thai;
        EXPECT_TRUE(pagefile::decode(page).endsWith(QStringLiteral("พระไตรปิฎก"))) << label;
    }
    EXPECT_TRUE(pagefile::decode("<p>" + thai).endsWith(QStringLiteral("พระไตรปิฎก")));
    const QByteArray utf8 = QStringLiteral("<p>พระไตรปิฎก").toUtf8();
    EXPECT_EQ(pagefile::decode(utf8), QStringLiteral("<p>พระไตรปิฎก"));
    EXPECT_EQ(pagefile::decode("<meta charset=utf-8>" + utf8),
              QStringLiteral("<meta charset=utf-8><p>พระไตรปิฎก"));
    EXPECT_EQ(pagefile::decode("\xEF\xBB\xBF" + utf8), QStringLiteral("<p>พระไตรปิฎก"));
    // A Western label on Thai bytes: the bytes decide.
    EXPECT_TRUE(pagefile::decode("<meta charset=\"iso-8859-1\">" + thai)
                    .endsWith(QStringLiteral("พระไตรปิฎก")));
}

TEST(Opening, ATopicOpensItsPageAtItsAnchorAndTheValuesResetAfterwards) {
    Window w({at("5", "123", "7")});
    w.writePage("91book/book05/101_150.htm",
                "<meta charset=windows-874><a name=\"122\"></a>a<a name=\"123\"></a>\xBE\xC3\xD0");
    w.open(0);
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(w.opened[0].target,
              w.folder.path() + QStringLiteral("\\91book\\book05\\101_150.htm#123"));
    EXPECT_EQ(w.opened[0].title, QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 5 หน้า 123 บรรทัด 7"));
    EXPECT_EQ(w.opened[0].anchor, QStringLiteral("123"));
    EXPECT_FALSE(w.opened[0].explanation);
    EXPECT_TRUE(w.opened[0].text.contains(QStringLiteral("พระ")));
    EXPECT_EQ(reader::numeric(w.form.state.handOff.ReaderVolume), 0.0);
    EXPECT_EQ(reader::numeric(w.form.state.handOff.ReaderPage), 0.0);
    EXPECT_EQ(w.form.state.handOff.ReaderLine, 0);
    EXPECT_EQ(w.opener.BookFolder, QStringLiteral("book05"));
    EXPECT_EQ(w.opener.BookPagePath, QStringLiteral("91book\\book05\\101_150.htm#123"));
    EXPECT_TRUE(w.platform.boxes.empty());
}

TEST(Opening, AMixedCaseDataFolderFromWindowsMediaOpens) {
    Window w({at("47", "1000", "2")});
    w.writePage("91Book/BOOK47/951_1000.HTM", "<a name=\"1000\"></a>page");
    w.open(0);
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_FALSE(w.opened[0].explanation);
    EXPECT_TRUE(w.opened[0].file.endsWith(QStringLiteral("91Book/BOOK47/951_1000.HTM")));
}

TEST(Opening, AMissingFileOrAnchorIsExplainedWithTheLocation) {
    Window w({at("6", "10", "1"), at("6", "12", "1")});
    w.open(0);
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_TRUE(w.opened[0].explanation);
    EXPECT_TRUE(w.opened[0].text.contains(QStringLiteral("ไม่พบไฟล์")));
    EXPECT_TRUE(w.opened[0].text.contains(QStringLiteral("91book/book06/001_050.htm#10")));
    w.writePage("91book/book06/001_050.htm", "<a name=\"11\"></a>x");
    w.open(1);
    ASSERT_EQ(w.opened.size(), 2u);
    EXPECT_TRUE(w.opened[1].text.contains(QStringLiteral("ไม่พบหน้าที่ 12")));
}

TEST(Opening, StandAlonePagesByTheLastTwoCharactersOfTheMarker) {
    Window w({at("0", "0", "0", "1", 31), at("0", "0", "0", "1", 131), at("0", "0", "0", "1", 94),
              at("3", "4", "5")});
    w.open(0); // before any canon topic: empty volume and page
    w.open(1);
    w.open(3);
    w.open(0); // after one: zeros
    w.open(2);
    ASSERT_EQ(w.opened.size(), 5u);
    const QString web1 = w.folder.path() + QStringLiteral("\\img_detail\\flomar_web1.htm");
    EXPECT_EQ(w.opened[0].target, web1);
    EXPECT_EQ(w.opened[0].title, QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม  หน้า  บรรทัด 0"));
    EXPECT_EQ(w.opened[1].target, web1);
    EXPECT_EQ(w.opened[3].title, QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 0 หน้า 0 บรรทัด 0"));
    EXPECT_EQ(w.opened[4].target,
              w.folder.path() + QStringLiteral("\\img_detail\\flomar_web2.htm"));
}

TEST(Opening, NoStalePageForOutOfRangeOrUnreadableLocations) {
    Window w({at("5", "123", "7"), at("5", "1600", "1"), at("95", "10", "1"), at("5", "50.5", "1"),
              at("5", "หนึ่ง", "1"), at("5", "10", "99999"), at("0", "10", "1")});
    w.open(0);
    ASSERT_EQ(w.opened.size(), 1u);
    const QString before = w.opener.BookPagePath;
    for (int row = 1; row <= 5; ++row) {
        w.open(row);
        EXPECT_EQ(w.opened.size(), 1u) << row; // no reader window on an earlier page
        ASSERT_EQ(w.platform.boxes.size(), size_t(row)) << row;
        EXPECT_EQ(w.platform.boxes.back().title, QStringLiteral("แจ้งให้ทราบ"));
        EXPECT_TRUE(
            w.platform.boxes.back().text.startsWith(QStringLiteral("ไม่สามารถเปิดหน้าของหัวข้อนี้ได้")));
        EXPECT_EQ(w.opener.BookPagePath, before);
        EXPECT_EQ(reader::numeric(w.form.state.handOff.ReaderVolume), 0.0);
        EXPECT_EQ(w.form.state.handOff.ReaderLine, 0);
    }
    // Volume 0 opens nothing and says nothing.
    w.open(6);
    EXPECT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(w.platform.boxes.size(), 5u);
    // An unknown marker: the model never writes one, so test the opener alone.
    tk::ScriptedPlatform p(QStringLiteral("/x"));
    int shown = 0;
    tk::WindowState state;
    reader::ContentOpener o(
        p, state,
        {[] { return 1; }, [] { return 0; },
         [](int, int s) { return s == 2 ? QStringLiteral("XHTM") : QString(); }},
        [](int16_t) {}, [&] { ++shown; });
    o.ListView2_DblClick();
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(p.boxes.size(), 1u);
    // An empty list does nothing at all.
    tk::WindowState emptyState;
    reader::ContentOpener empty(
        p, emptyState, {[] { return 0; }, [] { return -1; }, [](int, int) { return QString(); }},
        [](int16_t) {}, [&] { ++shown; });
    emptyState.handOff.ReaderVolume = 5.0;
    empty.ListView2_DblClick();
    EXPECT_EQ(reader::numeric(emptyState.handOff.ReaderVolume), 5.0);
}

TEST(Opening, VolumeButtonsListTopicsUpTo86AndOpenTheFirstPageFrom87) {
    Topic v86 = at("86", "1", "1");
    v86.code = 86;
    Window w({v86});
    w.platform.answers = {tk::AnswerNo};
    w.opener.cmdBook_Click(85);
    EXPECT_EQ(w.form.topicPane->model().rowCount(), 0);
    ASSERT_EQ(w.platform.boxes.size(), 1u);
    EXPECT_EQ(w.platform.boxes[0].text, QStringLiteral("คุณต้องการเปิดอ่านพระไตรปิฎกเล่มที่ 86 ใช่หรือไม่"));
    EXPECT_EQ(w.platform.boxes[0].style, tk::YesNo | tk::IconInformation);
    EXPECT_EQ(w.platform.boxes[0].title, QStringLiteral("คำยืนยัน"));
    w.opener.cmdBook_Click(85);
    EXPECT_EQ(w.form.topicPane->model().rowCount(), 1);
    EXPECT_TRUE(w.opened.empty());
    w.writePage("91book/book87/001_050.htm", "<a name=\"0\"></a>x");
    w.opener.cmdBook_Click(86);
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(w.opened[0].target,
              w.folder.path() + QStringLiteral("\\91book\\book87\\001_050.htm"));
    EXPECT_EQ(w.opened[0].title, QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 87"));
    EXPECT_EQ(reader::numeric(w.form.state.handOff.ReaderVolume), 87.0); // not reset on this path
}

TEST(Opening, ATopicOfVolume88GetsTheShortTitle) {
    Window w({at("88", "5", "2")});
    w.open(0);
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(w.opened[0].title, QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม 88"));
}

TEST(PageView, ALongFileShowsTheAskedPageAtOnceAndCompletesInOrder) {
    QTemporaryDir dir;
    QByteArray page = "<html><head><meta charset=\"windows-874\"></head><body bgcolor=\"#FFFFF0\">"
                      "<p>\xCB\xD1\xC7</p><font face=\"AngsanaUPC\" size=\"5\">";
    for (int p = 0; p <= 50; ++p) {
        page += "<a name=\"" + QByteArray::number(p) + "\"></a><p>PAGE" + QByteArray::number(p) +
                "</p>";
        for (int k = 0; k < 150; ++k)
            page += "<p>\xBE\xC3\xD0\xE4\xB5\xC3\xBB\xD4\xAE\xA1 \xCB\xB9\xE9\xD2</p>";
        page += "<hr>";
    }
    page += "</font></body></html>";
    QFile f(dir.path() + "/001_050.htm");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(page);
    f.close();
    reader::PageView view(dir.path());
    view.resize(600, 500);
    view.show();
    view.navigate(dir.path() + "\\001_050.htm#40");
    EXPECT_TRUE(view.loading());
    EXPECT_TRUE(view.toPlainText().contains("PAGE40"));
    EXPECT_FALSE(view.toPlainText().contains("PAGE20"));
    view.finishLoading();
    const QString text = view.toPlainText();
    int last = -1;
    for (int p = 0; p <= 50; ++p) {
        const int at = text.indexOf(QStringLiteral("PAGE%1\n").arg(p));
        ASSERT_GT(at, last) << p; // every page, in order
        last = at;
    }
    EXPECT_TRUE(text.startsWith(QStringLiteral("หัว"))); // the head stays first
    // The view still shows the asked-for page at its top.
    const QString top = view.cursorForPosition(QPoint(5, 5)).block().text();
    EXPECT_TRUE(top.contains("PAGE40") || top.isEmpty()) << top.toStdString();
    const int y40 = int(view.document()
                            ->documentLayout()
                            ->blockBoundingRect(view.document()->find("PAGE40").block())
                            .top());
    EXPECT_NEAR(view.verticalScrollBar()->value(), y40, 40);
    // The font named in the page reaches every page.
    const QTextCursor c = view.document()->find("PAGE3");
    EXPECT_TRUE(QFontInfo(c.charFormat().font()).family().contains("Kinnari"));
}

TEST(PageView, OpeningAnotherPageWhileOneIsLoadingShowsOnlyTheNewOne) {
    QTemporaryDir dir;
    QByteArray page = "<body>";
    for (int p = 0; p <= 50; ++p) {
        page += "<a name=\"" + QByteArray::number(p) + "\"></a><p>LONG" + QByteArray::number(p) +
                "</p>";
        page += QByteArray("<p>\xBE\xC3\xD0\xE4\xB5\xC3\xBB\xD4\xAE\xA1</p>").repeated(150);
    }
    QFile f(dir.path() + "/long.htm");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(page);
    f.close();
    QFile s(dir.path() + "/short.htm");
    ASSERT_TRUE(s.open(QIODevice::WriteOnly));
    s.write("<p>SHORT</p>");
    s.close();
    reader::PageView view(dir.path());
    view.navigate(dir.path() + "/long.htm#25");
    ASSERT_TRUE(view.loading());
    view.navigate(dir.path() + "/short.htm");
    EXPECT_FALSE(view.loading());
    QApplication::processEvents();
    EXPECT_EQ(view.toPlainText().trimmed(), QStringLiteral("SHORT"));
    // An anchor the long file lacks: the file from its start, with the notice above it.
    view.navigate(dir.path() + "/long.htm#77");
    EXPECT_TRUE(view.toPlainText().startsWith(QStringLiteral("ไม่พบหน้าที่ 77")));
    view.finishLoading();
    EXPECT_TRUE(view.toPlainText().contains("LONG50"));
}

TEST(PageView, WindowsThaiFontsAreNamedByTheirStandIns) {
    EXPECT_EQ(reader::mapFontFaces("<font face=\"Angsana New\" size=5>"),
              QStringLiteral("<font face=\"Kinnari, Angsana New\" size=5>"));
    EXPECT_EQ(reader::mapFontFaces("<FONT FACE='Browallia New, Tahoma'>"),
              QStringLiteral("<FONT face=\"Garuda, Browallia New, Tahoma\">"));
    EXPECT_EQ(reader::mapFontFaces("<p>no font</p>"), QStringLiteral("<p>no font</p>"));
}

TEST(PageView, LocalLinksOpenInTheViewTheWebAndOtherFoldersDoNot) {
    QTemporaryDir dir, outside;
    auto write = [](const QString& path, const QByteArray& html) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(html);
    };
    write(dir.path() + "/a.htm",
          "<p><a href=\"b.htm#2\">next</a> <a href=\"https://example.org/\">web</a></p>");
    write(dir.path() + "/b.htm", "<a name=\"1\"></a><p>one</p><a name=\"2\"></a><p>two</p>");
    write(outside.path() + "/c.htm", "<p>secret</p>");
    reader::PageView view(dir.path());
    view.navigate(dir.path() + "\\a.htm");
    EXPECT_TRUE(view.shownFile().endsWith("a.htm"));
    emit view.anchorClicked(QUrl("https://example.org/"));
    EXPECT_TRUE(view.shownFile().endsWith("a.htm"));
    emit view.anchorClicked(QUrl("b.htm#2"));
    EXPECT_TRUE(view.shownFile().endsWith("b.htm"));
    EXPECT_EQ(view.shownAnchor(), QStringLiteral("2"));
    view.navigate(outside.path() + "/c.htm");
    EXPECT_TRUE(view.showsExplanation());
    EXPECT_FALSE(view.toPlainText().contains("secret"));
}

TEST(ThaiText, LinesBreakBetweenWords) {
    // Qt breaks Thai lines with libthai's dictionary; without it a line would break
    // anywhere inside a word.
    const QString text = QStringLiteral("ความไม่ประมาทเป็นทางแห่งความไม่ตายความประมาทเป็นทางแห่งความตาย");
    const QStringList words = {"ความ", "ไม่",   "ประมาท", "เป็น", "ทาง", "แห่ง", "ความ", "ไม่",
                               "ตาย",  "ความ", "ประมาท", "เป็น", "ทาง", "แห่ง", "ความ", "ตาย"};
    std::set<int> boundaries;
    int at = 0;
    for (const QString& w : words)
        boundaries.insert(at += int(w.size()));
    QTextLayout layout(text, tk::thaiFont("Angsana New", 16));
    layout.beginLayout();
    int lines = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(60);
        ++lines;
        const int end = line.textStart() + line.textLength();
        EXPECT_TRUE(boundaries.count(end)) << "line ends at " << end;
    }
    layout.endLayout();
    EXPECT_GT(lines, 3);
}

TEST(ReaderWindow, SnapsTo10000TwipsWideAndScreenHeightLess500) {
    tk::setTwipsPerPixelOverride(15);
    Window w({at("5", "123", "7")});
    w.platform.screenHeight = 11520;
    w.open(0);
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(w.opened[0].size, QSize(tk::twipsToPixels(10000), tk::twipsToPixels(11520 - 500)));
    tk::setTwipsPerPixelOverride(0);
}

TEST(Opening, AFolderNamedWithSemicolonHashAndBackslashOrALinkedVolumeFolderWorks) {
    // Names users do give folders, and data kept on another disk behind a link.
    QTemporaryDir base;
    const QString folder = base.path() + QStringLiteral("/พระไตรปิฎก\\ชุด #2; สำรอง");
    const QString elsewhere = base.path() + QStringLiteral("/other-disk");
    QDir().mkpath(folder + "/img_book");
    QDir().mkpath(elsewhere + "/91book/book05");
    ASSERT_TRUE(QFile::link(elsewhere + "/91book", folder + "/91book"));
    fixtures::writeDatabase(folder, {at("5", "123", "7")});
    QFile page(elsewhere + "/91book/book05/101_150.htm");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<a name=\"123\"></a>page 123");
    page.close();
    QFile::copy(fixtures::sampleFolder() + "/img_book/velkaro_book1.jpg",
                folder + "/img_book/velkaro_book1.jpg");

    fixtures::App app(folder);
    std::vector<QString> shown;
    bool explained = true;
    app.platform.onModal = [&](QDialog& d) {
        auto* b = dynamic_cast<reader::frmBrowser*>(&d);
        ASSERT_NE(b, nullptr);
        shown.push_back(b->brwWebBrowser->toPlainText());
        explained = b->brwWebBrowser->showsExplanation();
    };
    app.form.resize(1000, 700);
    app.form.show();
    QApplication::processEvents();
    EXPECT_GT(app.form.pictures().decodeCount(), 0); // the cover came from this folder
    ASSERT_NO_THROW(app.form.topicPane->ListGroupTopics("7"));
    EXPECT_FALSE(app.platform.ended);
    ASSERT_EQ(app.form.topicPane->model().rowCount(), 1);
    QApplication::processEvents();
    const QRect r = app.form.listView2->visualRect(app.form.topicPane->model().index(0, 0));
    QTest::mouseDClick(app.form.listView2->viewport(), Qt::LeftButton, {}, r.center());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(explained);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("page 123")));
}

namespace {
// The deepest nesting of an element in html, counting its opening and closing tags.
int deepest(const QString& html, const QString& name) {
    const QRegularExpression tag(QStringLiteral("<(/?)%1[\\s>]").arg(name),
                                 QRegularExpression::CaseInsensitiveOption);
    int depth = 0, most = 0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        depth += it.next().captured(1).isEmpty() ? 1 : -1;
        most = std::max(most, depth);
    }
    return most;
}
QString withoutTags(QString html) {
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return html.remove(tag);
}
} // namespace

TEST(PageParts, DeepNestingIsFlattenedAndItsTextKept) {
    QString tables, divs;
    for (int i = 0; i < 3000; ++i)
        tables += QStringLiteral("<table><tr><td>T%1 ").arg(i);
    for (int i = 0; i < 3000; ++i)
        tables += QStringLiteral("</td></tr></table>");
    for (int i = 0; i < 20000; ++i)
        divs += QStringLiteral("<div>");
    divs += QStringLiteral("ลึก") + QString(QStringLiteral("</div>")).repeated(20000);
    const reader::PageParts t = reader::shapePage("<body>" + tables);
    EXPECT_TRUE(t.reshaped);
    QString all;
    for (const QString& p : t.parts) {
        EXPECT_LE(deepest(p, "table"), reader::PartLimits{}.tableDepth);
        all += p;
    }
    for (int i : {0, 3, 4, 2999})
        EXPECT_TRUE(withoutTags(all).contains(QStringLiteral("T%1 ").arg(i))) << i;
    const reader::PageParts d = reader::shapePage(divs);
    for (const QString& p : d.parts)
        EXPECT_LE(deepest(p, "div"), reader::PartLimits{}.blockDepth);
    EXPECT_TRUE(withoutTags(d.parts.back()).contains(QStringLiteral("ลึก")) ||
                withoutTags(d.parts.front()).contains(QStringLiteral("ลึก")));
}

TEST(PageParts, AnOverLongParagraphOrTableIsCutIntoWholeParts) {
    // Five megabytes of Thai without a tag: cut between words, never before a mark.
    QString para;
    while (para.size() < 5'000'000)
        para += QStringLiteral("พระพุทธเจ้าทรงแสดงธรรม ");
    const reader::PageParts p = reader::shapePage(para);
    ASSERT_GT(p.parts.size(), 100u);
    QString joined;
    for (const QString& part : p.parts) {
        EXPECT_LE(part.size(), reader::PartLimits{}.hardChars);
        EXPECT_NE(part.front().unicode(), 0x0E34); // no part starts with a mark
        joined += part;
    }
    EXPECT_EQ(joined, para);
    // Twenty thousand rows: tables of their own, each closed and opened again.
    QString table = QStringLiteral("<body><font face=\"Kinnari\"><table border=1>");
    for (int r = 0; r < 20000; ++r)
        table += QStringLiteral("<tr><td>แถว %1</td><td>x</td></tr>").arg(r);
    table += QStringLiteral("</table></font>");
    const reader::PageParts t = reader::shapePage(table);
    ASSERT_GT(t.parts.size(), 10u);
    int rows = 0;
    for (const QString& part : t.parts) {
        EXPECT_LE(part.size(), reader::PartLimits{}.hardChars + 200);
        EXPECT_EQ(part.count(QStringLiteral("<table")), part.count(QStringLiteral("</table>")));
        EXPECT_TRUE(part.startsWith(QStringLiteral("<font face=\"Kinnari\"><table border=1>")));
        rows += int(part.count(QStringLiteral("<tr>")));
    }
    EXPECT_EQ(rows, 20000);
}

TEST(PageParts, OrdinaryPagesKeepTheirShapeAndAPartPerPage) {
    // Paragraphs and cells left open, as old editors wrote them, are no nesting.
    QString page = QStringLiteral("<html><head><style>p{color:#123456}</style></head><body>");
    for (int i = 0; i < 3; ++i) {
        page += QStringLiteral("<a name=\"%1\"></a>").arg(i);
        for (int k = 0; k < 2000; ++k)
            page += QStringLiteral("<p>ย่อหน้า<li>ข้อ<table><tr><td>ช่อง<td>ช่อง</table>");
    }
    const reader::PageParts p = reader::shapePage(page);
    EXPECT_EQ(p.head, QStringLiteral("<html><head><style>p{color:#123456}</style></head><body>"));
    EXPECT_TRUE(p.styleSheet.contains(QStringLiteral("#123456")));
    ASSERT_EQ(p.anchors.size(), 3u);
    EXPECT_EQ(p.partOf("0"), 0);
    EXPECT_EQ(p.partOf("9"), -1);
    for (const auto& a : p.anchors)
        EXPECT_TRUE(p.parts[a.part].contains(QStringLiteral("name=\"%1\"").arg(a.name)));
    const reader::PageParts small = reader::shapePage(
        QStringLiteral("<body><p>หนึ่ง<p>สอง<table><tr><td>ก<td>ข<tr><td>ค</table><ul><li>ก<li>ข</ul>")
            .repeated(30));
    EXPECT_FALSE(small.reshaped);
}

TEST(Opening, APathologicalPageNeitherCrashesNorHoldsTheWindowAndEscClosesIt) {
    Window w({at("5", "123", "7")});
    QByteArray tables = "<a name=\"123\"></a>";
    for (int i = 0; i < 3000; ++i)
        tables += "<table><tr><td>\xA1";
    w.writePage("91book/book05/101_150.htm", tables);
    bool closedByEsc = false;
    w.platform.onModal = [&](QDialog& d) {
        auto* b = dynamic_cast<reader::frmBrowser*>(&d);
        ASSERT_NE(b, nullptr);
        EXPECT_FALSE(b->brwWebBrowser->showsExplanation());
        QApplication::processEvents(); // a few steps of laying out
        b->brwWebBrowser->viewport()->repaint();
        QTest::keyClick(&d, Qt::Key_Escape);
        closedByEsc = !d.isVisible();
    };
    w.open(0);
    EXPECT_TRUE(closedByEsc);
}
