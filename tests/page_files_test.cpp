// Page files as Windows programs wrote them, each opened beside the same page written
// exactly: the same text, the same pictures and style sheets loaded.
#include "fixtures.h"
#include "reader/page_refs.h"
#include "reader/page_view.h"
#include "pagefile/decode.h"
#include "thai/codec.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

struct Folder {
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    Folder() {
        QDir().mkpath(path() + "/img_detail");
        QDir().mkpath(path() + "/91book/book02");
        for (const char* f : {"icon-down.gif", "icon-up.gif"})
            QFile::copy(fixtures::sampleFolder() + "/img_detail/" + f, path() + "/img_detail/" + f);
        write("img_detail/page.css", "p.quote { color: #123456 }");
    }
    void write(const QString& rel, const QByteArray& bytes) {
        QFile f(path() + "/" + rel);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

struct Shown {
    QString text;
    QStringList loaded;
};

Shown open(const Folder& folder, const QString& rel) {
    reader::PageView view(folder.path());
    view.resize(600, 500);
    view.show();
    view.navigate(folder.path() + "\\" + rel);
    view.finishLoading();
    view.viewport()->repaint(); // pictures are read as the page is laid out
    QStringList loaded;
    for (const QString& f : view.loadedFiles())
        loaded << QDir(folder.path()).relativeFilePath(f);
    loaded.sort();
    loaded.removeDuplicates();
    return {view.toPlainText(), loaded};
}

const QByteArray kBody = "<p class=\"quote\">พระธรรมเทศนา</p><p>หน้า</p>";

} // namespace

TEST(WindowsPageFiles, PicturesAndStyleSheetsByWindowsPathsLoadAsWrittenExactly) {
    Folder f;
    f.write("91book/book02/exact.htm",
            "<html><head><meta charset=\"utf-8\"><link rel=\"stylesheet\" href=\"../../img_detail/page.css\">"
            "</head><body><img src=\"../../img_detail/icon-up.gif\"><img src=\"../../img_detail/icon-down.gif\">" +
                kBody + "</body></html>");
    f.write("91book/book02/windows.htm",
            "<html><head><meta charset=\"utf-8\"><link rel=\"stylesheet\" href=\"..\\..\\IMG_DETAIL\\PAGE.CSS\">"
            "</head><body><img src=\"..\\..\\IMG_DETAIL\\ICON-UP.GIF\"><img src=\"../.././Img_Detail/Icon%2DDown.Gif\">" +
                kBody + "</body></html>");
    const Shown exact = open(f, "91book\\book02\\exact.htm");
    const Shown windows = open(f, "91book\\book02\\windows.htm");
    EXPECT_EQ(windows.text, exact.text);
    EXPECT_EQ(exact.loaded, (QStringList{"img_detail/icon-down.gif", "img_detail/icon-up.gif",
                                         "img_detail/page.css"}));
    EXPECT_EQ(windows.loaded, exact.loaded);
    // The style sheet reached the text.
    reader::PageView view(f.path());
    view.navigate(f.path() + "\\91book\\book02\\windows.htm");
    const QTextCursor c = view.document()->find(QStringLiteral("พระธรรมเทศนา"));
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(0x12, 0x34, 0x56));
}

TEST(WindowsPageFiles, DriveLettersAndRootedLocationsResolveUnderTheProgramFolder) {
    Folder f;
    f.write("91book/book02/001_050.htm",
            "<meta charset=\"utf-8\"><a name=\"6\"></a><p>หก</p><a name=\"7\"></a><p>เจ็ด</p>");
    f.write("91book/book02/links.htm",
            "<meta charset=\"utf-8\"><img src=\"file:///D:/img_detail/icon-up.gif\">"
            "<img src=\"\\IMG_DETAIL\\icon-down.gif\"><img src=\"E:\\other\\icon-up.gif\">"
            "<img src=\"..\\..\\..\\..\\..\\etc\\passwd\"><img src=\"http://example.org/x.gif\"><p>ลิงก์</p>");
    const Shown s = open(f, "91book\\book02\\links.htm");
    EXPECT_EQ(s.loaded, (QStringList{"img_detail/icon-down.gif", "img_detail/icon-up.gif"}));
    const QString root = f.path();
    const QString base = root + "/91book/book02/links.htm";
    QString anchor;
    EXPECT_EQ(reader::resolveReference(root, base, "D:\\91book\\book02\\001_050.htm#7", &anchor),
              root + "/91book/book02/001_050.htm");
    EXPECT_EQ(anchor, QStringLiteral("7"));
    EXPECT_EQ(reader::resolveReference(root, base, "file:///C:/Data/91BOOK/Book02/001_050.HTM"),
              root + "/91book/book02/001_050.htm");
    EXPECT_EQ(reader::resolveReference(root, base, "D:\\elsewhere\\x.htm"), QString());
    EXPECT_EQ(reader::resolveReference(root, base, "../../../x.htm"), QString());
    EXPECT_EQ(reader::resolveReference(root, base, "https://example.org/"), QString());
    // A link of that kind, clicked, opens the page at its anchor.
    reader::PageView view(root);
    view.navigate(root + "\\91book\\book02\\links.htm");
    emit view.anchorClicked(QUrl(QStringLiteral("D:\\91book\\book02\\001_050.htm#7")));
    EXPECT_EQ(view.shownFile(), root + "/91book/book02/001_050.htm");
    EXPECT_EQ(view.shownAnchor(), QStringLiteral("7"));
    emit view.anchorClicked(QUrl(QStringLiteral("E:\\other\\x.htm")));
    EXPECT_EQ(view.shownFile(), root + "/91book/book02/001_050.htm"); // not followed
}

