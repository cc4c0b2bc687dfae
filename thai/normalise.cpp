#include "thai/normalise.h"

#include <algorithm>

namespace thai {

namespace {

constexpr char16_t kSaraAm = 0x0E33, kNikhahit = 0x0E4D, kSaraAa = 0x0E32;

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

// The marks of a run in the order they are compared in, each once.
template <typename Put>
void forEachMarkInOrder(std::vector<Mark>& marks, Put put) {
    // A stable insertion sort: a run holds a mark or two.
    for (size_t a = 1; a < marks.size(); ++a)
        for (size_t b = a; b > 0 && marks[b].rank < marks[b - 1].rank; --b)
            std::swap(marks[b], marks[b - 1]);
    char16_t last = 0;
    for (const Mark& m : marks) {
        if (m.c == last)
            continue; // a doubled mark is one
        put(m.c);
        last = m.c;
    }
}

} // namespace

bool isMark(char16_t c) {
    return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E);
}

int markRank(char16_t c) {
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

namespace {

// The folding itself; the spans are kept only when asked for.
template <bool Spans>
void foldInto(QStringView s, QString& text, std::vector<int>* from, std::vector<int>* to) {
    const int n = int(s.size());
    text.resize(0); // its storage is kept for the next text
    if (text.capacity() < n + n / 16)
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
                marks.push_back({kNikhahit, markRank(kNikhahit)});
                am = true;
                ++i;
                break;
            }
            if (!isMark(m))
                break;
            marks.push_back({m, markRank(m)});
            ++i;
        }
        forEachMarkInOrder(marks, [&](char16_t m) { put(m, start, i); });
        if (am)
            put(kSaraAa, i - 1, i);
    }
}

} // namespace

const unsigned char* startsAfreshBits() {
    static const std::vector<unsigned char> bits = [] {
        std::vector<unsigned char> b(0x10000 / 8, 0);
        for (uint32_t c = 0; c < 0x10000; ++c) {
            const char16_t f = simple(char16_t(c));
            if (!ignorable(f) && !isMark(f) && f != kSaraAm)
                b[c >> 3] |= (unsigned char)(1u << (c & 7));
        }
        return b;
    }();
    return bits.data();
}

bool foldsAsItIs(QStringView s) {
    static const std::vector<bool> self = [] {
        std::vector<bool> t(0x10000, false);
        for (uint32_t x = 0; x < 0x10000; ++x)
            t[x] = simple(char16_t(x)) == x && !ignorable(char16_t(x)) && x != kSaraAm;
        return t;
    }();
    char16_t mark = 0; // the last mark of the run, 0 after a letter
    for (QChar q : s) {
        const char16_t c = q.unicode();
        if (!self[c])
            return false;
        if (!isMark(c)) {
            mark = 0;
            continue;
        }
        if (mark && (markRank(c) < markRank(mark) || c == mark))
            return false;
        mark = c;
    }
    return true;
}

bool foldsAlone(char16_t c) {
    // The characters some other character folds to.
    static const std::vector<bool> targets = [] {
        std::vector<bool> t(0x10000, false);
        for (uint32_t x = 0; x < 0x10000; ++x) {
            const char16_t y = simple(char16_t(x));
            if (y != x)
                t[y] = true;
        }
        t[kNikhahit] = t[kSaraAa] = true; // what SARA AM becomes
        return t;
    }();
    return startsAfresh(c) && simple(c) == c && !targets[c] && !QChar::isSurrogate(c);
}

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

namespace {

void putUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The next character of UTF-8 text; a byte that starts none stands for itself.
char32_t nextUtf8(std::string_view s, size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    auto cont = [&](size_t k) {
        return k < s.size() && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80;
    };
    if (b >= 0xE0 && b < 0xF0 && cont(i + 1) && cont(i + 2)) {
        const char32_t c = (char32_t(b & 0x0F) << 12) |
                           (char32_t(static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) |
                           char32_t(static_cast<unsigned char>(s[i + 2]) & 0x3F);
        i += 3;
        return c;
    }
    if (b >= 0xC0 && b < 0xE0 && cont(i + 1)) {
        const char32_t c =
            (char32_t(b & 0x1F) << 6) | char32_t(static_cast<unsigned char>(s[i + 1]) & 0x3F);
        i += 2;
        return c;
    }
    if (b >= 0xF0 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
        const char32_t c = (char32_t(b & 0x07) << 18) |
                           (char32_t(static_cast<unsigned char>(s[i + 1]) & 0x3F) << 12) |
                           (char32_t(static_cast<unsigned char>(s[i + 2]) & 0x3F) << 6) |
                           char32_t(static_cast<unsigned char>(s[i + 3]) & 0x3F);
        i += 4;
        return c;
    }
    ++i;
    return b;
}

char32_t simple32(char32_t c) {
    return c < 0x10000 ? char32_t(simple(char16_t(c))) : c;
}

} // namespace

void foldUtf8(std::string_view s, std::string& out) {
    out.clear();
    out.reserve(s.size() + s.size() / 8);
    thread_local std::vector<Mark> marks;
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out += (b >= 'A' && b <= 'Z') ? char(b + 32) : char(b);
            ++i;
            continue;
        }
        size_t at = i;
        const char32_t c = simple32(nextUtf8(s, at));
        if (c < 0x10000 && ignorable(char16_t(c))) {
            i = at;
            continue;
        }
        if (c >= 0x10000 || (!isMark(char16_t(c)) && c != kSaraAm)) {
            putUtf8(c, out);
            i = at;
            continue;
        }
        // A run of marks, possibly ended by SARA AM, as fold() puts it.
        bool am = false;
        marks.clear();
        while (i < s.size()) {
            size_t k = i;
            const char32_t m = simple32(nextUtf8(s, k));
            if (m < 0x10000 && ignorable(char16_t(m))) {
                i = k;
                continue;
            }
            if (m == kSaraAm) {
                marks.push_back({kNikhahit, markRank(kNikhahit)});
                am = true;
                i = k;
                break;
            }
            if (m >= 0x10000 || !isMark(char16_t(m)))
                break;
            marks.push_back({char16_t(m), markRank(char16_t(m))});
            i = k;
        }
        forEachMarkInOrder(marks, [&](char16_t m) { putUtf8(m, out); });
        if (am)
            putUtf8(kSaraAa, out);
    }
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
