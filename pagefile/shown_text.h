#pragma once
// What the reader's view shows of a page file, worked out without a view: the characters
// in the order they are displayed, where each came from, where blocks begin and which
// printed page each stands on. The rules are those of the view's own HTML import (not a web
// browser's), so that a word found here is a word the reader finds, on the same page.
//
// The text holds:
// - U+2029 where a block, a table cell or a table begins or ends (the view's paragraph and
//   frame boundaries; how many stand in a row carries no meaning);
// - U+2028 for a line break, U+FFFC for a picture;
// - white space collapsed as displayed (a run of blanks, line ends and tabs is one space,
//   none at the start of a block), except where the page asks to keep it (pre, white-space).
#include <QString>
#include <QStringView>
#include <atomic>
#include <functional>
#include <vector>

namespace pagefile {

inline constexpr char16_t kBlock = 0x2029;
inline constexpr char16_t kLineBreak = 0x2028;
inline constexpr char16_t kPicture = 0xFFFC;

struct Anchor {
    int at = 0;       // the position in the text of the first character after it
    QString name;     // as the page wrote it, entities decoded
    int source = 0;   // where its tag starts in the page's text
                      // (the anchors of links alone count as pages)
    bool page = false; // its trimmed name is a printed page's number
};

struct ShownText {
    QString text;
    std::vector<Anchor> anchors; // every named anchor, in order
    // Where the text came from: (text position, place in the page) at the start of each
    // run of characters that came from consecutive places.
    std::vector<std::pair<int, int>> sourceRuns;

    // Where the character at position came from in the page (a reference's characters
    // come from its '&', a block boundary from the tag that made it).
    int sourceOf(int position) const;
    // The printed page a position of the text stands on: the name (trimmed) of the last
    // page anchor at or before it; empty before the first.
    QString pageAt(int position) const;
    // The page anchors alone, in order.
    std::vector<const Anchor*> pages() const;
    // Whether a block boundary comes before the character at position.
    bool blockBefore(int position) const;
};

// The markup of a page as the view reads it: where each tag, comment or declaration begins
// and ends (a '<' always begins one; a quoted value runs to its closing quote, over line
// ends and '>' alike), with the attributes of start tags.
struct Attribute {
    QString name;  // lower case
    QString value; // references decoded where the view decodes them
    int from = -1, to = -1; // the value as written, quotes included; -1 without a value
};
struct Tag {
    enum Kind { Open, Close, Comment, Declaration } kind = Open;
    int from = 0, to = 0; // [from, to) in the page, '<' and '>' included
    QString name;         // lower case; empty for comments and declarations
    std::vector<Attribute> attributes;
    bool selfClosed = false; // a '/' before its '>'
};
std::vector<Tag> readTags(QStringView html);

// The page's text as the view shows it. html is the page's decoded text.
ShownText showPage(QStringView html);

// Whether an anchor's name, trimmed, is a printed page's number: one to nine digits.
bool isPageNumber(QStringView name);
// That number ("0123" is 123); -1 for a name that is none.
long pageNumber(QStringView name);

// How the view lays out an element, by its lower-case name, for those that cut a page
// into parts and keep its nesting whole: the page's own frame (html, head, body), blocks,
// table structure and the cells within it, elements that hold nothing (a picture, a line
// break, and those HTML never fills), hidden ones whose content is no text (script,
// style, title), and everything else inline (the view's unknown elements among them).
enum class Layout { Inline, Block, Table, Cell, Hidden, Empty, Frame };
Layout layoutOf(QStringView name);

// The same text for a page too long to hold at once: it is read a stretch at a time and
// handed out in order as it becomes final, so that only a few stretches are ever held.
class TextSink {
  public:
    virtual ~TextSink() = default;
    // The characters from position at on; each call goes on where the last ended.
    virtual void text(int at, QStringView chars) = 0;
    // A named anchor, before the characters from its position on.
    virtual void anchor(const Anchor& a) = 0;
    // The characters from position at on came from the page from place from on.
    virtual void source(int at, int from) {
        (void)at;
        (void)from;
    }
    // Whether source() is wanted; without it the reading goes quicker.
    virtual bool wantsSources() const { return true; }
};

struct PageInput {
    // Fills buffer with up to room characters of the page's text, in order; returns how
    // many, 0 at its end.
    std::function<qsizetype(char16_t* buffer, qsizetype room)> read;
    // The place in the page of the first character read: the view shows only the marked
    // fragment of a page copied from a clipboard (see fragmentOf).
    int base = 0;
    // Checked between stretches: once set, the reading ends where it is.
    const std::atomic<bool>* stop = nullptr;
};
// Reads the page to its end into out; false when stopped before it.
bool readPage(const PageInput& in, TextSink& out);
// The same as showPage, into a sink: for a reader that wants only part of it (the anchors).
void showPage(QStringView html, TextSink& out);

// The part of a page the view shows: [from, to) of its text; the whole when it is no
// clipboard fragment. first is where "<!--StartFragment-->" first stands (-1 when nowhere),
// end where "<!--EndFragment-->" does.
struct Fragment {
    int from = 0, to = -1; // to: -1 for the page's end
};
Fragment fragmentOf(qsizetype start, qsizetype end);

} // namespace pagefile
