#include "canon/quick_search.h"

#include "pagefile/decode.h"
#include "pagefile/scan.h"
#include "pagefile/shown_text.h"

#include "thai/codec.h"

#include <QHash>
#include <array>
#include <type_traits>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace canon {

namespace {

// The elements of a body whose text the view shows as the page holds it, between tags:
// nothing hidden, no white space kept, no text of their own. (Not tables: the view leaves
// out text that stands in a table outside its cells.) Sorted.
constexpr std::u16string_view kPlain[] = {
    u"a",  u"b",  u"big", u"blockquote", u"br", u"center", u"cite", u"dd", u"div", u"dl",
    u"dt", u"em", u"font", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"hr", u"i", u"img",
    u"li", u"ol", u"p", u"s", u"small", u"span", u"strong", u"sub", u"sup", u"tt", u"u", u"ul"};
// Those whose start tag stands between two characters of the shown text: a block, a line
// break, a picture. Sorted.
constexpr std::u16string_view kBreaking[] = {
    u"blockquote", u"br", u"center", u"dd", u"div", u"dl", u"dt", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6",
    u"hr", u"img", u"li", u"ol", u"p", u"ul"};
// Before the body: the elements of a head.
constexpr std::u16string_view kHead[] = {u"head", u"html", u"link", u"meta", u"title"};

// A tag name of up to ten letters and digits as a number, six bits a character, so that
// looking it up compares numbers.
constexpr uint64_t packed(std::u16string_view name) {
    uint64_t v = 0;
    for (char16_t c : name)
        v = v << 6 | uint64_t(c >= u'a' ? c - u'a' + 11 : c - u'0' + 1);
    return v;
}

// A set of names: those of one or two characters (most tags a page holds) by a bit each.
template <size_t N>
struct Names {
    std::array<uint64_t, N> sorted{};
    std::array<uint64_t, 64> shortOnes{}; // a bit for each name packed below 1 << 12
    explicit Names(const std::u16string_view (&names)[N]) {
        for (size_t i = 0; i < N; ++i) {
            sorted[i] = packed(names[i]);
            if (sorted[i] < 4096)
                shortOnes[sorted[i] >> 6] |= uint64_t(1) << (sorted[i] & 63);
        }
        std::sort(sorted.begin(), sorted.end());
    }
    bool has(uint64_t name) const {
        if (name < 4096)
            return (shortOnes[name >> 6] >> (name & 63)) & 1;
        return std::binary_search(sorted.begin(), sorted.end(), name);
    }
};

bool blank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}
bool nameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}
bool attributeChar(char16_t c) {
    return nameChar(c) || c == u'-' || c == u'_' || c == u':';
}
// Characters the view may show otherwise than the page holds them, or leave out.
bool unusual(char16_t c) {
    return (c < 0x20 && !blank(c)) || c == 0x2028 || c == 0x2029 || c == 0xFFFC || c == 0x7F ||
           (c >= 0xD800 && c <= 0xDFFF);
}

// The few references that stand for one character of their own (no letter of a word).
template <typename Ch>
int plainReference(const Ch* p, const Ch* end) {
    // The one a Thai page holds by the thousand, first.
    if (end - p >= 6 && p[1] == 'n' && p[2] == 'b' && p[3] == 's' && p[4] == 'p' && p[5] == ';')
        return 6;
    static constexpr std::string_view refs[] = {"&amp;", "&lt;", "&gt;", "&quot;"};
    for (std::string_view r : refs)
        if (end - p >= qsizetype(r.size()) && std::equal(r.begin(), r.end(), p))
            return int(r.size());
    return 0;
}

