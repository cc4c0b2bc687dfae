// The quick search of plain page files against the reading of what the view shows: where
// the quick way answers, it answers with the same pages and places, and it does answer for
// pages shaped as the canon's files are; the lines it leaves for later come out as the
// reading makes them.
#include "canon/engine.h"
#include "canon/quick_search.h"
#include "canon/result_model.h"
#include "page_pieces.h"
#include "thai/codec.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString pagesOf(const std::vector<canon::PageHit>& hits) {
    QString out;
    for (const canon::PageHit& h : hits)
        out += QStringLiteral("[%1] %2\n").arg(h.page).arg(h.hits);
    return out;
}

canon::Query query(const QStringList& words, bool later) {
    canon::Query q;
    q.word = words.join(u' ');
    q.allWords = words.size() > 1;
    q.linesLater = later;
    return q;
}

// Pieces of the plain kind, and text the words stand in at awkward places.
const QStringList kPlain = {
    QStringLiteral("ธรรม"), QStringLiteral("ธรรมะ"), QStringLiteral("ธ<b>ร</b>รม"), QStringLiteral("ธรร<i>ม</i>"),
    QStringLiteral("<b>ธรรม</b>"), QStringLiteral("ธรรม</font>ะ"), QStringLiteral("ธรรม<br>่"),
    QStringLiteral("กุ้ง"), QStringLiteral("กุ้ง"), QStringLiteral("ก้<b>ุ</b>ง"), QStringLiteral("ทํา"),
    QStringLiteral("ท่ำ"), QStringLiteral("ก\r\n  ข"), QStringLiteral("ก&nbsp;ข"), QStringLiteral("&nbsp;&nbsp;"),
    QStringLiteral("ภิกษุทั้งหลาย พระผู้มีพระภาคตรัสว่า "), QStringLiteral("\u200B"), QStringLiteral(" "),
    QStringLiteral("\r\n"), QStringLiteral("<p>"), QStringLiteral("</p>"), QStringLiteral("<p align=\"center\">"),
    QStringLiteral("<font face=\"AngsanaUPC\" size=\"5\">"), QStringLiteral("</font>"), QStringLiteral("<hr>"),
    QStringLiteral("<a name=\"12\"></a>"), QStringLiteral("<a name=13>"), QStringLiteral("<A NAME='14'>"),
    QStringLiteral("<a name=\" 15 \">"), QStringLiteral("<a name>"), QStringLiteral("<a name=\"x1\">"), QStringLiteral("<a id=\"16\">"),
    QStringLiteral("<a name=\"12\">"), QStringLiteral("<!-- c -->"), QStringLiteral("ธ<!-- -->รรม"),
    QStringLiteral("<span title=\"a\nb>c\">"), QStringLiteral("</span>"), QStringLiteral("ำ"), QStringLiteral("่"),
    QStringLiteral("ธ<p>รรม"), QStringLiteral("ธรร</p>ม"), QStringLiteral("ธ<td>รรม"), QStringLiteral("ธ<br>รรม"),
    QStringLiteral("ธร<img src=\"x.gif\">รม"), QStringLiteral("ธ</div>\r\n<div>รรม"), QStringLiteral("ธ"),
    QStringLiteral("ภิกษุ</b><p>"), QStringLiteral("พระภา</li>ค"),
};

const QStringList kWords = {
    QString(QChar(0xFFFD)), // what the bytes the code page lacks stand for
    QStringLiteral("ธรรม"), QStringLiteral("กุ้ง"), QStringLiteral("ทำ"), QStringLiteral("ท่ำ"),
    QStringLiteral("ภิกษุ"), QStringLiteral("พระภาค"), QStringLiteral("ข"), QStringLiteral("ธรรม กุ้ง"),
    QStringLiteral("ก ข"), QStringLiteral("รรม"), QStringLiteral("ษุ"),
};

// The page as windows-874 bytes; what the code page lacks becomes '?'.
QByteArray windows874(const QString& text) {
    QByteArray out;
    for (QChar c : text) {
        char b = '?';
        for (int v = 0; v < 256; ++v)
            if (thai::windows874(static_cast<unsigned char>(v)) == c.unicode()) {
                b = char(v);
                break;
            }
        out += b;
    }
    return out;
}

