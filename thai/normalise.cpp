#include "thai/normalise.h"

#include <algorithm>

namespace thai {

namespace {

constexpr char16_t kSaraAm = 0x0E33, kNikhahit = 0x0E4D, kSaraAa = 0x0E32;

bool isMark(char16_t c) {
    return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E);
}

// The order marks are compared in: below the consonant, above it, NIKHAHIT, tone marks,
// then the rest.
int rank(char16_t c) {
    if (c >= 0x0E38 && c <= 0x0E3A)
        return 1;
    if (c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E37) || c == 0x0E47)
        return 2;
    if (c == kNikhahit)
        return 3;
    if (c >= 0x0E48 && c <= 0x0E4B)
        return 4;
    return 5;
}

// The letters behind the glyph variants old Thai fonts kept in the private-use area.
constexpr char16_t kLegacy[] = {
    0x0E10, 0x0E34, 0x0E35, 0x0E36, 0x0E37, 0x0E48, 0x0E49, 0x0E4A, 0x0E4B, // F700-F708
    0x0E4C, 0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C, 0x0E0D, 0x0E31, 0x0E4D, // F709-F711
    0x0E47, 0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C, 0x0E38, 0x0E39, 0x0E3A, // F712-F71A
};

bool ignorable(char16_t c) {
    return c == 0x200B || c == 0x200C || c == 0x200D || c == 0x00AD || c == 0xFEFF ||
           c == 0x2060;
}

// One character as compared, before marks are put in order.
char16_t simple(char16_t c) {
    if (c >= 0xF700 && c <= 0xF71A)
        return kLegacy[c - 0xF700];
    if (c >= 0x0E50 && c <= 0x0E59)
        return char16_t(u'0' + (c - 0x0E50));
    if (c == 0x00A0 || c == 0x202F || c == 0x2007)
        return u' ';
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    if (c < 0x250) {
        const QChar q(c);
        return q.isLetter() ? q.toLower().unicode() : c;
    }
    return c;
}

struct Mark {
    char16_t c;
    int rank;
};

} // namespace

namespace {

// The folding itself; the spans are kept only when asked for.
template <bool Spans>
void foldInto(QStringView s, QString& text, std::vector<int>* from, std::vector<int>* to) {
    const int n = int(s.size());
    text.clear();
    text.reserve(n + n / 16);
    if constexpr (Spans) {
        from->clear();
        to->clear();
        from->reserve(size_t(n) + size_t(n) / 16);
        to->reserve(size_t(n) + size_t(n) / 16);
    }
    auto put = [&](char16_t c, int a, int b) {
        text.append(QChar(c));
        if constexpr (Spans) {
            from->push_back(a);
            to->push_back(b);
        } else {
            (void)a;
            (void)b;
        }
    };
    thread_local std::vector<Mark> marks;
    int i = 0;
    while (i < n) {
        const char16_t c = simple(s[i].unicode());
        if (ignorable(c)) {
            ++i;
            continue;
        }
        if (!isMark(c) && c != kSaraAm) {
            put(c, i, i + 1);
            ++i;
            continue;
        }
        // A run of marks, possibly ended by SARA AM: its marks in order, each once.
        const int start = i;
        bool am = false;
        marks.clear();
        while (i < n) {
            const char16_t m = simple(s[i].unicode());
            if (ignorable(m)) {
                ++i;
                continue;
            }
            if (m == kSaraAm) {
                marks.push_back({kNikhahit, rank(kNikhahit)});
                am = true;
                ++i;
                break;
            }
            if (!isMark(m))
                break;
            marks.push_back({m, rank(m)});
            ++i;
        }
        // A stable insertion sort: a run holds a mark or two.
        for (size_t a = 1; a < marks.size(); ++a)
            for (size_t b = a; b > 0 && marks[b].rank < marks[b - 1].rank; --b)
                std::swap(marks[b], marks[b - 1]);
        char16_t last = 0;
        for (const Mark& m : marks) {
            if (m.c == last)
                continue; // a doubled mark is one
            put(m.c, start, i);
            last = m.c;
        }
        if (am)
            put(kSaraAa, i - 1, i);
    }
}

} // namespace

Folded fold(QStringView s) {
    Folded f;
    fold(s, f);
    return f;
}

void fold(QStringView s, Folded& f) {
    foldInto<true>(s, f.text, &f.from, &f.to);
}

QString foldWord(QStringView word) {
    QString out;
    foldInto<false>(word, out, nullptr, nullptr);
    return out;
}

std::vector<std::pair<int, int>> findAll(const Folded& t, const QString& word) {
    std::vector<std::pair<int, int>> hits;
    if (word.isEmpty())
        return hits;
    const qsizetype w = word.size();
    for (qsizetype at = t.text.indexOf(word); at >= 0; at = t.text.indexOf(word, at + w)) {
        int a = t.from[size_t(at)], b = 0;
        for (qsizetype k = at; k < at + w; ++k) {
            a = std::min(a, t.from[size_t(k)]);
            b = std::max(b, t.to[size_t(k)]);
        }
        hits.emplace_back(a, b);
    }
    return hits;
}

} // namespace thai
