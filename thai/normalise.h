#pragma once
// The form in which Thai text is compared when a reader looks for a word: two spellings
// that display alike compare equal. SARA AM is NIKHAHIT followed by SARA AA; the marks over
// and under a consonant compare in one order whatever order they were typed in, a doubled
// mark as one; the legacy glyph codes U+F700-U+F71A are their letters; zero-width
// characters and soft hyphens are nothing, a no-break space is a space; Thai digits are
// Arabic digits; Latin letters have no case.
#include <QString>
#include <QStringView>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace thai {

// Folded text with, for each of its characters, the part of the source it stands for, so
// that a match in the folded text covers exactly the characters shown.
struct Folded {
    QString text;
    std::vector<int> from, to; // source span [from, to) of each character of text
};

Folded fold(QStringView source);
// The same into a Folded whose storage is reused (for scanning many texts).
void fold(QStringView source, Folded& out);
QString foldWord(QStringView word);

// The folding over UTF-8, for texts the database holds: the same as foldWord, without
// leaving UTF-8.
void foldUtf8(std::string_view utf8, std::string& out);

// A mark over or under a consonant, and the place the folding sorts it to (lower first):
// below the consonant, above it, NIKHAHIT, tone marks, then the rest.
bool isMark(char16_t c);
int markRank(char16_t c);

// Whether the folding starts afresh at c: it folds c to one character of its own (no mark,
// no SARA AM, nothing it leaves out), so that the text before c folds apart from the rest.
inline bool startsAfresh(char16_t c);
// Whether c also folds to itself alone and no other character folds to it: where the
// folded text holds c, the text holds it too, at that very place.
bool foldsAlone(char16_t c);

// Whether folding leaves the text as it stands: each character folds to itself, and the
// marks over and under each consonant stand in the folding's order, none twice in a row.
bool foldsAsItIs(QStringView s);

// Every place the folded word stands in the folded text, as spans of the source, in order.
// Places do not overlap. An empty word stands nowhere.
std::vector<std::pair<int, int>> findAll(const Folded& text, const QString& foldedWord);

// One bit for each character: whether the folding starts afresh at it.
const unsigned char* startsAfreshBits();
inline bool startsAfresh(char16_t c) {
    static const unsigned char* const bits = startsAfreshBits();
    return (bits[c >> 3] >> (c & 7)) & 1;
}

} // namespace thai
