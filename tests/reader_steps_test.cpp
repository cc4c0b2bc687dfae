// The reader over the sample folder, whose volume 2 lacks most of its page-range files:
// page steps, go to, copying with the reference, and where the find box lets a place be seen.
#include "fixtures.h"
#include "reader/find_bar.h"
#include "reader/frm_browser.h"
#include "reader/locations.h"
#include "reader/navigator.h"
#include "reader/page_view.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
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
        handOff.ReaderTarget = platform.AppPath() + QLatin1Char('\\') + *reader::canonPagePath(volume, page);
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