TEST(WindowsPageFiles, UnicodeFilesReadAsTheirMarkSaysAndOddOnesSoundly) {
    Folder f;
    const QString page = QStringLiteral("<html><body>") + QString::fromUtf8(kBody) +
                         QStringLiteral("</body></html>");
    f.write("91book/book02/exact.htm", "<meta charset=\"utf-8\">" + page.toUtf8());
    QByteArray le("\xFF\xFE"), be("\xFE\xFF"), unmarked;
    const QString labelled = QStringLiteral("<meta charset=\"unicode\">") + page;
    for (QChar c : page) {
        le += char(c.unicode() & 0xFF);
        le += char(c.unicode() >> 8);
        be += char(c.unicode() >> 8);
        be += char(c.unicode() & 0xFF);
    }
    for (QChar c : labelled) {
        unmarked += char(c.unicode() & 0xFF);
        unmarked += char(c.unicode() >> 8);
    }
    f.write("91book/book02/le.htm", le);
    f.write("91book/book02/be.htm", be);
    f.write("91book/book02/unmarked.htm", unmarked);
    const QString want = open(f, "91book\\book02\\exact.htm").text;
    EXPECT_EQ(open(f, "91book\\book02\\le.htm").text, want);
    EXPECT_EQ(open(f, "91book\\book02\\be.htm").text, want);
    EXPECT_EQ(open(f, "91book\\book02\\unmarked.htm").text, want);
    // An odd last byte is dropped; a lone surrogate shows as U+FFFD.
    EXPECT_EQ(pagefile::decodeUtf16(QByteArray("\xFF\xFE\x01\x0E\x02", 5), false), QStringLiteral("ก"));
    EXPECT_EQ(pagefile::decodeUtf16(QByteArray("\xFF\xFE\x3D\xD8\x41\x00", 6), false),
              QStringLiteral("\uFFFDA"));
    EXPECT_EQ(pagefile::decodeUtf16(QByteArray("\xFF\xFE\x00\xDC", 4), false), QStringLiteral("\uFFFD"));
}

TEST(WindowsPageFiles, AFramesetShowsItsFramesInOrderAndOddFramesetsEndSoundly) {
    Folder f;
    QDir().mkpath(f.path() + "/img_detail/frames");
    f.write("img_detail/frames/one.htm",
            "<meta charset=\"utf-8\"><body><p>กรอบหนึ่ง</p><img src=\"..\\icon-up.gif\"></body>");
    f.write("img_detail/two.htm", "<meta charset=\"utf-8\"><body><p>กรอบสอง</p></body>");
    f.write("img_detail/frameset.htm",
            "<html><frameset cols=\"30%,70%\"><frame src=\"FRAMES\\One.htm\">"
            "<frame src=\"missing.htm\"><frame src=\"frameset.htm\"><frame src=\"Two.HTM\">"
            "</frameset></html>");
    const Shown s = open(f, "img_detail\\frameset.htm");
    const qsizetype one = s.text.indexOf(QStringLiteral("กรอบหนึ่ง"));
    const qsizetype missing = s.text.indexOf(QStringLiteral("ไม่พบหน้าของกรอบนี้: missing.htm"));
    const qsizetype two = s.text.indexOf(QStringLiteral("กรอบสอง"));
    EXPECT_GE(one, 0);
    EXPECT_GT(missing, one);
    EXPECT_GT(two, missing);
    EXPECT_TRUE(s.loaded.contains("img_detail/icon-up.gif")); // from the frame's own folder
    // Ten thousand frames: a limited number, then a note.
    QByteArray many = "<frameset>";
    for (int i = 0; i < 10000; ++i)
        many += "<frame src=\"two.htm\">";
    f.write("img_detail/many.htm", many + "</frameset>");
    const Shown m = open(f, "img_detail\\many.htm");
    EXPECT_TRUE(m.text.contains(QStringLiteral("กรอบมากเกินไป")));
}

TEST(WindowsPageFiles, ExplicitThaiPointSizesAreScaledAsTheMainWindowScalesThem) {
    Folder f;
    f.write("91book/book02/sized.htm",
            "<meta charset=\"utf-8\"><style>.big { font-family: 'AngsanaUPC'; font-size: 20pt }</style>"
            "<p style=\"font-family: Angsana New; font-size: 16pt\">สิบหก</p>"
            "<p class=\"big\">ยี่สิบ</p><p style=\"font-family: Arial; font-size: 16pt\">Arial</p>");
    reader::PageView view(f.path());
    view.navigate(f.path() + "\\91book\\book02\\sized.htm");
    auto font = [&](const char* word) {
        return view.document()->find(QString::fromUtf8(word)).charFormat().font();
    };
    EXPECT_NEAR(font("สิบหก").pointSizeF(), 16 * 0.68, 0.01);
    EXPECT_TRUE(font("สิบหก").families().value(0).contains(QStringLiteral("Kinnari")));
    EXPECT_NEAR(font("ยี่สิบ").pointSizeF(), 20 * 0.68, 0.01);
    EXPECT_NEAR(font("Arial").pointSizeF(), 16, 0.01); // not a Thai design font
}

TEST(WindowsPageFiles, TheNotFoundNoticeWritesTheLocationWithThisSystemsSeparators) {
    Folder f;
    reader::PageView view(f.path());
    view.navigate(f.path() + "\\91book\\book09\\001_050.htm#3");
    ASSERT_TRUE(view.showsExplanation());
    EXPECT_TRUE(view.toPlainText().contains(f.path() + "/91book/book09/001_050.htm#3"));
    EXPECT_FALSE(view.toPlainText().contains(QLatin1Char('\\')));
}
