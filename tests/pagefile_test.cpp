// The text of a page file as the reader's view shows it, worked out without the view: held
// to the view itself over generated pages of every awkward shape.
#include "pagefile/shown_text.h"
#include "page_pieces.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>
#include <map>

namespace {

// Text with its boundaries made comparable: the view's paragraph and frame marks are one
// boundary, and boundaries in a row are one.
struct Flat {
    QString text;
    std::vector<int> at; // for each position of the original, its position in text
};

Flat flatten(const QString& raw) {
    Flat f;
    f.at.reserve(size_t(raw.size()) + 1);
    bool boundary = true; // none at the start
    for (QChar c : raw) {
        f.at.push_back(int(f.text.size()));
        const bool b = c == QChar(0x2029) || c == QChar(0xFDD0) || c == QChar(0xFDD1);
        if (b) {
            if (!boundary)
                f.text += QLatin1Char('\n');
            boundary = true;
        } else {
            f.text += c;
            boundary = false;
        }
    }
    f.at.push_back(int(f.text.size()));
    if (f.text.endsWith(QLatin1Char('\n')))
        f.text.chop(1);
    return f;
}

struct Viewed {
    Flat flat;
    std::vector<std::pair<int, QString>> anchors; // flattened position, name
};

// What the view makes of the page, as the reader reads it back.
Viewed view(const QString& html) {
    QTextDocument doc;
    doc.setHtml(html);
    Viewed v;
    v.flat = flatten(doc.toRawText());
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.charFormat().isAnchor())
            for (const QString& name : b.charFormat().anchorNames())
                v.anchors.emplace_back(v.flat.at[size_t(b.position())], name);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.isValid() && f.charFormat().isAnchor())
                for (const QString& name : f.charFormat().anchorNames())
                    v.anchors.emplace_back(v.flat.at[size_t(f.position())], name);
        }
    }
    return v;
}

Viewed ours(const QString& html) {
    const pagefile::ShownText s = pagefile::showPage(html);
    Viewed v;
    v.flat = flatten(s.text);
    for (const pagefile::Anchor& a : s.anchors)
        v.anchors.emplace_back(v.flat.at[size_t(a.at)], a.name);
    return v;
}

QString escaped(const QString& s) {
    QString out;
    for (QChar c : s) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0) ||
            c.unicode() >= 0x2000)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void expectSame(const QString& html) {
    const Viewed theirs = view(html), mine = ours(html);
    EXPECT_EQ(escaped(mine.flat.text), escaped(theirs.flat.text)) << "page: " << escaped(html).toStdString();
    // Where each anchor first stands: the view repeats some on later blocks, which the
    // reader does not count as pages of their own.
    auto first = [](const std::vector<std::pair<int, QString>>& list) {
        std::map<QString, int> out;
        for (const auto& [at, name] : list)
            if (!out.count(name) || out[name] > at)
                out[name] = at;
        return out;
    };
    EXPECT_EQ(first(mine.anchors), first(theirs.anchors)) << "page: " << escaped(html).toStdString();
}

} // namespace

TEST(ShownText, EachPieceAloneAndBetweenWords) {
    for (const QString& p : pagePieces()) {
        expectSame(p);
        expectSame(QStringLiteral("ก ") + p + QStringLiteral(" ข"));
        expectSame(QStringLiteral("<p>ก") + p + QStringLiteral("ข</p><p>ค</p>"));
    }
}

TEST(ShownText, GeneratedPagesAsTheViewShowsThem) {
    QRandomGenerator r(20261208);
    for (int i = 0; i < 3000; ++i)
        expectSame(randomPage(r, 2 + int(r.bounded(30))));
}