// The two kinds of text the quick way reads: UTF-16 as decoded, and windows-874 bytes as
// the file holds them (a character a byte, so nothing needs decoding but the few
// characters around a key).
struct Wide {
    using Ch = char16_t;
    static char16_t u(Ch c) { return c; }
    static std::optional<Ch> encode(char16_t c) { return c; }
    static bool ambiguous(char16_t) { return false; }
    static QString text(const Ch* p, int n) { return QString(reinterpret_cast<const QChar*>(p), n); }
};
struct Narrow {
    using Ch = unsigned char;
    static char16_t u(Ch c) { return table()[c]; }
    // The byte that stands for c, when one alone does.
    static std::optional<Ch> encode(char16_t c) {
        std::optional<Ch> found;
        for (int b = 0; b < 256; ++b)
            if (table()[size_t(b)] == c) {
                if (found)
                    return std::nullopt;
                found = Ch(b);
            }
        return found;
    }
    // Whether more than one byte stands for c (U+FFFD, for the bytes the code page lacks).
    static bool ambiguous(char16_t c) { return !encode(c) && c == 0xFFFD; }
    static QString text(const Ch* p, int n) {
        QString out(n, Qt::Uninitialized);
        for (int i = 0; i < n; ++i)
            out[i] = QChar(u(p[i]));
        return out;
    }
    static const std::array<char16_t, 256>& table() {
        static const std::array<char16_t, 256> t = [] {
            std::array<char16_t, 256> a{};
            for (int b = 0; b < 256; ++b)
                a[size_t(b)] = thai::windows874(static_cast<unsigned char>(b));
            return a;
        }();
        return t;
    }
};

struct Lexed {
    enum Kind { Bad, Open, Close, Skip } kind = Bad;
    int end = 0;          // past its '>'
    char16_t name[11] = {}; // lower case
    int nameLength = 0;
    uint64_t packed = 0; // the name as packed() makes it
    bool anchor = false;  // an <a> with a name (or id)
    int anchorFrom = 0, anchorTo = 0; // the name's value; -1 when it has none
    std::u16string_view nameView() const { return {name, size_t(nameLength)}; }
};

template <typename T>
class Quick {
  public:
    using Ch = typename T::Ch;
    Quick(const Ch* text, qsizetype n, const std::vector<SearchWord>& words, const QuickInput& in)
        : t_(text), n_(int(n)), words_(words), in_(in) {
        if constexpr (sizeof(Ch) == 1)
            for (int b = 0; b < 256; ++b) {
                freshByte_[size_t(b)] = thai::startsAfresh(T::u(Ch(b)));
                oddByte_[size_t(b)] = unusual(T::u(Ch(b)));
            }
        keys_.resize(words_.size());
        next_.assign(words_.size(), 0);
        for (const SearchWord& w : words_) {
            const auto key = T::encode(w.folded[w.key].unicode());
            key_.push_back(key ? int(*key) : -1);
            std::basic_string<Ch> e;
            for (QChar c : w.folded)
                if (const auto b = T::encode(c.unicode()))
                    e += *b;
            // A word the text cannot hold as it stands is only ever found by folding.
            encoded_.push_back(e.size() == size_t(w.folded.size()) ? e : std::basic_string<Ch>());
        }
    }

    enum class Result { Done, Other, Stopped };
    // Whether every key can be looked for as the text holds it.
    bool keysFindable() const {
        for (const SearchWord& w : words_)
            if (T::ambiguous(w.folded[w.key].unicode()))
                return false;
        return true;
    }

