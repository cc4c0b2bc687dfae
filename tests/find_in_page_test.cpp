// The reader reads a page file as the canon search does: a word found on printed page P of a
// file by the search is found by find in page within page P, as often, on pages of every
// awkward shape and encoding and on pages shaped as office programs save them; its parts
// are cut and its pages counted at the anchors the search takes for pages.
#include "canon/engine.h"
#include "page_pieces.h"
#include "pagefile/shown_text.h"
#include "reader/page_parts.h"
#include "reader/page_view.h"
#include "thai/normalise.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace {

using Hits = std::map<QString, int>; // printed page: places

QString escaped(const QString& s) {
    QString out;
    for (QChar c : s)
        out += c.unicode() < 0x20 || c.unicode() >= 0x2000
                   ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                   : QString(c);
    return out;
}

QString described(const Hits& h) {
    QString out;
    for (const auto& [page, n] : h)
        out += QStringLiteral("[%1]%2 ").arg(page).arg(n);
    return out;
}

// A page file in a program folder, opened in a reader's view.
struct Reader {
    QTemporaryDir dir;
    reader::PageView view{dir.path()};
    QString open(const QByteArray& bytes) {
        const QString path = dir.path() + QStringLiteral("/page.htm");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        view.navigate(path);
        view.finishLoading();
        return path;
    }
    // The places marked, by the page each stands on. Each lies within one page and holds
    // the word: its characters in the view fold to a text with it.
    Hits hits(const QStringList& words) {
        view.setMarkedWords(words);
        QStringList folded;
        for (const QString& w : words)
            folded << thai::foldWord(w);
        Hits out;
        for (int k = 0; k < view.hitCount(); ++k) {
            const auto [a, b] = view.hit(k);
            const QString page = view.pageAt(a);
            EXPECT_EQ(view.pageAt(b - 1), page) << "a place runs over a page's start";
            QTextCursor c(view.document());
            c.setPosition(a);
            c.setPosition(b, QTextCursor::KeepAnchor);
            const QString shown = thai::foldWord(c.selectedText());
            EXPECT_TRUE(std::any_of(folded.begin(), folded.end(), [&](const QString& w) {
                return shown.contains(w);
            })) << escaped(shown).toStdString();
            ++out[page];
        }
        return out;
    }
};

Hits canonHits(const QByteArray& bytes, const QString& word, bool allWords = false) {
    canon::Query q;
    q.word = word;
    q.allWords = allWords;
    Hits out;
    for (const canon::PageHit& h : canon::searchBytes(bytes, q))
        out[h.page] += h.hits;
    return out;
}

// The search's words of every kind, and ones the pieces' markup holds but does not show.
const QStringList kWords =
    pageWords() + QStringList{QStringLiteral("Angsana"), QStringLiteral("margin"),
                              QStringLiteral("x"),       QStringLiteral("line"),
                              QStringLiteral("c"),       QStringLiteral("น้ำ"),
                              QStringLiteral("-->"),     QStringLiteral("href")};

// Text the words stand in, spelled awkwardly, and page anchors among it.
const QStringList kText = {
    QStringLiteral("ธรรม"),
    QStringLiteral("ธ<b>ร</b>รม"),
    QStringLiteral("ก้<b>ุ</b>ง"),
    QStringLiteral("กุ้ง"),
    QStringLiteral("ท&#3635;นาย"),
    QStringLiteral("ก ข"),
    QStringLiteral("ก\r\n  ข"),
    QStringLiteral("ก&nbsp;ข"),
    QStringLiteral("ก<br>ข"),
    QStringLiteral("ธรรม<wbr>  กุ้ง"),
    QStringLiteral("<a name=\"%1\"></a>"),
    QStringLiteral("<a name=%1></a>"),
    QStringLiteral("ธร<a name=\"%1\"></a>รม"),
    QStringLiteral("<a name=%1\r\nhref=#x>ธรรม</a>"),
    QStringLiteral("<a name=\"\t%1\">"),
    QStringLiteral("<p>"),
    QStringLiteral("</p>"),
    QStringLiteral("๙๘ Word"),
};

