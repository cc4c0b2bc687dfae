#include "pagefile/shown_text.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace pagefile {

namespace {

// The view reads a page in two steps, and so does this: the markup becomes a tree of
// elements with their texts, then the tree becomes blocks of text. Both follow the view's
// own rules, quirks included (a '<' always opens a tag, a stray quote runs on to the next
// quote, text between </head> and the next tag is hidden), since the reader shows what
// the view makes of a page, not what a web browser would.

enum class Id : uint8_t {
    Unknown, A, Address, B, Big, Blockquote, Body, Br, Caption, Center, Cite, Code, Dd, Dfn,
    Div, Dl, Dt, Em, Font, H1, H2, H3, H4, H5, H6, Head, Hr, Html, I, Img, Kbd, Li, Link,
    Meta, Nobr, Ol, P, Pre, S, Samp, Script, Small, Span, Strong, Style, Sub, Sup, Table,
    Tbody, Td, Tfoot, Th, Thead, Title, Tr, Tt, U, Ul, Var
};
enum class Display : uint8_t { Inline, Block, Table, None };
enum class Space : uint8_t { Undefined, Normal, Pre, NoWrap, PreWrap, PreLine };

struct Element {
    std::string_view name;
    Id id;
    Display display;
};

// Sorted by name; "qt" is the view's old name for a body.
constexpr std::array<Element, 60> kElements = {{
    {"a", Id::A, Display::Inline},           {"address", Id::Address, Display::Inline},
    {"b", Id::B, Display::Inline},           {"big", Id::Big, Display::Inline},
    {"blockquote", Id::Blockquote, Display::Block}, {"body", Id::Body, Display::Block},
    {"br", Id::Br, Display::Inline},         {"caption", Id::Caption, Display::Block},
    {"center", Id::Center, Display::Block},  {"cite", Id::Cite, Display::Inline},
    {"code", Id::Code, Display::Inline},     {"dd", Id::Dd, Display::Block},
    {"dfn", Id::Dfn, Display::Inline},       {"div", Id::Div, Display::Block},
    {"dl", Id::Dl, Display::Block},          {"dt", Id::Dt, Display::Block},
    {"em", Id::Em, Display::Inline},         {"font", Id::Font, Display::Inline},
    {"h1", Id::H1, Display::Block},          {"h2", Id::H2, Display::Block},
    {"h3", Id::H3, Display::Block},          {"h4", Id::H4, Display::Block},
    {"h5", Id::H5, Display::Block},          {"h6", Id::H6, Display::Block},
    {"head", Id::Head, Display::None},       {"hr", Id::Hr, Display::Block},
    {"html", Id::Html, Display::Inline},     {"i", Id::I, Display::Inline},
    {"img", Id::Img, Display::Inline},       {"kbd", Id::Kbd, Display::Inline},
    {"li", Id::Li, Display::Block},          {"link", Id::Link, Display::None},
    {"meta", Id::Meta, Display::None},       {"nobr", Id::Nobr, Display::Inline},
    {"ol", Id::Ol, Display::Block},          {"p", Id::P, Display::Block},
    {"pre", Id::Pre, Display::Block},        {"qt", Id::Body, Display::Block},
    {"s", Id::S, Display::Inline},           {"samp", Id::Samp, Display::Inline},
    {"script", Id::Script, Display::None},   {"small", Id::Small, Display::Inline},
    {"span", Id::Span, Display::Inline},     {"strong", Id::Strong, Display::Inline},
    {"style", Id::Style, Display::None},     {"sub", Id::Sub, Display::Inline},
    {"sup", Id::Sup, Display::Inline},       {"table", Id::Table, Display::Table},
    {"tbody", Id::Tbody, Display::Table},    {"td", Id::Td, Display::Block},
    {"tfoot", Id::Tfoot, Display::Table},    {"th", Id::Th, Display::Block},
    {"thead", Id::Thead, Display::Table},    {"title", Id::Title, Display::None},
    {"tr", Id::Tr, Display::Table},          {"tt", Id::Tt, Display::Inline},
    {"u", Id::U, Display::Inline},           {"ul", Id::Ul, Display::Block},
    {"var", Id::Var, Display::Inline},       {"\x7f", Id::Unknown, Display::Inline},
}};

static_assert(std::is_sorted(kElements.begin(), kElements.end(),
                             [](const Element& a, const Element& b) { return a.name < b.name; }));

const Element* element(const QString& tag) {
    if (tag.isEmpty() || tag.size() > 10)
        return nullptr;
    char name[11] = {};
    for (qsizetype i = 0; i < tag.size(); ++i) {
        const char16_t c = tag[i].unicode();
        if (c >= 0x80)
            return nullptr;
        name[i] = char(c);
    }
    const std::string_view n(name, size_t(tag.size()));
    const auto it = std::lower_bound(kElements.begin(), kElements.end() - 1, n,
                                     [](const Element& e, std::string_view v) { return e.name < v; });
    return it != kElements.end() - 1 && it->name == n ? &*it : nullptr;
}

// The named character references the view knows: HTML 4's list. Sorted by name (case
// matters, apart from the four upper-case spellings it also takes).
struct Named {
    const char* name;
    char16_t code;
};
constexpr Named kNamed[] = {
    {"AElig", 0xc6}, {"AMP", 38}, {"Aacute", 0xc1}, {"Acirc", 0xc2}, {"Agrave", 0xc0},
    {"Alpha", 0x391}, {"Aring", 0xc5}, {"Atilde", 0xc3}, {"Auml", 0xc4}, {"Beta", 0x392},
    {"Ccedil", 0xc7}, {"Chi", 0x3a7}, {"Dagger", 0x2021}, {"Delta", 0x394}, {"ETH", 0xd0},
    {"Eacute", 0xc9}, {"Ecirc", 0xca}, {"Egrave", 0xc8}, {"Epsilon", 0x395}, {"Eta", 0x397},
    {"Euml", 0xcb}, {"GT", 62}, {"Gamma", 0x393}, {"Iacute", 0xcd}, {"Icirc", 0xce},
    {"Igrave", 0xcc}, {"Iota", 0x399}, {"Iuml", 0xcf}, {"Kappa", 0x39a}, {"LT", 60},
    {"Lambda", 0x39b}, {"Mu", 0x39c}, {"Ntilde", 0xd1}, {"Nu", 0x39d}, {"OElig", 0x152},
    {"Oacute", 0xd3}, {"Ocirc", 0xd4}, {"Ograve", 0xd2}, {"Omega", 0x3a9}, {"Omicron", 0x39f},
    {"Oslash", 0xd8}, {"Otilde", 0xd5}, {"Ouml", 0xd6}, {"Phi", 0x3a6}, {"Pi", 0x3a0},
    {"Prime", 0x2033}, {"Psi", 0x3a8}, {"QUOT", 34}, {"Rho", 0x3a1}, {"Scaron", 0x160},
    {"Sigma", 0x3a3}, {"THORN", 0xde}, {"Tau", 0x3a4}, {"Theta", 0x398}, {"Uacute", 0xda},
    {"Ucirc", 0xdb}, {"Ugrave", 0xd9}, {"Upsilon", 0x3a5}, {"Uuml", 0xdc}, {"Xi", 0x39e},
    {"Yacute", 0xdd}, {"Yuml", 0x178}, {"Zeta", 0x396}, {"aacute", 0xe1}, {"acirc", 0xe2},
    {"acute", 0xb4}, {"aelig", 0xe6}, {"agrave", 0xe0}, {"alefsym", 0x2135}, {"alpha", 0x3b1},
    {"amp", 38}, {"and", 0x22a5}, {"ang", 0x2220}, {"apos", 0x27}, {"aring", 0xe5},
    {"asymp", 0x2248}, {"atilde", 0xe3}, {"auml", 0xe4}, {"bdquo", 0x201e}, {"beta", 0x3b2},
    {"brvbar", 0xa6}, {"bull", 0x2022}, {"cap", 0x2229}, {"ccedil", 0xe7}, {"cedil", 0xb8},
    {"cent", 0xa2}, {"chi", 0x3c7}, {"circ", 0x2c6}, {"clubs", 0x2663}, {"cong", 0x2245},
    {"copy", 0xa9}, {"crarr", 0x21b5}, {"cup", 0x222a}, {"curren", 0xa4}, {"dArr", 0x21d3},
    {"dagger", 0x2020}, {"darr", 0x2193}, {"deg", 0xb0}, {"delta", 0x3b4}, {"diams", 0x2666},
    {"divide", 0xf7}, {"eacute", 0xe9}, {"ecirc", 0xea}, {"egrave", 0xe8}, {"empty", 0x2205},
    {"emsp", 0x2003}, {"ensp", 0x2002}, {"epsilon", 0x3b5}, {"equiv", 0x2261}, {"eta", 0x3b7},
    {"eth", 0xf0}, {"euml", 0xeb}, {"euro", 0x20ac}, {"exist", 0x2203}, {"fnof", 0x192},
    {"forall", 0x2200}, {"frac12", 0xbd}, {"frac14", 0xbc}, {"frac34", 0xbe}, {"frasl", 0x2044},
    {"gamma", 0x3b3}, {"ge", 0x2265}, {"gt", 62}, {"hArr", 0x21d4}, {"harr", 0x2194},
    {"hearts", 0x2665}, {"hellip", 0x2026}, {"iacute", 0xed}, {"icirc", 0xee}, {"iexcl", 0xa1},
    {"igrave", 0xec}, {"image", 0x2111}, {"infin", 0x221e}, {"int", 0x222b}, {"iota", 0x3b9},
    {"iquest", 0xbf}, {"isin", 0x2208}, {"iuml", 0xef}, {"kappa", 0x3ba}, {"lArr", 0x21d0},
    {"lambda", 0x3bb}, {"lang", 0x2329}, {"laquo", 0xab}, {"larr", 0x2190}, {"lceil", 0x2308},
    {"ldquo", 0x201c}, {"le", 0x2264}, {"lfloor", 0x230a}, {"lowast", 0x2217}, {"loz", 0x25ca},
    {"lrm", 0x200e}, {"lsaquo", 0x2039}, {"lsquo", 0x2018}, {"lt", 60}, {"macr", 0xaf},
    {"mdash", 0x2014}, {"micro", 0xb5}, {"middot", 0xb7}, {"minus", 0x2212}, {"mu", 0x3bc},
    {"nabla", 0x2207}, {"nbsp", 0xa0}, {"ndash", 0x2013}, {"ne", 0x2260}, {"ni", 0x220b},
    {"not", 0xac}, {"notin", 0x2209}, {"nsub", 0x2284}, {"ntilde", 0xf1}, {"nu", 0x3bd},
    {"oacute", 0xf3}, {"ocirc", 0xf4}, {"oelig", 0x153}, {"ograve", 0xf2}, {"oline", 0x203e},
    {"omega", 0x3c9}, {"omicron", 0x3bf}, {"oplus", 0x2295}, {"or", 0x22a6}, {"ordf", 0xaa},
    {"ordm", 0xba}, {"oslash", 0xf8}, {"otilde", 0xf5}, {"otimes", 0x2297}, {"ouml", 0xf6},
    {"para", 0xb6}, {"part", 0x2202}, {"percnt", 0x25}, {"permil", 0x2030}, {"perp", 0x22a5},
    {"phi", 0x3c6}, {"pi", 0x3c0}, {"piv", 0x3d6}, {"plusmn", 0xb1}, {"pound", 0xa3},
    {"prime", 0x2032}, {"prod", 0x220f}, {"prop", 0x221d}, {"psi", 0x3c8}, {"quot", 34},
    {"rArr", 0x21d2}, {"radic", 0x221a}, {"rang", 0x232a}, {"raquo", 0xbb}, {"rarr", 0x2192},
    {"rceil", 0x2309}, {"rdquo", 0x201d}, {"real", 0x211c}, {"reg", 0xae}, {"rfloor", 0x230b},
    {"rho", 0x3c1}, {"rlm", 0x200f}, {"rsaquo", 0x203a}, {"rsquo", 0x2019}, {"sbquo", 0x201a},
    {"scaron", 0x161}, {"sdot", 0x22c5}, {"sect", 0xa7}, {"shy", 0xad}, {"sigma", 0x3c3},
    {"sigmaf", 0x3c2}, {"sim", 0x223c}, {"spades", 0x2660}, {"sub", 0x2282}, {"sube", 0x2286},
    {"sum", 0x2211}, {"sup", 0x2283}, {"sup1", 0xb9}, {"sup2", 0xb2}, {"sup3", 0xb3},
    {"supe", 0x2287}, {"szlig", 0xdf}, {"tau", 0x3c4}, {"there4", 0x2234}, {"theta", 0x3b8},
    {"thetasym", 0x3d1}, {"thinsp", 0x2009}, {"thorn", 0xfe}, {"tilde", 0x2dc}, {"times", 0xd7},
    {"trade", 0x2122}, {"uArr", 0x21d1}, {"uacute", 0xfa}, {"uarr", 0x2191}, {"ucirc", 0xfb},
    {"ugrave", 0xf9}, {"uml", 0xa8}, {"upsih", 0x3d2}, {"upsilon", 0x3c5}, {"uuml", 0xfc},
    {"weierp", 0x2118}, {"xi", 0x3be}, {"yacute", 0xfd}, {"yen", 0xa5}, {"yuml", 0xff},
    {"zeta", 0x3b6}, {"zwj", 0x200d}, {"zwnj", 0x200c},
};

static_assert(std::is_sorted(std::begin(kNamed), std::end(kNamed), [](const Named& a, const Named& b) {
    return std::string_view(a.name) < std::string_view(b.name);
}));

// What a numeric reference to 0x80-0x9F stands for: the Windows Latin-1 letters there.
constexpr char16_t kWindowsLatin1[32] = {
    0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};

// The text a reference's name (between '&' and ';') stands for; null when none.
QString reference(QStringView name) {
    if (name.size() <= 8) {
        char n[9] = {};
        bool ascii = true;
        for (qsizetype i = 0; i < name.size(); ++i) {
            ascii = ascii && name[i].unicode() < 0x80 && name[i].unicode() != 0;
            n[i] = char(name[i].unicode());
        }
        if (ascii) {
            const std::string_view v(n, size_t(name.size()));
            const auto it = std::lower_bound(std::begin(kNamed), std::end(kNamed), v,
                                             [](const Named& e, std::string_view w) {
                                                 return std::string_view(e.name) < w;
                                             });
            if (it != std::end(kNamed) && it->name == v)
                return QString(QChar(it->code));
        }
    }
    if (name.size() > 1 && name[0] == u'#') {
        QStringView digits = name.mid(1);
        int base = 10;
        if (digits[0].toLower() == u'x') {
            digits = digits.mid(1);
            base = 16;
        }
        bool ok = false;
        uint code = digits.toUInt(&ok, base);
        if (ok) {
            if (code >= 0x80 && code < 0xA0)
                code = kWindowsLatin1[code - 0x80];
            // As the view turns the number into characters: without a check of its range.
            if (code < 0x10000)
                return QString(QChar(char16_t(code)));
            const QChar pair[2] = {QChar(QChar::highSurrogate(code)), QChar(QChar::lowSurrogate(code))};
            return QString(pair, 2);
        }
    }
    return {};
}

// QChar::isSpace, without the call for the common letters.
inline bool isSpace(char16_t c) {
    if (c >= 0x0E00 && c < 0x0E80) // Thai
        return false;
    if (c < 0x80)
        return c == u' ' || (c >= u'\t' && c <= u'\r');
    if (c < 0x2000)
        return c == 0x85 || c == 0xA0 || c == 0x1680;
    return c <= 0x200A || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Where text came from, a run of consecutive places at a time: (text position, source).
using Runs = std::vector<std::pair<int, int>>;
inline void mark(Runs& runs, int position, int source) {
    if (runs.empty() || runs.back().second + (position - runs.back().first) != source)
        runs.emplace_back(position, source);
}
// Drops the last character of a text of the given size.
inline void unmarkLast(Runs& runs, int size) {
    if (!runs.empty() && runs.back().first == size - 1)
        runs.pop_back();
}

// A stretch of an element's text: of the page itself, or of what the reading made (the
// characters of references, a line break).
struct Piece {
    int at;      // in the page, or in the made text
    int length;
    int source;  // where its first character came from
    bool made;
};

// The page and the text made while reading it, which pieces point into.
struct Store {
    QStringView page;
    std::u16string made;
    const char16_t* chars(const Piece& p) const {
        return (p.made ? made.data() : reinterpret_cast<const char16_t*>(page.data())) + p.at;
    }
};

struct Node {
    int parent = 0;
    QString tag;
    Id id = Id::Unknown;
    Display display = Display::Inline;
    Space space = Space::Undefined;
    int tagAt = 0;
    std::vector<Piece> text; // its own text
    int length = 0;          // of its text
    std::vector<int> children;
    QString anchor; // the name this element gives its place, if any
    bool named = false;
    bool link = false; // an <a>

    bool isBlock() const { return display == Display::Block; }
    bool isCell() const { return id == Id::Td || id == Id::Th; }
    bool isList() const { return id == Id::Ol || id == Id::Ul; }
    bool childless() const {
        return id == Id::Img || id == Id::Hr || id == Id::Br || id == Id::Meta;
    }
    bool selfNesting() const { return id != Id::P && id != Id::Li; }
    bool allowedIn(Id parentId) const {
        switch (id) {
        case Id::Dd:
        case Id::Dt:
            return parentId == Id::Dl;
        case Id::Tr:
            return parentId == Id::Table || parentId == Id::Thead || parentId == Id::Tbody ||
                   parentId == Id::Tfoot;
        case Id::Th:
        case Id::Td:
            return parentId == Id::Tr;
        case Id::Thead:
        case Id::Tbody:
        case Id::Tfoot:
        case Id::Caption:
            return parentId == Id::Table;
        case Id::Body:
            return parentId != Id::Head;
        default:
            return true;
        }
    }
    // Whether every character of its text passes the test.
    template <class Test>
    bool all(const Store& store, Test test) const {
        for (const Piece& p : text) {
            const char16_t* c = store.chars(p);
            for (int i = 0; i < p.length; ++i)
                if (!test(c[i]))
                    return false;
        }
        return true;
    }
    void clearText() {
        text.clear();
        length = 0;
    }
};

// The white-space value of a style attribute, if it sets one: its last declaration wins.
std::optional<Space> styleSpace(const QString& style) {
    std::optional<Space> out;
    qsizetype at = 0;
    for (;;) {
        at = style.indexOf(QLatin1String("white-space"), at, Qt::CaseInsensitive);
        if (at < 0)
            return out;
        at += 11;
        qsizetype k = at;
        while (k < style.size() && style[k].isSpace())
            ++k;
        if (k >= style.size() || style[k] != u':')
            continue;
        ++k;
        while (k < style.size() && style[k].isSpace())
            ++k;
        qsizetype e = k;
        while (e < style.size() && (style[e].isLetter() || style[e] == u'-'))
            ++e;
        const QString v = style.mid(k, e - k).toLower();
        if (v == QLatin1String("normal"))
            out = Space::Normal;
        else if (v == QLatin1String("pre"))
            out = Space::Pre;
        else if (v == QLatin1String("nowrap"))
            out = Space::NoWrap;
        else if (v == QLatin1String("pre-wrap"))
            out = Space::PreWrap;
        else if (v == QLatin1String("pre-line"))
            out = Space::PreLine;
    }
}

class Parser {
  public:
    Parser(QStringView html, int base, Store& store)
        : t_(html), n_(int(html.size())), base_(base), store_(store) {
        store_.page = html;
        nodes_.emplace_back();
    }

    std::vector<Node> run() {
        while (pos_ < n_) {
            const QChar c = t_[pos_];
            if (c == u'<') {
                ++pos_;
                tag();
            } else if (c == u'&') {
                const int at = pos_++;
                const QString r = entity();
                add(nodes_.back(), r, at);
            } else {
                // A run of text at once, up to the next tag or reference.
                const char16_t* d = reinterpret_cast<const char16_t*>(t_.data());
                int e = pos_ + 1;
                while (e < n_ && d[e] != u'<' && d[e] != u'&')
                    ++e;
                Node& last = nodes_.back();
                if (!last.text.empty() && !last.text.back().made &&
                    last.text.back().at + last.text.back().length == pos_)
                    last.text.back().length += e - pos_;
                else
                    last.text.push_back({pos_, e - pos_, base_ + pos_, false});
                last.length += e - pos_;
                pos_ = e;
            }
        }
        return std::move(nodes_);
    }

  private:
    bool at(QChar c, int ahead = 0) const { return pos_ + ahead < n_ && t_[pos_ + ahead] == c; }
    void eatSpace() {
        while (pos_ < n_ && isSpace(t_[pos_].unicode()) && t_[pos_] != QChar::ParagraphSeparator)
            ++pos_;
    }
    // Made text, all of it from one place of the page.
    void add(Node& node, const QString& s, int at) {
        node.text.push_back({int(store_.made.size()), int(s.size()), base_ + at, true});
        node.length += int(s.size());
        store_.made.append(reinterpret_cast<const char16_t*>(s.constData()), size_t(s.size()));
    }
    int last() const { return int(nodes_.size()) - 1; }
    int depth(int i) const {
        int d = 0;
        for (; i; i = nodes_[size_t(i)].parent)
            ++d;
        return d;
    }

    // After '&': the text of a reference, or "&" itself when there is none.
    QString entity() {
        const int start = pos_;
        int length = 0;
        bool good = true; // the page's end ends a reference too
        while (pos_ < n_) {
            const QChar c = t_[pos_++];
            if (isSpace(c.unicode()) || pos_ - start > 9) {
                good = false;
                break;
            }
            if (c == u';')
                break;
            ++length;
        }
        if (good && length) {
            const QString r = reference(t_.mid(start, length));
            if (!r.isNull())
                return r;
        }
        pos_ = start;
        return QStringLiteral("&");
    }

    // One word, quoted or not: a tag's name, an attribute's name or value.
    QString word() {
        QString w;
        if (at(u'"')) {
            ++pos_;
            while (pos_ < n_) {
                const QChar c = t_[pos_++];
                if (c == u'"')
                    break;
                w += c == u'&' ? entity() : QString(c);
            }
        } else if (at(u'\'')) {
            ++pos_;
            while (pos_ < n_) {
                const QChar c = t_[pos_++];
                // A quote after a backslash does not end the value.
                if (c == u'\'' && t_[pos_ - 2] != u'\\')
                    break;
                w += c;
            }
        } else {
            while (pos_ < n_) {
                const QChar c = t_[pos_++];
                if (c == u'>' || (c == u'/' && at(u'>')) || c == u'<' || c == u'=' || isSpace(c.unicode())) {
                    --pos_;
                    break;
                }
                w += c == u'&' ? entity() : QString(c);
            }
        }
        return w;
    }

    // A new node under parent; an empty text node at the end is used again where the view
    // does, since which nodes exist decides where its blocks close.
    Node& newNode(int parent) {
        Node& lastNode = nodes_.back();
        bool reuse = false;
        if (nodes_.size() > 1 && lastNode.tag.isEmpty()) {
            if (lastNode.length == 0) {
                reuse = true;
            } else if (lastNode.length == 1 && isSpace(*store_.chars(lastNode.text[0]))) {
                int sibling = last() - 1;
                while (sibling && nodes_[size_t(sibling)].parent != lastNode.parent &&
                       nodes_[size_t(sibling)].display == Display::Inline)
                    sibling = nodes_[size_t(sibling)].parent;
                reuse = nodes_[size_t(sibling)].display != Display::Inline;
            }
        }
        if (reuse) {
            // The display mode stays as it was: the view does not reset it either.
            lastNode.tag.clear();
            lastNode.clearText();
            lastNode.id = Id::Unknown;
        } else {
            nodes_.emplace_back();
        }
        Node& node = nodes_.back();
        node.parent = parent;
        return node;
    }

    // Properties a node takes from its parent and its kind.
    void resolveNode() {
        Node& node = nodes_.back();
        const Node& parent = nodes_[size_t(node.parent)];
        if (parent.display == Display::None)
            node.display = Display::None;
        node.space = parent.space;
        node.named = false;
        node.anchor.clear();
        if (node.id == Id::Br) {
            node.clearText();
            add(node, QString(QChar(QChar::LineSeparator)), node.tagAt - base_);
        }
    }

    // Where the new node hangs in the tree: the view mends a missing table or row and
    // closes what may not hold the node.
    void resolveParent() {
        int p = nodes_.back().parent;
        const Id id = nodes_.back().id;
        if (id == Id::Td) {
            int k = p;
            while (k && nodes_[size_t(k)].id != Id::Tr)
                k = nodes_[size_t(k)].parent;
            if (!k) {
                Node node = std::move(nodes_.back());
                nodes_.pop_back();
                Node table;
                table.parent = p;
                table.id = Id::Table;
                table.tag = QStringLiteral("table");
                table.display = Display::Inline; // made up by the view without a kind
                table.tagAt = node.tagAt;
                nodes_.push_back(std::move(table));
                const int tableAt = last();
                Node row;
                row.parent = tableAt;
                row.id = Id::Tr;
                row.tag = QStringLiteral("tr");
                row.tagAt = node.tagAt;
                nodes_.push_back(std::move(row));
                nodes_[size_t(tableAt)].children.push_back(last());
                p = last();
                nodes_.push_back(std::move(node));
            }
        }
        if (id == Id::Tr) {
            int k = p;
            while (k && nodes_[size_t(k)].id != Id::Table)
                k = nodes_[size_t(k)].parent;
            if (!k) {
                Node node = std::move(nodes_.back());
                nodes_.pop_back();
                Node table;
                table.parent = p;
                table.id = Id::Table;
                table.tag = QStringLiteral("table");
                table.tagAt = node.tagAt;
                nodes_.push_back(std::move(table));
                p = last();
                nodes_.push_back(std::move(node));
            }
        }
        Node& node = nodes_.back();
        if (id == Id::P) {
            // A paragraph closes the inline elements of the paragraph it is in.
            while (p && !nodes_[size_t(p)].isBlock())
                p = nodes_[size_t(p)].parent;
            if (!p || nodes_[size_t(p)].id != Id::P)
                p = node.parent;
        }
        if (id == nodes_[size_t(p)].id && !node.selfNesting())
            p = nodes_[size_t(p)].parent;
        while ((p && !node.allowedIn(nodes_[size_t(p)].id)) || nodes_[size_t(p)].childless())
            p = nodes_[size_t(p)].parent;
        node.parent = p;
        nodes_[size_t(p)].children.push_back(last());
    }

    void tag() {
        const int tagAt = base_ + pos_ - 1;
        eatSpace();
        if (tags_)
            return markup(tagAt);
        if (at(u'!')) {
            ++pos_;
            if (at(u'-') && at(u'-', 1)) {
                pos_ += 2;
                const qsizetype end = t_.indexOf(QLatin1String("-->"), pos_);
                pos_ = end >= 0 ? int(end) + 3 : n_;
            } else {
                while (pos_ < n_ && t_[pos_++] != u'>') {
                }
            }
            const Space s = nodes_.back().space;
            if (s != Space::Pre && s != Space::PreWrap)
                eatSpace();
            return;
        }
        if (at(u'/')) {
            closeTag();
            return;
        }
        int p = last();
        while (p && nodes_[size_t(p)].tag.isEmpty())
            p = nodes_[size_t(p)].parent;
        {
            Node& node = newNode(p);
            node.tag = word().toLower();
            node.tagAt = tagAt;
            if (const Element* e = element(node.tag)) {
                node.id = e->id;
                node.display = e->display;
            } else {
                node.id = Id::Unknown;
            }
        }
        std::vector<Attribute> attributes = readAttributes();
        resolveParent();
        resolveNode();
        Node& node = nodes_.back();
        // The kinds that set their own white space.
        if (node.id == Id::Pre)
            node.space = Space::Pre;
        else if (node.id == Id::Br)
            node.space = Space::PreWrap;
        else if (node.id == Id::Nobr)
            node.space = Space::NoWrap;
        for (const auto& [key, value, valueFrom, valueTo] : attributes) {
            if (node.id == Id::A && key == QLatin1String("name")) {
                node.anchor = value;
                node.named = node.link = true;
            } else if (key == QLatin1String("id")) {
                node.anchor = value;
                node.named = true;
                node.link = node.id == Id::A;
            } else if (key == QLatin1String("style")) {
                if (const auto s = styleSpace(value))
                    node.space = *s;
            }
        }
        bool closed = false;
        while (pos_ < n_ && t_[pos_] != u'>') {
            closed = closed || t_[pos_] == u'/';
            ++pos_;
        }
        ++pos_;
        // A line end just after a block's tag where white space is kept is not shown.
        if ((node.space == Space::Pre || node.space == Space::PreWrap ||
             node.space == Space::PreLine) &&
            node.isBlock() && pos_ < n_ - 1 && t_[pos_] == u'\n')
            ++pos_;
        if (node.childless() || closed) {
            const int parent = node.parent;
            newNode(parent).tagAt = base_ + pos_;
            resolveNode();
        }
    }

    // A tag's attributes, where the view reads them: only after a blank behind the name.
    std::vector<Attribute> readAttributes() {
        std::vector<Attribute> attributes;
        if (pos_ < n_ && t_[pos_].isSpace()) {
            while (pos_ < n_) {
                eatSpace();
                if (at(u'>') || at(u'/'))
                    break;
                QString key = word().toLower();
                QString value = QStringLiteral("1");
                int from = -1, to = -1;
                if (key.isEmpty())
                    break;
                eatSpace();
                if (at(u'=')) {
                    ++pos_;
                    eatSpace();
                    from = base_ + pos_;
                    value = word();
                    to = base_ + pos_;
                }
                if (value.isEmpty())
                    continue;
                attributes.push_back({std::move(key), std::move(value), from, to});
            }
        }
        return attributes;
    }

    // The tag at tagAt read for its own sake, with the view's rules for where it ends.
    void markup(int tagAt) {
        Tag t;
        t.from = tagAt;
        if (at(u'!')) {
            ++pos_;
            t.kind = Tag::Declaration;
            if (at(u'-') && at(u'-', 1)) {
                pos_ += 2;
                t.kind = Tag::Comment;
                const qsizetype end = t_.indexOf(QLatin1String("-->"), pos_);
                pos_ = end >= 0 ? int(end) + 3 : n_;
            } else {
                while (pos_ < n_ && t_[pos_++] != u'>') {
                }
            }
        } else if (at(u'/')) {
            ++pos_;
            t.kind = Tag::Close;
            t.name = word().toLower().trimmed();
            while (pos_ < n_ && t_[pos_++] != u'>') {
            }
        } else {
            t.kind = Tag::Open;
            t.name = word().toLower();
            t.attributes = readAttributes();
            while (pos_ < n_ && t_[pos_] != u'>') {
                t.selfClosed = t.selfClosed || t_[pos_] == u'/';
                ++pos_;
            }
            pos_ = std::min(pos_ + 1, n_);
        }
        t.to = base_ + pos_;
        tags_->push_back(std::move(t));
    }

    void closeTag() {
        ++pos_;
        const QString name = word().toLower().trimmed();
        while (pos_ < n_ && t_[pos_++] != u'>') {
        }
        int p = last();
        if (p > 0 && nodes_[size_t(p - 1)].tag == name && nodes_[size_t(p - 1)].childless())
            --p;
        while (p && nodes_[size_t(p)].tag != name)
            p = nodes_[size_t(p)].parent;
        if (!p)
            return; // nothing open by that name
        const Space s = nodes_[size_t(p)].space;
        if ((s == Space::Pre || s == Space::PreWrap || s == Space::PreLine) &&
            nodes_[size_t(p)].isBlock()) {
            Node& lastNode = nodes_.back();
            if (lastNode.length > 0) {
                Piece& tail = lastNode.text.back();
                if (store_.chars(tail)[tail.length - 1] == u'\n') {
                    --lastNode.length;
                    if (--tail.length == 0)
                        lastNode.text.pop_back();
                }
            }
        }
        const int parent = nodes_[size_t(p)].parent;
        newNode(parent).tagAt = base_ + pos_;
        resolveNode();
    }

  public:
    std::vector<Tag>* tags_ = nullptr; // set: the tags alone are read, into it

  private:
    QStringView t_;
    int pos_ = 0, n_ = 0, base_ = 0;
    Store& store_;
    std::vector<Node> nodes_;
};

// The second step: the tree into text, as the view lays its blocks.
class Importer {
  public:
    Importer(const std::vector<Node>& nodes, const Store& store, ShownText& out)
        : nodes_(nodes), store_(store), out_(out) {}

    void run() {
        for (idx_ = 0; idx_ < int(nodes_.size()); ++idx_) {
            const Node& node = nodes_[size_t(idx_)];
            space_ = node.space;
            if (idx_ > 0 && node.parent != idx_ - 1) {
                blockClosed_ = closeTags();
                if (blockClosed_ && !node.isBlock() && node.id != Id::Unknown)
                    hasBlock_ = false;
            }
            if (node.display == Display::None)
                continue;
            if (special(node))
                continue;
            // Text after a closed list or the like needs a block of its own.
            if (blockClosed_ && !hasBlock_ && !node.isBlock() && node.length > 0 &&
                !node.all(store_, [](char16_t c) { return isSpace(c) && c != 0x2028; }) &&
                node.display == Display::Inline) {
                newBlock(node.tagAt);
                hasBlock_ = true;
            }
            if (node.isBlock()) {
                if (node.isCell() && !tables_.empty()) {
                    if (tables_.back()) {
                        barrier(node.tagAt); // into the cell
                        inTable_ = true;
                    }
                    hasBlock_ = true;
                    compress_ = Compress::Remove;
                }
                // A block's own name marks where it begins; on a block not yet written to,
                // it takes the place of the names the block had.
                if (hasBlock_) {
                    if (node.named) {
                        if (slotAt_ == int(out_.text.size()))
                            out_.anchors.resize(slotFrom_);
                        slotFrom_ = out_.anchors.size();
                        slotAt_ = int(out_.text.size());
                        anchor(node);
                    }
                } else {
                    const bool waiting = !pending_.empty();
                    newBlock(node.tagAt);
                    if (node.named && !waiting)
                        anchor(node);
                }
                hasBlock_ = true;
                blockClosed_ = false;
            }
            if (node.named)
                pending_.push_back(&node);
            if (appendText(node))
                hasBlock_ = false;
        }
    }

  private:
    enum class Compress { Preserve, Remove, Collapse };

    int depth(int i) const {
        int d = 0;
        for (; i; i = nodes_[size_t(i)].parent)
            ++d;
        return d;
    }

    void anchor(const Node& a) {
        out_.anchors.push_back(
            {int(out_.text.size()), a.anchor, a.tagAt, a.link && isPageNumber(a.anchor)});
    }
    void placePending() {
        for (const Node* a : pending_)
            anchor(*a);
        pending_.clear();
    }
    void put(QChar c, int from) {
        placePending();
        mark(out_.sourceRuns, int(out_.text.size()), from);
        out_.text += c;
    }
    void putRun(QStringView run, int from) {
        placePending();
        mark(out_.sourceRuns, int(out_.text.size()), from);
        out_.text.append(run);
    }
    void barrier(int from) {
        mark(out_.sourceRuns, int(out_.text.size()), from);
        out_.text += QChar(kBlock);
    }
    void newBlock(int from) {
        barrier(from);
        // The block takes the anchors waiting for a place: they stand where it begins.
        slotFrom_ = out_.anchors.size();
        slotAt_ = int(out_.text.size());
        placePending();
        if (space_ != Space::Pre && space_ != Space::PreWrap)
            compress_ = Compress::Remove;
    }

    // Elements the view handles apart; true when the node's own text is not shown.
    bool special(const Node& node) {
        switch (node.id) {
        case Id::Body:
            compress_ = Compress::Remove;
            return false;
        case Id::Ol:
        case Id::Ul:
            ++lists_;
            compress_ = Compress::Remove;
            return node.all(store_, isSpace);
        case Id::Table: {
            // Made where the text stands, which stays before it: what is not in a cell goes
            // there, and the first cell begins the table's text.
            tables_.push_back(hasCells(idx_));
            hasBlock_ = false;
            compress_ = Compress::Remove;
            return true;
        }
        case Id::Tr:
            return true;
        case Id::Img:
            // A picture takes no anchor: one waiting goes on to the text after it.
            mark(out_.sourceRuns, int(out_.text.size()), node.tagAt);
            out_.text += QChar(kPicture);
            compress_ = Compress::Collapse;
            hasBlock_ = false;
            return true;
        case Id::Hr:
            if (!hasBlock_)
                newBlock(node.tagAt);
            hasBlock_ = false;
            compress_ = Compress::Remove;
            return true;
        default:
            return false;
        }
    }

    // Whether a table has a row with a cell: the view makes no table otherwise.
    bool hasCells(int table) const {
        auto rowHasCell = [&](int row) {
            for (int c : nodes_[size_t(row)].children)
                if (nodes_[size_t(c)].isCell())
                    return true;
            return false;
        };
        for (int child : nodes_[size_t(table)].children) {
            const Node& n = nodes_[size_t(child)];
            if (n.id == Id::Tr && rowHasCell(child))
                return true;
            if (n.id == Id::Thead || n.id == Id::Tbody || n.id == Id::Tfoot)
                for (int row : n.children)
                    if (nodes_[size_t(row)].id == Id::Tr && rowHasCell(row))
                        return true;
        }
        return false;
    }

    // The elements closed between the previous node and this one.
    bool closeTags() {
        int closed = idx_ - 1;
        const int endDepth = depth(idx_) - 1;
        int d = depth(closed);
        bool blockClosed = false;
        while (d > endDepth) {
            const Node& n = nodes_[size_t(closed)];
            switch (n.id) {
            case Id::Tr:
                blockClosed = true;
                break;
            case Id::Table:
                if (tables_.empty())
                    break;
                // Text after a table goes below everything at the top, or into the cell of
                // the table around it; inside a table that was never made it stays where
                // it is, in the last cell written.
                {
                    const bool made = tables_.back();
                    tables_.pop_back();
                    if (tables_.empty()) {
                        if (inTable_)
                            barrier(n.tagAt);
                        inTable_ = false;
                    } else if (tables_.back() && made) {
                        barrier(n.tagAt);
                    }
                }
                blockClosed = false;
                compress_ = Compress::Remove;
                break;
            case Id::Th:
            case Id::Td:
                blockClosed = true;
                compress_ = Compress::Remove;
                break;
            case Id::Ol:
            case Id::Ul:
                if (lists_ == 0)
                    break;
                --lists_;
                blockClosed = true;
                break;
            case Id::Br:
                compress_ = Compress::Remove;
                break;
            case Id::Div:
                if (!out_.text.isEmpty() && !n.children.empty() &&
                    out_.text.back() != QChar::LineSeparator)
                    blockClosed = true;
                break;
            case Id::H1:
            case Id::H2:
            case Id::H3:
            case Id::H4:
            case Id::H5:
            case Id::H6:
                blockClosed = true;
                break;
            default:
                if (n.isBlock())
                    blockClosed = true;
                break;
            }
            closed = n.parent;
            --d;
        }
        return blockClosed;
    }

    // The node's own text, its white space treated as its mode asks.
    bool appendText(const Node& node) {
        const qsizetype before = out_.text.size();
        if (space_ == Space::Pre || space_ == Space::PreWrap)
            compress_ = Compress::Preserve;
        qsizetype run = out_.text.size(); // where the text since the last block began
        for (const Piece& piece : node.text) {
            const char16_t* d = store_.chars(piece);
            const int n = piece.length;
            auto from = [&](int i) { return piece.made ? piece.source : piece.source + i; };
            for (int i = 0; i < n; ++i) {
                // Letters up to the next blank go as they are, at once.
                if (!isSpace(d[i])) {
                    int e = i + 1;
                    while (e < n && !isSpace(d[e]))
                        ++e;
                    putRun(QStringView(d + i, e - i), from(i));
                    compress_ = Compress::Preserve;
                    i = e - 1;
                    continue;
                }
                QChar c = d[i];
                if (c != QChar::Nbsp && c != QChar::ParagraphSeparator) {
                    const bool lineEnd = c == u'\n' || c == u'\r';
                    if (space_ == Space::PreLine && lineEnd)
                        compress_ = Compress::Preserve;
                    if (compress_ == Compress::Collapse)
                        compress_ = Compress::Remove;
                    else if (compress_ == Compress::Remove)
                        continue;
                    if (space_ == Space::Pre) {
                        if (c == u'\r')
                            continue;
                    } else if (space_ != Space::PreWrap) {
                        compress_ = Compress::Remove;
                        if (!(space_ == Space::PreLine && lineEnd))
                            c = space_ == Space::NoWrap ? QChar(QChar::Nbsp) : QChar(u' ');
                    }
                } else {
                    compress_ = Compress::Preserve;
                }
                if (c == u'\n' || c == QChar::ParagraphSeparator) {
                    if (space_ == Space::PreLine && out_.text.size() > run &&
                        out_.text.back() == u' ') {
                        unmarkLast(out_.sourceRuns, int(out_.text.size()));
                        out_.text.chop(1);
                    }
                    newBlock(from(i));
                    run = out_.text.size();
                } else {
                    put(c, from(i));
                }
            }
        }
        return out_.text.size() != before;
    }

    const std::vector<Node>& nodes_;
    const Store& store_;
    ShownText& out_;
    int idx_ = 0;
    Space space_ = Space::Normal;
    bool hasBlock_ = true, blockClosed_ = false;
    Compress compress_ = Compress::Remove;
    std::vector<bool> tables_; // open tables: whether each was made
    int lists_ = 0;
    bool inTable_ = false; // the text goes into a cell
    std::vector<const Node*> pending_; // anchors waiting for the next character
    // The names of the newest block, while nothing is written in it: its own anchors.
    size_t slotFrom_ = 0;
    int slotAt_ = -1;
};

} // namespace

bool isPageNumber(QStringView name) {
    const QStringView t = name.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return false;
    for (QChar c : t)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString ShownText::pageAt(int position) const {
    QString page;
    for (const Anchor& a : anchors) {
        if (a.at > position)
            break;
        if (a.page)
            page = a.name.trimmed();
    }
    return page;
}

std::vector<const Anchor*> ShownText::pages() const {
    std::vector<const Anchor*> out;
    for (const Anchor& a : anchors)
        if (a.page)
            out.push_back(&a);
    return out;
}

int ShownText::sourceOf(int position) const {
    auto it = std::upper_bound(sourceRuns.begin(), sourceRuns.end(), position,
                               [](int p, const std::pair<int, int>& r) { return p < r.first; });
    if (it == sourceRuns.begin())
        return 0;
    --it;
    return it->second + (position - it->first);
}

bool ShownText::blockBefore(int position) const {
    return position > 0 && position <= text.size() && text[position - 1] == QChar(kBlock);
}

std::vector<Tag> readTags(QStringView html) {
    Store store;
    Parser parser(html, 0, store);
    std::vector<Tag> tags;
    parser.tags_ = &tags;
    parser.run();
    return tags;
}

ShownText showPage(QStringView html) {
    // A page copied from another program's clipboard: the view shows the marked fragment.
    int base = 0;
    const qsizetype start = html.indexOf(QLatin1String("<!--StartFragment-->"));
    if (start >= 0) {
        const qsizetype end = html.indexOf(QLatin1String("<!--EndFragment-->"));
        base = int(start);
        html = start < end ? html.mid(start, end - start) : html.mid(start);
    }
    Store store;
    const std::vector<Node> nodes = Parser(html, base, store).run();
    ShownText out;
    out.text.reserve(html.size() / 2);
    Importer(nodes, store, out).run();
    return out;
}

} // namespace pagefile
