#include "canon/quick_search.h"

#include "pagefile/decode.h"
#include "pagefile/scan.h"
#include "pagefile/shown_text.h"

#include <QHash>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace canon {

namespace {

// The elements of a body whose text the view shows as the page holds it, between tags:
// nothing hidden, no white space kept, no text of their own. Sorted.
constexpr std::u16string_view kPlain[] = {
    u"a",  u"b",  u"big", u"blockquote", u"br", u"center", u"cite", u"dd", u"div", u"dl",
    u"dt", u"em", u"font", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"hr", u"i", u"img",
    u"li", u"ol", u"p", u"s", u"small", u"span", u"strong", u"sub", u"sup", u"table",
    u"tbody", u"td", u"tfoot", u"th", u"thead", u"tr", u"tt", u"u", u"ul"};
// Before the body: the elements of a head.
constexpr std::u16string_view kHead[] = {u"head", u"html", u"link", u"meta", u"title"};

bool among(std::u16string_view name, const std::u16string_view* from, const std::u16string_view* to) {
    return std::binary_search(from, to, name);
}

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
int plainReference(const char16_t* p, const char16_t* end) {
    static constexpr std::u16string_view refs[] = {u"&nbsp;", u"&amp;", u"&lt;", u"&gt;", u"&quot;"};
    for (std::u16string_view r : refs)
        if (end - p >= qsizetype(r.size()) && std::u16string_view(p, r.size()) == r)
            return int(r.size());
    return 0;
}

struct Lexed {
    enum Kind { Bad, Open, Close, Skip } kind = Bad;
    int end = 0;          // past its '>'
    char16_t name[11] = {}; // lower case
    int nameLength = 0;
    bool anchor = false;  // an <a> with a name (or id)
    int anchorFrom = 0, anchorTo = 0;
    std::u16string_view nameView() const { return {name, size_t(nameLength)}; }
};

class Quick {
  public:
    Quick(QStringView html, const std::vector<SearchWord>& words)
        : t_(reinterpret_cast<const char16_t*>(html.utf16())), n_(int(html.size())), words_(words) {}

    bool run() {
        // Every place of each key at once, then taken in order as the runs of text go by.
        keys_.resize(words_.size());
        next_.assign(words_.size(), 0);
        for (size_t w = 0; w < words_.size(); ++w) {
            const char16_t key = words_[w].folded[words_[w].key].unicode();
            for (const char16_t* k = pagefile::find(t_, t_ + n_, key); k < t_ + n_; k = pagefile::find(k + 1, t_ + n_, key))
                keys_[w].push_back(int(k - t_));
        }
        enum { Head, Body, After } phase = Head;
        bool inHead = false, inTitle = false;
        int pos = 0;
        while (pos < n_) {
            const int e = int(pagefile::findEither(t_ + pos, t_ + n_, u'<', u'&') - t_);
            if (e > pos) {
                if (phase == Body) {
                    if (!segment(pos, e))
                        return false;
                } else if (!(phase == Head && (inHead || inTitle)) && holdsKey(pos, e)) {
                    return false; // text outside the body that the view may show
                }
            }
            pos = e;
            if (pos >= n_)
                break;
            if (t_[pos] == u'&') {
                if (const int r = plainReference(t_ + pos, t_ + n_)) {
                    pos += r;
                } else if (phase == Head && (inHead || inTitle)) {
                    ++pos; // hidden with the rest of the head
                } else {
                    return false;
                }
                continue;
            }
            const Lexed tag = lex(pos);
            if (tag.kind == Lexed::Bad)
                return false;
            pos = tag.end;
            if (tag.kind == Lexed::Skip)
                continue;
            const std::u16string_view name = tag.nameView();
            if (phase == Head) {
                if (tag.kind == Lexed::Open && name == u"body") {
                    phase = Body;
                    continue;
                }
                if (!among(name, std::begin(kHead), std::end(kHead)) || (name == u"html" && tag.kind == Lexed::Close))
                    return false;
                if (name == u"head")
                    inHead = tag.kind == Lexed::Open;
                else if (name == u"title")
                    inTitle = tag.kind == Lexed::Open;
            } else if (phase == Body) {
                if (tag.kind == Lexed::Close && (name == u"body" || name == u"html")) {
                    phase = After;
                    continue;
                }
                if (!among(name, std::begin(kPlain), std::end(kPlain)))
                    return false;
                if (tag.anchor) {
                    const QStringView value(t_ + tag.anchorFrom, tag.anchorTo - tag.anchorFrom);
                    if (pagefile::isPageNumber(value)) {
                        page_ = value.trimmed().toString();
                        pageIndex_ = -1;
                    }
                }
            }
        }
        return true;
    }