    Result run() {
        if (!keysFindable())
            return Result::Other;
        enum { Head, Body, After } phase = Head;
        bool inHead = false, inTitle = false;
        int seenHtml = 0, seenHead = 0, seenTitle = 0;
        int pos = 0;
        while (pos < n_) {
            const int e = int(pagefile::findEither(t_ + pos, t_ + n_, Ch('<'), Ch('&')) - t_);
            if (!keysTo(e, pos))
                return stopped_ ? Result::Stopped : Result::Other;
            if (e > pos) {
                if (phase == Body) {
                    // Most runs hold no key: passed without looking at them.
                    if (holdsKey(pos, e) && !segment(pos, e))
                        return Result::Other;
                } else if (!(phase == Head && (inHead || inTitle)) && holdsKey(pos, e)) {
                    return Result::Other; // text outside the body that the view may show
                }
            }
            pos = e;
            if (pos >= n_)
                break;
            if (t_[pos] == u'&') {
                // "&nbsp;" by the thousand, in runs, first.
                while (nbsp(pos))
                    pos += 6;
                if (pos >= n_ || t_[pos] != Ch('&'))
                    continue;
                if (int r = plainReference(t_ + pos, t_ + n_)) {
                    // References stand in runs ("&nbsp;&nbsp;"): taken together.
                    do
                        pos += r;
                    while (pos < n_ && t_[pos] == '&' && (r = plainReference(t_ + pos, t_ + n_)));
                } else if (phase == Head && (inHead || inTitle)) {
                    ++pos; // hidden with the rest of the head
                } else {
                    return Result::Other;
                }
                continue;
            }
            if (phase == Body && commonTag(pos))
                continue;
            const Lexed tag = lex(pos);
            if (tag.kind == Lexed::Bad)
                return Result::Other;
            pos = tag.end;
            if (tag.kind == Lexed::Skip)
                continue;
            const std::u16string_view name = tag.nameView();
            if (phase == Head) {
                // Only a head of the plain shape, each element once, closed before the body.
                const bool open = tag.kind == Lexed::Open;
                if (inTitle && !(name == u"title" && !open))
                    return Result::Other;
                if (open && name == u"body") {
                    if (inHead)
                        return Result::Other;
                    phase = Body;
                    continue;
                }
                static const Names head(kHead);
                if (!head.has(tag.packed) || (name == u"html" && !open))
                    return Result::Other;
                int& seen = name == u"html" ? seenHtml : name == u"head" ? seenHead : seenTitle;
                if (name == u"head") {
                    if (open ? seen++ > 0 || inHead : !inHead)
                        return Result::Other;
                    inHead = open;
                } else if (name == u"title") {
                    if (open ? seen++ > 0 : !inTitle)
                        return Result::Other;
                    inTitle = open;
                } else if (name == u"html" && seen++ > 0) {
                    return Result::Other;
                }
            } else if (phase == Body) {
                if (tag.kind == Lexed::Close && (name == u"body" || name == u"html")) {
                    phase = After;
                    continue;
                }
                static const Names plain(kPlain);
                if (!plain.has(tag.packed))
                    return Result::Other;
                if (tag.anchor) {
                    const QString value = anchorName(tag);
                    if (pagefile::isPageNumber(value)) {
                        page_ = value.trimmed();
                        pageIndex_ = -1;
                    }
                }
            }
        }
        return Result::Done;
    }

    std::vector<PageHit> finish(bool allWords) {
        std::vector<PageHit> out;
        for (Page& p : pages_) {
            PageHit h;
            h.hits = pagePlaces(p.hits, allWords);
            if (h.hits == 0)
                continue;
            h.page = p.name;
            h.firstAt = p.firstAt;
            h.lineLater = true;
            out.push_back(std::move(h));
        }
        std::sort(out.begin(), out.end(), [](const PageHit& a, const PageHit& b) { return a.firstAt < b.firstAt; });
        return out;
    }

  private:
    struct Page {
        QString name;
        std::vector<int> hits;
        int firstAt = INT_MAX;
    };

    // The places of the keys, found a stretch ahead of where the reading is, and let go
    // once it is past them; false when stopped.
    bool keysTo(int upTo, int reading) {
        if (upTo < keysTo_ || keysTo_ >= n_)
            return true;
        constexpr int kStretch = 1 << 20;
        if (in_.stop && in_.stop->load(std::memory_order_relaxed)) {
            stopped_ = true;
            return false;
        }
        const int to = int(std::min<qint64>(n_, std::max<qint64>(upTo + 1, qint64(keysTo_) + kStretch)));
        for (size_t w = 0; w < words_.size(); ++w) {
            std::vector<int>& k = keys_[w];
            if (next_[w] > 4096 && next_[w] * 2 > k.size()) {
                k.erase(k.begin(), k.begin() + qsizetype(next_[w]));
                next_[w] = 0;
            }
            if (key_[w] < 0)
                continue;
            const Ch key = Ch(key_[w]);
            for (const Ch* p = pagefile::find(t_ + keysTo_, t_ + to, key); p < t_ + to; p = pagefile::find(p + 1, t_ + to, key))
                k.push_back(int(p - t_));
        }
        if (in_.release)
            in_.release(reading);
        keysTo_ = to;
        return true;
    }

