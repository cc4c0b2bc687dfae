#include "fixtures.h"
#include "reader/content_opener.h"
#include "reader/frm_browser.h"
#include "shell/dialog.h"
#include "toolkit/control.h"
#include "toolkit/twips.h"
#include "topics/topic_pane.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Waits until the window system has framed the window and left it alone for a moment.
QRect settledFrame(QWidget& w) {
    // A frame larger than the window on both sides: while the window manager reparents the
    // window, the frame is briefly reported as a single pixel.
    (void)QTest::qWaitFor(
        [&] {
            const QSize f = tk::frameRect(&w).size();
            return f.width() > w.width() && f.height() > w.height();
        },
        5000);
    QRect last;
    for (int i = 0; i < 20 && tk::frameRect(&w) != last; ++i) {
        last = tk::frameRect(&w);
        QTest::qWait(100);
    }
    return tk::frameRect(&w);
}

struct Framed : fixtures::App {
    Framed() : App(fixtures::sampleFolder()) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        platform.screenWidth = tk::pixelsToTwips(screen.width());
        platform.screenHeight = tk::pixelsToTwips(screen.height());
        form.show();
        settledFrame(form);
    }
};

} // namespace

TEST(WindowManager, TheAboutBoxIsCentredByItsOuterSize) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager";
    Framed app;
    QRect frame;
    app.platform.onModal = [&](QDialog& d) { frame = settledFrame(d); };
    app.form.command10->click();
    ASSERT_TRUE(frame.isValid());
    ASSERT_GT(frame.height(), tk::twipsToPixels(4350)); // framed
    const auto p = shell::dialogPlacement(app.platform.screenWidth, app.platform.screenHeight,
                                          tk::pixelsToTwips(frame.width()),
                                          tk::pixelsToTwips(frame.height()));
    ASSERT_TRUE(p);
    EXPECT_EQ(frame.x(), tk::twipsToPixels(double(p->left)));
    EXPECT_EQ(frame.y(), tk::twipsToPixels(double(p->top)));
}

TEST(WindowManager, TheReaderIs10000TwipsWideAndScreenHeightLess500HighOutside) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager";
    Framed app;
    QRect frame, inner;
    int resizes = 0;
    app.platform.onModal = [&](QDialog& d) {
        frame = settledFrame(d);
        inner = d.geometry();
        resizes = 0;
        auto* reader = static_cast<reader::frmBrowser*>(&d);
        QObject::connect(reader->brwWebBrowser->verticalScrollBar(), &QScrollBar::rangeChanged,
                         [&] { ++resizes; });
        QTest::qWait(300); // no resize keeps going
    };
    app.form.topicPane->ListVolumeTopics(1);
    app.form.opener->ListView2_DblClick();
    ASSERT_TRUE(frame.isValid());
    EXPECT_GT(frame.height(), inner.height()); // framed
    EXPECT_EQ(frame.width(), tk::twipsToPixels(10000));
    EXPECT_EQ(frame.height(), tk::twipsToPixels(app.platform.screenHeight - 500));
    // Placed by its designed outer width, before the width snaps to 10000 twips.
    const double frameWidth = tk::pixelsToTwips(frame.width() - inner.width());
    const auto left = reader::readerLeft(app.platform.screenWidth, 6540 + frameWidth);
    ASSERT_TRUE(left);
    EXPECT_EQ(frame.x(), tk::twipsToPixels(double(*left)));
    EXPECT_EQ(resizes, 0);
}

namespace {
constexpr int kOpenings = 30;

// Opens a window 30 times, Esc between openings, and says where any opening's frame ended
// other than at the place computed for its frame.
QString misplacedOpenings(fixtures::App& app, const std::function<void()>& open,
                          const std::function<QPoint(QDialog&, const QRect&)>& placeFor) {
    QStringList bad;
    int openings = 0;
    app.platform.onModal = [&](QDialog& d) {
        const QRect frame = settledFrame(d);
        const QPoint expected = placeFor(d, frame);
        ++openings;
        if (frame.topLeft() != expected)
            bad << QStringLiteral("opening %1 at (%2, %3), expected (%4, %5)")
                       .arg(openings)
                       .arg(frame.x())
                       .arg(frame.y())
                       .arg(expected.x())
                       .arg(expected.y());
        QTest::keyClick(&d, Qt::Key_Escape);
    };
    for (int i = 0; i < kOpenings; ++i)
        open();
    if (openings != kOpenings)
        bad << QStringLiteral("%1 openings").arg(openings);
    return bad.join(QStringLiteral("; "));
}
} // namespace