QString generated(QRandomGenerator& r) {
    QString html;
    const int n = 1 + int(r.bounded(40));
    for (int k = 0; k < n; ++k) {
        if (r.bounded(3) == 0) {
            html += pagePieces()[int(r.bounded(quint32(pagePieces().size())))];
            continue;
        }
        const QString t = kText[int(r.bounded(quint32(kText.size())))];
        html += t.contains(QLatin1String("%1")) ? t.arg(100 + r.bounded(6)) : t;
    }
    if (r.bounded(5) == 0 && !html.isEmpty())
        html.truncate(int(r.bounded(quint32(html.size())))); // a file cut short
    return html;
}

// Paragraphs as a word processor saves a Thai document as a web page: long style values
// wrapped over lines, spans around single letters and runs of spaces, conditional comments,
// empty-paragraph markers and the like. visible: how often "ธรรม" is shown.
QString officeDocument(QRandomGenerator& r, int pages, int* visible) {
    QString html = QStringLiteral(
        "<html xmlns:v=\"urn:schemas-microsoft-com:vml\"\r\n"
        "xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n"
        "xmlns:w=\"urn:schemas-microsoft-com:office:word\"\r\n"
        "xmlns=\"http://www.w3.org/TR/REC-html40\">\r\n\r\n<head>\r\n"
        "<meta http-equiv=Content-Type content=\"text/html; charset=windows-874\">\r\n"
        "<meta name=ProgId content=Word.Document>\r\n"
        "<title>ธรรม</title>\r\n"
        "<!--[if gte mso 9]><xml>\r\n <o:DocumentProperties>\r\n  <o:Author>ธรรม</o:Author>\r\n"
        " </o:DocumentProperties>\r\n</xml><![endif]-->\r\n"
        "<style>\r\n<!--\r\n /* Font Definitions */\r\n @font-face\r\n\t{font-family:\"Angsana "
        "New\";\r\n"
        "\tpanose-1:2 2 6 3 5 4 5 2 3 4;}\r\np.MsoNormal, li.MsoNormal, div.MsoNormal\r\n"
        "\t{mso-style-parent:\"\";\r\n\tmargin:0cm;\r\n\tfont-size:16.0pt;\r\n"
        "\tfont-family:\"Angsana New\";}\r\n-->\r\n</style>\r\n</head>\r\n\r\n"
        "<body lang=EN-US style='tab-interval:36.0pt'>\r\n\r\n<div class=Section1>\r\n\r\n");
    const QStringList said = {
        QStringLiteral("ธรรม"),
        QStringLiteral("ธ</span><span lang=TH style='font-family:\r\n\"Angsana New\"'>รรม"),
        QStringLiteral("<span style=\"mso-spacerun:\r\nyes\">  </span>ธรรม"),
        QStringLiteral("ธรร<span\r\nlang=TH>ม</span>"),
        QStringLiteral("ธรรม<o:p></o:p>"),
        QStringLiteral("<b style='mso-bidi-font-weight:normal'>ธรรม</b>")};
    const QStringList other = {
        QStringLiteral("ภิกษุทั้งหลาย  พระผู้มีพระภาคตรัสว่า "),
        QStringLiteral("<![if !supportEmptyParas]>&nbsp;<![endif]>"),
        QStringLiteral("<span style='font-size:14.0pt;\r\nfont-family:\"Angsana "
                       "New\";mso-ascii-font-family:\r\nTahoma'>ข้อ ๑๒๓</span>"),
        QStringLiteral(
            "<!--[if supportFields]><span style='mso-element:field-begin'></span><![endif]-->"),
        QStringLiteral(
            "<span class=MsoNormal\r\nstyle='mso-bidi-font-family:\"Angsana New\"'>สาธุ</span>"),
        QStringLiteral("&#3652;&#3604;&#3657; "),
        QStringLiteral(
            "<img width=12 height=12\r\nsrc=\"page_files/image001.gif\" alt=\"ธรร\r\nม\">")};
    *visible = 0;
    for (int p = 1; p <= pages; ++p) {
        html += QStringLiteral("<p class=MsoNormal align=center style='text-align:center'><a "
                               "name=\"%1\"></a><b><span\r\n"
                               "lang=TH style='font-size:18.0pt;font-family:\"Angsana New\"'>หน้า "
                               "%1<o:p></o:p></span></b></p>\r\n\r\n")
                    .arg(p);
        const int paragraphs = 1 + int(r.bounded(4));
        for (int k = 0; k < paragraphs; ++k) {
            html +=
                QStringLiteral("<p class=MsoNormal "
                               "style='text-indent:36.0pt;line-height:\r\n150%'><span lang=TH\r\n"
                               "style='font-family:\"Angsana New\"'>");
            const int bits = 1 + int(r.bounded(8));
            for (int b = 0; b < bits; ++b) {
                if (r.bounded(2) == 0) {
                    html += said[int(r.bounded(quint32(said.size())))];
                    ++*visible;
                } else {
                    html += other[int(r.bounded(quint32(other.size())))];
                }
                html += r.bounded(3) == 0 ? QStringLiteral("\r\n") : QStringLiteral(" ");
            }
            html += QStringLiteral("</span></p>\r\n\r\n");
        }
    }
    return html + QStringLiteral("</div>\r\n\r\n</body>\r\n\r\n</html>\r\n");
}

