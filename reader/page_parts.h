#pragma once
// Cuts a page file into parts the view can take one at a time: a part per printed page,
// and smaller where a page is too long to lay out within a frame (a paragraph of megabytes,
// a table of thousands of rows). Nesting deeper than any sound page has is flattened, since
// the view's layout recurses into it. Each part is whole: the elements open where it starts
// are opened again at its head and closed at its end. The page is read by the page-file
// library's rules: its tags as the view ends them, its anchors and printed pages as the
// view and the canon search take them.
#include "pagefile/shown_text.h"

#include <QString>
#include <vector>

namespace reader {

struct PartLimits {
    // A part is laid out in one step: about a frame's work for Thai text.
    int softChars = 3000; // past this a part ends at the next block's end
    int hardChars = 6000; // no part is longer, unless one tag is; halved in each table level
    int tableDepth = 4;   // tables inside tables: each level lays out its cells again
    int blockDepth = 24;  // block elements inside each other, tables' cells included
    int inlineDepth = 64;  // fonts, spans and the like inside each other
};

struct PageParts {
    QString head;               // up to and including <body>: set first
    QString styleSheet;         // the page's own style elements, for every part
    std::vector<QString> parts; // in document order
    struct Anchor {
        QString name; // as the page wrote it
        size_t part;
        bool page = false; // a printed page's anchor: it starts a part of its own
    };
    std::vector<Anchor> anchors; // every named anchor, in order, with the part that holds it
    bool reshaped = false;       // nesting was flattened or a page was cut by its length

    // The anchor asked for: by its name as written, or a printed page by its number (the
    // name trimmed); null when the page has none.
    const Anchor* find(const QString& anchor) const;
    // The part holding the anchor, or -1.
    long partOf(const QString& anchor) const;
};

PageParts shapePage(const QString& html, const PartLimits& limits = {});
// The same with the page's tags read already (pagefile::readTags).
PageParts shapePage(const QString& html, std::vector<pagefile::Tag> tags, const PartLimits& limits = {});

} // namespace reader