// The window manager frames a window while the program may still be placing it: every
// opening must end at the computed place, not only the first.
TEST(WindowManager, TheReaderIsAtItsPlaceInEveryOpening) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager";
    Framed app;
    app.form.topicPane->ListVolumeTopics(1);
    app.form.activateWindow();
    // Framed and settled, the reader still names the topic's page and line: the page at
    // the top, which the title follows once the reading moves, is the page opened.
    QStringList titles;
    const QString bad = misplacedOpenings(
        app,
        [&] {
            app.form.listView2->setFocus();
            QTest::keyClick(app.form.listView2, Qt::Key_Return);
        },
        [&](QDialog& d, const QRect& frame) {
            QApplication::processEvents();
            if (!d.windowTitle().contains(QStringLiteral(" บรรทัด ")))
                titles << d.windowTitle();
            const double frameWidth = tk::pixelsToTwips(frame.width() - d.width());
            const auto left = reader::readerLeft(app.platform.screenWidth, 6540 + frameWidth);
            return QPoint(left ? tk::twipsToPixels(double(*left)) : -9999, 0);
        });
    EXPECT_EQ(bad.toStdString(), "");
    EXPECT_EQ(titles.join(" | ").toStdString(), "");
}

TEST(WindowManager, TheAboutBoxIsAtItsPlaceInEveryOpening) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager";
    Framed app;
    const QString bad = misplacedOpenings(
        app, [&] { QTest::mouseClick(app.form.command10, Qt::LeftButton); },
        [&](QDialog&, const QRect& frame) {
            const auto p = shell::dialogPlacement(
                app.platform.screenWidth, app.platform.screenHeight,
                tk::pixelsToTwips(frame.width()), tk::pixelsToTwips(frame.height()));
            return p ? QPoint(tk::twipsToPixels(double(p->left)), tk::twipsToPixels(double(p->top)))
                     : QPoint(-9999, -9999);
        });
    EXPECT_EQ(bad.toStdString(), "");
}

// The canon search window has no place of its own: it opens centred over the main window,
// whole on the screen.
TEST(WindowManager, TheCanonSearchWindowIsAtItsPlaceInEveryOpening) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager";
    Framed app;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QString bad = misplacedOpenings(
        app,
        [&] {
            app.form.text1->setFocus();
            QTest::keyClick(app.form.text1, Qt::Key_Return, Qt::ShiftModifier);
        },
        [&](QDialog&, const QRect& frame) {
            const QRect over = tk::frameRect(&app.form);
            return QPoint(std::clamp(over.x() + (over.width() - frame.width()) / 2, 0,
                                     screen.width() - frame.width()),
                          std::clamp(over.y() + (over.height() - frame.height()) / 2, 0,
                                     screen.height() - frame.height()));
        });
    EXPECT_EQ(bad.toStdString(), "");
}

// The program's window is mapped before its controls are built, so the window manager frames
// and places it while they are: on every start it settles as the window built first does.
TEST(WindowManager, AWindowMappedFirstSettlesAsTheWindowBuiltFirstOnEveryStart) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a window manager";
    QStringList want;
    QSize wantFrame;
    {
        Framed built;
        want = fixtures::describeControls(built.form);
        wantFrame = tk::frameRect(&built.form).size();
    }
    for (int start = 0; start < kOpenings; ++start) {
        SCOPED_TRACE(start);
        fixtures::App app(fixtures::sampleFolder(), shell::Form1::Start::MappedFirst);
        const QRect frame = settledFrame(app.form);
        ASSERT_EQ(frame.size(), wantFrame);
        const QStringList got = fixtures::describeControls(app.form);
        ASSERT_EQ(fixtures::firstDifference(want, got).toStdString(), "");
    }
}