    // Whether "&nbsp;" stands at pos.
    bool nbsp(int pos) const {
        if (n_ - pos < 6)
            return false;
        if constexpr (sizeof(Ch) == 1) {
            static constexpr char kRef[6] = {'&', 'n', 'b', 's', 'p', ';'};
            uint32_t four, wantFour;
            uint16_t two, wantTwo;
            std::memcpy(&four, t_ + pos, 4);
            std::memcpy(&two, t_ + pos + 4, 2);
            std::memcpy(&wantFour, kRef, 4); // the bytes as they lie, in either byte order
            std::memcpy(&wantTwo, kRef + 4, 2);
            return four == wantFour && two == wantTwo;
        } else {
            return t_[pos] == u'&' && t_[pos + 1] == u'n' && t_[pos + 2] == u'b' && t_[pos + 3] == u's' &&
                   t_[pos + 4] == u'p' && t_[pos + 5] == u';';
        }
    }

    // The tags a body holds by the thousand, "<p>", "</p>", "<b>", "</i>" and the like, taken
    // as lex() would take them (a plain element, no anchor), without lexing: pos is moved
    // past one when it stands there.
    bool commonTag(int& pos) const {
        const auto one = [](Ch c) {
            const char16_t l = char16_t(c | 0x20);
            return l == u'p' || l == u'b' || l == u'i' || l == u'u';
        };
        const int at = pos;
        if (at + 2 < n_ && one(t_[at + 1]) && t_[at + 2] == Ch('>')) {
            pos = at + 3;
            return true;
        }
        if (at + 3 < n_ && t_[at + 1] == Ch('/') && one(t_[at + 2]) && t_[at + 3] == Ch('>')) {
            pos = at + 4;
            return true;
        }
        return false;
    }

    // Whether the run [from, to) holds a key; the keys before it are passed over.
    bool holdsKey(int from, int to) {
        for (size_t w = 0; w < words_.size(); ++w) {
            const std::vector<int>& k = keys_[w];
            size_t& i = next_[w];
            while (i < k.size() && k[i] < from)
                ++i;
            if (i < k.size() && k[i] < to)
                return true;
        }
        return false;
    }

