#include "thai/measure.h"
#include "thai/normalise.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {
QString f(const QString& s) {
    return thai::foldWord(s);
}
// The source text a place of the word covers.
QStringList found(const QString& text, const QString& word) {
    QStringList out;
    const thai::Folded folded = thai::fold(text);
    for (const auto& [a, b] : thai::findAll(folded, thai::foldWord(word)))
        out << text.mid(a, b - a);
    return out;
}
} // namespace

TEST(ThaiFolding, SpellingsThatDisplayAlikeCompareEqual) {
    // SARA AM typed as one character or as NIKHAHIT + SARA AA, a tone mark between.
    EXPECT_EQ(f("น้ำ"), f("น\u0E49\u0E4D\u0E32"));
    EXPECT_EQ(f("น้ำ"), f("น\u0E4D\u0E49\u0E32"));
    EXPECT_EQ(f("กำ"), f("ก\u0E4D\u0E32"));
    // Marks over and under a consonant in any typed order; a doubled mark is one.
    EXPECT_EQ(f("กิ่ง"), f("ก\u0E48\u0E34ง"));
    EXPECT_EQ(f("ปุ่ม"), f("ป\u0E48\u0E38ม"));
    EXPECT_EQ(f("ก่่อน"), f("ก่อน"));
    EXPECT_EQ(f("กิิน"), f("กิน"));
    // Legacy glyph codes of old Thai fonts.
    EXPECT_EQ(f("ป\uF70Aา"), f("ป่า"));
    EXPECT_EQ(f("\uF700าน"), f("ฐาน"));
    EXPECT_EQ(f("ก\uF701น"), f("กิน"));
    EXPECT_EQ(f("ที\uF70E"), f("ที์"));
    // Zero-width characters and soft hyphens are nothing; a no-break space is a space.
    EXPECT_EQ(f("พระ\u200Bไตร\u200Cปิ\u200Dฎก"), f("พระไตรปิฎก"));
    EXPECT_EQ(f("ธรรม\u00ADะ"), f("ธรรมะ"));
    EXPECT_EQ(f("ศีล\u00A0๕"), f("ศีล 5"));
    // Thai digits are Arabic digits; Latin letters have no case.
    EXPECT_EQ(f("๑๒๓๔๕๖๗๘๙๐"), f("1234567890"));
    EXPECT_EQ(f("Pali ÄB"), f("pALI äb"));
    // What differs in display stays apart.
    EXPECT_NE(f("กิน"), f("กีน"));
    EXPECT_NE(f("ก่า"), f("ก้า"));
    EXPECT_NE(f("ทาน"), f("ทาน "));
}

TEST(ThaiFolding, EachPlaceCoversExactlyTheCharactersShown) {
    const QString text = QStringLiteral("ดื่มน\u0E4D\u0E49\u0E32 และ น้ำใจ ไม่ใช่ น้ำ\u200Bตา");
    // Typed one way, found written the other; each place is the source's own characters.
    EXPECT_EQ(found(text, "น้ำ"),
              (QStringList{"น\u0E4D\u0E49\u0E32", "น้ำ", "น้ำ"}));
    const thai::Folded folded = thai::fold(text);
    ASSERT_EQ(folded.from.size(), size_t(folded.text.size()));
    ASSERT_EQ(folded.to.size(), size_t(folded.text.size()));
    for (size_t i = 0; i < folded.from.size(); ++i) {
        EXPECT_LT(folded.from[i], folded.to[i]);
        EXPECT_LE(folded.to[i], text.size());
        if (i > 0) {
            EXPECT_GE(folded.from[i], folded.from[i - 1]); // in source order
        }
    }
    // A place whose last character is SARA AM covers it whole.
    EXPECT_EQ(found(QStringLiteral("กำลัง"), QStringLiteral("ก\u0E4D\u0E32")),
              QStringList{"กำ"});
    // The zero-width space inside a word is covered, not split on.
    EXPECT_EQ(found(QStringLiteral("x น้ำ\u200Bตา y"), QStringLiteral("น้ำตา")),
              QStringList{"น้ำ\u200Bตา"});
}

TEST(ThaiFolding, OddWordsFindNothingWrongAndNeverHang) {
    EXPECT_TRUE(found("ศีล", "").isEmpty());
    EXPECT_EQ(found("ก่ ข่", "\u0E48").size(), 2); // marks only: the marks themselves
    EXPECT_TRUE(found("ศีล", QString(10000, QChar(u'ก'))).isEmpty());
    EXPECT_EQ(found("ธรรม \U0001F64F ธรรม", "\U0001F64F").size(), 1);
    EXPECT_EQ(found("อาอาอา", "อาอา").size(), 1); // places do not overlap
    const QString mixed = QStringLiteral("\u0E33\u0E33\u0E49\u0E49"); // malformed runs
    EXPECT_FALSE(thai::fold(mixed).text.isEmpty());
}

TEST(ThaiFolding, TheUtf8FoldingIsTheSameAsTheOther) {
    const QStringList samples = {
        "น้ำใจ น\u0E4D\u0E49\u0E32ตา กิ่ง ก\u0E48\u0E34ง ก่่อน", "๑๒๓ ABC Äb xyz",
        "ป\uF70Aา พระ\u200Bไตร\u00ADปิฎก ศีล\u00A0๕", "\U0001F64F ธรรม \U00020000",
        "\u0E33\u0E33\u0E49\u0E49 ำ่", "Ş Ğ ĳ ſ ẞ"};
    for (const QString& s : samples) {
        std::string out;
        thai::foldUtf8(s.toStdString(), out);
        EXPECT_EQ(QString::fromStdString(out), thai::foldWord(s)) << s.toStdString();
    }
}

TEST(ThaiElide, ShortensInTheMiddleWithoutCuttingAMarkFromItsConsonant) {
    EXPECT_EQ(thai::elideMiddle(QStringLiteral("ศีล"), 60), QStringLiteral("ศีล"));
    const QString sixty = QString(60, QChar(0x0E01));
    EXPECT_EQ(thai::elideMiddle(sixty, 60), sixty);
    // Every consonant carries two marks: still whole characters on both sides of "…".
    const QString marked = QStringLiteral("ก่ิ").repeated(100);
    const QString shown = thai::elideMiddle(marked, 60);
    EXPECT_EQ(shown.toStdString(), (QStringLiteral("ก่ิ").repeated(30) + QStringLiteral("…") +
                                     QStringLiteral("ก่ิ").repeated(29))
                                        .toStdString());
    EXPECT_EQ(thai::elideMiddle(QStringLiteral("abcdef"), 4), QStringLiteral("ab…f"));
    EXPECT_EQ(thai::elideMiddle(QStringLiteral("abcdef"), 1), QStringLiteral("…"));
}
