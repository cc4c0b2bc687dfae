// The window on screens of any pixel density: the layout in logical pixels is the one of an
// ordinary screen, and pictures are drawn for the density, not blown up from one pixel per
// pixel. The same tests run at device pixel ratios 1, 1.5 and 2.
#include "fixtures.h"
#include "shell/dialog.h"
#include "shell/resources.h"
#include "toolkit/fonts.h"
#include "toolkit/graphic_button.h"
#include "toolkit/program_icon.h"
#include "toolkit/twips.h"
#include "toolkit/control.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <iostream>

namespace {

struct Windows : fixtures::App {
    Windows() : App(fixtures::sampleFolder()) {}
};

// Every control of the main window 1020 x 739 logical pixels wide and high outside, as an
// ordinary screen lays it out.
const std::vector<std::pair<const char*, QRect>> kLayout = {
    {"Image1", {0, 0, 300, 42}},
    {"Frame1", {0, 42, 300, 644}},
    {"Frame2", {306, 10, 680, 97}},
    {"Frame3", {306, 148, 687, 541}},
    {"Frame4", {306, 148, 687, 541}},
    {"Text1", {176, 16, 225, 41}},
    {"Command5", {408, 16, 81, 65}},
    {"Command10", {478, 16, 105, 65}},
    {"Command9", {586, 16, 81, 65}},
    {"Label1", {306, 110, 53, 29}},
    {"Label2", {8, 24, 164, 29}},
    {"Label3", {8, 64, 370, 22}},
    {"Command1", {5, 13, 293, 57}},
    {"Command2", {5, 70, 293, 57}},
    {"Command3", {5, 127, 293, 57}},
    {"Command4", {5, 184, 293, 57}},
    {"Picture1", {11, 20, 44, 43}},
    {"Picture2", {11, 77, 44, 43}},
    {"Picture3", {11, 134, 44, 43}},
    {"Picture4", {11, 191, 44, 43}},
    {"ListView1", {5, 241, 293, 396}},
    {"ListView2", {3, 13, 680, 461}},
    {"Command7", {7, 481, 81, 49}},
    {"Combo1", {714, 110, 273, 34}},
    {"ImageBox", {0, 0, 687, 541}},
    {"cmdBook0", {32, 21, 163, 213}},
    {"cmdBook5", {465, 277, 163, 213}},
};

QRect geometryOf(const Windows& w, const QString& name) {
    const QWidget* c = w.form.findChild<QWidget*>(name);
    return c ? c->geometry() : QRect();
}

} // namespace

TEST(Density, TheLayoutInLogicalPixelsIsTheOrdinaryScreensAtEveryRatio) {
    Windows w;
    std::cout << "device pixel ratio " << qApp->devicePixelRatio() << '\n';
    EXPECT_DOUBLE_EQ(tk::twipsPerPixel(), 15.0); // logical pixels stay at 96 per inch
    w.form.show();
    QApplication::processEvents();
    // The layout works on the outer size; the frame's width in logical pixels depends on the
    // ratio, so the outer size is what is set.
    ASSERT_TRUE(tk::WindowGeometry(&w.form).Move(0, 0, 1020 * 15, 739 * 15));
    QApplication::processEvents();
    w.form.Frame4.setVisible(true);
    for (const auto& [name, want] : kLayout) {
        const QRect got = geometryOf(w, QString::fromLatin1(name));
        EXPECT_EQ(got, want) << name;
    }
}

