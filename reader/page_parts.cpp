#include "reader/page_parts.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace reader {

long PageParts::partOf(const QString& anchor) const {
    for (const Anchor& a : anchors)
        if (a.name == anchor)
            return long(a.part);
    return -1;
}

namespace {

enum class Kind { Void, Structure, Table, Block, Inline };

Kind kindOf(const QString& name) {
    static const QStringList voids = {"br",   "img",  "hr",    "meta",  "link",   "input",
                                      "col",  "area", "base",  "wbr",   "param",  "source",
                                      "embed", "frame", "basefont", "track", "isindex", "keygen"};
    static const QStringList structure = {"html", "head", "body", "frameset", "noframes"};
    static const QStringList table = {"table", "tr",    "td",      "th",
                                      "tbody", "thead", "tfoot", "caption", "colgroup"};
    static const QStringList block = {"div", "p",  "blockquote", "center", "ul", "ol",
                                      "li",  "dl", "dt",         "dd",     "h1", "h2",
                                      "h3",  "h4", "h5",         "h6",     "pre", "form",
                                      "fieldset", "address", "menu", "dir", "listing", "xmp"};
    if (voids.contains(name))
        return Kind::Void;
    if (structure.contains(name))
        return Kind::Structure;
    if (table.contains(name))
        return Kind::Table;
    if (block.contains(name))
        return Kind::Block;
    return Kind::Inline;
}

bool isRawText(const QString& name) {
    return name == QLatin1String("script") || name == QLatin1String("style") ||
           name == QLatin1String("title") || name == QLatin1String("textarea");
}

// A Thai mark or the second half of a pair: text is never cut just before one.
bool joinsPrevious(QChar c) {
    const char16_t u = c.unicode();
    return (u == 0x0E31) || (u >= 0x0E34 && u <= 0x0E3A) || (u >= 0x0E47 && u <= 0x0E4E) ||
           c.isLowSurrogate() || c.category() == QChar::Mark_NonSpacing;
}

struct Open {
    QString name;
    QString tag; // as written, to open it again in the next part
    Kind kind;
    bool kept;
    bool reopen; // an anchor is not opened twice
};

class Shaper {
  public:
    Shaper(const QString& html, const PartLimits& limits, PageParts& out)
        : html_(html), lim_(limits), out_(out) {}

    void run() {
        qsizetype pos = bodyStart();
        out_.head = html_.left(pos);
        collectStyles(out_.head);
        const qsizetype n = html_.size();
        while (pos < n) {
            if (html_[pos] == QLatin1Char('<') && pos + 1 < n) {
                const QChar next = html_[pos + 1];
                if (html_.mid(pos, 4) == QLatin1String("<!--")) {
                    qsizetype end = html_.indexOf(QLatin1String("-->"), pos + 4);
                    end = end < 0 ? n : end + 3;
                    emitRaw(QStringView(html_).mid(pos, end - pos));
                    pos = end;
                    continue;
                }
                if (next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!') ||
                    next == QLatin1Char('?')) {
                    pos = tag(pos);
                    continue;
                }
            }
            qsizetype end = html_.indexOf(QLatin1Char('<'), pos + 1);
            if (end < 0)
                end = n;
            text(QStringView(html_).mid(pos, end - pos));
            pos = end;
        }
        finishPart();
    }

  private:
    // Everything up to the end of the <body> tag is the head; without one there is none.
    qsizetype bodyStart() const {
        static const QRegularExpression body(QStringLiteral("<body(\\s[^>]*)?>"),
                                             QRegularExpression::CaseInsensitiveOption);
        const auto m = body.match(html_);
        return m.hasMatch() ? m.capturedEnd() : 0;
    }

    void collectStyles(const QString& from) {
        static const QRegularExpression style(QStringLiteral("<style[^>]*>(.*?)</style\\s*>"),
                                              QRegularExpression::CaseInsensitiveOption |
                                                  QRegularExpression::DotMatchesEverythingOption);
        auto it = style.globalMatch(from);
        while (it.hasNext())
            out_.styleSheet += it.next().captured(1) + QLatin1Char('\n');
    }

    // One tag from pos; returns where the text after it starts.
    qsizetype tag(qsizetype pos) {
        const qsizetype n = html_.size();
        qsizetype i = pos + 1;
        QChar quote;
        // The tag ends at the first ">" outside quotes; an unclosed quote ends at the line.
        for (; i < n; ++i) {
            const QChar c = html_[i];
            if (!quote.isNull()) {
                if (c == quote || c == QLatin1Char('\n'))
                    quote = QChar();
            } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                quote = c;
            } else if (c == QLatin1Char('>')) {
                break;
            }
        }
        const qsizetype end = std::min(i + 1, n);
        const QString whole = html_.mid(pos, end - pos);
        const bool closing = html_[pos + 1] == QLatin1Char('/');
        qsizetype k = pos + (closing ? 2 : 1);
        qsizetype s = k;
        while (k < end && (html_[k].isLetterOrNumber() || html_[k] == QLatin1Char('-')))
            ++k;
        const QString name = html_.mid(s, k - s).toLower();
        if (name.isEmpty()) { // <!DOCTYPE>, <?xml?>, </ >
            emitRaw(whole);
            return end;
        }
        if (closing) {
            close(name, whole);
            return end;
        }
        if (isRawText(name)) {
            // Its content is not markup: passed through to its end tag.
            const qsizetype stop = html_.indexOf(QLatin1String("</") + name, end, Qt::CaseInsensitive);
            qsizetype after = stop < 0 ? n : html_.indexOf(QLatin1Char('>'), stop);
            after = after < 0 ? n : after + 1;
            const QString raw = html_.mid(pos, after - pos);
            if (name == QLatin1String("style"))
                collectStyles(raw);
            else
                emitRaw(raw);
            return after;
        }
        open(name, whole);
        return end;
    }