// A page as a web-page editor of the time saves one: fonts by face, tables of cells with
// widths, an include marker, page anchors with ids beside them.
QString editorPage(QRandomGenerator& r, int pages, int* visible) {
    QString html = QStringLiteral(
        "<html>\r\n\r\n<head>\r\n<meta http-equiv=\"Content-Language\" content=\"th\">\r\n"
        "<meta name=\"ProgId\" content=\"FrontPage.Editor.Document\">\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-874\">\r\n"
        "<title>ธรรม</title>\r\n</head>\r\n\r\n<body bgcolor=\"#FFFFEE\">\r\n\r\n");
    *visible = 0;
    for (int p = 1; p <= pages; ++p) {
        html += QStringLiteral(
                    "<p align=\"center\"><a name=\"%1\"><font face=\"Angsana New\" size=\"5\">"
                    "<b>หน้า %1</b></font></a></p>\r\n")
                    .arg(p);
        const int rows = int(r.bounded(3));
        if (rows)
            html += QStringLiteral("<table border=\"0\" width=\"100%\" id=\"table%1\">\r\n").arg(p);
        for (int k = 0; k < rows; ++k) {
            html += QStringLiteral(
                "\t<tr>\r\n\t\t<td width=\"50%\"><font face=\"Angsana New\">ธรรม</font></td>\r\n"
                "\t\t<td width=\"50%\"><font face=\"Angsana New\" "
                "size=\"4\">กุ้ง&nbsp;\r\nธ<b>รร</b>ม</font></td>\r\n\t</tr>\r\n");
            *visible += 2;
        }
        if (rows)
            html += QStringLiteral("</table>\r\n");
        html += QStringLiteral(
            "<p><font face=\"Angsana New\" size=\"4\">&nbsp;&nbsp;&nbsp; ภิกษุทั้งหลาย ธรรม"
            "<!--webbot bot=\"Include\" U-Include=\"x.htm\" TAG=\"BODY\" --></font></p>\r\n");
        ++*visible;
        html += QStringLiteral(
            "<p>face=\"ธรรม\" style='font-family:x'</p>\r\n"); // text, not attributes
        ++*visible;
    }
    // The view knows an anchor with an id as well by its id alone: no page of its own.
    html += QStringLiteral("<p><a name=\"99\" id=\"x99\">ธรรม</a></p>");
    ++*visible;
    return html + QStringLiteral("\r\n</body>\r\n\r\n</html>");
}

} // namespace

TEST(FindInPage, FindsAWordOnEachPrintedPageAsOftenAsTheCanonSearch) {
    QRandomGenerator r(20261209);
    Reader reader;
    for (int i = 0; i < 2000; ++i) {
        const QString html = generated(r);
        const QByteArray bytes = encodedPage(html, i % kPageEncodings);
        reader.open(bytes);
        for (int w = 0; w < 4; ++w) {
            const QString word = kWords[int(r.bounded(quint32(kWords.size())))];
            ASSERT_EQ(described(reader.hits({word})), described(canonHits(bytes, word)))
                << escaped(word).toStdString() << " in " << escaped(html).toStdString()
                << " encoding " << i % kPageEncodings;
        }
        // All of two words: each page the search lists holds as many places of them in the
        // reader, where every page with any of them is marked.
        const QString two = kWords[int(r.bounded(quint32(kWords.size())))] + QLatin1Char(' ') +
                            kWords[int(r.bounded(quint32(kWords.size())))];
        const Hits marked = reader.hits(
            two.split(QLatin1Char(' '), Qt::SkipEmptyParts)); // as the search window splits them
        for (const auto& [page, n] : canonHits(bytes, two, true)) {
            ASSERT_TRUE(marked.count(page))
                << escaped(two).toStdString() << " in " << escaped(html).toStdString();
            EXPECT_EQ(marked.at(page), n)
                << escaped(two).toStdString() << " in " << escaped(html).toStdString();
        }
    }
}