QString head(QRandomGenerator& r) {
    static const QStringList heads = {
        QStringLiteral("<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-874\">\r\n"
                       "<title>พระไตรปิฎก ธรรม</title>\r\n</head>\r\n<body bgcolor=\"#FFFFF0\">\r\n"),
        QStringLiteral("<html><body>"), QStringLiteral("<body>"), QStringLiteral("<!DOCTYPE html><html><head></head>"),
        QStringLiteral("ธรรม<body>"), QStringLiteral("<head><title>ธรรม</title></head>ธรรม<body>"), QString(),
    };
    return heads[int(r.bounded(quint32(heads.size())))];
}

} // namespace

TEST(QuickSearch, WhereItAnswersItGivesThePagesAndPlacesOfTheShownText) {
    QRandomGenerator r(20261209);
    int answered = 0;
    const int rounds = 6000;
    for (int i = 0; i < rounds; ++i) {
        QString html = head(r);
        const int n = 1 + int(r.bounded(30));
        for (int k = 0; k < n; ++k)
            html += r.bounded(24) == 0 ? pagePieces()[int(r.bounded(quint32(pagePieces().size())))]
                                      : kPlain[int(r.bounded(quint32(kPlain.size())))];
        if (r.bounded(3) == 0)
            html += QStringLiteral("</body></html>");
        QStringList typed{kWords[int(r.bounded(quint32(kWords.size())))]};
        if (r.bounded(4) == 0)
            typed << kWords[int(r.bounded(quint32(kWords.size())))];
        const QByteArray bytes = i % 2 ? html.toUtf8() : windows874(html);
        const QString shown = pagesOf(canon::searchBytes(bytes, query(typed, false)));
        const auto quick = canon::quickSearchBytes(bytes, canon::searchKeys(query(typed, true)), typed.size() > 1);
        if (!quick)
            continue;
        ++answered;
        ASSERT_EQ(pagesOf(*quick), shown) << typed.join(u'|').toStdString() << " in " << html.toStdString();
    }
    // Not by giving up everywhere.
    EXPECT_GT(answered, rounds / 6);
}

TEST(QuickSearch, AnswersForPagesShapedAsTheCanonsAndLeavesTheRestToTheReading) {
    QString canon = QStringLiteral(
        "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
        "<title>พระไตรปิฎก เล่ม 5</title>\r\n</head>\r\n<body bgcolor=\"#FFFFF0\">\r\n"
        "<font face=\"AngsanaUPC\" size=\"5\">\r\n");
    for (int p = 101; p <= 150; ++p)
        canon += QStringLiteral("<a name=\"%1\"></a>\r\n<p align=\"center\"><b>พระไตรปิฎก เล่มที่ 5 หน้าที่ %1</b></p>\r\n"
                                "<p>&nbsp;&nbsp;&nbsp;&nbsp;พระผู้มีพระภาคตรัสว่า ดูกรภิกษุทั้งหลาย ธรรมเหล่านี้อันบุคคลเจริญแล้ว</p>\r\n"
                                "<p><b>ธรรม</b>ทั้งปวง</p>\r\n<hr>\r\n")
                     .arg(p);
    canon += QStringLiteral("</font>\r\n</body>\r\n</html>\r\n");
    const QStringList word{QStringLiteral("ธรรม")};
    const auto quick = canon::quickSearchBytes(canon.toUtf8(), canon::searchKeys(query(word, true)), false);
    ASSERT_TRUE(quick);
    EXPECT_EQ(quick->size(), 50u);
    EXPECT_EQ(pagesOf(*quick), pagesOf(canon::searchBytes(canon.toUtf8(), query(word, false))));
    const QByteArray thai = windows874(canon.replace(QStringLiteral("utf-8"), QStringLiteral("windows-874")));
    const auto quickThai = canon::quickSearchBytes(thai, canon::searchKeys(query(word, true)), false);
    ASSERT_TRUE(quickThai);
    EXPECT_EQ(pagesOf(*quickThai), pagesOf(*quick));

    // Markup of other kinds is left to the reading, which still finds the word.
    const QStringList others = {
        QStringLiteral("<body><script>x</script>ธรรม"), QStringLiteral("<body>ธรร&#3617;"),
        QStringLiteral("<body><pre>ธรรม</pre>"), QStringLiteral("<body><!--StartFragment-->ธรรม<!--EndFragment-->"),
        QStringLiteral("<body>ธรร<b>ม</b>"), QStringLiteral("<body><o:p>ธรรม</o:p>"),
        // The view leaves out text in a table outside its cells.
        QStringLiteral("<body><table>>ธรรม<td>ธรรม</td></table>"),
    };
    // A head not closed shows nothing of what follows; the quick way does not take it on.
    EXPECT_FALSE(canon::quickSearchBytes(
        QStringLiteral("<html><head><title>ธรรม <html><head><title>x</title></head><body>ธรรม").toUtf8(),
        canon::searchKeys(query(word, true)), false));
    for (const QString& page : others) {
        EXPECT_FALSE(canon::quickSearchBytes(page.toUtf8(), canon::searchKeys(query(word, true)), false))
            << page.toStdString();
        EXPECT_EQ(canon::searchBytes(page.toUtf8(), query(word, true)).size(), 1u) << page.toStdString();
    }
}

