#pragma once
// The reader window: one page, titled with the volume, page and line the user chose.
#include "corpus/store.h"
#include "reader/go_to.h"
#include "reader/locations.h"
#include "reader/page_topics.h"
#include "reader/page_view.h"
#include "reader/result_steps.h"
#include "toolkit/control.h"
#include "toolkit/platform.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

class QAction;
class QLabel;
class QLineEdit;
class QMenu;

namespace reader {

inline const QString kTitleHead = QStringLiteral("กำลังแสดงรายการที่คุณเลือก คือ เล่ม ");
QString readerTitle(const HandOff& h);
// The title once the reader has moved: the volume and the page shown (the volume alone
// above 86).
QString movedTitle(int volume, const QString& page);

// What lasts from one reader window to the next while the program runs; never saved.
struct ReaderSession {
    int zoomPercent = 100;
    QString markWord; // the search word the topic was found by, highlighted on its page
    QStringList markWords; // or the words of a search for all of them on one page
    bool pageTitle = false; // titled by volume and page from the start (no line to show)
    // The loaded topic table, for the topics of the pages read; unset or null for none.
    std::function<std::shared_ptr<corpus::LoadedCorpus>()> topicTable;
    // The results of the canon search the reader was opened from; null for none.
    std::shared_ptr<ResultSteps> results;
};

class FindBar;
class Navigator;
class TopicsPanel;
class TopicChip;

// (screen width - window width) \ 3.
std::optional<long long> readerLeft(double screenWidth, double windowWidth);

class frmBrowser : public QDialog {
    Q_OBJECT
  public:
    frmBrowser(tk::Platform& platform, const HandOff& handOff, ReaderSession& session,
               QWidget* parent = nullptr);
    ~frmBrowser() override;
    void Form_Load();
    void Form_Resize();
    PageView* brwWebBrowser = nullptr;
    FindBar* findBar = nullptr;
    Navigator* navigator = nullptr;
    QLabel* noteLabel = nullptr;
    TopicsPanel* topicsPanel = nullptr;
    TopicChip* topicChip = nullptr;
    ResultIndicator* resultIndicator = nullptr;

    // What the reader can do, each with its shortcut; the context menu shows them all.
    QMenu* contextMenu();
    void goToPage();
    void copyWithReference();
    void print();
    void note(const QString& text);
    // The index's topics of the page at the top, in the floating panel (canon pages only).
    void openTopics();
    // To the next (1) or previous (-1) result of the search the reader was opened from.
    void stepResult(int by);
    const PageTopics& pageTopics() const { return pageTopics_; }
    QRect textArea() const; // the view's text area, in this window

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

  private:
    tk::Platform& platform_;
    const HandOff handOff_; // read as the window loads; a copy, not a reference into the main window
    ReaderSession& session_;
    tk::KeptPlace place_;
    void placeLeft(double outerWidth); // left = (screen width - outer width) \ 3, top 0
    void placeByFrame();
    std::vector<QAction*> actions_;
    QTimer* noteTimer_ = nullptr;
    bool resizing_ = false;
    void buildActions();
    void zoomBy(int steps);
    QSize sizedFor_; // the outer size of the last snap, in pixels

    // The page at the top of the view, followed as the reading moves: the title, the chip
    // and the panel go with it.
    void follow();
    void placeChanged();
    void placeFloating();
    void showResultPosition();
    QTimer* follow_ = nullptr;
    QTimer* resultCount_ = nullptr;
    std::optional<QString> followedPage_; // the page at the top when last followed
    QString titledPage_;   // the page the title names
    PageTopics pageTopics_;
    QString topicsFile_; // the file pageTopics_ was read for
    QAction* topicsAction_ = nullptr;
};

// Opens the reader window modally and returns when it has been closed.
void showReader(tk::Platform& platform, const HandOff& handOff, ReaderSession& session,
                QWidget* parent);

} // namespace reader