TEST(Density, PicturesAreDrawnForTheScreensPixelRatio) {
    Windows w;
    w.form.resize(1016, 735);
    w.form.show();
    QApplication::processEvents();
    const qreal ratio = qApp->devicePixelRatio();
    auto physical = [&](QSize logical) { return logical * ratio; };

    // The program's own pictures carry the ratio, and the window shows them pixel for pixel.
    const QPixmap banner = w.form.image1->pixmap();
    EXPECT_EQ(banner.devicePixelRatio(), ratio);
    EXPECT_EQ(banner.size(), physical(QSize(300, 42)));
    const QImage shown = w.form.image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.size(), banner.size());
    EXPECT_EQ(shown, banner.toImage().convertToFormat(QImage::Format_RGB32));
    for (QLabel* arrow : {w.form.picture1, w.form.picture2, w.form.picture3, w.form.picture4})
        EXPECT_EQ(arrow->pixmap().size(), physical(QSize(44, 43)));
    for (QPushButton* b : {w.form.command6, w.form.command8}) {
        EXPECT_EQ(b->iconSize(), QSize(173, 34)) << b->objectName().toStdString();
        EXPECT_EQ(b->icon().pixmap(b->iconSize(), ratio).size(), physical(QSize(173, 34)));
    }
    // Icons come at the ratio's size from their larger drawings.
    for (QPushButton* b : {w.form.command5, w.form.command7, w.form.command9, w.form.command10})
        EXPECT_EQ(b->icon().pixmap(b->iconSize(), ratio).size(), physical(b->iconSize()))
            << b->objectName().toStdString();
    EXPECT_EQ(w.form.windowIcon().pixmap(QSize(32, 32), ratio).size(), physical(QSize(32, 32)));

    // A cover drawn larger than its place is scaled down to the screen's pixels.
    QPushButton* cover = w.form.cmdBookButtons[0];
    ASSERT_TRUE(cover->isVisible());
    const QSize place = cover->iconSize();
    const QPixmap drawn = cover->icon().pixmap(place, ratio);
    const QSize source = QImage(fixtures::sampleFolder() + "/img_book/velkaro_book1.jpg").size();
    ASSERT_GE(source.width(), physical(place).width()); // drawn as large as any ratio here needs
    EXPECT_EQ(drawn.size(), source.scaled(physical(place), Qt::KeepAspectRatio));

    // The shelf's background from the data folder: scaled from the file straight to the
    // screen's pixels.
    const QImage background(fixtures::sampleFolder() + "/img_book/bgbook02.jpg");
    const QImage shelf = w.form.imageBox->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shelf.size(), physical(w.form.imageBox->size()));
    EXPECT_EQ(shelf, background.scaled(shelf.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32));

    // The about dialog's picture.
    shell::Dialog about(w.platform, &w.form);
    const auto* image = about.findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixmap().size(), physical(QSize(150, 150)));
}

TEST(Density, CaptionsFitOrElideWithTheirWholeTextInTheTip) {
    Windows w;
    w.form.resize(1016, 735);
    w.form.show();
    QApplication::processEvents();
    for (QPushButton* b : {w.form.command5, w.form.command7, w.form.command9, w.form.command10}) {
        auto* g = static_cast<tk::GraphicButton*>(b);
        EXPECT_TRUE(g->captionFits()) << b->objectName().toStdString();
        EXPECT_GE(QFontInfo(g->captionFont()).pixelSize(), tk::kSmallestReadablePixels);
    }
    // Past the smallest readable size: elided, the whole caption in the tip.
    auto* about = static_cast<tk::GraphicButton*>(w.form.command10);
    about->resize(30, about->height());
    EXPECT_FALSE(about->captionFits());
    EXPECT_EQ(about->toolTip(), QStringLiteral("เกี่ยวกับโปรแกรม"));
    EXPECT_GE(QFontInfo(about->captionFont()).pixelSize(), tk::kSmallestReadablePixels);
    const QPixmap drawn = about->grab();
    EXPECT_EQ(drawn.size(), about->size() * qApp->devicePixelRatio());
}

// Tab walks the window; whatever has the focus wears a ring of two bands, light outside and
// dark inside, each at least two logical pixels, at every density: the covers, the empty
// group list and the collection buttons included.
TEST(FocusMark, EveryControlReachedByTabShowsTheRing) {
    Windows w;
    w.form.resize(1016, 735);
    w.form.show();
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    const qreal ratio = w.form.devicePixelRatioF();
    QStringList seen, unmarked;
    w.form.text1->setFocus(Qt::TabFocusReason);
    for (int step = 0; step < 40; ++step) {
        QApplication::processEvents();
        QWidget* focused = QApplication::focusWidget();
        ASSERT_TRUE(focused);
        const QString name = focused->objectName().isEmpty() ? focused->metaObject()->className()
                                                             : focused->objectName();
        if (seen.contains(name))
            break;
        seen << name;
        const QRect at(focused->mapTo(&w.form, QPoint(0, 0)), focused->size());
        const QImage shot = w.form.grab().toImage();
        // Just left of the control, half-way down: the dark band, then the light one.
        auto colourAt = [&](qreal x) {
            return QColor(shot.pixel(int((x)*ratio), int((at.center().y()) * ratio)));
        };
        const QColor dark = colourAt(at.left() - 1), light = colourAt(at.left() - 3);
        const bool ringed = at.left() >= 4 && dark.blue() > 100 && dark.red() < 60 &&
                            light.red() > 200 && light.green() > 150 && light.blue() < 80;
        if (at.left() >= 4 && !ringed)
            unmarked << QStringLiteral("%1 (%2, %3)").arg(name, dark.name(), light.name());
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    for (const char* must : {"Text1", "Command1", "ListView1", "cmdBook0"})
        EXPECT_TRUE(seen.contains(QLatin1String(must))) << must << ": " << seen.join(' ').toStdString();
    EXPECT_EQ(unmarked.join(QLatin1String("; ")).toStdString(), "");
}
