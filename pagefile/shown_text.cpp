#include "pagefile/shown_text.h"

#include "pagefile/scan.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
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

// A name of up to ten letters and digits packed into a number, six bits a character (0
// for a name that is none), so that looking it up compares numbers.
uint64_t packedName(std::u16string_view name) {
    if (name.empty() || name.size() > 10)
        return 0;
    uint64_t key = 0;
    for (const char16_t c : name) {
        uint64_t v;
        if (c >= u'a' && c <= u'z')
            v = uint64_t(c - u'a' + 1);
        else if (c >= u'0' && c <= u'9')
            v = uint64_t(c - u'0' + 27);
        else if (c == 0x7F)
            v = 37;
        else
            return 0;
        key = key << 6 | v;
    }
    return key;
}

const Element* element(std::u16string_view tag) {
    struct Entry {
        uint64_t key;
        const Element* element;
    };
    static const std::vector<Entry> table = [] {
        std::vector<Entry> t;
        for (const Element& e : kElements)
            if (e.id != Id::Unknown) {
                std::u16string n(e.name.begin(), e.name.end());
                t.push_back({packedName(n), &e});
            }
        std::sort(t.begin(), t.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
        return t;
    }();
    const uint64_t key = packedName(tag);
    if (!key)
        return nullptr;
    const auto it = std::lower_bound(table.begin(), table.end(), key,
                                     [](const Entry& e, uint64_t k) { return e.key < k; });
    return it != table.end() && it->key == key ? it->element : nullptr;
}

// As it stands: QString::fromUtf16 would take a leading U+FEFF or U+FFFE for a byte-order
// mark.
QString toQString(const std::u16string& s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), qsizetype(s.size()));
}

// Lower case as QString::toLower makes it; at once for the letters tag names are made of.
void lower(std::u16string& s) {
    for (char16_t& c : s) {
        if (c >= 0x80) {
            const QString q = toQString(s).toLower();
            s.assign(reinterpret_cast<const char16_t*>(q.utf16()), size_t(q.size()));
            return;
        }
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + 32);
    }
}

// Without the blanks around it, as QString::trimmed takes them.
void trim(std::u16string& s) {
    if (s.empty() || (!QChar::isSpace(s.front()) && !QChar::isSpace(s.back())))
        return;
    size_t a = 0, b = s.size();
    while (a < b && QChar::isSpace(s[a]))
        ++a;
    while (b > a && QChar::isSpace(s[b - 1]))
        --b;
    s = s.substr(a, b - a);
}