    // A tag from its '<', by the view's rules where they are plain; Bad where they are not.
    Lexed lex(int at) const {
        Lexed x;
        int i = at + 1;
        // ASCII as it stands; other characters are never markup.
        auto ch = [&](int k) -> char16_t { return k < n_ ? char16_t(t_[k]) : u'\0'; };
        if (ch(i) == u'!') {
            const std::basic_string_view<Ch> rest(t_ + i, size_t(n_ - i));
            static constexpr Ch arrow[] = {Ch('-'), Ch('-'), Ch('>')};
            size_t end;
            if (ch(i + 1) == u'-' && ch(i + 2) == u'-') {
                end = rest.find(std::basic_string_view<Ch>(arrow, 3), 3);
                end = end == std::basic_string_view<Ch>::npos ? rest.size() : end + 3;
            } else {
                end = rest.find(Ch('>'), 1);
                end = end == std::basic_string_view<Ch>::npos ? rest.size() : end + 1;
            }
            // A clipboard page's marks are comments: such a page shows only its fragment.
            static constexpr Ch mark[] = {Ch('F'), Ch('r'), Ch('a'), Ch('g'), Ch('m'), Ch('e'), Ch('n'), Ch('t')};
            if (rest.substr(0, end).find(std::basic_string_view<Ch>(mark, 8)) != std::basic_string_view<Ch>::npos)
                return x;
            x.kind = Lexed::Skip;
            x.end = i + int(end);
            return x;
        }
        const bool close = ch(i) == u'/';
        if (close)
            ++i;
        while (nameChar(ch(i))) {
            if (x.nameLength == 10)
                return x;
            const char16_t c = ch(i++);
            x.name[x.nameLength] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
            x.packed = x.packed << 6 | uint64_t(x.name[x.nameLength] >= u'a' ? x.name[x.nameLength] - u'a' + 11
                                                                             : x.name[x.nameLength] - u'0' + 1);
            ++x.nameLength;
        }
        if (x.nameLength == 0)
            return x;
        if (close) {
            if (ch(i) != u'>')
                return x;
            x.kind = Lexed::Close;
            x.end = i + 1;
            return x;
        }
        const bool isA = x.nameView() == u"a";
        int anchors = 0;
        for (;;) {
            const char16_t c = ch(i);
            if (c == u'>') {
                x.end = i + 1;
                break;
            }
            if (c == u'/' && ch(i + 1) == u'>') {
                x.end = i + 2;
                break;
            }
            if (!blank(c))
                return x;
            while (blank(ch(i)))
                ++i;
            if (ch(i) == u'>' || ch(i) == u'/')
                continue;
            const int keyFrom = i;
            while (attributeChar(ch(i)))
                ++i;
            if (i == keyFrom || i - keyFrom > 16)
                return x;
            char16_t key[17];
            for (int k = keyFrom; k < i; ++k)
                key[k - keyFrom] = t_[k] >= 'A' && t_[k] <= 'Z' ? char16_t(t_[k] + 32) : char16_t(t_[k]);
            const std::u16string_view keyName(key, size_t(i - keyFrom));
            int from = -1, to = -1;
            int j = i;
            while (blank(ch(j)))
                ++j;
            if (ch(j) == u'=') {
                i = j + 1;
                while (blank(ch(i)))
                    ++i;
                const char16_t q = ch(i);
                if (q == u'"' || q == u'\'') {
                    from = i + 1;
                    to = from;
                    while (to < n_ && t_[to] != q) {
                        // ('<': a clipboard's mark may stand in a value; the view finds it anywhere)
                        if (t_[to] == '&' || t_[to] == '<' || (q == u'\'' && t_[to] == '\\'))
                            return x;
                        ++to;
                    }
                    if (to >= n_)
                        return x;
                    i = to + 1;
                } else {
                    from = i;
                    while (i < n_ && !blank(t_[i]) && t_[i] != '>') {
                        const char16_t v = t_[i];
                        if (v == u'<' || v == u'=' || v == u'&' || v == u'/' || v == u'"' || v == u'\'' ||
                            v == u'`')
                            return x;
                        ++i;
                    }
                    to = i;
                    if (to == from)
                        return x;
                }
            }
            if (isA && (keyName == u"name" || keyName == u"id")) {
                if (++anchors > 1)
                    return x;
                if (from < 0 || to > from) { // an empty name names nothing; none at all is "1"
                    x.anchor = true;
                    x.anchorFrom = from;
                    x.anchorTo = to;
                }
            }
        }
        x.kind = Lexed::Open;
        return x;
    }

    // What the view shows next after position e (a tag, a reference or the page's end
    // stands there), whatever it makes of the blanks and tags between: a character the
    // folding starts afresh at, something no word runs across (a new block, a line break, a
    // picture, a page anchor, the end), or what cannot be told.
    enum class Next { Unknown, Fresh, Break };
    Next after(int e) const {
        while (e < n_) {
            const char16_t c = T::u(t_[e]);
            if (c == u'<') {
                const Lexed tag = lex(e);
                if (tag.kind == Lexed::Bad)
                    return Next::Unknown;
                if (tag.anchor && pagefile::isPageNumber(anchorName(tag)))
                    return Next::Break; // a page anchor ends what a place spans
                static const Names breaking(kBreaking);
                if (tag.kind == Lexed::Open && breaking.has(tag.packed))
                    return Next::Break;
                e = tag.end;
            } else if (c == u'&') {
                return plainReference(t_ + e, t_ + n_) > 0 ? Next::Fresh : Next::Unknown;
            } else if (blank(c)) {
                ++e;
            } else {
                return thai::startsAfresh(c) && !unusual(c) ? Next::Fresh : Next::Unknown;
            }
        }
        return Next::Break;
    }