TEST(FindInPage, LongFilesShownPartByPartCountTheSame) {
    // Past the length a page lays out at once: shown from its parts, one page anchor each,
    // cut from the page with its fonts named anew.
    QRandomGenerator r(41);
    Reader reader;
    for (int i = 0; i < 3; ++i) {
        QString html = QStringLiteral("<html><head><style>p{margin:0}</style></head><body>");
        int page = 1;
        while (html.size() < 130000) {
            if (r.bounded(40) == 0)
                html += QStringLiteral("<a name=\"%1\"></a>").arg(page++);
            else {
                const QString t = kText[int(r.bounded(quint32(kText.size())))];
                // Fonts the reader names anew in the tags before it cuts the parts.
                static const QStringList opening = {
                    QStringLiteral("<p>"),
                    QStringLiteral("<p style='font-family:Angsana New;\r\nfont-size:16pt'>"),
                    QStringLiteral("<p><font face=\"Angsana New\" size=4>")};
                html += opening[int(r.bounded(3))] +
                        (t.contains(QLatin1String("%1")) ? t.arg(page) : t) +
                        QStringLiteral(" ภิกษุทั้งหลาย</p>\r\n");
            }
        }
        const QByteArray bytes = encodedPage(html, i % kPageEncodings);
        reader.open(bytes);
        for (const QString& word :
             {QStringLiteral("ธรรม"), QStringLiteral("กุ้ง"), QStringLiteral("ก ข")})
            EXPECT_EQ(described(reader.hits({word})), described(canonHits(bytes, word))) << i;
    }
}

TEST(FindInPage, PagesSavedByOfficeProgramsLoseNoText) {
    QRandomGenerator r(874);
    Reader reader;
    for (int i = 0; i < 42; ++i) {
        int visible = 0;
        // The last two long enough to be shown part by part.
        const int pages = i < 40 ? 1 + int(r.bounded(6)) : 300;
        const QString html =
            i % 2 ? officeDocument(r, pages, &visible) : editorPage(r, pages, &visible);
        // As labelled, or in UTF-16 with a byte-order mark, which wins over the label.
        const QByteArray bytes = encodedPage(html, i % 4 == 0 ? 3 : 0);
        reader.open(bytes);
        if (i >= 40)
            ASSERT_GT(html.size(), 100000);
        const Hits mine = reader.hits({QStringLiteral("ธรรม")});
        int total = 0;
        for (const auto& [page, n] : mine) {
            EXPECT_FALSE(page.isEmpty()); // every one on a page: nothing before the first
            total += n;
        }
        EXPECT_EQ(total, visible) << escaped(html).toStdString();
        EXPECT_EQ(described(mine), described(canonHits(bytes, QStringLiteral("ธรรม"))));
        for (const QString& word :
             {QStringLiteral("ภิกษุทั้งหลาย พระผู้มีพระภาค"), QStringLiteral("สาธุ"), QStringLiteral("ได้"),
              QStringLiteral("Angsana"), QStringLiteral("กุ้ง ธรรม")})
            EXPECT_EQ(described(reader.hits({word})), described(canonHits(bytes, word)))
                << escaped(word).toStdString();
    }
}

