#include "jet4_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>

namespace jet4 {
namespace {

constexpr int kPage = 4096;
constexpr int kMaxRow = 4016; // keep some slack below the 4080-byte limit
constexpr int kMaxRowsPerPage = 255;
constexpr int kMapSpan = 59 * 8; // pages an inline usage map covers
constexpr uint32_t kMagic = 0x659;

using Bytes = std::string;

void put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}
void app16(Bytes& b, uint16_t v) {
    b.push_back(char(v & 0xFF));
    b.push_back(char(v >> 8));
}
void app32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(char((v >> (8 * i)) & 0xFF));
}
void appDouble(Bytes& b, double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    for (int i = 0; i < 8; ++i)
        b.push_back(char((u >> (8 * i)) & 0xFF));
}

bool isFixed(ColType t) {
    switch (t) {
    case ColType::Boolean:
    case ColType::Byte:
    case ColType::Integer:
    case ColType::Long:
    case ColType::Double:
    case ColType::DateTime:
        return true;
    default:
        return false;
    }
}
int fixedSize(ColType t) {
    switch (t) {
    case ColType::Byte:
        return 1;
    case ColType::Integer:
        return 2;
    case ColType::Long:
        return 4;
    case ColType::Double:
    case ColType::DateTime:
        return 8;
    default:
        return 0;
    }
}
bool isLong(ColType t) {
    return t == ColType::Memo || t == ColType::OLE;
}

Bytes encodeText(std::u16string s) {
    if (!s.empty() && s[0] == 0xFEFF)
        s.erase(0, 1); // would read as the compression mark
    const bool compressible =
        s.size() >= 2 && s.size() <= 1024 &&
        std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= 1 && c <= 0xFF; });
    Bytes out;
    if (compressible) {
        out.push_back(char(0xFF));
        out.push_back(char(0xFE));
        for (char16_t c : s)
            out.push_back(char(c));
        return out;
    }
    for (char16_t c : s)
        app16(out, c);
    return out;
}

struct Layout {
    std::vector<int> fixedOffset; // per column, -1 for variable
    std::vector<int> varIndex;    // per column, -1 for fixed
    int fixedBytes = 0;
    int nvar = 0;
};

Layout layoutOf(const std::vector<Column>& cols) {
    Layout l;
    for (const Column& c : cols) {
        if (isFixed(c.type)) {
            l.fixedOffset.push_back(l.fixedBytes);
            l.varIndex.push_back(-1);
            l.fixedBytes += fixedSize(c.type);
        } else {
            l.fixedOffset.push_back(-1);
            l.varIndex.push_back(l.nvar++);
        }
    }
    return l;
}

struct Pages {
    std::vector<Bytes> pages;
    int add(Bytes p) {
        p.resize(kPage, '\0');
        pages.push_back(std::move(p));
        return int(pages.size()) - 1;
    }
    int reserve() { return add(Bytes()); }
};

Bytes dataPageHeader(uint32_t owner) {
    Bytes p(kPage, '\0');
    p[0] = 0x01;
    p[1] = 0x01;
    put32(p, 4, owner);
    return p;
}

// Packs rows onto data pages of one owner.
class PageFiller {
  public:
    PageFiller(Pages& pages, uint32_t owner, bool lval = false)
        : pages_(pages), owner_(owner), lval_(lval) {}
    // Returns pg_row of the stored row.
    uint32_t add(const Bytes& row) {
        if (current_ < 0 || rows_.size() >= kMaxRowsPerPage || freeSpace() < int(row.size()) + 2)
            flushAndStart();
        rows_.push_back(row);
        return uint32_t(current_) * 256 + uint32_t(rows_.size() - 1);
    }
    void finish() { flush(); }
    void ensurePage() {
        if (owned_.empty())
            flushAndStart();
    }
    const std::vector<int>& owned() const { return owned_; }