    Page& page() {
        if (pageIndex_ < 0) {
            auto it = byName_.find(page_);
            if (it == byName_.end()) {
                it = byName_.insert(page_, int(pages_.size()));
                pages_.push_back({page_, std::vector<int>(words_.size(), 0), INT_MAX});
            }
            pageIndex_ = *it;
        }
        return pages_[size_t(pageIndex_)];
    }

    void place(size_t word, int at) {
        Page& p = page();
        ++p.hits[word];
        p.firstAt = std::min(p.firstAt, at);
    }

    // The places of the words in the run of text [s, e) between tags of the body.
    bool segment(int s, int e) {
        for (size_t w = 0; w < words_.size(); ++w) {
            const SearchWord& word = words_[w];
            const int j = word.key, m = int(word.folded.size());
            const std::vector<int>& keys = keys_[w];
            size_t& next = next_[w];
            while (next < keys.size() && keys[next] < s)
                ++next;
            for (; next < keys.size() && keys[next] < e; ++next) {
                const int p = keys[next];
                // As far back and on as the folding needs, within the run.
                int a = p, count = 0;
                while (count < j && a > s)
                    if (fresh(t_[--a]))
                        ++count;
                if (count < j)
                    return false; // its start may stand before the tag
                int b = -1;
                count = 0;
                for (int q = p + 1; q < e; ++q)
                    if (fresh(t_[q])) {
                        if (count == m - j - 1) {
                            b = q;
                            break;
                        }
                        ++count;
                    }
                const bool reachesEnd = b < 0;
                const Next next = reachesEnd ? after(e) : Next::Fresh;
                if (next == Next::Unknown)
                    return false;
                if (reachesEnd)
                    b = e;
                for (int q = a; q < b; ++q)
                    if (odd(t_[q]))
                        return false;
                const int start = p - j;
                const std::basic_string<Ch>& as = encoded_[w];
                if (!as.empty() && start >= a && start + m <= b && fresh(t_[start]) &&
                    (start + m == b || fresh(t_[start + m])) &&
                    std::equal(as.begin(), as.end(), t_ + start)) {
                    place(w, start);
                    continue;
                }
                const QStringView window = windowOf(a, b);
                if (reachesEnd && count < m - j - 1 && next != Next::Break) {
                    // The run ends within where the word would stand: it may go on after
                    // the tag, unless what the run holds is no start of it.
                    thai::fold(window, folded_);
                    int f = -1;
                    for (size_t i = 0; i < folded_.from.size(); ++i)
                        if (folded_.from[i] == p - a) {
                            f = int(i);
                            break;
                        }
                    if (f < j)
                        continue;
                    const QStringView tail = QStringView(folded_.text).mid(f - j);
                    if (tail.size() < m) {
                        if (QStringView(word.folded).startsWith(tail))
                            return false;
                        continue;
                    }
                }
                if (const auto span = keyPlace(window, p - a, start - a, word, folded_))
                    place(w, a + span->first);
            }
        }
        return true;
    }

    // Whether the folding starts afresh at c, and whether the view may show c otherwise than
    // the page holds it: for bytes, looked up in tables made once for each file.
    bool fresh(Ch c) const {
        if constexpr (sizeof(Ch) == 1)
            return freshByte_[c];
        else
            return thai::startsAfresh(c);
    }
    bool odd(Ch c) const {
        if constexpr (sizeof(Ch) == 1)
            return oddByte_[c];
        else
            return unusual(c);
    }