TEST(FindInPage, AllWordsAreMarkedTogetherInTheOrderTheyStand) {
    Reader reader;
    const QByteArray bytes = encodedPage(
        QStringLiteral("<a name=1></a><p>กุ้ง ธรรม</p><a name=\"2\"></a><p>ธรรม ก้<b>ุ</b>ง ธรรม</p>"
                       "<a name=3></a><p>ธรรม</p>"),
        0);
    reader.open(bytes);
    const QStringList words = {QStringLiteral("ธรรม"), QStringLiteral("กุ้ง"),
                               QStringLiteral("ธรรม")};
    const Hits both = reader.hits(words);
    // Every place of each word, counted once however often the word was typed.
    EXPECT_EQ(described(both), QStringLiteral("[1]2 [2]3 [3]1 "));
    Hits search = canonHits(bytes, QStringLiteral("ธรรม กุ้ง"), true);
    EXPECT_EQ(described(search), QStringLiteral("[1]2 [2]3 ")); // pages with every word
    EXPECT_EQ(reader.view.markedWord(), QStringLiteral("ธรรม กุ้ง ธรรม"));
    for (int k = 1; k < reader.view.hitCount(); ++k)
        EXPECT_LT(reader.view.hit(k - 1).first, reader.view.hit(k).first);
    EXPECT_EQ(reader.view.extraSelections().size(), 6);
}

TEST(PageParts, PartsAreCutAtTheCanonSearchsPageAnchorsOnly) {
    // Long enough to be shown part by part; every page a part of its own, named as the
    // search names it; other anchors are kept, in the part that holds them.
    QString html = QStringLiteral("<body>");
    const QStringList anchors = {QStringLiteral("<a name=9305\r\nhref=\"#x\">"),
                                 QStringLiteral("<a name=\t9310>"),
                                 QStringLiteral("<a name=net01></a>"),
                                 QStringLiteral("<a name=\"หมวด 1\"></a>"),
                                 QStringLiteral("<a name=\"\"></a>"),
                                 QStringLiteral("<A NAME=' 9311 '></A>"),
                                 QStringLiteral("<p id=9312>"),
                                 QStringLiteral("<a name=\"9313\" title=\"a\r\nb>c\"></a>")};
    for (const QString& a : anchors)
        html += a + QStringLiteral("ธรรม ").repeated(400) + QStringLiteral("</p>\r\n");
    const reader::PageParts p = reader::shapePage(html);
    QStringList pages, others;
    for (const auto& a : p.anchors)
        (a.page ? pages : others) << a.name.trimmed();
    others.removeDuplicates(); // the view names the paragraph again after its end
    EXPECT_EQ(pages, (QStringList{"9305", "9310", "9311", "9313"}));
    EXPECT_EQ(others, (QStringList{"net01", QStringLiteral("หมวด 1"), "9312"}));
    ASSERT_NE(p.find(QStringLiteral(" 9311")), nullptr);
    EXPECT_EQ(p.find(QStringLiteral(" 9311"))->name, QStringLiteral(" 9311 "));
    EXPECT_EQ(p.find(QStringLiteral("หมวด")), nullptr);
    // Style elements by the thousand in the head, none of them ended: read once through.
    const reader::PageParts styles =
        reader::shapePage(QStringLiteral("<head>") + QStringLiteral("<style>p{}").repeated(20000) +
                          QStringLiteral("</head><body><a name=1></a>ธรรม"));
    EXPECT_EQ(styles.parts.size(), 1u);
    // A page number asks for the printed page, not for a paragraph named alike before it.
    const reader::PageParts named =
        reader::shapePage(QStringLiteral("<p id=7>ก</p><a name=\" 7\"></a>ข"));
    ASSERT_NE(named.find(QStringLiteral("7")), nullptr);
    EXPECT_TRUE(named.find(QStringLiteral("7"))->page);
    // Each page begins its part; nothing of the page before is in it.
    for (const auto& a : p.anchors)
        if (a.page) {
            EXPECT_TRUE(p.parts[a.part].contains(a.name)) << a.name.toStdString();
            EXPECT_FALSE(a.part > 0 && p.parts[a.part - 1].contains(a.name));
        }
    EXPECT_NE(p.partOf("9305"), p.partOf("9310"));
    EXPECT_EQ(p.partOf("net01"), p.partOf("9310"));
    // All the text is in the parts, none twice.
    QString all;
    for (const QString& part : p.parts)
        all += pagefile::showPage(part).text;
    EXPECT_EQ(all.count(QStringLiteral("ธรรม")), 400 * anchors.size());
}

