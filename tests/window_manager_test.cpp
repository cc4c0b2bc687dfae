#include "fixtures.h"
#include "reader/content_opener.h"
#include "reader/frm_browser.h"
#include "shell/dialog.h"
#include "toolkit/twips.h"
#include "topics/topic_pane.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Waits until the window system has framed the window and left it alone for a moment.
QRect settledFrame(QWidget& w) {
    (void)QTest::qWaitFor([&] { return w.frameGeometry().size() != w.size(); }, 3000);
    QRect last;
    for (int i = 0; i < 20 && w.frameGeometry() != last; ++i) {
        last = w.frameGeometry();
        QTest::qWait(100);
    }
    return w.frameGeometry();
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