    // An anchor's name as the view takes it: an attribute without a value has "1".
    QString anchorName(const Lexed& tag) const {
        return tag.anchorFrom < 0 ? QStringLiteral("1") : T::text(t_ + tag.anchorFrom, tag.anchorTo - tag.anchorFrom);
    }

    // The characters [a, b) as UTF-16.
    QStringView windowOf(int a, int b) {
        if constexpr (std::is_same_v<T, Wide>) {
            return QStringView(t_ + a, b - a);
        } else {
            window_.resize(size_t(b - a));
            for (int i = a; i < b; ++i)
                window_[size_t(i - a)] = T::u(t_[i]);
            return QStringView(window_.data(), b - a);
        }
    }

    std::array<bool, 256> freshByte_{}, oddByte_{};
    const Ch* t_;
    const int n_;
    const std::vector<SearchWord>& words_;
    const QuickInput& in_;
    std::vector<int> key_;                         // each word's key as the text holds it; -1: never
    std::vector<std::basic_string<Ch>> encoded_;   // each word as the text holds it, if it can
    std::u16string window_;
    int keysTo_ = 0;
    bool stopped_ = false;
    std::vector<std::vector<int>> keys_; // the places of each word's key found so far
    std::vector<size_t> next_;           // the first of them not passed yet
    QString page_; // the printed page being read; empty before the first
    int pageIndex_ = -1;
    std::vector<Page> pages_;
    QHash<QString, int> byName_;
    thai::Folded folded_;
};

// Words the quick way can look for: each with a key, none that may hold a blank or
// anything markup could make.
bool quickWords(const std::vector<SearchWord>& words) {
    if (words.empty())
        return false;
    for (const SearchWord& w : words) {
        if (w.key < 0)
            return false;
        for (QChar c : w.folded)
            if (c.isSpace() || unusual(c.unicode()) || c == u'<' || c == u'&' || c == u'>' || c == u'"' ||
                c == u'\'' || c == u';')
                return false;
    }
    return true;
}

template <typename T>
QuickOutcome quickRun(const typename T::Ch* text, qsizetype n, const std::vector<SearchWord>& words, bool allWords,
                      const QuickInput& in) {
    QuickOutcome out;
    if (!quickWords(words) || n > INT_MAX / 2)
        return out;
    Quick<T> q(text, n, words, in);
    const auto r = q.run();
    out.stopped = r == Quick<T>::Result::Stopped;
    if (r == Quick<T>::Result::Done)
        out.pages = q.finish(allWords);
    return out;
}

} // namespace

QuickOutcome quickSearchRaw(const char* bytes, qsizetype n, const std::vector<SearchWord>& words, bool allWords,
                            const QuickInput& in) {
    if (!quickWords(words))
        return {};
    pagefile::Sniffer sniffer;
    constexpr qsizetype kLook = 1 << 16;
    for (qsizetype at = 0; at < n && !sniffer.decided(); at += kLook)
        sniffer.feed(bytes + at, std::min(kLook, n - at));
    const pagefile::Encoding e = sniffer.result();
    if (e == pagefile::Encoding::Windows874)
        return quickRun<Narrow>(reinterpret_cast<const unsigned char*>(bytes), n, words, allWords, in);
    if (e != pagefile::Encoding::Utf8 || n > (4ll << 20))
        return {}; // a large UTF-8 page is read a stretch at a time instead
    static constexpr char kMark[] = "StartFragment";
    if (memmem(bytes, size_t(n), kMark, sizeof kMark - 1))
        return {};
    thread_local std::u16string text;
    pagefile::Decoder d(e);
    text.resize(size_t(d.room(n)) + 8);
    qsizetype got = d.decode(bytes, n, text.data());
    got += d.finish(text.data() + got);
    return quickRun<Wide>(text.data(), got, words, allWords, in);
}

std::optional<std::vector<PageHit>> quickSearchBytes(const QByteArray& bytes, const std::vector<SearchWord>& words,
                                                     bool allWords) {
    return quickSearchRaw(bytes.constData(), bytes.size(), words, allWords, {}).pages;
}

} // namespace canon
