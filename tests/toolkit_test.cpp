#include "toolkit/control.h"
#include "toolkit/paths.h"
#include "toolkit/picture.h"
#include "toolkit/timer.h"
#include "toolkit/twips.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <thread>

TEST(Twips, SixteenBitConversionRoundsHalfToEvenAndRefusesOverflow) {
    EXPECT_EQ(tk::toInt16(2.5), 2);
    EXPECT_EQ(tk::toInt16(3.5), 4);
    EXPECT_EQ(tk::toInt16(-2.5), -2);
    EXPECT_EQ(tk::toInt16(32767.0), 32767);
    EXPECT_FALSE(tk::toInt16(32767.5)); // rounds to 32768
    EXPECT_FALSE(tk::toInt16(-32769.0));
    EXPECT_FALSE(tk::toInt16(std::nan("")));
}

TEST(Twips, IntegerDivisionTruncatesTowardZeroAfterRounding) {
    EXPECT_EQ(tk::intDiv(15360 - 6660, 3), 2900);
    EXPECT_EQ(tk::intDiv(6660 - 15360, 3), -2900);
    EXPECT_EQ(tk::intDiv(-7, 2), -3);
    EXPECT_EQ(tk::intDiv(8675, 4000), 2);
    EXPECT_EQ(tk::intDiv(2.5, 1), 2);
    EXPECT_FALSE(tk::intDiv(5, 0));
}

TEST(Control, MoveChangesOnlyTheValuesGivenAndDerivesPixels) {
    tk::setTwipsPerPixelOverride(15);
    QWidget parent;
    auto* w = new QWidget(&parent);
    tk::Control c(w, 100, 200, 300, 450);
    EXPECT_EQ(w->geometry(), QRect(7, 13, 20, 30));
    ASSERT_TRUE(c.Move(1500));
    EXPECT_EQ(c.Left(), 1500);
    EXPECT_EQ(c.Top(), 200);
    EXPECT_EQ(c.Width(), 300);
    ASSERT_TRUE(c.Move(1500, 3000, {}, 600));
    EXPECT_EQ(c.Height(), 600);
    EXPECT_EQ(c.Width(), 300);
    EXPECT_EQ(w->geometry(), QRect(100, 200, 20, 40));
    tk::setTwipsPerPixelOverride(0);
}