// The named character references the view knows: HTML 4's list. Sorted by name (case
// matters, apart from the four upper-case spellings it also takes).
struct Named {
    std::string_view name;
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

static_assert(std::is_sorted(std::begin(kNamed), std::end(kNamed),
                             [](const Named& a, const Named& b) { return a.name < b.name; }));

// What a numeric reference to 0x80-0x9F stands for: the Windows Latin-1 letters there.
constexpr char16_t kWindowsLatin1[32] = {
    0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};

// A reference's characters: one, or a surrogate pair; none when the name stands for none.
struct Ref {
    char16_t c[2] = {0, 0};
    int n = 0;
};

// The text a reference's name (between '&' and ';') stands for.
Ref reference(const char16_t* name, qsizetype length) {
    Ref r;
    // The one a Thai page holds by the thousand, before any search of the table.
    if (length == 4 && name[0] == u'n' && name[1] == u'b' && name[2] == u's' && name[3] == u'p') {
        r.c[0] = 0xA0;
        r.n = 1;
        return r;
    }
    if (length <= 8 && length > 0 && name[0] != u'#') {
        char n[9] = {};
        bool ascii = true;
        for (qsizetype i = 0; i < length; ++i) {
            ascii = ascii && name[i] < 0x80 && name[i] != 0;
            n[i] = char(name[i]);
        }
        if (ascii) {
            const std::string_view v(n, size_t(length));
            const auto it = std::lower_bound(std::begin(kNamed), std::end(kNamed), v,
                                             [](const Named& e, std::string_view w) { return e.name < w; });
            if (it != std::end(kNamed) && it->name == v) {
                r.c[0] = it->code;
                r.n = 1;
            }
        }
        return r;
    }
    if (length > 1 && name[0] == u'#') {
        QStringView digits(name + 1, length - 1);
        int base = 10;
        if (QChar(digits[0]).toLower() == u'x') {
            digits = digits.mid(1);
            base = 16;
        }
        bool ok = false;
        uint code = digits.toUInt(&ok, base);
        if (ok) {
            if (code >= 0x80 && code < 0xA0)
                code = kWindowsLatin1[code - 0x80];
            // As the view turns the number into characters: without a check of its range.
            if (code < 0x10000) {
                r.c[0] = char16_t(code);
                r.n = 1;
            } else {
                r.c[0] = QChar::highSurrogate(code);
                r.c[1] = QChar::lowSurrogate(code);
                r.n = 2;
            }
        }
    }
    return r;
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

// A stretch of an element's text: of the page itself, or of what the reading made (the
// characters of references, a line break).
struct Piece {
    int at;      // in the page, or in the made text; both counted from the reading's start
    int length;
    int source;  // where its first character came from
    bool made;
};

// Characters that grow at the end, read into in place, and go from the front.
class Chars {
  public:
    const char16_t* data() const { return data_.get() + from_; }
    size_t size() const { return size_ - from_; }
    char16_t operator[](size_t i) const { return data_[from_ + i]; }
    // Room for n more at the end; then commit how many were written there.
    char16_t* room(size_t n) {
        if (size_ + n > capacity_) {
            const size_t kept = size_ - from_;
            if (kept + n <= capacity_ && from_ >= kept) {
                // Enough room once what was let go of is gone.
                std::copy(data_.get() + from_, data_.get() + size_, data_.get());
            } else {
                const size_t capacity = std::max(capacity_ * 2, kept + n);
                std::unique_ptr<char16_t[]> grown(new char16_t[capacity]);
                std::copy(data_.get() + from_, data_.get() + size_, grown.get());
                data_ = std::move(grown);
                capacity_ = capacity;
            }
            size_ = kept;
            from_ = 0;
        }
        return data_.get() + size_;
    }
    void commit(size_t n) { size_ += n; }
    void dropFront(size_t n) { from_ += n; }

  private:
    std::unique_ptr<char16_t[]> data_;
    size_t capacity_ = 0, size_ = 0, from_ = 0;
};

// The page's text and what the reading made of it, as far as either is still needed: what
// lies before the earliest text not yet shown is let go.
struct Store {
    Chars page;
    int pageBase = 0; // where page[0] stands in the page
    std::u16string made;
    int madeBase = 0;
    std::vector<Piece> pieces; // the elements' texts, in the order read
    int pieceBase = 0;
    bool sources = true; // where each character came from is kept

    const char16_t* chars(const Piece& p) const {
        return p.made ? made.data() + (p.at - madeBase) : page.data() + (p.at - pageBase);
    }
    Piece& piece(int i) { return pieces[size_t(i - pieceBase)]; }
    const Piece& piece(int i) const { return pieces[size_t(i - pieceBase)]; }
    int pieceEnd() const { return pieceBase + int(pieces.size()); }
};

struct Node {
    int parent = 0;
    int depth = 0; // of the tree: the root is 0
    std::u16string tag;
    Id id = Id::Unknown;
    Display display = Display::Inline;
    Space space = Space::Undefined;
    int tagAt = 0;
    int pieceFrom = 0, pieceTo = 0; // its own text: pieces [pieceFrom, pieceTo)
    int length = 0;                 // of its text
    int children = 0;               // elements hung under it
    bool rowWithCell = false;       // a table row holding a cell
    bool cells = false;             // a table with a row holding a cell
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
        for (int k = pieceFrom; k < pieceTo; ++k) {
            const Piece& p = store.piece(k);
            const char16_t* c = store.chars(p);
            for (int i = 0; i < p.length; ++i)
                if (!test(c[i]))
                    return false;
        }
        return true;
    }
    void clearText(int at) {
        pieceFrom = pieceTo = at;
        length = 0;
    }
};

// The elements read so far, by the index they were made with: the newest ones, and of the
// older ones those that still hold a newer one.
class Nodes {
  public:
    Nodes() { window_.emplace_back(); } // the root
    Node& operator[](int i) { return i >= base_ ? window_[size_t(i - base_)] : kept(i); }
    const Node& operator[](int i) const {
        return i >= base_ ? window_[size_t(i - base_)] : const_cast<Nodes*>(this)->kept(i);
    }
    int size() const { return base_ + int(window_.size()); }
    Node& back() { return window_.back(); }
    const Node& back() const { return window_.back(); }
    void emplace_back() { window_.emplace_back(); }
    void push_back(Node&& n) { window_.push_back(std::move(n)); }
    void pop_back() { window_.pop_back(); }
    int windowSize() const { return int(window_.size()); }
    int base() const { return base_; }

    // Lets go of the elements before from that hold none from it on.
    void forget(int from) {
        if (from <= base_)
            return;
        std::vector<int> keep;
        for (int i = from; i < size(); ++i) {
            for (int p = (*this)[i].parent; p < from;) {
                if (std::binary_search(keep.begin(), keep.end(), p))
                    break;
                keep.insert(std::upper_bound(keep.begin(), keep.end(), p), p);
                if (p == 0)
                    break;
                p = (*this)[p].parent;
            }
        }
        std::vector<std::pair<int, Node>> old;
        old.reserve(keep.size());
        for (int i : keep) {
            Node n = std::move((*this)[i]);
            n.clearText(0); // taken in long since
            old.emplace_back(i, std::move(n));
        }
        old_ = std::move(old);
        window_.erase(window_.begin(), window_.begin() + (from - base_));
        base_ = from;
    }

  private:
    Node& kept(int i) {
        const auto it = std::lower_bound(old_.begin(), old_.end(), i,
                                         [](const std::pair<int, Node>& e, int v) { return e.first < v; });
        return it->second;
    }
    std::vector<Node> window_;
    int base_ = 0;
    std::vector<std::pair<int, Node>> old_;
};

// Where text came from, a run of consecutive places at a time: (text position, source).
using Runs = std::vector<std::pair<int, int>>;

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

// The second step: the tree into text, as the view lays its blocks. It takes in each element
// once the reading has settled it, and hands the text on once it is final.
class Importer {
  public:
    Importer(const Nodes& nodes, const Store& store, TextSink& sink)
        : nodes_(nodes), store_(store), sink_(sink), sources_(sink.wantsSources()) {}

