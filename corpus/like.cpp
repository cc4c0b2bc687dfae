#include "corpus/like.h"

#include "thai/normalise.h"


#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace corpus {

namespace {

constexpr unsigned char fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c | 0x20 : c;
}

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The pattern cut at its "%": each piece must appear in order, the first at the start
// unless the pattern starts with "%", the last at the end unless it ends with one.
struct Pattern {
    struct Piece {
        std::string text;   // folded; '\0' stands for "_"
        bool plain = false; // no "_" and no letter: a byte search finds it
    };
    std::vector<Piece> pieces;
    bool anchoredStart = true, anchoredEnd = true;

    explicit Pattern(std::string_view p) {
        anchoredStart = p.empty() || p.front() != '%';
        anchoredEnd = p.empty() || p.back() != '%';
        Piece cur;
        auto flush = [&] {
            if (cur.text.empty())
                return;
            cur.plain = cur.text.find('\0') == std::string::npos;
            for (char c : cur.text)
                if (c >= 'a' && c <= 'z')
                    cur.plain = false;
            pieces.push_back(std::move(cur));
            cur = Piece{};
        };
        for (char c : p) {
            if (c == '%')
                flush();
            else
                cur.text += c == '_' ? '\0' : char(fold(static_cast<unsigned char>(c)));
        }
        flush();
        if (pieces.empty())
            anchoredEnd = anchoredStart = anchoredStart && anchoredEnd;
    }
};

// The length of text that the piece matches at the start of t, or -1.
long matchAt(const Pattern::Piece& piece, std::string_view t) {
    size_t i = 0;
    for (char pc : piece.text) {
        if (i >= t.size())
            return -1;
        if (pc == '\0') {
            ++i; // one whole character
            while (i < t.size() && continuation(static_cast<unsigned char>(t[i])))
                ++i;
        } else if (fold(static_cast<unsigned char>(t[i])) == static_cast<unsigned char>(pc)) {
            ++i;
        } else {
            return -1;
        }
    }
    return long(i);
}

// The first place at or after from where the piece matches: its start and end, or false.
bool find(const Pattern::Piece& piece, std::string_view t, size_t from, size_t& start,
          size_t& end) {
    if (piece.plain) {
        const void* at = memmem(t.data() + from, t.size() - from, piece.text.data(),
                                piece.text.size());
        if (!at)
            return false;
        start = size_t(static_cast<const char*>(at) - t.data());
        end = start + piece.text.size();
        return true;
    }
    for (size_t i = from; i < t.size(); ++i) {
        if (continuation(static_cast<unsigned char>(t[i])))
            continue;
        const long n = matchAt(piece, t.substr(i));
        if (n >= 0) {
            start = i;
            end = i + size_t(n);
            return true;
        }
    }
    return false;
}

bool matches(const Pattern& p, std::string_view t) {
    if (p.pieces.empty())
        return !p.anchoredStart || t.empty();
    size_t pos = 0;
    size_t first = 0, last = p.pieces.size();
    if (p.anchoredStart) {
        const long n = matchAt(p.pieces[0], t);
        if (n < 0)
            return false;
        pos = size_t(n);
        first = 1;
        if (p.pieces.size() == 1 && p.anchoredEnd)
            return pos == t.size();
    }
    if (p.anchoredEnd && last > first)
        --last; // the last piece is tried at the end below
    for (size_t k = first; k < last; ++k) {
        size_t s = 0, e = 0;
        if (!find(p.pieces[k], t, pos, s, e))
            return false;
        pos = e;
    }
    if (p.anchoredEnd && last < p.pieces.size()) {
        // The last piece must end the text: try its possible starts from the right.
        const auto& piece = p.pieces.back();
        for (size_t i = t.size() + 1; i-- > pos;) {
            if (i < t.size() && continuation(static_cast<unsigned char>(t[i])))
                continue;
            const long n = matchAt(piece, t.substr(i));
            if (n >= 0 && i + size_t(n) == t.size())
                return true;
        }
        return false;
    }
    return true;
}

// Text as the search compares it: through the Thai folding, so that spellings that display
// alike find each other; "%" and "_" pass through it unchanged.
std::string_view folded(std::string_view utf8, std::string& buffer) {
    // Plain ASCII without capitals folds to itself.
    bool plain = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80 || (c >= 'A' && c <= 'Z')) {
            plain = false;
            break;
        }
    if (plain)
        return utf8;
    thai::foldUtf8(utf8, buffer);
    return buffer;
}

void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return; // NULL, as the engine's own
    // The pattern is the same for every row of a statement: compiled once.
    auto* pattern = static_cast<Pattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!pattern) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        std::string buffer;
        pattern = new Pattern(
            folded(std::string_view(p ? p : "", size_t(sqlite3_value_bytes(argv[0]))), buffer));
        sqlite3_set_auxdata(ctx, 0, pattern, [](void* x) { delete static_cast<Pattern*>(x); });
        pattern = static_cast<Pattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!pattern) {
            sqlite3_result_error_nomem(ctx);
            return;
        }
    }
    const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    thread_local std::string buffer;
    const std::string_view text =
        folded(std::string_view(t ? t : "", size_t(sqlite3_value_bytes(argv[1]))), buffer);
    sqlite3_result_int(ctx, matches(*pattern, text) ? 1 : 0);
}

} // namespace

bool likeMatch(std::string_view pattern, std::string_view text) {
    return matches(Pattern(pattern), text);
}

bool installLike(sqlite3* db) {
    return sqlite3_create_function(db, "like", 2,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   likeFunction, nullptr, nullptr) == SQLITE_OK;
}

} // namespace corpus
