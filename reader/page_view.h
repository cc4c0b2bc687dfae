#pragma once
// The HTML view of the reader window: opens a local page file, scrolls to the named
// anchor after "#", and stays within the program folder (no network, no scripts).
#include "reader/page_parts.h"

#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>

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

    // A long page file is shown from the asked-for page at once and completed a part at a
    // time while the window is idle. Completes it now (tests, benchmarks).
    void finishLoading();
    bool loading() const { return lo_ > 0 || hi_ < parts_.parts.size(); }
    // Adds one more part; true while parts remain.
    bool loadStep();
    // Adds parts until the one holding the anchor is shown.
    void loadThrough(const QString& anchor);

  private:
    void appendNext();
    void prependNext();
    void appendPage(const QString& html);
    void prependPage(const QString& html);

    void showExplanation(const QString& what, const QString& location);
    void openLink(const QUrl& url);

    QString root_;
    PageParts parts_;       // of the file shown; a part is emptied once it is shown
    size_t lo_ = 0, hi_ = 0; // the parts shown: [lo_, hi_)
    bool belowNext_ = true;
    QTextCursor firstPage_; // where the earliest part shown begins
    QTimer steps_;
    QString shownFile_, shownAnchor_;
    bool explanation_ = false;
};

// Names Windows Thai fonts by their stand-ins so the page renders with Thai glyphs.
QString mapFontFaces(QString html);

} // namespace reader