    bool inScope(const QString& name, const QStringList& stops, qsizetype& at) const {
        if (openCount_.value(name) == 0)
            return false; // not open at all: no walk down a deep stack
        for (qsizetype j = qsizetype(stack_.size()) - 1; j >= 0; --j) {
            if (stack_[size_t(j)].name == name) {
                at = j;
                return true;
            }
            if (stops.contains(stack_[size_t(j)].name))
                return false;
        }
        return false;
    }

    // Ends the elements that an opening tag ends without saying, as browsers do.
    void impliedEnds(const QString& name, Kind kind) {
        static const QStringList cell = {"table", "td", "th", "tr"};
        static const QStringList tableOnly = {"table"};
        static const QStringList row = {"table", "tr"};
        static const QStringList list = {"ul", "ol", "table", "td", "th"};
        static const QStringList defs = {"dl", "table", "td", "th"};
        qsizetype at = -1;
        if ((kind == Kind::Block || kind == Kind::Table || name == QLatin1String("hr")) &&
            name != QLatin1String("td") && name != QLatin1String("th") &&
            name != QLatin1String("tr") && inScope(QStringLiteral("p"), cell, at))
            popTo(at);
        if (name == QLatin1String("li") && inScope(name, list, at))
            popTo(at);
        if ((name == QLatin1String("dt") || name == QLatin1String("dd"))) {
            if (inScope(QStringLiteral("dt"), defs, at) || inScope(QStringLiteral("dd"), defs, at))
                popTo(at);
        }
        if (name == QLatin1String("tr") && inScope(name, tableOnly, at))
            popTo(at);
        if (name == QLatin1String("td") || name == QLatin1String("th")) {
            if (inScope(QStringLiteral("td"), row, at) || inScope(QStringLiteral("th"), row, at))
                popTo(at);
        }
        if ((name == QLatin1String("tbody") || name == QLatin1String("thead") ||
             name == QLatin1String("tfoot"))) {
            for (const char* g : {"tbody", "thead", "tfoot"})
                if (inScope(QLatin1String(g), tableOnly, at)) {
                    popTo(at);
                    break;
                }
        }
    }

    // Pops the entries from at upwards; their end tags are implied, not written.
    void popTo(qsizetype at) {
        while (qsizetype(stack_.size()) > at) {
            countOf(stack_.back()) -= stack_.back().kept ? 1 : 0;
            --openCount_[stack_.back().name];
            stack_.pop_back();
        }
    }

    int& countOf(const Open& o) {
        if (o.kind == Kind::Inline)
            return inlineDepth_;
        if (o.name == QLatin1String("table"))
            return tableDepth_;
        return blockDepth_;
    }

    bool insideDroppedTable() const {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
            if (it->name == QLatin1String("table"))
                return !it->kept;
        return false;
    }

    void open(const QString& name, const QString& whole) {
        const Kind kind = kindOf(name);
        const bool anchor = name == QLatin1String("a") && hasName(whole);
        if (anchor)
            cutBefore();
        if (kind == Kind::Void || kind == Kind::Structure) {
            emitTag(whole);
            if (kind == Kind::Void && (name == QLatin1String("br") || name == QLatin1String("hr")))
                maybeCut(true);
            return;
        }
        impliedEnds(name, kind);
        bool kept = true;
        if (kind == Kind::Table && name != QLatin1String("table") && insideDroppedTable())
            kept = false;
        else if (name == QLatin1String("table"))
            kept = tableDepth_ < lim_.tableDepth && blockDepth_ < lim_.blockDepth;
        else if (kind == Kind::Inline)
            kept = inlineDepth_ < lim_.inlineDepth;
        else
            kept = blockDepth_ < lim_.blockDepth;
        const bool selfClosed = whole.endsWith(QLatin1String("/>"));
        // A tag of megabytes is opened again by its name alone.
        Open o{name, whole.size() > 2000 ? QLatin1Char('<') + name + QLatin1Char('>') : whole,
               kind, kept, !(name == QLatin1String("a") && hasName(whole))};
        if (kept) {
            emitTag(whole);
        } else {
            out_.reshaped = true;
            // What the dropped element kept apart stays apart.
            if (name == QLatin1String("tr") || kind == Kind::Block)
                emitTag(QStringLiteral("<br>"));
            else if (name == QLatin1String("td") || name == QLatin1String("th"))
                emitRaw(QStringLiteral(" "));
        }
        if (anchor)
            recordAnchor(whole);
        if (selfClosed)
            return;
        countOf(o) += kept ? 1 : 0;
        ++openCount_[o.name];
        stack_.push_back(std::move(o));
    }