  private:
    int freeSpace() const {
        int used = 14 + 2 * int(rows_.size());
        for (const Bytes& r : rows_)
            used += int(r.size());
        return kPage - used;
    }
    void flush() {
        if (current_ < 0)
            return;
        Bytes p = dataPageHeader(owner_);
        if (lval_)
            std::memcpy(&p[4], "LVAL", 4);
        int end = kPage;
        put16(p, 0x0C, uint16_t(rows_.size()));
        for (size_t i = 0; i < rows_.size(); ++i) {
            end -= int(rows_[i].size());
            std::memcpy(&p[end], rows_[i].data(), rows_[i].size());
            put16(p, 0x0E + 2 * i, uint16_t(end));
        }
        put16(p, 2, uint16_t(end - (14 + 2 * int(rows_.size()))));
        p.resize(kPage, '\0');
        pages_.pages[current_] = std::move(p);
        rows_.clear();
        current_ = -1;
    }
    void flushAndStart() {
        flush();
        current_ = pages_.reserve();
        owned_.push_back(current_);
    }
    Pages& pages_;
    uint32_t owner_;
    bool lval_;
    int current_ = -1;
    std::vector<Bytes> rows_;
    std::vector<int> owned_;
};

// Stores long values that do not fit in their row, on pages of their own.
class LongValueStore {
  public:
    explicit LongValueStore(Pages& pages) : pages_(pages) {}
    Bytes header(const Bytes& value) {
        if (value.size() <= size_t(kPage - 14 - 2)) {
            const uint32_t at = single(value);
            Bytes h;
            app32(h, uint32_t(value.size()) | 0x40000000u);
            app32(h, at);
            app32(h, 0);
            return h;
        }
        // A chain, written back to front so each piece knows its successor.
        const size_t chunk = kPage - 14 - 2 - 4;
        std::vector<Bytes> pieces;
        for (size_t at = 0; at < value.size(); at += chunk)
            pieces.push_back(value.substr(at, chunk));
        uint32_t next = 0;
        for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
            Bytes row;
            app32(row, next);
            row += *it;
            next = single(row);
        }
        Bytes h;
        app32(h, uint32_t(value.size()));
        app32(h, next);
        app32(h, 0);
        return h;
    }

  private:
    uint32_t single(const Bytes& row) {
        PageFiller f(pages_, 0, true);
        const uint32_t at = f.add(row);
        f.finish();
        return at;
    }
    Pages& pages_;
};

Bytes encodeValue(const Column& c, const Value& v) {
    Bytes out;
    switch (c.type) {
    case ColType::Byte:
        out.push_back(char(std::get<int64_t>(v)));
        break;
    case ColType::Integer:
        app16(out, uint16_t(int16_t(std::get<int64_t>(v))));
        break;
    case ColType::Long:
        app32(out, uint32_t(int32_t(std::get<int64_t>(v))));
        break;
    case ColType::Double:
    case ColType::DateTime:
        appDouble(out, std::holds_alternative<double>(v) ? std::get<double>(v)
                                                         : double(std::get<int64_t>(v)));
        break;
    case ColType::Text:
    case ColType::Memo:
        out = encodeText(std::get<std::u16string>(v));
        break;
    case ColType::Binary:
    case ColType::OLE:
        out = std::get<std::string>(v);
        break;
    case ColType::Boolean:
        break;
    }
    return out;
}