TEST(ShownText, TagsEndWhereTheViewEndsThem) {
    const QString page = QStringLiteral(
        "<p style='margin:0cm;\nmargin-bottom:.0001pt'>ก<!-->ข-->ค<span class=\"a\"\">ง\">จ"
        "</span>< ธรรม>ฉ");
    const std::vector<pagefile::Tag> tags = pagefile::readTags(page);
    ASSERT_EQ(tags.size(), 5u);
    EXPECT_EQ(page.mid(tags[0].from, tags[0].to - tags[0].from),
              QStringLiteral("<p style='margin:0cm;\nmargin-bottom:.0001pt'>"));
    ASSERT_EQ(tags[0].attributes.size(), 1u);
    EXPECT_EQ(tags[0].attributes[0].value, QStringLiteral("margin:0cm;\nmargin-bottom:.0001pt"));
    EXPECT_EQ(page.mid(tags[0].attributes[0].from, tags[0].attributes[0].to - tags[0].attributes[0].from),
              QStringLiteral("'margin:0cm;\nmargin-bottom:.0001pt'"));
    // "<!-->" runs to the next "-->", as the view reads it.
    EXPECT_EQ(tags[1].kind, pagefile::Tag::Comment);
    EXPECT_EQ(page.mid(tags[1].from, tags[1].to - tags[1].from), QStringLiteral("<!-->ข-->"));
    // A stray quote opens a value that runs to the next quote.
    EXPECT_EQ(page.mid(tags[2].from, tags[2].to - tags[2].from),
              QStringLiteral("<span class=\"a\"\">ง\">"));
    EXPECT_EQ(tags[3].kind, pagefile::Tag::Close);
    // A '<' before a Thai word opens a tag.
    EXPECT_EQ(tags[4].name, QStringLiteral("ธรรม"));
    EXPECT_EQ(pagefile::showPage(page).text, QStringLiteral("กคจฉ"));
}

TEST(ShownText, PagesComeFromLinkAnchorsWithPageNumbers) {
    const pagefile::ShownText s = pagefile::showPage(QStringLiteral(
        "ก<a name=\"105\"></a>ข<a name=net01></a>ค<a name=\" 106\n\"></a>ง<p id=107>จ</p>"
        "<a name=9305\nhref=x>ฉ</a><a name=\"\">ช"));
    const QString text = s.text;
    auto pageOf = [&](QChar c) { return s.pageAt(int(text.indexOf(c))); };
    EXPECT_EQ(pageOf(u'ก'), QString());
    EXPECT_EQ(pageOf(u'ข'), QStringLiteral("105"));
    EXPECT_EQ(pageOf(u'ค'), QStringLiteral("105")); // a name that is no page number
    EXPECT_EQ(pageOf(u'ง'), QStringLiteral("106")); // trimmed
    EXPECT_EQ(pageOf(u'จ'), QStringLiteral("106")); // an id is no page of its own
    EXPECT_EQ(pageOf(u'ฉ'), QStringLiteral("9305")); // a line end ends the unquoted name
    EXPECT_EQ(pageOf(u'ช'), QStringLiteral("9305")); // an empty name starts no page
    ASSERT_EQ(s.pages().size(), 3u);
    // Each character knows where it came from.
    EXPECT_EQ(s.sourceOf(int(text.indexOf(u'ข'))), 19);
}

