#pragma once
// The HTML view of the reader window: opens a local page file, scrolls to the named
// anchor after "#", and stays within the program folder (no network, no scripts).
#include "reader/page_parts.h"
#include "thai/normalise.h"
#include "toolkit/paths.h"

#include <QSet>
#include <QStringList>

#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <utility>
#include <vector>

class QMimeData;
class QWheelEvent;

namespace reader {

class PageView : public QTextBrowser {
    Q_OBJECT
  public:
    explicit PageView(QString programFolder, QWidget* parent = nullptr);

    // location: a host or backslash path, optionally followed by "#" and an anchor.
    void navigate(const QString& location);
    // What the view shows: the file it opened (empty for an explanation) and the anchor.
    QString shownFile() const { return shownFile_; }
    QString shownAnchor() const { return shownAnchor_; }
    bool showsExplanation() const { return explanation_; }

    QVariant loadResource(int type, const QUrl& name) override;
    // The files the page loaded as pictures and style sheets since it was opened.
    const QStringList& loadedFiles() const { return loaded_; }

    // A long page file is shown from the asked-for page at once and completed a part at a
    // time while the window is idle. Completes it now (tests, benchmarks).
    void finishLoading();
    bool loading() const { return lo_ > 0 || hi_ < parts_.parts.size(); }
    // Adds one more part; true while parts remain.
    bool loadStep();
    // Adds parts until the one holding the anchor is shown.
    void loadThrough(const QString& anchor);

    // The printed pages of the file shown, in order, by number (the anchors' names
    // trimmed): the anchors whose names are page numbers, as the canon search takes them.
    const std::vector<PageParts::Anchor>& pageAnchors() const { return pages_; }
    // The page that holds a document position: the last page anchor before it; empty
    // before the first or in a file without page anchors.
    QString pageAt(int position) const;
    // The page at the top of the view.
    QString currentPage() const;
    // The page asked for when it is one, else the page at the top.
    QString shownPage() const;

    // Highlights every place of the word, matched through the Thai folding, in the whole
    // file: places in parts still to come are marked as they arrive. A place lies within
    // one printed page, as the canon search finds it. Empty clears.
    void setMarkedWord(const QString& word);
    // The same for several words at once (the canon search's all words on one page): the
    // places of all of them, in the order they stand.
    void setMarkedWords(const QStringList& words);
    QString markedWord() const { return word_; } // the words, between spaces
    int hitCount() const { return int(hits_.size()); }
    int currentHit() const { return current_; } // -1 when none is current
    // Makes the first place at or after the top of the view current.
    void firstHitFromView();
    // Moves to the next (or previous) place, round past the end; true when it went round.
    bool stepHit(bool backwards);
    // The document span of a place.
    std::pair<int, int> hit(int k) const { return hits_[size_t(k)]; }
    // The look of the current place (the selection's colours, wherever the focus is) and of
    // the others.
    QTextCharFormat currentHitFormat() const;
    static QTextCharFormat otherHitFormat();

    // A band across the top of the view that the page is kept below (the find box lies
    // in it, so nothing found is ever under the box); 0 for none.
    void setTopBand(int pixels);

    // The size of the text, 50 to 300 percent; the line at the top stays at the top.
    int zoomPercent() const { return zoom_; }
    void setZoomPercent(int percent);

  signals:
    // After a file or an anchor has been shown.
    void shown();
    // The places of the marked word changed (more parts arrived, another word).
    void hitsChanged();

  protected:
    void wheelEvent(QWheelEvent* e) override;
    QMimeData* createMimeDataFromSelection() const override;

  public:

  private:
    void appendNext();
    void prependNext();
    void appendPage(const QString& html);
    void prependPage(const QString& html);

    void showExplanation(const QString& what, const QString& location);
    QString linkedStyleSheets(const std::vector<pagefile::Tag>& tags, const QString& file);
    static bool isFrameset(const std::vector<pagefile::Tag>& tags);
    QString framesInOrder(const QString& html, const std::vector<pagefile::Tag>& tags,
                          const QString& file, int depth, QSet<QString>& seen, int& count);
    QString absoluteReferences(const QString& html, const QString& file);
    void openLink(const QUrl& url);

    QString root_;
    tk::ListingCache listings_; // for the opening shown
    QStringList loaded_;
    PageParts parts_;       // of the file shown; a part is emptied once it is shown
    size_t lo_ = 0, hi_ = 0; // the parts shown: [lo_, hi_)
    bool belowNext_ = true;
    QTextCursor firstPage_; // where the earliest part shown begins

    void refreshHits();
    void showHits();
    void showCurrentHit(); // selected and scrolled into the view whole
    void anchorsChanged() const;
    void scrollToNamed(const QString& anchor);
    // Where each printed page begins in the document, and its number.
    std::vector<std::pair<int, QString>> pageStarts() const;
    std::vector<PageParts::Anchor> pages_;
    QSet<QString> pageNames_; // the page anchors' names as written
    struct ViewAnchor {
        int at;
        QString name;
        bool repeat; // the view's own repeat of the anchor before on more of its text
    };
    mutable std::vector<ViewAnchor> anchorAt_; // the view's anchors by position
    mutable bool anchorsDirty_ = true;
    // The text shown, as compared: each page's from where it begins.
    std::vector<std::pair<int, thai::Folded>> folded_;
    bool foldedDirty_ = true;
    QString word_;            // as typed
    QStringList foldedWords_; // as compared
    std::vector<std::pair<int, int>> hits_;
    int current_ = -1;
    QTimer refresh_;      // gathers the changes of several parts into one search
    int zoom_ = 100;
    qreal basePoints_ = 0;
    QTimer steps_;
    QString shownFile_, shownAnchor_;
    bool explanation_ = false;
};

// The next zoom level from percent, steps up (positive) or down, within 50-300.
int zoomStep(int percent, int steps);

// Style attributes and style elements with Windows Thai fonts, as mapFontStyles maps them.
QString mapStyles(QString html);

// Names Windows Thai fonts by their stand-ins so the page renders with Thai glyphs.
QString mapFontFaces(QString html);

} // namespace reader