// One Jet 4.0 row; long values that would make it too big go to the store.
Bytes encodeRow(const std::vector<Column>& cols, const Layout& l, const std::vector<Value>& vals,
                LongValueStore& store) {
    if (vals.size() != cols.size())
        throw std::invalid_argument("row width differs from columns");
    const size_t n = cols.size();
    std::vector<Bytes> var(l.nvar);
    std::vector<bool> present(n, false);
    Bytes fixed(l.fixedBytes, '\0');
    std::vector<size_t> longCols;
    for (size_t i = 0; i < n; ++i) {
        const Value& v = vals[i];
        if (cols[i].type == ColType::Boolean) {
            present[i] = std::holds_alternative<bool>(v) && std::get<bool>(v);
            continue;
        }
        if (std::holds_alternative<Null>(v))
            continue;
        present[i] = true;
        Bytes enc = encodeValue(cols[i], v);
        if (l.fixedOffset[i] >= 0) {
            std::memcpy(&fixed[l.fixedOffset[i]], enc.data(), enc.size());
        } else if (isLong(cols[i].type)) {
            Bytes h;
            app32(h, uint32_t(enc.size()) | 0x80000000u);
            app32(h, 0);
            app32(h, 0);
            var[l.varIndex[i]] = h + enc;
            longCols.push_back(i);
        } else {
            var[l.varIndex[i]] = enc;
        }
    }
    auto build = [&] {
        Bytes row;
        app16(row, uint16_t(n));
        row += fixed;
        std::vector<uint16_t> starts;
        for (const Bytes& b : var) {
            starts.push_back(uint16_t(row.size()));
            row += b;
        }
        const uint16_t eod = uint16_t(row.size());
        app16(row, eod);
        for (int k = l.nvar - 1; k >= 0; --k)
            app16(row, starts[k]);
        app16(row, uint16_t(l.nvar));
        Bytes mask((n + 7) / 8, '\0');
        for (size_t i = 0; i < n; ++i)
            if (present[i])
                mask[i / 8] = char(mask[i / 8] | (1 << (i % 8)));
        row += mask;
        return row;
    };
    Bytes row = build();
    while (row.size() > size_t(kMaxRow)) {
        // Move the largest inline long value out of the row.
        size_t best = n;
        for (size_t i : longCols) {
            Bytes& slot = var[l.varIndex[i]];
            if (slot.size() > 12 && (uint8_t(slot[3]) & 0x80) &&
                (best == n || slot.size() > var[l.varIndex[best]].size()))
                best = i;
        }
        if (best == n)
            throw std::invalid_argument("row too large");
        Bytes& slot = var[l.varIndex[best]];
        slot = store.header(slot.substr(12));
        row = build();
    }
    return row;
}

Bytes usageMap(const std::vector<int>& owned, Pages& pages) {
    Bytes row;
    if (owned.empty()) {
        row.assign(64, '\0');
        return row;
    }
    const int lo = *std::min_element(owned.begin(), owned.end());
    const int hi = *std::max_element(owned.begin(), owned.end());
    if (hi - lo < kMapSpan) {
        row.assign(64, '\0');
        put32(row, 1, uint32_t(lo));
        for (int p : owned) {
            const int bit = p - lo;
            row[5 + bit / 8] = char(row[5 + bit / 8] | (1 << (bit % 8)));
        }
        return row;
    }
    row.assign(65, '\0');
    row[0] = 0x01;
    constexpr int kBits = 4092 * 8;
    std::map<int, int> bitmapPage; // k -> page
    for (int p : owned) {
        const int k = p / kBits;
        if (k >= 16)
            throw std::invalid_argument("file too large");
        auto it = bitmapPage.find(k);
        if (it == bitmapPage.end()) {
            Bytes bp(kPage, '\0');
            bp[0] = 0x05;
            bp[1] = 0x01;
            it = bitmapPage.emplace(k, pages.add(bp)).first;
            put32(row, 1 + 4 * k, uint32_t(it->second));
        }
        Bytes& bp = pages.pages[it->second];
        const int bit = p - k * kBits;
        bp[4 + bit / 8] = char(bp[4 + bit / 8] | (1 << (bit % 8)));
    }
    return row;
}