namespace {

// The page read a stretch at a time, of sizes the generator picks.
struct Streamed : pagefile::TextSink {
    pagefile::ShownText out;
    int expected = 0; // where the next text must begin
    bool inOrder = true;
    void text(int at, QStringView chars) override {
        inOrder = inOrder && at == expected;
        expected = at + int(chars.size());
        out.text.append(chars);
    }
    void anchor(const pagefile::Anchor& a) override {
        inOrder = inOrder && a.at >= expected;
        out.anchors.push_back(a);
    }
    void source(int at, int from) override { out.sourceRuns.emplace_back(at, from); }
};

pagefile::ShownText streamed(const QString& html, QRandomGenerator& r, int largest, bool* inOrder) {
    pagefile::PageInput in;
    qsizetype at = 0;
    in.read = [&](char16_t* buffer, qsizetype room) -> qsizetype {
        const qsizetype n = std::min<qsizetype>({room, html.size() - at, 1 + qsizetype(r.bounded(largest))});
        std::copy(html.begin() + at, html.begin() + at + n, reinterpret_cast<QChar*>(buffer));
        at += n;
        return n;
    };
    Streamed sink;
    EXPECT_TRUE(pagefile::readPage(in, sink));
    *inOrder = sink.inOrder;
    return sink.out;
}

void expectSameReading(const pagefile::ShownText& a, const pagefile::ShownText& b, const QString& html) {
    const std::string page = html.size() < 2000 ? escaped(html).toStdString() : "(long page)";
    ASSERT_EQ(escaped(a.text), escaped(b.text)) << page;
    ASSERT_EQ(a.anchors.size(), b.anchors.size()) << page;
    for (size_t i = 0; i < a.anchors.size(); ++i) {
        EXPECT_EQ(a.anchors[i].at, b.anchors[i].at) << page;
        EXPECT_EQ(a.anchors[i].name, b.anchors[i].name) << page;
        EXPECT_EQ(a.anchors[i].source, b.anchors[i].source) << page;
        EXPECT_EQ(a.anchors[i].page, b.anchors[i].page) << page;
    }
    EXPECT_EQ(a.sourceRuns, b.sourceRuns) << page;
}

} // namespace

TEST(ShownText, APageReadAStretchAtATimeReadsAsAWholeOne) {
    QRandomGenerator r(20261209);
    // Short pages in stretches down to one character; long ones (past what is held at once:
    // thousands of elements, hundreds of kilobytes) in stretches of all sizes.
    for (int i = 0; i < 1500; ++i) {
        const QString html = randomPage(r, 2 + int(r.bounded(30)));
        bool inOrder = false;
        expectSameReading(streamed(html, r, 1 + int(r.bounded(8)), &inOrder), pagefile::showPage(html), html);
        EXPECT_TRUE(inOrder);
    }
    for (int i = 0; i < 12; ++i) {
        QString html = QStringLiteral("<html><body>");
        // Pieces that close what they open, so that the page stays shown to its end.
        const QStringList tame = {QStringLiteral("<p>ธรรม กุ้ง</p>\r\n"), QStringLiteral("<a name=\"%1\"></a>"),
                                  QStringLiteral("&nbsp;&nbsp;ท&#3635;นาย "), QStringLiteral("<b>ก้<i>ุ</i>ง</b>"),
                                  QStringLiteral("<table><tr><td>ช่อง</td></tr></table>"), QStringLiteral("<br>"),
                                  QStringLiteral("<!-- x -->"), QStringLiteral("<div>หมวด</div>"),
                                  QStringLiteral("<pre>\n  ก\n</pre>")};
        QStringList plain; // the pieces that hide nothing after them
        for (const QString& p : pagePieces())
            if (!QRegularExpression(QStringLiteral("head|script|style|title|textarea|<[!?%]|[\"']|<$|&$"))
                     .match(p)
                     .hasMatch())
                plain << p;
        while (html.size() < 150000 + int(r.bounded(150000))) {
            if (r.bounded(3) == 0)
                html += plain[int(r.bounded(quint32(plain.size())))];
            else
            {
                const QString t = tame[int(r.bounded(quint32(tame.size())))];
                html += t.contains(QLatin1String("%1")) ? t.arg(r.bounded(2000)) : t;
            }
        }
        bool inOrder = false;
        const int largest = i % 3 == 0 ? 7 : i % 3 == 1 ? 5000 : 70000;
        const pagefile::ShownText whole = pagefile::showPage(html);
        expectSameReading(streamed(html, r, largest, &inOrder), whole, html);
        EXPECT_TRUE(inOrder);
        EXPECT_GT(whole.text.size(), html.size() / 6); // shown to its end
        EXPECT_GT(whole.pages().size(), 100u);
    }
}