TEST(Control, AFailingPlacementLeavesTheControlAsItWas) {
    tk::setTwipsPerPixelOverride(15);
    QWidget parent;
    auto* w = new QWidget(&parent);
    tk::Control c(w, 100, 200, 300, 450);
    EXPECT_FALSE(c.Move(0, 0, -1, 10));
    EXPECT_FALSE(c.Move(0, 0, 10, -15));
    EXPECT_FALSE(c.Move(1e12, 0, 10, 10));
    EXPECT_FALSE(c.Move(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(c.Left(), 100);
    EXPECT_EQ(c.Top(), 200);
    EXPECT_EQ(c.Width(), 300);
    EXPECT_EQ(c.Height(), 450);
    EXPECT_EQ(w->geometry(), QRect(7, 13, 20, 30));
    EXPECT_TRUE(c.Move(-500, -500, 0, 0)); // negative places are fine, negative sizes are not
    tk::setTwipsPerPixelOverride(0);
}

TEST(Paths, LocationsWithBackslashesResolveWithoutRegardToLetterCase) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("91Book/BOOK05"));
    QFile f(dir.path() + QStringLiteral("/91Book/BOOK05/101_150.HTM"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString want = dir.path() + QStringLiteral("/91Book/BOOK05/101_150.HTM");
    EXPECT_EQ(tk::resolvePath(dir.path(), dir.path() + QStringLiteral("\\91book\\book05\\101_150.htm")), want);
    EXPECT_EQ(tk::resolvePath(dir.path(), dir.path() + QStringLiteral("\\91Book\\BOOK05\\101_150.HTM")), want);
    // Missing stays missing, separators converted.
    EXPECT_EQ(tk::resolvePath(dir.path(), dir.path() + QStringLiteral("\\91book\\book06\\001_050.htm")),
              dir.path() + QStringLiteral("/91book/book06/001_050.htm"));
    QString path, anchor;
    tk::splitAnchor(QStringLiteral("a\\b.htm#123"), path, anchor);
    EXPECT_EQ(path, QStringLiteral("a\\b.htm"));
    EXPECT_EQ(anchor, QStringLiteral("123"));
}

TEST(Paths, TheProgramFolderIsTakenAsItIsWhateverItsNameHolds) {
    // Folder names a user may well have: a backslash, "#" and ";" are all legal here.
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/ข้อมูล\\สำรอง #2; ชุด");
    QDir().mkpath(folder + QStringLiteral("/91Book/book05"));
    QFile f(folder + QStringLiteral("/91Book/book05/101_150.htm"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString location = folder + QStringLiteral("\\91book\\book05\\101_150.htm");
    EXPECT_EQ(tk::resolvePath(folder, location), folder + QStringLiteral("/91Book/book05/101_150.htm"));
    EXPECT_TRUE(tk::insideFolder(folder, tk::resolvePath(folder, location)));
    QString path, anchor;
    tk::splitAnchor(location + QStringLiteral("#123"), path, anchor);
    EXPECT_EQ(path, location);
    EXPECT_EQ(anchor, QStringLiteral("123"));
    tk::splitAnchor(location, path, anchor); // the folder's "#" is no anchor
    EXPECT_EQ(path, location);
    EXPECT_EQ(anchor, QString());
    // Confinement is by the path as written.
    EXPECT_FALSE(tk::insideFolder(folder, folder + QStringLiteral("\\..\\x.htm")));
    EXPECT_FALSE(tk::insideFolder(folder, folder + QStringLiteral("/91book/../../x.htm")));
    EXPECT_FALSE(tk::insideFolder(folder, dir.path() + QStringLiteral("/x.htm")));
    EXPECT_FALSE(tk::insideFolder(folder, folder + QStringLiteral("x/a.htm")));
}

TEST(Timer, FiresOnlyWhileOnAndARestartRunsTheFullInterval) {
    tk::Timer t(3000);
    int fired = 0;
    t.onTimer = [&] {
        ++fired;
        t.setEnabled(false);
    };
    t.fire();
    EXPECT_EQ(fired, 0);
    t.setEnabled(true);
    t.fire();
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(t.Enabled());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    t.setEnabled(true);
    EXPECT_GT(t.remaining(), 2900);
    // Switching on while running does not restart it.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    t.setEnabled(true);
    EXPECT_LT(t.remaining(), 2950);
}

TEST(Pictures, AChangedFileIsReadAgainAnUnchangedOneIsNotDecodedTwice) {
    QTemporaryDir dir;
    const QString p = dir.path() + QStringLiteral("/a.jpg");
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(p, "JPG"));
    tk::PictureLoader loader;
    ASSERT_TRUE(loader.load(QString(), p));
    ASSERT_TRUE(loader.load(QString(), p));
    EXPECT_EQ(loader.decodeCount(), 1);
    QImage big(20, 10, QImage::Format_RGB32);
    big.fill(Qt::blue);
    ASSERT_TRUE(big.save(p, "JPG"));
    auto again = loader.load(QString(), p);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->width(), 20);
    EXPECT_FALSE(loader.load(QString(), dir.path() + QStringLiteral("/missing.jpg")));
    QFile junk(dir.path() + QStringLiteral("/junk.jpg"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    EXPECT_FALSE(loader.load(QString(), junk.fileName()));
}

TEST(Pictures, APictureDecodedAheadIsTheFilesAndAFileChangedSinceIsReadAgain) {
    QTemporaryDir dir;
    const QString a = dir.path() + QStringLiteral("/a.jpg"), b = dir.path() + QStringLiteral("/b.jpg");
    QImage red(30, 20, QImage::Format_RGB32), blue(40, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    ASSERT_TRUE(red.save(a, "JPG"));
    ASSERT_TRUE(red.save(b, "JPG"));
    tk::PictureLoader loader;
    loader.prefetch(QString(), {a, b, dir.path() + QStringLiteral("/missing.jpg")});
    ASSERT_TRUE(blue.save(b, "JPG")); // replaced while, or after, it is decoded ahead
    const auto first = loader.load(QString(), a);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->toImage().convertToFormat(QImage::Format_RGB32),
              QImage(a).convertToFormat(QImage::Format_RGB32));
    const auto second = loader.load(QString(), b);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->size(), QSize(40, 10));
    EXPECT_EQ(second->toImage().convertToFormat(QImage::Format_RGB32),
              QImage(b).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(loader.decodeCount(), 2);
    EXPECT_FALSE(loader.load(QString(), dir.path() + QStringLiteral("/missing.jpg")));
    // Loaded again unchanged: from the cache, not decoded a third time.
    ASSERT_TRUE(loader.load(QString(), a));
    EXPECT_EQ(loader.decodeCount(), 2);
}

TEST(Pictures, ALoaderGoneBeforeItsPicturesAreDecodedAheadLeavesNothingRunning) {
    QTemporaryDir dir;
    QImage img(400, 400, QImage::Format_RGB32);
    img.fill(Qt::green);
    QStringList files;
    for (int i = 0; i < 20; ++i) {
        files << dir.path() + QStringLiteral("/p%1.jpg").arg(i);
        ASSERT_TRUE(img.save(files.back(), "JPG"));
    }
    for (int round = 0; round < 10; ++round) {
        tk::PictureLoader loader;
        loader.prefetch(QString(), files);
        if (round % 2)
            ASSERT_TRUE(loader.load(QString(), files[19]));
    }
}

namespace {
QStringList* g_logged = nullptr;
void keepMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (g_logged && type == QtWarningMsg)
        *g_logged << QString::fromUtf8(context.category) + QStringLiteral(": ") + text;
}
} // namespace

TEST(Logging, AFailureHandledWithoutAWordIsLoggedOnlyWhenTurnedOn) {
    QTemporaryDir dir;
    QFile bad(dir.path() + QStringLiteral("/bad.gif"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    QStringList logged;
    g_logged = &logged;
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    tk::PictureLoader loader;
    // Off by default.
    EXPECT_FALSE(loader.load(dir.path(), dir.path() + QStringLiteral("\\missing.gif")));
    EXPECT_TRUE(logged.isEmpty()) << logged.join('\n').toStdString();
    QLoggingCategory::setFilterRules(QStringLiteral("velkaro.*=true"));
    EXPECT_FALSE(loader.load(dir.path(), dir.path() + QStringLiteral("\\missing.gif")));
    EXPECT_FALSE(loader.load(dir.path(), dir.path() + QStringLiteral("\\bad.gif")));
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    g_logged = nullptr;
    ASSERT_EQ(logged.size(), 2) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged[0].startsWith(QStringLiteral("velkaro.toolkit: no picture at")));
    EXPECT_TRUE(logged[0].contains(QStringLiteral("missing.gif")));
    EXPECT_TRUE(logged[1].contains(QStringLiteral("cannot read the picture")));
    EXPECT_TRUE(logged[1].contains(QStringLiteral("bad.gif")));
}