    std::vector<PageHit> finish(bool allWords) {
        std::vector<PageHit> out;
        for (Page& p : pages_) {
            const bool every = std::all_of(p.hits.begin(), p.hits.end(), [](int n) { return n > 0; });
            const bool any = std::any_of(p.hits.begin(), p.hits.end(), [](int n) { return n > 0; });
            if (!(allWords ? every : any))
                continue;
            PageHit h;
            h.page = p.name;
            for (int n : p.hits)
                h.hits += n;
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
        auto ch = [&](int k) -> char16_t { return k < n_ ? t_[k] : u'\0'; };
        if (ch(i) == u'!') {
            const std::u16string_view rest(t_ + i, size_t(n_ - i));
            size_t end;
            if (ch(i + 1) == u'-' && ch(i + 2) == u'-') {
                end = rest.find(u"-->", 3);
                end = end == std::u16string_view::npos ? rest.size() : end + 3;
            } else {
                end = rest.find(u'>', 1);
                end = end == std::u16string_view::npos ? rest.size() : end + 1;
            }
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
            x.name[x.nameLength++] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
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
                key[k - keyFrom] = t_[k] >= u'A' && t_[k] <= u'Z' ? char16_t(t_[k] + 32) : t_[k];
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
                        if (t_[to] == u'&' || (q == u'\'' && t_[to] == u'\\'))
                            return x;
                        ++to;
                    }
                    if (to >= n_)
                        return x;
                    i = to + 1;
                } else {
                    from = i;
                    while (i < n_ && !blank(t_[i]) && t_[i] != u'>') {
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
                if (to > from) { // an empty name names nothing
                    x.anchor = true;
                    x.anchorFrom = from;
                    x.anchorTo = to;
                }
            }
        }
        x.kind = Lexed::Open;
        return x;
    }

    // Whether the view's next character after position e (a tag, a reference or the
    // page's end stands there) is one the folding starts afresh at, whatever the view
    // makes of the blanks and tags between; false also where it cannot be told.
    bool freshAfter(int e) const {
        while (e < n_) {
            const char16_t c = t_[e];
            if (c == u'<') {
                const Lexed tag = lex(e);
                if (tag.kind == Lexed::Bad)
                    return false;
                if (tag.anchor && pagefile::isPageNumber(QStringView(t_ + tag.anchorFrom, tag.anchorTo - tag.anchorFrom)))
                    return true; // a page anchor ends what a place spans
                e = tag.end;
            } else if (c == u'&') {
                return plainReference(t_ + e, t_ + n_) > 0;
            } else if (blank(c)) {
                ++e;
            } else {
                return thai::startsAfresh(c) && !unusual(c);
            }
        }
        return true;
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
                    if (thai::startsAfresh(t_[--a]))
                        ++count;
                if (count < j)
                    return false; // its start may stand before the tag
                int b = -1;
                count = 0;
                for (int q = p + 1; q < e; ++q)
                    if (thai::startsAfresh(t_[q])) {
                        if (count == m - j - 1) {
                            b = q;
                            break;
                        }
                        ++count;
                    }
                const bool reachesEnd = b < 0;
                if (reachesEnd) {
                    if (!freshAfter(e))
                        return false;
                    b = e;
                }
                for (int q = a; q < b; ++q)
                    if (unusual(t_[q]))
                        return false;
                const QStringView window(t_ + a, b - a);
                const int start = p - j;
                if (start >= a && start + m <= b && thai::startsAfresh(t_[start]) &&
                    (start + m == b || thai::startsAfresh(t_[start + m])) &&
                    window.mid(start - a, m) == word.folded) {
                    place(w, start);
                    continue;
                }
                if (reachesEnd && count < m - j - 1) {
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

    const char16_t* t_;
    const int n_;
    const std::vector<SearchWord>& words_;
    std::vector<std::vector<int>> keys_; // the places of each word's key
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

} // namespace

std::optional<std::vector<PageHit>> quickSearch(QStringView html, const std::vector<SearchWord>& words,
                                                bool allWords) {
    if (!quickWords(words))
        return std::nullopt;
    Quick q(html, words);
    if (!q.run())
        return std::nullopt;
    return q.finish(allWords);
}

std::optional<std::vector<PageHit>> quickSearchBytes(const QByteArray& bytes, const std::vector<SearchWord>& words,
                                                     bool allWords) {
    if (!quickWords(words))
        return std::nullopt;
    const pagefile::Encoding e = pagefile::sniff(bytes);
    if (e != pagefile::Encoding::Windows874 && e != pagefile::Encoding::Utf8)
        return std::nullopt;
    // A page copied from a clipboard shows only its marked fragment.
    static constexpr char kMark[] = "StartFragment";
    if (memmem(bytes.constData(), size_t(bytes.size()), kMark, sizeof kMark - 1))
        return std::nullopt;
    thread_local std::u16string text;
    pagefile::Decoder d(e);
    text.resize(size_t(d.room(bytes.size())) + 8);
    qsizetype n = d.decode(bytes.constData(), bytes.size(), text.data());
    n += d.finish(text.data() + n);
    return quickSearch(QStringView(text.data(), n), words, allWords);
}

} // namespace canon