    // Takes in what the reading has settled: every element but the newest, and, while the
    // newest runs on with text (partial), its text but for the last character. At the end of
    // the page everything is settled.
    void advance(bool partial, bool end) {
        for (;;) {
            const int last = nodes_.size() - 1;
            if (taking_) {
                const Node& node = nodes_[idx_];
                const bool settled = idx_ < last || end;
                takeText(node, settled ? node.length : node.length - 1);
                if (!settled)
                    return;
                taking_ = false;
                if (pos() != visitAt_)
                    hasBlock_ = false;
                ++idx_;
                continue;
            }
            if (idx_ > last)
                return;
            const Node& node = nodes_[idx_];
            if (idx_ == last && !end && !(partial && runsOn(node)))
                return;
            // A table is laid out by whether a row of it holds a cell: known once one does,
            // or once it is closed.
            if (node.id == Id::Table && node.display != Display::None && !node.cells && !end &&
                open(idx_))
                return;
            if (visit(node)) {
                taking_ = true;
                visitAt_ = pos();
                taken_ = 0;
                piece_ = node.pieceFrom;
                inPiece_ = 0;
                continue;
            }
            ++idx_;
        }
    }

    // Hands on the text that can no longer change: all of it at the end.
    void drain(bool all) {
        const int limit = all ? pos() : pos() - 2; // the last two may still be taken back
        if (limit <= drained_ && !all)
            return;
        size_t r = 0;
        while (r < runs_.size() && runs_[r].first < limit) {
            sink_.source(runs_[r].first, runs_[r].second);
            lastRun_ = runs_[r++];
            hasLastRun_ = true;
        }
        runs_.erase(runs_.begin(), runs_.begin() + qsizetype(r));
        int emitted = drained_;
        size_t a = 0;
        while (a < anchors_.size() && (anchors_[a].at < limit || (all && anchors_[a].at == limit))) {
            if (anchors_[a].at > emitted) {
                sink_.text(emitted, QStringView(text_.data() + (emitted - drained_), anchors_[a].at - emitted));
                emitted = anchors_[a].at;
            }
            sink_.anchor(anchors_[a++]);
        }
        anchors_.erase(anchors_.begin(), anchors_.begin() + qsizetype(a));
        anchorsGone_ += int(a);
        if (limit > emitted)
            sink_.text(emitted, QStringView(text_.data() + (emitted - drained_), limit - emitted));
        if (limit > drained_)
            lastDrained_ = text_[limit - drained_ - 1];
        text_.erase(0, size_t(limit - drained_));
        drained_ = limit;
    }

    int next() const { return idx_; } // the first element not taken in whole
    // The first piece of text not taken in yet, and how far into it.
    int piece() const { return taking_ ? piece_ : (idx_ < nodes_.size() ? nodes_[idx_].pieceFrom : store_.pieceEnd()); }
    int inPiece() const { return taking_ ? inPiece_ : 0; }

  private:
    enum class Compress { Preserve, Remove, Collapse };

    int pos() const { return drained_ + int(text_.size()); }
    QChar lastChar() const { return text_.empty() ? lastDrained_ : QChar(text_.back()); }

    // Whether the newest element can be taken in while its text runs on: no later tag can
    // take its place, and its text already says how it is laid out.
    bool runsOn(const Node& node) {
        if (node.tag.empty() && node.length < 2)
            return false;
        // Looked at once: only what came since the last look.
        if (looked_ != idx_) {
            looked_ = idx_;
            lookedPiece_ = node.pieceFrom;
            lookedIn_ = 0;
        }
        for (; lookedPiece_ < node.pieceTo; ++lookedPiece_, lookedIn_ = 0) {
            const Piece& p = store_.piece(lookedPiece_);
            const char16_t* c = store_.chars(p);
            for (; lookedIn_ < p.length; ++lookedIn_)
                if (!isSpace(c[lookedIn_]))
                    return true;
        }
        if (lookedPiece_ > node.pieceFrom) {
            --lookedPiece_; // the last piece may still grow
            lookedIn_ = store_.piece(lookedPiece_).length;
        }
        return false;
    }

    // Whether the element is still open: the newest one is in it.
    bool open(int i) const {
        for (int k = nodes_.size() - 1; k >= i; k = nodes_[k].parent) {
            if (k == i)
                return true;
            if (k == 0)
                break;
        }
        return false;
    }

