#include "canon/cp874_scan.h"

#include "thai/normalise.h"

#include <algorithm>
#include <cstring>

namespace canon {

namespace {

// The Thai folding's mark rules, for a windows-874 byte.
char16_t unicodeOf(unsigned char b) {
    return b >= 0xA1 ? char16_t(0x0E01 + (b - 0xA1)) : char16_t(b);
}
bool isMark(unsigned char b) {
    return b >= 0xA1 && thai::isMark(unicodeOf(b));
}
int rank(unsigned char b) {
    return thai::markRank(unicodeOf(b));
}
constexpr unsigned char kSaraAm = 0xD3, kSaraAa = 0xD2, kNikhahit = 0xED;

bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isBlockName(const char* p, size_t n) {
    static const char* const blocks[] = {"p",  "br", "div", "tr", "td", "th", "li",
                                         "h1", "h2", "h3",  "h4", "h5", "h6", "table",
                                         "hr", "blockquote", "center", "dd", "dt", "ul",
                                         "ol", "pre", "body", "head"};
    for (const char* b : blocks)
        if (std::strlen(b) == n && strncasecmp(b, p, n) == 0)
            return true;
    return false;
}

// A character of an entity as a windows-874 byte: 0 for nothing at all, 1 for one the
// code page lacks (it matches no word of this path).
unsigned char cp874Of(uint v) {
    if (v == 0x200B || v == 0x200C || v == 0x200D || v == 0x00AD || v == 0xFEFF || v == 0x2060)
        return 0;
    if (v == 0x00A0)
        return ' ';
    if (v < 0x80)
        return (v >= 'A' && v <= 'Z') ? char(v + 32) : char(v);
    if (v >= 0x0E01 && v <= 0x0E5B)
        return (unsigned char)(v - 0x0E01 + 0xA1);
    return 1;
}

// For each byte: what it folds to when it is plain text, and whether it is plain.
struct Table {
    unsigned char fold[256];
    bool plain[256];
    bool mark[256];
    Table() {
        for (int c = 0; c < 256; ++c) {
            unsigned char f = (unsigned char)c;
            if (c >= 'A' && c <= 'Z')
                f = (unsigned char)(c + 32);
            else if (c >= 0xF0 && c <= 0xF9)
                f = (unsigned char)('0' + (c - 0xF0));
            else if (c == 0xA0 || c == '\r' || c == '\n' || c == '\t')
                f = ' ';
            fold[c] = f;
            mark[c] = isMark((unsigned char)c);
            plain[c] = c != '<' && c != '&' && !mark[c] && c != kSaraAm;
        }
    }
};
const Table kTable;

} // namespace

std::optional<std::string> cp874Word(const QString& word) {
    std::string out;
    for (QChar c : word) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            out += char(u);
        else if (u >= 0x0E01 && u <= 0x0E5B)
            out += char(u - 0x0E01 + 0xA1);
        else
            return std::nullopt;
    }
    return out;
}