// Tags whose values run over lines, hold '>' or a stray quote, and end within themselves.
const QStringList kTagsThatEnd = {
    QStringLiteral("<p style='margin:0cm;\nmargin-bottom:.0001pt'>"),
    QStringLiteral("<span title=\"a\nb\">"),
    QStringLiteral("<span style='font-size:16.0pt;\nfont-family:\"Angsana New\"'>"),
    QStringLiteral("</span>"),
    QStringLiteral("<a name=9305\nhref=x>"),
    QStringLiteral("<p class='it\\'s'>"),
    QStringLiteral("</p>"),
    QStringLiteral("<img alt=\"a > b\"\r\nsrc=x.gif>"),
    QStringLiteral("<font\r\nface=\"Angsana New\"\r\nsize=4>"),
    QStringLiteral("</font>"),
    QStringLiteral("<p class=MsoNormal\"\">"),
    QStringLiteral("<td title='\"'>"),
    QStringLiteral("<table><tr><td>"),
    QStringLiteral("</table>"),
    QStringLiteral("<b>"),
    QStringLiteral("</b>"),
    QStringLiteral("<!-- a > b\n -->"),
    QStringLiteral("<br>")};

TEST(PageParts, QuotedValuesOverLinesAndStrayQuotesKeepTheTextTheViewShows) {
    // A tag ends where the view ends it: a quoted value runs over line ends and '>', a stray
    // quote to the next quote. Whatever the view shows, every part shows too.
    QRandomGenerator r(5);
    for (int i = 0; i < 300; ++i) {
        QString html = QStringLiteral("<body>");
        for (int k = 0; k < 30; ++k) {
            html += kTagsThatEnd[int(r.bounded(quint32(kTagsThatEnd.size())))];
            if (r.bounded(4) == 0)
                html += QStringLiteral("<a name=\"%1\"></a>").arg(k);
            html += QStringLiteral(" ธรรม");
        }
        reader::PartLimits small;
        small.softChars = 40;
        small.hardChars = 80;
        const reader::PageParts p = reader::shapePage(html, small);
        const QString whole = pagefile::showPage(html).text;
        QString parts;
        for (const QString& part : p.parts)
            parts += pagefile::showPage(p.head + part).text;
        EXPECT_EQ(parts.count(QStringLiteral("ธรรม")), whole.count(QStringLiteral("ธรรม")))
            << escaped(html).toStdString();
    }
}

TEST(PageView, FontsAndStylesAreMappedInsideTagsOnly) {
    // Long style values wrapped over lines, a stray quote, a face in the text: the text shown
    // is the same before and after, and the fonts named inside the tags are mapped.
    const QString page = QStringLiteral(
        "<style>p {font-family:\"Angsana New\"}</style>"
        "<p style='margin:0cm;\nfont-family:Angsana New;\nfont-size:16.0pt'>ก face=\"x\" ข</p>"
        "<span class=\"a\"\">ง\">จ</span><font\nface=\"Browallia "
        "New\"\nsize=4>style='font-family:y'</font>"
        "<font color=\"red>ซ</font>\">ฌ");
    const QString mapped = reader::mapStyles(reader::mapFontFaces(page));
    EXPECT_EQ(escaped(pagefile::showPage(mapped).text), escaped(pagefile::showPage(page).text));
    EXPECT_TRUE(mapped.contains(QStringLiteral("face=\"Garuda, Browallia New\"")));
    EXPECT_TRUE(mapped.contains(QStringLiteral("ก face=\"x\" ข")));
    EXPECT_TRUE(mapped.contains(QStringLiteral(">style='font-family:y'<")));
    EXPECT_TRUE(mapped.contains(QStringLiteral("font-family:'Kinnari', Angsana New;\n")));
    EXPECT_EQ(reader::mapFontFaces(QStringLiteral("<p>ธรรม</p>")), QStringLiteral("<p>ธรรม</p>"));
    // The generated pages too: what they show stays as it was.
    QRandomGenerator r(9);
    for (int i = 0; i < 600; ++i) {
        const QString html = randomPage(r, 2 + int(r.bounded(30)));
        const QString both = reader::mapStyles(reader::mapFontFaces(html));
        ASSERT_EQ(escaped(pagefile::showPage(both).text), escaped(pagefile::showPage(html).text))
            << escaped(html).toStdString();
    }
}