Bytes tdef(const std::vector<Column>& cols, bool system, uint32_t rowCount, uint32_t ownedMap,
           uint32_t freeMap) {
    const Layout l = layoutOf(cols);
    Bytes p(63, '\0');
    p[0] = 0x02;
    p[1] = 0x01;
    put32(p, 12, kMagic);
    put32(p, 16, rowCount);
    p[24] = 0x01;
    p[40] = system ? 0x53 : 0x4E;
    put16(p, 41, uint16_t(cols.size()));
    put16(p, 43, uint16_t(l.nvar));
    put16(p, 45, uint16_t(cols.size()));
    put32(p, 55, ownedMap);
    put32(p, 59, freeMap);
    for (size_t i = 0; i < cols.size(); ++i) {
        const Column& c = cols[i];
        Bytes e(25, '\0');
        e[0] = char(c.type);
        put32(e, 1, kMagic);
        put16(e, 5, uint16_t(i));
        put16(e, 7, uint16_t(l.varIndex[i] >= 0 ? l.varIndex[i] : 0));
        put16(e, 9, uint16_t(i));
        if (c.type == ColType::Text || c.type == ColType::Memo) {
            e[11] = 0x1E; // Thai sort order
            e[12] = 0x04;
            e[16] = 0x01; // compression allowed
        }
        const bool fixed = isFixed(c.type);
        e[15] = char((fixed ? 0x03 : 0x02) | (system ? 0x10 : 0));
        put16(e, 21, uint16_t(fixed ? l.fixedOffset[i] : 0));
        uint16_t len = 0;
        if (fixed)
            len = uint16_t(c.type == ColType::Boolean ? 1 : fixedSize(c.type));
        else if (c.type == ColType::Text)
            len = uint16_t(2 * c.maxChars);
        else if (c.type == ColType::Binary)
            len = 255;
        put16(e, 23, len);
        p += e;
    }
    for (const Column& c : cols) {
        app16(p, uint16_t(2 * c.name.size()));
        for (char16_t ch : c.name)
            app16(p, ch);
    }
    app16(p, 0xFFFF);
    if (p.size() > size_t(kPage))
        throw std::invalid_argument("table definition too large");
    put16(p, 2, uint16_t(kPage - p.size()));
    put32(p, 8, uint32_t(p.size() - 8));
    return p;
}

