#pragma once
// "ค้นหาในเนื้อความพระไตรปิฎก": the canon's text searched page file by page file, results
// listed by volume as the scan goes on, each opening the reader at its page; the topics the
// index has on a result page are listed beneath it.
#include "canon/engine.h"
#include "canon/result_model.h"
#include "reader/frm_browser.h"
#include "toolkit/control.h"
#include "toolkit/platform.h"

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeView;

namespace canon {

inline const QString kWindowTitle = QStringLiteral("ค้นหาในเนื้อความพระไตรปิฎก");

class SearchWindow : public QDialog {
    Q_OBJECT
  public:
    // word: what the main window's search box holds (its prompt counts as nothing).
    SearchWindow(tk::Platform& platform, reader::ReaderSession& session, const QString& word,
                 QWidget* parent = nullptr);
    ~SearchWindow() override;

    // Starts a search of the box's word; a running one is stopped first.
    void start();
    // Stops the running search at once.
    void cancel();
    bool running() const { return running_; }
    // Opens the reader at a result's page.
    void openResult(const QModelIndex& index);

    QLineEdit* wordEdit = nullptr;
    QRadioButton* phrase = nullptr;
    QRadioButton* allWords = nullptr;
    QSpinBox* fromVolume = nullptr;
    QSpinBox* toVolume = nullptr;
    QPushButton* searchButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QProgressBar* progress = nullptr;
    QTreeView* results = nullptr;
    QLabel* summary = nullptr;
    // Keeps only the pages with topics; shown where there is a topic table.
    QCheckBox* onlyWithTopics = nullptr;
    ResultModel& model() { return model_; }
    // The pages with topics opened as they come, at most; the others open when asked.
    static constexpr int kOpenedTopicPages = 1000;

    // The data of a page row.
    enum Role { VolumeRole = ResultModel::VolumeRole, FileRole = ResultModel::FileRole,
                PageRole = ResultModel::PageRole, MarksRole = ResultModel::MarksRole,
                TopicCountRole = ResultModel::TopicCountRole, TopicNoRole = ResultModel::TopicNoRole };

  signals:
    void searchFinished();

  protected:
    void reject() override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The result pages as the list shows them, counted from 0 over the volumes.
    long listedPages() const;
    // Each of them, in order, until visit returns false.
    void walkListedPages(const std::function<bool(const QModelIndex&)>& visit) const;
    QModelIndex listedPage(long k) const;
    long listedPosition(const QModelIndex& page) const;
    void addVolume(VolumeHits v);
    void finished(const Summary& s);
    // The volume rows from this one on span both columns and are opened, with their pages
    // that have topics.
    void openRows(int firstVolumeRow);
    int openedTopicPages_ = 0; // up to kOpenedTopicPages
    void showOnlyWithTopics(bool only);
    // The summary, with the pages that have topics where there is a topic table.
    void showSummary(const QString& line);
    QString summaryLine_;

    tk::Platform& platform_;
    reader::ReaderSession& session_;
    ResultModel model_;
    std::unique_ptr<Search> search_;
    QString searchedWord_;
    QStringList searchedWords_; // each word, when every one of them was searched for
    void addPending();
    // Volumes arrived and not yet in the list: put in together, so that the list is laid out
    // again once for several of them.
    std::vector<VolumeHits> pending_;
    QTimer* addTimer_ = nullptr;
    int generation_ = 0; // results of a stopped search are dropped
    // Where the index's topics are, read for each search on this thread; the results are
    // put in the list once it has been read.
    struct PlacesRead {
        int generation;
        std::shared_ptr<const PageTopics> topics;
        std::string why;
    };
    std::thread placesReader_;
    std::mutex placesMutex_;
    std::optional<PlacesRead> placesDone_; // read, not yet taken
    int placesGeneration_ = 0;
    bool topicsReady_ = true;
    std::optional<Summary> finishedEarly_; // the scan ended before the places were read
    void takePlaces();
    // The filter by topics, where there are topics; unchecked where there are none.
    void offerTopicFilter(bool offered);
    bool running_ = false;
    tk::KeptPlace place_{this, [this] { centre(); }};
    void centre();
};

// Opens the window modally over the main window, searching the volumes first to last.
void showSearchWindow(tk::Platform& platform, reader::ReaderSession& session,
                      const QString& word, QWidget* parent, int firstVolume = 1,
                      int lastVolume = pagefile::CanonLayout::kVolumes);

} // namespace canon
