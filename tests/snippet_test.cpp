// The line a canon search result shows: its own page only, whole Thai words, every place
// marked.
#include "canon/snippet.h"
#include "pagefile/shown_text.h"
#include "thai/normalise.h"

#include <QStringList>
#include <QTextBoundaryFinder>
#include <gtest/gtest.h>

namespace {

// The places of the words on one page of a page file, and the snippet around the first.
canon::Snippet snippetOn(const QString& html, const QString& page, const QStringList& words) {
    const pagefile::ShownText s = pagefile::showPage(html);
    const thai::Folded folded = thai::fold(s.text);
    std::vector<std::pair<int, int>> places;
    for (const QString& w : words)
        for (const auto& p : thai::findAll(folded, thai::foldWord(w)))
            if (s.pageAt(p.first) == page)
                places.push_back(p);
    std::sort(places.begin(), places.end());
    std::pair<int, int> span{0, int(s.text.size())};
    for (const pagefile::Anchor* a : s.pages()) {
        if (a->name.trimmed() == page)
            span.first = a->at;
        else if (a->at > span.first && span.second == int(s.text.size()) && span.first > 0)
            span.second = a->at;
    }
    return canon::snippetAround(s.text, span, places, 0);
}

} // namespace

TEST(Snippet, KeepsToItsOwnPage) {
    const QString html = QStringLiteral(
        "<p>ข้อความหน้าก่อน ภิกษุทั้งหลายเข้าไปเฝ้าพระผู้มีพระภาค หน้า 104 ยาวมาก</p>"
        "<a name=\"105\"></a><p>ธรรม</p>"
        "<a name=\"106\"></a><p>ข้อความหน้าถัดไป ครั้งนั้นแล ภิกษุทั้งหลาย ยาวมากจนเกินแปดสิบตัวอักษรแน่นอน</p>");
    const canon::Snippet s = snippetOn(html, QStringLiteral("105"), {QStringLiteral("ธรรม")});
    EXPECT_EQ(s.text, QStringLiteral("ธรรม"));
    ASSERT_EQ(s.marks.size(), 1u);
    EXPECT_EQ(s.marks[0], std::make_pair(0, 4));
}

TEST(Snippet, StartsAndEndsAtWholeWords) {
    QString para;
    for (int i = 0; i < 6; ++i)
        para += QStringLiteral("บุคคลพึงละความโกรธพึงสละความถือตัว");
    const QString html = QStringLiteral("<a name=\"1\"></a><p>") + para + QStringLiteral("สมาธิภาวนา") +
                         para + QStringLiteral("</p>");
    const canon::Snippet s = snippetOn(html, QStringLiteral("1"), {QStringLiteral("สมาธิ")});
    ASSERT_FALSE(s.text.isEmpty());
    // Neither end cuts a word: the snippet begins and ends where the page's words do.
    const QString page = pagefile::showPage(html).text;
    const int at = int(page.indexOf(s.text));
    ASSERT_GE(at, 0);
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, page);
    words.setPosition(at);
    EXPECT_TRUE(words.isAtBoundary()) << qPrintable(s.text);
    words.setPosition(at + int(s.text.size()));
    EXPECT_TRUE(words.isAtBoundary()) << qPrintable(s.text);
    EXPECT_FALSE(s.text.startsWith(QChar(0x0E36))) << qPrintable(s.text); // no "ึง" start
}

TEST(Snippet, MarksEveryWordOfAnAllWordsSearch) {
    const QString html = QStringLiteral(
        "<a name=\"7\"></a><p>ภิกษุทั้งหลาย <b>ธรรม</b>เหล่านี้อันบุคคลเจริญแล้ว ทำให้มากแล้ว</p>");
    const canon::Snippet s = snippetOn(html, QStringLiteral("7"),
                                       {QStringLiteral("ธรรม"), QStringLiteral("ภิกษุ"), QStringLiteral("มาก")});
    ASSERT_EQ(s.marks.size(), 3u);
    EXPECT_EQ(s.text.mid(s.marks[0].first, s.marks[0].second), QStringLiteral("ภิกษุ"));
    EXPECT_EQ(s.text.mid(s.marks[1].first, s.marks[1].second), QStringLiteral("ธรรม"));
    EXPECT_EQ(s.text.mid(s.marks[2].first, s.marks[2].second), QStringLiteral("มาก"));
}