void rc4(uint8_t* data, size_t len) {
    const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<uint8_t, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    int i = 0, j = 0;
    for (size_t k = 0; k < len; ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[k] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

Bytes headerPage(const Options& o) {
    Bytes p(kPage, '\0');
    p[1] = 0x01;
    std::memcpy(&p[4], "Standard Jet DB", 16);
    p[0x14] = 0x01;
    const uint8_t unknown[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0,
                                 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};
    std::memcpy(&p[0x18], unknown, 24);
    put16(p, 0x3C, o.codePage);
    if (o.password.size() > 20)
        throw std::invalid_argument("password longer than 20 characters");
    Bytes pw(40, '\0');
    for (size_t i = 0; i < o.password.size(); ++i)
        put16(pw, 2 * i, o.password[i]);
    const uint32_t dateKey = uint32_t(int32_t(std::trunc(o.creationDate)));
    for (int i = 0; i < 40; ++i)
        pw[i] = char(uint8_t(pw[i]) ^ uint8_t(dateKey >> (8 * (i % 4))));
    std::memcpy(&p[0x42], pw.data(), 40);
    p[0x6E] = 0x1E; // Thai sort order
    p[0x6F] = 0x04;
    uint64_t d;
    std::memcpy(&d, &o.creationDate, 8);
    for (int i = 0; i < 8; ++i)
        p[0x72 + i] = char((d >> (8 * i)) & 0xFF);
    rc4(reinterpret_cast<uint8_t*>(&p[0x18]), 128);
    return p;
}

std::vector<Column> catalogColumns() {
    return {
        {u"Id", ColType::Long},
        {u"ParentId", ColType::Long},
        {u"Name", ColType::Text},
        {u"Type", ColType::Integer},
        {u"DateCreate", ColType::DateTime},
        {u"DateUpdate", ColType::DateTime},
        {u"Owner", ColType::Binary},
        {u"Flags", ColType::Long},
        {u"Database", ColType::Memo},
        {u"Connect", ColType::Memo},
        {u"ForeignName", ColType::Text},
        {u"RmtInfoShort", ColType::Binary},
        {u"RmtInfoLong", ColType::OLE},
        {u"Lv", ColType::OLE},
        {u"LvProp", ColType::OLE},
        {u"LvModule", ColType::OLE},
        {u"LvExtra", ColType::OLE},
    };
}

std::vector<Value> catalogRow(int64_t id, int64_t parent, const std::u16string& name, int64_t type,
                              int64_t flags, double date) {
    std::vector<Value> r(17, Null{});
    r[0] = id;
    r[1] = parent;
    r[2] = name;
    r[3] = type;
    r[4] = date;
    r[5] = date;
    r[7] = flags;
    return r;
}

} // namespace

std::u16string u16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        uint32_t c = uint8_t(s[i]);
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        c &= extra == 0 ? 0x7F : extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07;
        for (int k = 1; k <= extra && i + k < s.size(); ++k)
            c = (c << 6) | (uint8_t(s[i + k]) & 0x3F);
        i += extra + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(char16_t(0xD800 + (c >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
    }
    return out;
}

std::string writeDatabase(const Table& table, const Options& options) {
    Pages pages;
    pages.add(headerPage(options)); // 0
    pages.reserve();                // 1: usage maps
    pages.reserve();                // 2: catalog definition
    pages.reserve();                // 3: user table definition
    constexpr uint32_t kUserTdef = 3;

    const Layout userLayout = layoutOf(table.columns);
    LongValueStore store(pages);
    PageFiller user(pages, kUserTdef);
    for (const auto& r : table.rows)
        user.add(encodeRow(table.columns, userLayout, r, store));
    user.finish();
    user.ensurePage(); // an empty table still owns one (empty) data page
    user.finish();

    const std::vector<Column> cat = catalogColumns();
    const Layout catLayout = layoutOf(cat);
    const double d = options.creationDate;
    std::vector<std::vector<Value>> catRows = {
        catalogRow(0x0F000001, 0x0F000000, u"Tables", 3, 0x80000000LL, d),
        catalogRow(0x0F000002, 0x0F000000, u"Databases", 3, 0x80000000LL, d),
        catalogRow(0x0F000003, 0x0F000000, u"Relationships", 3, 0x80000000LL, d),
        catalogRow(2, 0x0F000001, u"MSysObjects", 1, 0x80000000LL, d),
        catalogRow(kUserTdef, 0x0F000001, table.name, 1, 0, d),
    };
    PageFiller catalog(pages, 2);
    for (const auto& r : catRows)
        catalog.add(encodeRow(cat, catLayout, r, store));
    catalog.finish();

    Bytes maps = dataPageHeader(0);
    std::vector<Bytes> mapRows = {usageMap(catalog.owned(), pages), Bytes(64, '\0'),
                                  usageMap(user.owned(), pages), Bytes(64, '\0')};
    int end = kPage;
    put16(maps, 0x0C, uint16_t(mapRows.size()));
    for (size_t i = 0; i < mapRows.size(); ++i) {
        end -= int(mapRows[i].size());
        std::memcpy(&maps[end], mapRows[i].data(), mapRows[i].size());
        put16(maps, 0x0E + 2 * i, uint16_t(end));
    }
    put16(maps, 2, uint16_t(end - (14 + 2 * int(mapRows.size()))));
    pages.pages[1] = maps;

    Bytes catDef = tdef(cat, true, uint32_t(catRows.size()), 1 * 256 + 0, 1 * 256 + 1);
    catDef.resize(kPage, '\0');
    pages.pages[2] = catDef;
    Bytes userDef =
        tdef(table.columns, false, uint32_t(table.rows.size()), 1 * 256 + 2, 1 * 256 + 3);
    userDef.resize(kPage, '\0');
    pages.pages[3] = userDef;

    std::string out;
    out.reserve(pages.pages.size() * kPage);
    for (const Bytes& p : pages.pages)
        out += p;
    return out;
}

std::u16string readPassword(const std::string& file) {
    if (file.size() < 0x98)
        return {};
    std::string block = file.substr(0x18, 128);
    rc4(reinterpret_cast<uint8_t*>(block.data()), block.size());
    double date;
    std::memcpy(&date, &block[0x72 - 0x18], 8);
    const uint32_t key = uint32_t(int32_t(std::trunc(date)));
    std::u16string pw;
    for (int i = 0; i < 20; ++i) {
        uint8_t lo = uint8_t(block[0x42 - 0x18 + 2 * i]) ^ uint8_t(key >> (8 * ((2 * i) % 4)));
        uint8_t hi =
            uint8_t(block[0x42 - 0x18 + 2 * i + 1]) ^ uint8_t(key >> (8 * ((2 * i + 1) % 4)));
        const char16_t c = char16_t(lo | (hi << 8));
        if (c == 0)
            break;
        pw.push_back(c);
    }
    return pw;
}

} // namespace jet4