    void close(const QString& name, const QString& whole) {
        const Kind kind = kindOf(name);
        if (kind == Kind::Void)
            return;
        if (kind == Kind::Structure) {
            emitTag(whole);
            return;
        }
        qsizetype at = -1;
        if (openCount_.value(name) == 0)
            return; // nothing of that name is open
        for (qsizetype j = qsizetype(stack_.size()) - 1; j >= 0; --j)
            if (stack_[size_t(j)].name == name) {
                at = j;
                break;
            }
        if (at < 0)
            return; // nothing of that name is open
        const bool kept = stack_[size_t(at)].kept;
        // Elements left open inside it end with it.
        for (qsizetype j = qsizetype(stack_.size()) - 1; j > at; --j)
            if (stack_[size_t(j)].kept)
                emitTag(QStringLiteral("</") + stack_[size_t(j)].name + QLatin1Char('>'));
        popTo(at);
        if (kept)
            emitTag(whole);
        maybeCut(kind == Kind::Block || name == QLatin1String("tr") ||
                 name == QLatin1String("table"));
    }

    static bool hasName(const QString& tag) {
        static const QRegularExpression attr(QStringLiteral("\\sname\\s*="),
                                             QRegularExpression::CaseInsensitiveOption);
        return attr.match(tag).hasMatch();
    }

    void recordAnchor(const QString& tag) {
        static const QRegularExpression name(
            QStringLiteral("\\sname\\s*=\\s*[\"']?([^\"'\\s>]+)"),
            QRegularExpression::CaseInsensitiveOption);
        const auto m = name.match(tag);
        if (m.hasMatch())
            out_.anchors.push_back({m.captured(1), out_.parts.size()});
    }

    void text(QStringView t) {
        // A run longer than a part is cut between words, or between characters where a
        // run has no space, never before a mark that belongs to the character before it.
        while (!t.isEmpty()) {
            qsizetype room = hard() - content_;
            if (room <= 0) {
                out_.reshaped = true;
                cutHere();
                continue;
            }
            if (t.size() <= room) {
                emitRaw(t);
                return;
            }
            qsizetype cut = room;
            const qsizetype floor = std::max<qsizetype>(room - 2000, 0);
            qsizetype j = cut;
            while (j > floor && !t[j - 1].isSpace())
                --j;
            if (j > floor)
                cut = j;
            while (cut > 1 && joinsPrevious(t[cut]))
                --cut;
            emitRaw(t.left(cut));
            t = t.mid(cut);
            out_.reshaped = true;
            cutHere();
        }
    }

    void emitTag(const QString& t) {
        cur_ += t;
        content_ += t.size();
        if (content_ >= hard())
            maybeCut(false);
    }
    void emitRaw(QStringView t) {
        cur_ += t;
        content_ += t.size();
    }

    // Ends the part when it is long enough: at a block's end from the soft length on, at
    // any tag from the hard length on.
    void maybeCut(bool blockEnd) {
        if ((blockEnd && content_ >= soft()) || content_ >= hard()) {
            out_.reshaped = true;
            cutHere();
        }
    }

    // Each level of tables lays its cells out again: parts inside them are shorter.
    qsizetype hard() const { return std::max(lim_.hardChars >> std::max(tableDepth_ - 1, 0), 500); }
    qsizetype soft() const { return std::max(lim_.softChars >> std::max(tableDepth_ - 1, 0), 250); }

    // A page anchor starts a part of its own.
    void cutBefore() {
        if (content_ > 0 && hasText())
            cutHere();
    }
    bool hasText() const {
        for (QChar c : cur_)
            if (!c.isSpace())
                return true;
        return false;
    }

    void cutHere() {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
            if (it->kept)
                cur_ += QStringLiteral("</") + it->name + QLatin1Char('>');
        out_.parts.push_back(std::move(cur_));
        cur_.clear();
        content_ = 0;
        for (const Open& o : stack_)
            if (o.kept && o.reopen)
                cur_ += o.tag;
    }

    void finishPart() {
        if (content_ > 0 || out_.parts.empty()) {
            for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
                if (it->kept)
                    cur_ += QStringLiteral("</") + it->name + QLatin1Char('>');
            out_.parts.push_back(std::move(cur_));
        }
    }

    const QString& html_;
    const PartLimits& lim_;
    PageParts& out_;
    std::vector<Open> stack_;
    QHash<QString, int> openCount_; // entries of the stack by name
    QString cur_;
    qsizetype content_ = 0; // characters of the part's own, after the reopened tags
    int tableDepth_ = 0, blockDepth_ = 0, inlineDepth_ = 0;
};

} // namespace

PageParts shapePage(const QString& html, const PartLimits& limits) {
    PageParts out;
    Shaper(html, limits, out).run();
    return out;
}

} // namespace reader