TEST(QuickSearch, TheLinesLeftForLaterAreTheReadingsOwn) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("001_050.htm"));
    QString html = QStringLiteral("<html><head><title>t</title></head><body>");
    for (int p = 1; p <= 4; ++p)
        html += QStringLiteral("<a name=\"%1\"></a><p>&nbsp;หน้า %1 ความไม่ประมาทเป็นทางแห่งความไม่ตาย <b>ธรรม</b> "
                               "ความประมาทเป็นทางแห่งความตาย ภิกษุ</p>")
                    .arg(p);
    html += QStringLiteral("</body></html>");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(html.toUtf8());
    }
    const QStringList words{QStringLiteral("ธรรม"), QStringLiteral("ภิกษุ")};
    std::vector<canon::PageHit> quick = canon::searchBytes(html.toUtf8(), query(words, true));
    const std::vector<canon::PageHit> shown = canon::searchBytes(html.toUtf8(), query(words, false));
    ASSERT_EQ(quick.size(), 4u);
    ASSERT_TRUE(quick[0].lineLater);
    canon::VolumeHits v;
    v.volume = 5;
    for (canon::PageHit& h : quick) {
        h.volume = 5;
        h.file = file;
        v.pages.push_back(h);
    }
    canon::ResultModel model;
    model.setQuery(query(words, true));
    model.addVolume(v);
    const QModelIndex volume = model.index(0, 0);
    // Made off the window's thread: a mark of waiting until the rows change.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    EXPECT_EQ(model.data(model.index(2, 1, volume)).toString(), QStringLiteral("…"));
    ASSERT_TRUE(changed.wait(5000));
    for (int row = 0; row < 4; ++row) {
        const canon::Snippet expected = canon::snippetOf(shown[size_t(row)]);
        const QModelIndex line = model.index(row, 1, volume);
        EXPECT_EQ(model.data(line).toString(), expected.text);
        EXPECT_EQ(model.data(line, canon::ResultModel::MarksRole).toList().size(), qsizetype(expected.marks.size()));
    }
    // A file gone since the search leaves its lines empty, and nothing breaks.
    QFile::remove(file);
    canon::ResultModel later;
    later.setQuery(query(words, true));
    later.addVolume(v);
    QSignalSpy laterChanged(&later, &QAbstractItemModel::dataChanged);
    later.data(later.index(0, 1, later.index(0, 0)));
    ASSERT_TRUE(laterChanged.wait(5000));
    EXPECT_TRUE(later.data(later.index(0, 1, later.index(0, 0))).toString().isEmpty());
    // Rows that went while their lines were on the way are left alone.
    canon::ResultModel cleared;
    cleared.setQuery(query(words, true));
    cleared.addVolume(v);
    cleared.data(cleared.index(0, 1, cleared.index(0, 0)));
    cleared.clear();
    QTest::qWait(200);
    EXPECT_EQ(cleared.rowCount(), 0);
}
