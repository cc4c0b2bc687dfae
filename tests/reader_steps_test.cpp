// The reader over the sample folder, whose volume 2 lacks most of its page-range files:
// page steps, go to, copying with the reference, and where the find box lets a place be seen.
#include "fixtures.h"
#include "reader/find_bar.h"
#include "reader/frm_browser.h"
#include "reader/go_to.h"
#include "reader/locations.h"
#include "reader/navigator.h"
#include "reader/page_view.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <array>
#include <map>
#include <set>
#include <ostream>

// Failures show the Thai text itself.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

using reader::PageRange;

// The sample folder's volume 2 has these files only: 001_050, 151_200 and 1051_1100.
const std::vector<PageRange> kVolume2 = {{0, 50}, {151, 200}, {1051, 1100}};

// The real reader window over the sample folder, opened at a page of a volume.
struct SampleReader {
    tk::ScriptedPlatform platform{fixtures::sampleFolder()};
    reader::ReaderSession session;
    reader::HandOff handOff;
    std::function<void(reader::frmBrowser&)> inside;
    std::function<void(QDialog&)> inBox; // a box the reader opens
    SampleReader() {
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
    void open(int volume, int page) {
        handOff.ReaderTarget = platform.AppPath() + QLatin1Char('\\') + *pagefile::CanonLayout::pagePath(volume, page);
        handOff.ReaderVolume = double(volume);
        handOff.ReaderPage = double(page);
        handOff.ReaderLine = 1;
        reader::showReader(platform, handOff, session, nullptr);
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

QString titleAt(int volume, int page) {
    return QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม %1 หน้า %2").arg(volume).arg(page);
}

} // namespace

TEST(PageFiles, TheVolumesPagesAreThoseOfTheFilesItsFolderHolds) {
    const QString sample = fixtures::sampleFolder();
    EXPECT_EQ(reader::rangesOnDisk(sample, 2), kVolume2);
    EXPECT_TRUE(reader::rangesOnDisk(sample, 92).empty());
    EXPECT_EQ(reader::describeRanges(kVolume2),
              QStringLiteral("0 ถึง 50, 151 ถึง 200 และ 1051 ถึง 1100"));
    EXPECT_EQ(reader::describeRanges({{0, 50}, {51, 100}, {101, 150}}), QStringLiteral("0 ถึง 150"));
    EXPECT_EQ(reader::describeRanges({{51, 100}}), QStringLiteral("51 ถึง 100"));
    EXPECT_EQ(reader::neighbourRange(kVolume2, 50, true), (PageRange{151, 200}));
    EXPECT_EQ(reader::neighbourRange(kVolume2, 151, false), (PageRange{0, 50}));
    EXPECT_EQ(reader::neighbourRange(kVolume2, 200, true), (PageRange{1051, 1100}));
    EXPECT_FALSE(reader::neighbourRange(kVolume2, 1100, true));
    EXPECT_FALSE(reader::neighbourRange(kVolume2, 0, false));
    EXPECT_TRUE(reader::holdsPage(kVolume2, 151));
    EXPECT_FALSE(reader::holdsPage(kVolume2, 120));
}

TEST(PageByPage, StepsGoOverMissingFilesAndStopOnlyAtTheVolumesEnds) {
    SampleReader r;
    int checked = 0;
    r.inside = [&](reader::frmBrowser& b) {
        auto page = [&] { return b.brwWebBrowser->currentPage(); };
        auto file = [&] { return b.brwWebBrowser->shownFile().section(QLatin1Char('/'), -1); };
        ASSERT_EQ(page(), QStringLiteral("50"));
        key(b, Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(file(), QStringLiteral("151_200.htm"));
        EXPECT_EQ(page(), QStringLiteral("151"));
        EXPECT_EQ(b.windowTitle(), titleAt(2, 151));
        EXPECT_EQ(b.noteLabel->text(), QStringLiteral("ไม่มีไฟล์ของหน้า 51 ถึง 150 จึงข้ามไปหน้า 151"));
        key(b, Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(file(), QStringLiteral("001_050.htm"));
        EXPECT_EQ(page(), QStringLiteral("50"));
        EXPECT_EQ(b.windowTitle(), titleAt(2, 50));
        key(b, Qt::Key_PageDown, Qt::ControlModifier);
        for (int p = 151; p < 200; ++p)
            key(b, Qt::Key_PageDown, Qt::ControlModifier);
        ASSERT_EQ(page(), QStringLiteral("200"));
        key(b, Qt::Key_PageDown, Qt::ControlModifier); // over 201 to 1050
        EXPECT_EQ(page(), QStringLiteral("1051"));
        EXPECT_EQ(b.noteLabel->text(), QStringLiteral("ไม่มีไฟล์ของหน้า 201 ถึง 1050 จึงข้ามไปหน้า 1051"));
        key(b, Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(page(), QStringLiteral("200"));
        // The true ends: the last page of the last file, the first of the first.
        b.navigator->goTo(2, 1100);
        key(b, Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(page(), QStringLiteral("1100"));
        EXPECT_EQ(b.noteLabel->text(), QStringLiteral("หน้านี้เป็นหน้าสุดท้ายของพระไตรปิฎกเล่ม 2"));
        b.navigator->goTo(2, 0);
        key(b, Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(page(), QStringLiteral("0"));
        EXPECT_EQ(b.noteLabel->text(), QStringLiteral("หน้านี้เป็นหน้าแรกของพระไตรปิฎกเล่ม 2"));
        ++checked;
    };
    r.open(2, 50);
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(r.platform.boxes.empty());
}

TEST(GoTo, TheChecksNameTheVolumesRealPagesAndTheFieldAtFault) {
    const QString sample = fixtures::sampleFolder();
    using F = reader::GoToCheck;
    const auto ok = reader::checkGoTo(QStringLiteral(" ๒ "), QStringLiteral("๑๕๑"), sample);
    EXPECT_EQ(ok.field, F::None);
    EXPECT_EQ(ok.volume, 2);
    EXPECT_EQ(ok.page, 151);
    const QString volume2 = QStringLiteral("0 ถึง 50, 151 ถึง 200 และ 1051 ถึง 1100 ของพระไตรปิฎกเล่ม 2");
    for (const char* page : {"120", "1101", "1551", "99999999999"}) {
        const auto c = reader::checkGoTo(QStringLiteral("2"), QString::fromUtf8(page), sample);
        EXPECT_EQ(c.field, F::Page) << page;
        EXPECT_EQ(c.why, QStringLiteral("หน้าที่ %1 ไม่อยู่ในช่วงหน้า ").arg(page) + volume2);
    }
    // Volume 4 has other files: its own pages.
    EXPECT_EQ(reader::checkGoTo(QStringLiteral("4"), QStringLiteral("60"), sample).why,
              QStringLiteral("หน้าที่ 60 ไม่อยู่ในช่วงหน้า 0 ถึง 50, 251 ถึง 300 และ 1151 ถึง 1200 "
                             "ของพระไตรปิฎกเล่ม 4"));
    EXPECT_EQ(reader::checkGoTo(QStringLiteral("92"), QStringLiteral("1"), sample).field, F::Volume);
    EXPECT_EQ(reader::checkGoTo(QStringLiteral("ห้า"), QStringLiteral("1"), sample).field, F::Volume);
    EXPECT_EQ(reader::checkGoTo(QStringLiteral("5"), QStringLiteral("-3"), sample).field, F::Page);
    EXPECT_EQ(reader::checkGoTo(QStringLiteral("5"), QString(), sample).field, F::Page);
    // A folder without the volume's files: the volume is at fault.
    QTemporaryDir empty;
    const auto none = reader::checkGoTo(QStringLiteral("2"), QStringLiteral("1"), empty.path());
    EXPECT_EQ(none.field, F::Volume);
    EXPECT_EQ(none.why, QStringLiteral("ไม่มีไฟล์หน้าของพระไตรปิฎกเล่มที่ 2 ในโฟลเดอร์ข้อมูล"));
}

TEST(GoTo, ARefusedPlaceKeepsTheBoxOpenWithWhatWasTypedAndTheFieldAtFaultSelected) {
    SampleReader r;
    r.platform.realBoxes = true; // a real notice over the box, as the reader meets it
    // What the reader types into the field that has the focus, and the key that ends it.
    auto type = [](QDialog& d, const QString& text, int end = Qt::Key_Return) {
        if (!d.isActiveWindow()) {
            d.activateWindow();
            (void)QTest::qWaitForWindowActive(&d);
        }
        QWidget* at = QApplication::focusWidget();
        EXPECT_TRUE(at && d.isAncestorOf(at));
        if (!at)
            return;
        fixtures::typeText(at, text);
        QTest::keyClick(at, Qt::Key(end));
    };
    struct Seen {
        bool open;
        QString volume, page, focused, selected;
    };
    std::vector<Seen> seen;
    auto look = [&](reader::GoToDialog& g) {
        // The notice has closed: the box is the active window again.
        if (g.isVisible()) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&g));
        }
        QWidget* f = QApplication::focusWidget();
        seen.push_back({g.isVisible(), g.volume->text(), g.page->text(),
                        f == g.volume ? "volume" : f == g.page ? "page" : "other",
                        f == g.volume ? g.volume->selectedText()
                                      : f == g.page ? g.page->selectedText() : QString()});
    };
    int boxes = 0;
    r.inBox = [&](QDialog& d) {
        auto* g = dynamic_cast<reader::GoToDialog*>(&d);
        ASSERT_NE(g, nullptr);
        ++boxes;
        if (boxes == 1) {
            g->volume->setFocus();
            g->volume->selectAll();
            type(d, QStringLiteral("2"), Qt::Key_Tab);
            g->page->selectAll();
            type(d, QStringLiteral("120")); // in the gap between the volume's files
            look(*g);
            if (!g->isVisible())
                return;
            type(d, QStringLiteral("๒๐๐๐")); // typed over the selected page
            look(*g);
            type(d, QStringLiteral("สิบ"));
            look(*g);
            QTest::keyClick(g->page, Qt::Key_Tab, Qt::ShiftModifier);
            type(d, QStringLiteral("92")); // typed over the volume
            look(*g);
            QTest::keyClick(&d, Qt::Key_Escape);
        } else {
            g->page->setFocus();
            g->page->selectAll();
            type(d, QStringLiteral("1052"));
            look(*g);
        }
    };
    QStringList after;
    r.inside = [&](reader::frmBrowser& b) {
        const QString title = b.windowTitle();
        key(b, Qt::Key_G, Qt::ControlModifier);
        // Nothing moved: the page, its file and the title are as they were.
        EXPECT_EQ(b.brwWebBrowser->currentPage(), QStringLiteral("50"));
        EXPECT_FALSE(b.brwWebBrowser->showsExplanation());
        EXPECT_TRUE(b.brwWebBrowser->shownFile().endsWith(QStringLiteral("/001_050.htm")));
        EXPECT_EQ(b.windowTitle(), title);
        key(b, Qt::Key_G, Qt::ControlModifier);
        after << b.brwWebBrowser->currentPage() << b.windowTitle();
    };
    r.open(2, 50);
    ASSERT_EQ(boxes, 2);
    ASSERT_EQ(seen.size(), 5u);
    const QString range = QStringLiteral(" ไม่อยู่ในช่วงหน้า 0 ถึง 50, 151 ถึง 200 และ 1051 ถึง 1100 ของพระไตรปิฎกเล่ม 2");
    // Each refusal: the box open, what was typed kept, the field at fault selected whole.
    const std::vector<std::array<QString, 4>> want = {
        {"2", "120", "page", "120"},
        {"2", "๒๐๐๐", "page", "๒๐๐๐"},
        {"2", "สิบ", "page", "สิบ"},
        {"92", "สิบ", "volume", "92"},
    };
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_TRUE(seen[i].open) << i;
        EXPECT_EQ(seen[i].volume, want[i][0]) << i;
        EXPECT_EQ(seen[i].page, want[i][1]) << i;
        EXPECT_EQ(seen[i].focused, want[i][2]) << i;
        EXPECT_EQ(seen[i].selected, want[i][3]) << i;
    }
    EXPECT_FALSE(seen[4].open); // a page the folder holds: the box closed
    ASSERT_EQ(r.platform.boxes.size(), 4u);
    const QString head = QStringLiteral("ไม่สามารถเปิดหน้านี้ได้\r\n");
    EXPECT_EQ(r.platform.boxes[0].text, head + QStringLiteral("หน้าที่ 120") + range);
    EXPECT_EQ(r.platform.boxes[1].text, head + QStringLiteral("หน้าที่ 2000") + range);
    EXPECT_EQ(r.platform.boxes[2].text, head + QStringLiteral("กรุณาป้อนเลขเล่มและเลขหน้าเป็นตัวเลข"));
    EXPECT_EQ(r.platform.boxes[3].text, head + QStringLiteral("ไม่มีพระไตรปิฎกเล่มที่ 92 (มีเล่มที่ 1 ถึง 91)"));
    for (const auto& box : r.platform.boxes) {
        EXPECT_EQ(box.title, QStringLiteral("แจ้งให้ทราบ"));
        EXPECT_FALSE(box.text.contains(QLatin1Char('/')) || box.text.contains(QStringLiteral("htm")));
    }
    EXPECT_EQ(after, (QStringList{QStringLiteral("1052"), titleAt(2, 1052)}));
}

namespace {

// A drag with the left button from one point of the view to another.
void drag(QWidget* viewport, QPoint from, QPoint to) {
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 4; ++i) {
        const QPoint at = from + (to - from) * i / 4;
        QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
}

// A point inside the first paragraph of a page's text in the sample, where the view shows it.
QPoint inPage(reader::PageView& v, int volume, int page) {
    QTextCursor c = v.document()->find(QStringLiteral("พระไตรปิฎก เล่มที่ %1 หน้าที่ %2").arg(volume).arg(page));
    EXPECT_FALSE(c.isNull()) << page;
    c.clearSelection();
    c.movePosition(QTextCursor::NextBlock);
    c.movePosition(QTextCursor::NextBlock);
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 8);
    const QPoint at = v.cursorRect(c).center();
    EXPECT_TRUE(v.viewport()->rect().contains(at)) << page;
    return at;
}

} // namespace

TEST(CopyWithReference, ASelectionOverPagesCitesTheFirstAndTheLastAndNoneGetsANote) {
    SampleReader r;
    QStringList copied;
    QString noted;
    bool noteShown = false;
    r.inside = [&](reader::frmBrowser& b) {
        reader::PageView& v = *b.brwWebBrowser;
        auto copy = [&] {
            key(b, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
            copied << QApplication::clipboard()->text();
        };
        ASSERT_EQ(v.currentPage(), QStringLiteral("32"));
        drag(v.viewport(), inPage(v, 4, 32), inPage(v, 4, 33));
        ASSERT_TRUE(v.textCursor().hasSelection());
        copy();
        drag(v.viewport(), inPage(v, 4, 33), inPage(v, 4, 32)); // dragged upwards
        copy();
        QPoint p32 = inPage(v, 4, 32);
        drag(v.viewport(), p32, p32 + QPoint(60, 0)); // within one page
        copy();
        key(b, Qt::Key_A, Qt::ControlModifier);
        copy();
        // Nothing selected: a note says what to do, and the clipboard keeps what it held.
        QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, p32);
        ASSERT_FALSE(v.textCursor().hasSelection());
        QApplication::clipboard()->setText(QStringLiteral("เดิม"));
        copy();
        noteShown = b.noteLabel->isVisible();
        noted = b.noteLabel->text();
    };
    r.open(4, 32);
    ASSERT_EQ(copied.size(), 5);
    EXPECT_TRUE(copied[0].endsWith(QStringLiteral("\n(พระไตรปิฎกเล่ม 4 หน้า 32–33)"))) << copied[0].toStdString();
    EXPECT_TRUE(copied[0].contains(QStringLiteral("หน้าที่ 33")));
    EXPECT_TRUE(copied[1].endsWith(QStringLiteral("\n(พระไตรปิฎกเล่ม 4 หน้า 32–33)"))) << copied[1].toStdString();
    EXPECT_TRUE(copied[2].endsWith(QStringLiteral("\n(พระไตรปิฎกเล่ม 4 หน้า 32)"))) << copied[2].toStdString();
    EXPECT_TRUE(copied[3].endsWith(QStringLiteral("\n(พระไตรปิฎกเล่ม 4 หน้า 0–50)"))) << copied[3].right(60).toStdString();
    EXPECT_EQ(copied[4], QStringLiteral("เดิม"));
    EXPECT_TRUE(noteShown);
    EXPECT_EQ(noted, QStringLiteral("ยังไม่ได้เลือกข้อความ — ลากเมาส์เลือกข้อความก่อน แล้วกด Ctrl+Shift+C"));
}

namespace {

// The colour that fills most of a rectangle of the image: a mark's background, not its
// letters.
QRgb fill(const QImage& image, const QRect& r) {
    std::map<QRgb, int> count;
    const qreal ratio = image.devicePixelRatio();
    const QRect px(QPoint(int(r.left() * ratio), int(r.top() * ratio)),
                   QPoint(int(r.right() * ratio), int(r.bottom() * ratio)));
    for (int y = px.top(); y <= px.bottom(); ++y)
        for (int x = px.left(); x <= px.right(); ++x)
            if (image.rect().contains(x, y))
                ++count[image.pixel(x, y)];
    QRgb best = 0;
    int most = -1;
    for (const auto& [rgb, n] : count)
        if (n > most) {
            best = rgb;
            most = n;
        }
    return best;
}

// Where the view draws a place, in its viewport.
QRect placeRect(const reader::PageView& v, int k) {
    QTextCursor c(v.document());
    c.setPosition(v.hit(k).first);
    const QRect a = v.cursorRect(c);
    c.setPosition(v.hit(k).second);
    return a.united(v.cursorRect(c));
}

} // namespace

TEST(FindInPage, APlaceGoneToIsNeverUnderTheFindBoxAndTheCurrentOneKeepsOneColour) {
    SampleReader r;
    struct Step {
        QString after;
        int hit;
        bool whole, covered;
        QRgb current;
        std::set<QRgb> others;
    };
    std::vector<Step> steps;
    r.inside = [&](reader::frmBrowser& b) {
        reader::PageView& v = *b.brwWebBrowser;
        auto look = [&](const QString& after) {
            QApplication::processEvents();
            const int k = v.currentHit();
            ASSERT_GE(k, 0) << after.toStdString();
            const QRect at = placeRect(v, k);
            const QRect inWindow(v.viewport()->mapTo(&b, at.topLeft()), at.size());
            const QImage shot = v.viewport()->grab().toImage();
            Step s{after, k, v.viewport()->rect().contains(at),
                   inWindow.intersects(b.findBar->geometry()), fill(shot, at.adjusted(1, 1, -1, -1)), {}};
            for (int o = 0; o < v.hitCount(); ++o) {
                const QRect other = placeRect(v, o);
                if (o != k && v.viewport()->rect().contains(other))
                    s.others.insert(fill(shot, other.adjusted(1, 1, -1, -1)));
            }
            steps.push_back(s);
        };
        ASSERT_EQ(v.currentPage(), QStringLiteral("32"));
        key(b, Qt::Key_F, Qt::ControlModifier);
        // Every page's heading holds the word; the first at the view's top is page 32's.
        fixtures::typeText(b.findBar->edit(), QStringLiteral("หน้าที่"));
        QTest::qWait(60);
        look(QStringLiteral("typed"));
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(b.findBar->edit(), Qt::Key_Return);
            look(QStringLiteral("Enter"));
        }
        QTest::keyClick(b.findBar->edit(), Qt::Key_F3);
        look(QStringLiteral("F3"));
        // Back up the file: each heading is brought in at the top of the view.
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(b.findBar->edit(), Qt::Key_F3, Qt::ShiftModifier);
            look(QStringLiteral("Shift+F3"));
        }
        QTest::keyClick(b.findBar->edit(), Qt::Key_Return, Qt::ShiftModifier);
        look(QStringLiteral("Shift+Enter"));
        // Typed again after moving: the first place from the view's top, in the same colour.
        b.findBar->edit()->selectAll();
        fixtures::typeText(b.findBar->edit(), QStringLiteral("หน้าท"));
        QTest::qWait(60);
        look(QStringLiteral("typed again"));
    };
    r.open(4, 32);
    ASSERT_EQ(steps.size(), 15u);
    const QRgb current = steps.front().current;
    for (const Step& s : steps) {
        const std::string at = s.after.toStdString() + " " + std::to_string(s.hit);
        EXPECT_TRUE(s.whole) << at;     // in the view, whole
        EXPECT_FALSE(s.covered) << at;  // and not under the find box
        EXPECT_EQ(s.current, current) << at << std::hex << " " << s.current << " " << current;
        EXPECT_FALSE(s.others.empty()) << at;
        for (QRgb o : s.others) {
            EXPECT_NE(o, current) << at;
            EXPECT_EQ(o, *steps.front().others.begin()) << at; // the others alike
        }
    }
}
