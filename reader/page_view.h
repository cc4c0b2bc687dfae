#pragma once
// The HTML view of the reader window: opens a local page file, scrolls to the named
// anchor after "#", and stays within the program folder (no network, no scripts).
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <deque>

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

    // A long page file is shown from the asked-for page at once and completed a page at a
    // time while the window is idle. Completes it now (tests, benchmarks).
    void finishLoading();
    bool loading() const { return !after_.empty() || !before_.empty(); }

  private:
    void loadStep();
    void appendPage(const QString& html);
    void prependPage(const QString& html);

    void showExplanation(const QString& what, const QString& location);
    void openLink(const QUrl& url);

    QString root_;
    QString context_;            // tags open around every page, e.g. the page's font
    std::deque<QString> after_;  // pages still to come below, in order
    std::deque<QString> before_; // pages still to come above, nearest first
    QTextCursor firstPage_;      // where the earliest page shown begins
    QTimer steps_;
    QString shownFile_, shownAnchor_;
    bool explanation_ = false;
};

// Names Windows Thai fonts by their stand-ins so the page renders with Thai glyphs.
QString mapFontFaces(QString html);

} // namespace reader
