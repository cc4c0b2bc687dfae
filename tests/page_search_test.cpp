// The search of a page file's text: read a stretch at a time, by the words' keys or folded
// whole, it finds what the whole text folded at once holds, page by page, line by line.
#include "canon/page_search.h"
#include "page_pieces.h"
#include "pagefile/shown_text.h"
#include "thai/normalise.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

std::vector<canon::SearchWord> wordsOf(const QStringList& typed) {
    std::vector<canon::SearchWord> out;
    for (const QString& w : typed)
        out.emplace_back(thai::foldWord(w));
    return out;
}

std::vector<canon::PageHit> streamed(const QString& html, const std::vector<canon::SearchWord>& words,
                                     bool allWords, bool fast, QRandomGenerator& r, int largest) {
    canon::PageSearch search(words, allWords, fast);
    pagefile::PageInput in;
    qsizetype at = 0;
    in.read = [&](char16_t* buffer, qsizetype room) -> qsizetype {
        const qsizetype n = std::min<qsizetype>({room, html.size() - at, 1 + qsizetype(r.bounded(largest))});
        std::copy(html.begin() + at, html.begin() + at + n, reinterpret_cast<QChar*>(buffer));
        at += n;
        return n;
    };
    EXPECT_TRUE(pagefile::readPage(in, search));
    return search.finish();
}

QString described(const std::vector<canon::PageHit>& pages) {
    QString out;
    for (const canon::PageHit& h : pages) {
        const canon::Snippet s = canon::snippetOf(h);
        out += QStringLiteral("[%1] %2 @%3 «%4»").arg(h.page).arg(h.hits).arg(h.firstAt).arg(s.text);
        for (const auto& [a, n] : s.marks)
            out += QStringLiteral(" %1+%2").arg(a).arg(n);
        out += QLatin1Char('\n');
    }
    return out;
}

// Text that the words stand in, awkwardly spelled.
const QStringList kText = {
    QStringLiteral("ธรรม"), QStringLiteral("ธ<b>ร</b>รม"), QStringLiteral("ธรร<i>ม</i>"),
    QStringLiteral("กุ้ง"), QStringLiteral("กุ้ง"), QStringLiteral("ก้<b>ุ</b>ง"), QStringLiteral("กุ้้ง"),
    QStringLiteral("ทำ"), QStringLiteral("ทํา"), QStringLiteral("ท&#3635;"), QStringLiteral("ท่ำ"),
    QStringLiteral("นนน"), QStringLiteral("ออออ"), QStringLiteral("ก ข"), QStringLiteral("ก\r\n  ข"),
    QStringLiteral("ก&nbsp;ข"), QStringLiteral("ก<br>ข"), QStringLiteral("๙๘"), QStringLiteral("Word"),
    QStringLiteral("ธรรม\u200Bกุ้ง"), QStringLiteral("ธรรม กุ้ง"), QStringLiteral("<a name=\"7\"></a>"),
    QStringLiteral("<a name=\"8\"></a>"), QStringLiteral("<a name=7></a>"), QStringLiteral("ธร<a name=\"9\"></a>รม"),
    QStringLiteral("ก<a name=\"10\"></a>ุ้ง"), QStringLiteral("<p>"), QStringLiteral("</p>"),
    QStringLiteral("\uF70Aก"), QStringLiteral("ภิกษุทั้งหลาย พระผู้มีพระภาคตรัสว่า ดูกรภิกษุทั้งหลาย "),
};

} // namespace

TEST(PageSearch, ReadInStretchesByKeysOrFoldedWholeItFindsWhatTheWholeTextHolds) {
    QRandomGenerator r(20261210);
    for (int i = 0; i < 2500; ++i) {
        QString html;
        const int n = 1 + int(r.bounded(40));
        for (int k = 0; k < n; ++k)
            html += r.bounded(3) == 0 ? pagePieces()[int(r.bounded(quint32(pagePieces().size())))]
                                      : kText[int(r.bounded(quint32(kText.size())))];
        QStringList typed;
        const int words = r.bounded(4) == 0 ? 2 + int(r.bounded(2)) : 1;
        for (int k = 0; k < words; ++k)
            typed << pageWords()[int(r.bounded(quint32(pageWords().size())))];
        const bool allWords = words > 1;
        const auto ws = wordsOf(typed);
        const QString whole = described(canon::searchShownText(pagefile::showPage(html), ws, allWords));
        const int largest = 1 + int(r.bounded(i % 2 ? 8 : 400));
        ASSERT_EQ(described(streamed(html, ws, allWords, true, r, largest)), whole)
            << typed.join(u'|').toStdString() << " in " << html.toStdString();
        ASSERT_EQ(described(streamed(html, ws, allWords, false, r, largest)), whole)
            << typed.join(u'|').toStdString() << " in " << html.toStdString();
    }
}

TEST(PageSearch, ALongPageIsSearchedInLittleMemoryToItsEnd) {
    // A page of a megabyte and more, read in stretches: its places far apart and its result
    // line made long before the end.
    QRandomGenerator r(7);
    QString html = QStringLiteral("<a name=\"1\"></a><p>");
    for (int i = 0; i < 60000; ++i)
        html += i % 5000 == 4999 ? QStringLiteral("ธรรม ") : QStringLiteral("ภิกษุทั้งหลาย ");
    html += QStringLiteral("</p><a name=\"2\"></a><p>ก้<b>ุ</b>ง ธรรม</p>");
    const auto ws = wordsOf({QStringLiteral("ธรรม")});
    const auto pages = streamed(html, ws, false, true, r, 70000);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].page, QStringLiteral("1"));
    EXPECT_EQ(pages[0].hits, 12);
    EXPECT_LT(pages[0].excerpt.size(), 300);
    EXPECT_EQ(pages[1].page, QStringLiteral("2"));
    EXPECT_EQ(described(pages), described(canon::searchShownText(pagefile::showPage(html), ws, false)));
}

TEST(PageSearch, WordsTakeTheirRarestLetterForKeyUnlessTheyCanOverlapThemselves) {
    EXPECT_EQ(canon::SearchWord(thai::foldWord(QStringLiteral("ธรรม"))).key, 0); // ธ, not ร
    EXPECT_EQ(canon::SearchWord(thai::foldWord(QStringLiteral("นน"))).key, -1);
    EXPECT_EQ(canon::SearchWord(thai::foldWord(QStringLiteral("้"))).key, -1);  // a mark only
    EXPECT_EQ(canon::SearchWord(thai::foldWord(QStringLiteral("98"))).key, -1); // Thai digits fold to these
    EXPECT_EQ(canon::SearchWord(thai::foldWord(QStringLiteral("ทำ"))).key, 0);
}