    // What comes before an element's text; true when its text is shown.
    bool visit(const Node& node) {
        space_ = node.space;
        if (idx_ > 0 && node.parent != idx_ - 1) {
            blockClosed_ = closeTags();
            if (blockClosed_ && !node.isBlock() && node.id != Id::Unknown)
                hasBlock_ = false;
        }
        if (node.display == Display::None)
            return false;
        if (special(node))
            return false;
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
                    if (slotAt_ == pos())
                        anchors_.resize(size_t(slotFrom_ - anchorsGone_));
                    slotFrom_ = anchorsGone_ + int(anchors_.size());
                    slotAt_ = pos();
                    anchor({node.anchor, node.tagAt, node.link});
                }
            } else {
                const bool waiting = !pending_.empty();
                newBlock(node.tagAt);
                if (node.named && !waiting)
                    anchor({node.anchor, node.tagAt, node.link});
            }
            hasBlock_ = true;
            blockClosed_ = false;
        }
        if (node.named)
            pending_.push_back({node.anchor, node.tagAt, node.link});
        if (space_ == Space::Pre || space_ == Space::PreWrap)
            compress_ = Compress::Preserve;
        runStart_ = pos();
        return true;
    }

    struct Named {
        QString name;
        int tagAt;
        bool link;
    };
    void anchor(const Named& a) {
        anchors_.push_back({pos(), a.name, a.tagAt, a.link && isPageNumber(a.name)});
    }
    void placePending() {
        for (const Named& a : pending_)
            anchor(a);
        pending_.clear();
    }
    void mark(int source) {
        if (!sources_)
            return;
        const int position = pos();
        const std::pair<int, int>* back = !runs_.empty() ? &runs_.back() : hasLastRun_ ? &lastRun_ : nullptr;
        if (!back || back->second + (position - back->first) != source)
            runs_.emplace_back(position, source);
    }
    void put(QChar c, int from) {
        if (!pending_.empty())
            placePending();
        mark(from);
        text_ += c.unicode();
    }
    void putRun(QStringView run, int from) {
        if (!pending_.empty())
            placePending();
        mark(from);
        text_.append(reinterpret_cast<const char16_t*>(run.data()), size_t(run.size()));
    }
    void chopLast() {
        if (!runs_.empty() && runs_.back().first == pos() - 1)
            runs_.pop_back();
        text_.pop_back();
    }
    void barrier(int from) {
        mark(from);
        text_ += kBlock;
    }
    void newBlock(int from) {
        barrier(from);
        // The block takes the anchors waiting for a place: they stand where it begins.
        slotFrom_ = anchorsGone_ + int(anchors_.size());
        slotAt_ = pos();
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
            tables_.push_back(node.cells);
            hasBlock_ = false;
            compress_ = Compress::Remove;
            return true;
        }
        case Id::Tr:
            return true;
        case Id::Img:
            // A picture takes no anchor: one waiting goes on to the text after it.
            mark(node.tagAt);
            text_ += kPicture;
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

    // The elements closed between the previous node and this one.
    bool closeTags() {
        int closed = idx_ - 1;
        const int endDepth = nodes_[idx_].depth - 1;
        int d = nodes_[closed].depth;
        bool blockClosed = false;
        while (d > endDepth) {
            const Node& n = nodes_[closed];
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
                if (pos() > 0 && n.children > 0 && lastChar() != QChar::LineSeparator)
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

    // The element's own text from where it was left up to character upTo, its white space
    // treated as its mode asks.
    void takeText(const Node& node, int upTo) {
        while (taken_ < upTo && piece_ < node.pieceTo) {
            const Piece& piece = store_.piece(piece_);
            const char16_t* d = store_.chars(piece);
            const int n = std::min(piece.length, inPiece_ + (upTo - taken_));
            auto from = [&](int i) { return piece.made ? piece.source : piece.source + i; };
            for (int i = inPiece_; i < n; ++i) {
                // Letters up to the next blank go as they are, at once.
                if (!isSpace(d[i])) {
                    // Where blanks collapse, a single space between letters shows as it
                    // stands: it goes with them.
                    const bool spaceStays = space_ == Space::Normal || space_ == Space::Undefined;
                    int e = i + 1;
                    for (;;) {
                        e = int(skipLetters(d + e, d + n) - d);
                        if (e == n)
                            break;
                        if (!isSpace(d[e])) {
                            ++e;
                            continue;
                        }
                        if (spaceStays && d[e] == u' ' && e + 1 < n && !isSpace(d[e + 1])) {
                            e += 2;
                            continue;
                        }
                        break;
                    }
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
                    if (space_ == Space::PreLine && pos() > runStart_ && lastChar() == u' ')
                        chopLast();
                    newBlock(from(i));
                    runStart_ = pos();
                } else {
                    put(c, from(i));
                }
            }
            taken_ += n - inPiece_;
            if (n == piece.length) {
                ++piece_;
                inPiece_ = 0;
            } else {
                inPiece_ = n;
            }
        }
    }

    const Nodes& nodes_;
    const Store& store_;
    TextSink& sink_;
    const bool sources_; // where each character came from is wanted
    int idx_ = 0;
    int looked_ = -1, lookedPiece_ = 0, lookedIn_ = 0; // how much of the newest was looked at
    // The element whose text is being taken in, and how far.
    bool taking_ = false;
    int visitAt_ = 0, taken_ = 0, piece_ = 0, inPiece_ = 0, runStart_ = 0;
    Space space_ = Space::Normal;
    bool hasBlock_ = true, blockClosed_ = false;
    Compress compress_ = Compress::Remove;
    std::vector<bool> tables_; // open tables: whether each was made
    int lists_ = 0;
    bool inTable_ = false; // the text goes into a cell
    std::vector<Named> pending_; // anchors waiting for the next character
    // The names of the newest block, while nothing is written in it: its own anchors.
    int slotFrom_ = 0;
    int slotAt_ = -1;
    // The text not handed on yet, from position drained_.
    std::u16string text_;
    int drained_ = 0;
    QChar lastDrained_;
    std::vector<Anchor> anchors_;
    int anchorsGone_ = 0;
    Runs runs_;
    std::pair<int, int> lastRun_;
    bool hasLastRun_ = false;
};

class Parser {
  public:
    // The page comes from input, a stretch at a time; importer takes in what is settled
    // (none: the tags alone are read, into tags).
    Parser(const PageInput& input, Store& store, Nodes& nodes, Importer* importer)
        : in_(input), base_(input.base), store_(store), nodes_(nodes), importer_(importer) {}

    // Reads to the page's end; false when stopped before it.
    bool run() {
        while (have(pos_)) {
            if (importer_ && ++steps_ % 64 == 0)
                settle();
            const char16_t c = ch(pos_);
            if (c == u'<') {
                ++pos_;
                tag();
            } else if (c == u'&') {
                const int at = pos_++;
                // The one a Thai page holds by the thousand, at once.
                if (have(pos_ + 4) && ch(pos_) == u'n' && ch(pos_ + 1) == u'b' && ch(pos_ + 2) == u's' &&
                    ch(pos_ + 3) == u'p' && ch(pos_ + 4) == u';') {
                    pos_ += 5;
                    add(nodes_.back(), QChar(QChar::Nbsp), at);
                    continue;
                }
                const Ref r = entity();
                add(nodes_.back(), r, at);
            } else {
                text();
            }
        }
        return !stopped_;
    }

    std::vector<Tag>* tags_ = nullptr; // set: the tags alone are read, into it

  private:
    // The page's text as far as it has been read: [pageBase, n_).
    // The page buffer as it stands since the last read (only reading moves it).
    char16_t ch(int i) const { return buf_[i - bufAt_]; }
    const char16_t* ptr(int i) const { return buf_ + (i - bufAt_); }
    void bufferMoved() {
        buf_ = store_.page.data();
        bufAt_ = store_.pageBase;
    }
    // Whether the page has a character at i, reading on as far as needed.
    bool have(int i) { return i < n_ || haveMore(i); }
    bool haveMore(int i) {
        while (i >= n_)
            if (!more())
                return false;
        return true;
    }
    bool more() {
        if (eof_)
            return false;
        if (in_.stop && in_.stop->load(std::memory_order_relaxed)) {
            eof_ = stopped_ = true;
            return false;
        }
        if (importer_) {
            importer_->drain(false);
            // What is before the earliest text not taken in, and before what this reading
            // may still look back at, is let go.
            int keep = pos_ - 16;
            int keepMade = int(store_.made.size()) + store_.madeBase;
            bool page = false, made = false; // the later pieces of each stand further on
            for (int k = importer_->piece(); k < store_.pieceEnd() && !(page && made); ++k) {
                const Piece& p = store_.piece(k);
                const int at = p.at + (k == importer_->piece() ? importer_->inPiece() : 0);
                if (p.made && !made) {
                    keepMade = at;
                    made = true;
                } else if (!p.made && !page) {
                    keep = std::min(keep, at);
                    page = true;
                }
            }
            if (keep > store_.pageBase) {
                store_.page.dropFront(size_t(keep - store_.pageBase));
                store_.pageBase = keep;
            }
            if (keepMade - store_.madeBase > 1 << 16) {
                store_.made.erase(0, size_t(keepMade - store_.madeBase));
                store_.madeBase = keepMade;
            }
        }
        constexpr qsizetype kStretch = 1 << 16;
        char16_t* into = store_.page.room(size_t(kStretch));
        const qsizetype got = in_.read ? in_.read(into, kStretch) : 0;
        if (got > 0)
            store_.page.commit(size_t(got));
        bufferMoved();
        if (got <= 0) {
            eof_ = true;
            return false;
        }
        n_ += int(got);
        return true;
    }

    // Between tags: what is settled is taken in, and the elements no longer needed go.
    void settle() {
        importer_->advance(false, false);
        if (nodes_.windowSize() > 4096 && importer_->next() - 1 > nodes_.base() + 2048)
            nodes_.forget(importer_->next() - 1);
        const int unused = importer_->piece() - store_.pieceBase;
        if (unused > 4096) {
            store_.pieces.erase(store_.pieces.begin(), store_.pieces.begin() + unused);
            store_.pieceBase += unused;
        }
    }

    // A run of text at once, up to the next tag or reference, a stretch at a time.
    void text() {
        for (;;) {
            const int e = int(findEither(ptr(pos_ + 1), ptr(n_), u'<', u'&') - ptr(0));
            Node& last = nodes_.back();
            if (last.pieceTo > last.pieceFrom && last.pieceTo == store_.pieceEnd() &&
                !store_.pieces.back().made &&
                store_.pieces.back().at + store_.pieces.back().length == pos_) {
                store_.pieces.back().length += e - pos_;
            } else {
                store_.pieces.push_back({pos_, e - pos_, base_ + pos_, false});
                last.pieceTo = store_.pieceEnd();
            }
            last.length += e - pos_;
            pos_ = e;
            if (pos_ < n_)
                return;
            if (importer_)
                importer_->advance(true, false);
            if (!more())
                return;
            if (ch(pos_) == u'<' || ch(pos_) == u'&')
                return;
        }
    }

    bool at(char16_t c, int ahead = 0) { return have(pos_ + ahead) && ch(pos_ + ahead) == c; }
    void eatSpace() {
        while (have(pos_) && isSpace(ch(pos_)) && ch(pos_) != QChar::ParagraphSeparator)
            ++pos_;
    }
    // Made text, all of it from one place of the page.
    void add(Node& node, const Ref& r, int at) {
        const char16_t amp = u'&';
        const char16_t* c = r.n ? r.c : &amp;
        const int n = r.n ? r.n : 1;
        // Only the newest element gets text: its pieces are the last ones. Where no one asks
        // where characters came from, made ones in a row are one piece.
        const int madeAt = store_.madeBase + int(store_.made.size());
        if (!store_.sources && node.pieceTo > node.pieceFrom && store_.pieces.back().made &&
            store_.pieces.back().at + store_.pieces.back().length == madeAt) {
            store_.pieces.back().length += n;
        } else {
            store_.pieces.push_back({madeAt, n, base_ + at, true});
            node.pieceTo = store_.pieceEnd();
        }
        node.length += n;
        store_.made.append(c, size_t(n));
    }
    void add(Node& node, QChar c, int at) {
        Ref r;
        r.c[0] = c.unicode();
        r.n = 1;
        add(node, r, at);
    }
    int last() const { return nodes_.size() - 1; }

    // After '&': the characters of a reference, or none when there is none ("&" stays).
    Ref entity() {
        const int start = pos_;
        int length = 0;
        bool good = true; // the page's end ends a reference too
        while (have(pos_)) {
            const char16_t c = ch(pos_++);
            if (isSpace(c) || pos_ - start > 9) {
                good = false;
                break;
            }
            if (c == u';')
                break;
            ++length;
        }
        if (good && length) {
            const Ref r = reference(ptr(start), length);
            if (r.n)
                return r;
        }
        pos_ = start;
        return {};
    }
    void appendEntity(std::u16string& w) {
        const Ref r = entity();
        if (r.n)
            w.append(r.c, size_t(r.n));
        else
            w += u'&';
    }

    // One word, quoted or not: a tag's name, an attribute's name or value. The buffer is
    // the reading's own, used again for the next word.
    const std::u16string& word() {
        std::u16string& w = word_;
        w.clear();
        if (!have(pos_))
            return w;
        const char16_t first = ch(pos_);
        if (first == u'"') {
            ++pos_;
            while (have(pos_)) {
                const char16_t c = ch(pos_++);
                if (c == u'"')
                    break;
                if (c == u'&')
                    appendEntity(w);
                else
                    w += c;
            }
        } else if (first == u'\'') {
            ++pos_;
            while (have(pos_)) {
                const char16_t c = ch(pos_++);
                // A quote after a backslash does not end the value.
                if (c == u'\'' && ch(pos_ - 2) != u'\\')
                    break;
                w += c;
            }
        } else {
            for (;;) {
                // What is surely part of the word, at once: all but its ends and references.
                const char16_t* from = ptr(pos_);
                const char16_t* to = ptr(n_);
                const char16_t* p = from;
                while (p < to && *p != u'>' && *p != u'/' && *p != u'<' && *p != u'=' && *p != u'&' &&
                       !isSpace(*p))
                    ++p;
                w.append(from, size_t(p - from));
                pos_ += int(p - from);
                if (!have(pos_))
                    break;
                const char16_t c = ch(pos_);
                if (c == u'&') {
                    ++pos_;
                    appendEntity(w);
                    continue;
                }
                if (c == u'/' && !at(u'>', 1)) {
                    ++pos_;
                    w += c;
                    continue;
                }
                if (c == u'>' || c == u'/' || c == u'<' || c == u'=' || isSpace(c))
                    break;
                // The stretch read so far ended within the word: it goes on.
            }
        }
        return w;
    }
    const std::u16string& lowerWord() {
        word();
        lower(word_);
        return word_;
    }

    void attach(int child, int parent) {
        Node& node = nodes_[child];
        node.parent = parent;
        node.depth = nodes_[parent].depth + 1;
    }

    // A new node under parent; an empty text node at the end is used again where the view
    // does, since which nodes exist decides where its blocks close.
    Node& newNode(int parent) {
        Node& lastNode = nodes_.back();
        bool reuse = false;
        if (last() > 0 && lastNode.tag.empty()) {
            if (lastNode.length == 0) {
                reuse = true;
            } else if (lastNode.length == 1 &&
                       isSpace(*store_.chars(store_.piece(lastNode.pieceFrom)))) {
                int sibling = last() - 1;
                while (sibling && nodes_[sibling].parent != lastNode.parent &&
                       nodes_[sibling].display == Display::Inline)
                    sibling = nodes_[sibling].parent;
                reuse = nodes_[sibling].display != Display::Inline;
            }
        }
        if (reuse) {
            // The display mode stays as it was: the view does not reset it either.
            lastNode.tag.clear();
            lastNode.clearText(store_.pieceEnd());
            lastNode.id = Id::Unknown;
        } else {
            nodes_.emplace_back();
            nodes_.back().clearText(store_.pieceEnd());
        }
        attach(last(), parent);
        return nodes_.back();
    }

    // Properties a node takes from its parent and its kind.
    void resolveNode() {
        Node& node = nodes_.back();
        const Node& parent = nodes_[node.parent];
        if (parent.display == Display::None)
            node.display = Display::None;
        node.space = parent.space;
        node.named = false;
        node.anchor.clear();
        if (node.id == Id::Br) {
            node.clearText(store_.pieceEnd());
            add(node, QChar(QChar::LineSeparator), node.tagAt - base_);
        }
    }

    // A table made by the view around a node that needs one, hung under parent; made up
    // without a kind, it is laid out inline.
    Node madeTable(int parent, int tagAt) {
        Node table;
        table.id = Id::Table;
        table.tag = u"table";
        table.tagAt = tagAt;
        table.clearText(store_.pieceEnd());
        table.parent = parent;
        table.depth = nodes_[parent].depth + 1;
        return table;
    }

    // Where the new node hangs in the tree: the view mends a missing table or row and
    // closes what may not hold the node.
    void resolveParent() {
        int p = nodes_.back().parent;
        const Id id = nodes_.back().id;
        if (id == Id::Td) {
            int k = p;
            while (k && nodes_[k].id != Id::Tr)
                k = nodes_[k].parent;
            if (!k) {
                Node node = std::move(nodes_.back());
                nodes_.pop_back();
                nodes_.push_back(madeTable(p, node.tagAt));
                const int tableAt = last();
                Node row;
                row.id = Id::Tr;
                row.tag = u"tr";
                row.tagAt = node.tagAt;
                row.clearText(store_.pieceEnd());
                nodes_.push_back(std::move(row));
                attach(last(), tableAt);
                ++nodes_[tableAt].children;
                p = last();
                nodes_.push_back(std::move(node));
            }
        }
        if (id == Id::Tr) {
            int k = p;
            while (k && nodes_[k].id != Id::Table)
                k = nodes_[k].parent;
            if (!k) {
                Node node = std::move(nodes_.back());
                nodes_.pop_back();
                nodes_.push_back(madeTable(p, node.tagAt));
                p = last();
                nodes_.push_back(std::move(node));
            }
        }
        Node& node = nodes_.back();
        if (id == Id::P) {
            // A paragraph closes the inline elements of the paragraph it is in.
            while (p && !nodes_[p].isBlock())
                p = nodes_[p].parent;
            if (!p || nodes_[p].id != Id::P)
                p = node.parent;
        }
        if (id == nodes_[p].id && !node.selfNesting())
            p = nodes_[p].parent;
        while ((p && !node.allowedIn(nodes_[p].id)) || nodes_[p].childless())
            p = nodes_[p].parent;
        attach(last(), p);
        Node& parent = nodes_[p];
        ++parent.children;
        // A row with a cell makes its table; the view looks for one before it lays a table.
        if (node.isCell() && parent.id == Id::Tr) {
            parent.rowWithCell = true;
            Node& up = nodes_[parent.parent];
            if (up.id == Id::Table)
                up.cells = true;
            else if ((up.id == Id::Thead || up.id == Id::Tbody || up.id == Id::Tfoot) &&
                     nodes_[up.parent].id == Id::Table)
                nodes_[up.parent].cells = true;
        }
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
                skipPast(u"-->");
            } else {
                while (have(pos_) && ch(pos_++) != u'>') {
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
        while (p && nodes_[p].tag.empty())
            p = nodes_[p].parent;
        {
            Node& node = newNode(p);
            node.tag = lowerWord();
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
        while (have(pos_) && ch(pos_) != u'>') {
            closed = closed || ch(pos_) == u'/';
            ++pos_;
        }
        ++pos_;
        Node& done = nodes_.back();
        // A line end just after a block's tag where white space is kept is not shown.
        if ((done.space == Space::Pre || done.space == Space::PreWrap ||
             done.space == Space::PreLine) &&
            done.isBlock() && have(pos_ + 1) && ch(pos_) == u'\n')
            ++pos_;
        if (done.childless() || closed) {
            const int parent = done.parent;
            newNode(parent).tagAt = base_ + pos_;
            resolveNode();
        }
    }

    // Past the next place of the mark (or to the page's end).
    void skipPast(std::u16string_view mark) {
        const int m = int(mark.size());
        for (;;) {
            if (!have(pos_ + m - 1)) {
                while (have(pos_))
                    ++pos_;
                return;
            }
            const char16_t* from = ptr(pos_);
            const char16_t* to = ptr(n_);
            const char16_t* hit = std::search(from, to, mark.begin(), mark.end());
            if (hit != to) {
                pos_ = int(hit - ptr(0)) + m;
                return;
            }
            pos_ = std::max(pos_, n_ - m + 1); // a mark may begin in what is still to come
        }
    }

    // A tag's attributes, where the view reads them: only after a blank behind the name.
    std::vector<Attribute> readAttributes() {
        std::vector<Attribute> attributes;
        if (have(pos_) && QChar(ch(pos_)).isSpace()) {
            while (have(pos_)) {
                eatSpace();
                if (at(u'>') || at(u'/'))
                    break;
                QString key = toQString(lowerWord());
                QString value = QStringLiteral("1");
                int from = -1, to = -1;
                if (key.isEmpty())
                    break;
                eatSpace();
                if (at(u'=')) {
                    ++pos_;
                    eatSpace();
                    from = base_ + pos_;
                    value = toQString(word());
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
                skipPast(u"-->");
            } else {
                while (have(pos_) && ch(pos_++) != u'>') {
                }
            }
        } else if (at(u'/')) {
            ++pos_;
            t.kind = Tag::Close;
            std::u16string& name = word_;
            lowerWord();
            trim(name);
            t.name = toQString(name);
            while (have(pos_) && ch(pos_++) != u'>') {
            }
        } else {
            t.kind = Tag::Open;
            t.name = toQString(lowerWord());
            t.attributes = readAttributes();
            while (have(pos_) && ch(pos_) != u'>') {
                t.selfClosed = t.selfClosed || ch(pos_) == u'/';
                ++pos_;
            }
            if (have(pos_))
                ++pos_;
        }
        t.to = base_ + pos_;
        tags_->push_back(std::move(t));
    }

    void closeTag() {
        ++pos_;
        lowerWord();
        trim(word_);
        while (have(pos_) && ch(pos_++) != u'>') {
        }
        const auto named = [&](const Node& n) { return n.tag == word_; };
        int p = last();
        if (p > 0 && named(nodes_[p - 1]) && nodes_[p - 1].childless())
            --p;
        while (p && !named(nodes_[p]))
            p = nodes_[p].parent;
        if (!p)
            return; // nothing open by that name
        const Space s = nodes_[p].space;
        if ((s == Space::Pre || s == Space::PreWrap || s == Space::PreLine) &&
            nodes_[p].isBlock()) {
            Node& lastNode = nodes_.back();
            if (lastNode.length > 0) {
                Piece& tail = store_.piece(lastNode.pieceTo - 1);
                if (store_.chars(tail)[tail.length - 1] == u'\n') {
                    --lastNode.length;
                    if (--tail.length == 0) {
                        --lastNode.pieceTo;
                        if (lastNode.pieceTo == store_.pieceEnd() - 1)
                            store_.pieces.pop_back();
                    }
                }
            }
        }
        const int parent = nodes_[p].parent;
        newNode(parent).tagAt = base_ + pos_;
        resolveNode();
    }

    const PageInput& in_;
    const char16_t* buf_ = nullptr;
    int bufAt_ = 0;
    std::u16string word_;
    int pos_ = 0, n_ = 0, base_ = 0;
    bool eof_ = false, stopped_ = false;
    unsigned steps_ = 0;
    Store& store_;
    Nodes& nodes_;
    Importer* importer_;
};

// The whole text, for a page read at once.
class Collect : public TextSink {
  public:
    explicit Collect(ShownText& out) : out_(out) {}
    void text(int, QStringView chars) override { out_.text.append(chars); }
    void anchor(const Anchor& a) override { out_.anchors.push_back(a); }
    void source(int at, int from) override { out_.sourceRuns.emplace_back(at, from); }

  private:
    ShownText& out_;
};

// The page's text handed out from a view of it.
PageInput inputOf(QStringView html, int base) {
    PageInput in;
    in.base = base;
    in.read = [html, at = qsizetype(0)](char16_t* buffer, qsizetype room) mutable {
        const qsizetype n = std::min(room, html.size() - at);
        std::copy(html.begin() + at, html.begin() + at + n, reinterpret_cast<QChar*>(buffer));
        at += n;
        return n;
    };
    return in;
}

} // namespace

long pageNumber(QStringView name) {
    const QStringView t = name.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return -1;
    long n = 0;
    for (QChar c : t) {
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

bool isPageNumber(QStringView name) {
    return pageNumber(name) >= 0;
}

Layout layoutOf(QStringView name) {
    std::u16string n(name.utf16(), size_t(name.size()));
    const Element* e = element(n);
    if (!e) {
        // Unknown to the view, and laid out inline by it; these never hold anything.
        static const std::array<std::u16string_view, 13> empty = {
            u"area", u"base", u"basefont", u"col", u"embed", u"frame", u"input", u"isindex",
            u"keygen", u"param", u"source", u"track", u"wbr"};
        return std::find(empty.begin(), empty.end(), std::u16string_view(n)) != empty.end()
                   ? Layout::Empty
                   : Layout::Inline;
    }
    switch (e->id) {
    case Id::Html:
    case Id::Head:
    case Id::Body:
        return Layout::Frame;
    case Id::Img:
    case Id::Hr:
    case Id::Br:
    case Id::Meta:
    case Id::Link:
        return Layout::Empty;
    case Id::Td:
    case Id::Th:
    case Id::Caption:
        return Layout::Cell;
    default:
        break;
    }
    switch (e->display) {
    case Display::Block:
        return Layout::Block;
    case Display::Table:
        return Layout::Table;
    case Display::None:
        return Layout::Hidden;
    default:
        return Layout::Inline;
    }
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
    Nodes nodes;
    const PageInput in = inputOf(html, 0);
    Parser parser(in, store, nodes, nullptr);
    std::vector<Tag> tags;
    parser.tags_ = &tags;
    parser.run();
    return tags;
}

bool readPage(const PageInput& in, TextSink& out) {
    Store store;
    store.sources = out.wantsSources();
    Nodes nodes;
    Importer importer(nodes, store, out);
    Parser parser(in, store, nodes, &importer);
    const bool whole = parser.run();
    importer.advance(true, true);
    importer.drain(true);
    return whole;
}

Fragment fragmentOf(qsizetype start, qsizetype end) {
    Fragment f;
    if (start >= 0) {
        f.from = int(start);
        f.to = start < end ? int(end) : -1;
    }
    return f;
}

void showPage(QStringView html, TextSink& out) {
    // A page copied from another program's clipboard: the view shows the marked fragment.
    const Fragment f = fragmentOf(html.indexOf(QLatin1String("<!--StartFragment-->")),
                                  html.indexOf(QLatin1String("<!--EndFragment-->")));
    html = f.to < 0 ? html.mid(f.from) : html.mid(f.from, f.to - f.from);
    readPage(inputOf(html, f.from), out);
}

ShownText showPage(QStringView html) {
    ShownText out;
    out.text.reserve(html.size() / 2);
    Collect collect(out);
    showPage(html, collect);
    return out;
}

} // namespace pagefile