void scanCp874(const QByteArray& file, Cp874Text& out) {
    out.anchors.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(file.constData());
    const int n = int(file.size());
    // Never longer than the file but for SARA AM, which becomes two: room for both.
    const size_t room = size_t(n) * 2 + 16;
    if (out.folded.size() < room) {
        out.folded.resize(room);
        out.source.resize(room);
    }
    char* fo = out.folded.data();
    int* so = out.source.data();
    size_t used = 0;
    auto put = [&](unsigned char c, int at) {
        fo[used] = char(c);
        so[used] = at;
        ++used;
    };
    auto separate = [&](int at) {
        if (used > 0 && fo[used - 1] != '\n')
            put('\n', at);
    };
    unsigned char marks[16];
    int i = 0;
    while (i < n) {
        // Plain text, the bulk of a page: folded by the table.
        while (i < n && kTable.plain[p[i]]) {
            fo[used] = char(kTable.fold[p[i]]);
            so[used] = i;
            ++used;
            ++i;
        }
        if (i >= n)
            break;
        const unsigned char c = p[i];
        if (c == '<' && i + 1 < n) {
            const unsigned char next = p[i + 1];
            if (next == '!' && i + 3 < n && p[i + 2] == '-' && p[i + 3] == '-') {
                const void* e = memmem(p + i + 4, size_t(n - i - 4), "-->", 3);
                i = e ? int(static_cast<const unsigned char*>(e) - p) + 3 : n;
                continue;
            }
            if (isLetter(next) || next == '/' || next == '!' || next == '?') {
                int e = i + 1;
                unsigned char quote = 0;
                // Most tags hold no quote before their ">": found at once.
                if (const void* gt = memchr(p + i + 1, '>', size_t(n - i - 1))) {
                    const int g = int(static_cast<const unsigned char*>(gt) - p);
                    if (!memchr(p + i + 1, '"', size_t(g - i - 1)) &&
                        !memchr(p + i + 1, '\'', size_t(g - i - 1)))
                        e = g;
                }
                for (; e < n; ++e) {
                    const unsigned char t = p[e];
                    if (quote) {
                        if (t == quote || t == '\n')
                            quote = 0;
                    } else if (t == '"' || t == '\'') {
                        quote = t;
                    } else if (t == '>') {
                        break;
                    }
                }
                const int tagEnd = std::min(e + 1, n);
                int k = i + (next == '/' ? 2 : 1);
                const int s = k;
                while (k < n && isLetter(p[k]))
                    ++k;
                const char* name = reinterpret_cast<const char*>(p + s);
                const size_t len = size_t(k - s);
                const bool closing = next == '/';
                if (!closing && ((len == 6 && (strncasecmp(name, "script", 6) == 0)) ||
                                 (len == 5 && (strncasecmp(name, "style", 5) == 0 ||
                                               strncasecmp(name, "title", 5) == 0)))) {
                    // Not text of the page: up to its end tag.
                    std::string end = "</" + std::string(name, len);
                    int j = tagEnd;
                    i = n;
                    for (; j + int(end.size()) <= n; ++j)
                        if (strncasecmp(reinterpret_cast<const char*>(p + j), end.c_str(),
                                        end.size()) == 0) {
                            const void* gt = memchr(p + j, '>', size_t(n - j));
                            i = gt ? int(static_cast<const unsigned char*>(gt) - p) + 1 : n;
                            break;
                        }
                    continue;
                }
                if (isBlockName(name, len)) {
                    separate(i);
                } else if (!closing && len == 1 && (name[0] == 'a' || name[0] == 'A')) {
                    // A page anchor: name="…".
                    for (int q = k; q + 4 < tagEnd; ++q) {
                        if (!(p[q] == ' ' || p[q] == '\t' || p[q] == '\n' || p[q] == '\r') ||
                            strncasecmp(reinterpret_cast<const char*>(p + q + 1), "name", 4) != 0)
                            continue;
                        int v = q + 5;
                        while (v < tagEnd && p[v] == ' ')
                            ++v;
                        if (v >= tagEnd || p[v] != '=')
                            continue;
                        ++v;
                        while (v < tagEnd && p[v] == ' ')
                            ++v;
                        unsigned char qu = 0;
                        if (v < tagEnd && (p[v] == '"' || p[v] == '\''))
                            qu = p[v++];
                        const int from = v;
                        while (v < tagEnd && p[v] != '>' && (qu ? p[v] != qu : p[v] != ' '))
                            ++v;
                        out.anchors.emplace_back(
                            int(used),
                            QString::fromLatin1(reinterpret_cast<const char*>(p + from), v - from));
                        break;
                    }
                }
                i = tagEnd;
                continue;
            }
        }
        if (c == '&') {
            const void* semi = memchr(p + i + 1, ';', size_t(std::min(10, n - i - 1)));
            if (semi) {
                const int e = int(static_cast<const unsigned char*>(semi) - p);
                const std::string name(reinterpret_cast<const char*>(p + i + 1), size_t(e - i - 1));
                uint v = 0;
                bool ok = true;
                if (!name.empty() && name[0] == '#') {
                    char* end = nullptr;
                    v = (name.size() > 1 && (name[1] == 'x' || name[1] == 'X'))
                            ? uint(std::strtoul(name.c_str() + 2, &end, 16))
                            : uint(std::strtoul(name.c_str() + 1, &end, 10));
                    ok = end && *end == '\0' && v > 0;
                } else if (name == "nbsp") {
                    v = 0xA0;
                } else if (name == "amp") {
                    v = '&';
                } else if (name == "lt") {
                    v = '<';
                } else if (name == "gt") {
                    v = '>';
                } else if (name == "quot") {
                    v = '"';
                } else if (name == "apos") {
                    v = '\'';
                } else if (name == "shy") {
                    v = 0xAD;
                } else {
                    ok = false;
                }
                if (ok) {
                    if (const unsigned char b = cp874Of(v))
                        put(b, i);
                    i = e + 1;
                    continue;
                }
            }
        }
        if (kTable.mark[c] || c == kSaraAm) {
            // A run of marks, possibly ended by SARA AM: in order, each once.
            const int start = i;
            int m = 0;
            bool am = false;
            while (i < n && m < 15) {
                const unsigned char b = p[i];
                if (b == kSaraAm) {
                    marks[m++] = kNikhahit;
                    am = true;
                    ++i;
                    break;
                }
                if (!kTable.mark[b])
                    break;
                marks[m++] = b;
                ++i;
            }
            // A stable insertion sort: a run holds a mark or two.
            for (int a = 1; a < m; ++a)
                for (int b = a; b > 0 && rank(marks[b]) < rank(marks[b - 1]); --b)
                    std::swap(marks[b], marks[b - 1]);
            unsigned char last = 0;
            for (int k = 0; k < m; ++k) {
                if (marks[k] == last)
                    continue;
                put(marks[k], start);
                last = marks[k];
            }
            if (am)
                put(kSaraAa, i - 1);
            continue;
        }
        put(kTable.fold[c], i); // a "<" or "&" that starts no tag or entity
        ++i;
    }
    out.length = used;
}

} // namespace canon
