#pragma once
// "ค้นหาในเนื้อความพระไตรปิฎก": the canon's text searched page file by page file, results
// listed by volume as the scan goes on, each opening the reader at its page.
#include "canon/engine.h"
#include "canon/result_model.h"
#include "reader/frm_browser.h"
#include "toolkit/control.h"
#include "toolkit/platform.h"

#include <QDialog>
#include <QTimer>
#include <memory>

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
    ResultModel& model() { return model_; }

    // The data of a page row.
    enum Role { VolumeRole = ResultModel::VolumeRole, FileRole = ResultModel::FileRole,
                PageRole = ResultModel::PageRole, MarksRole = ResultModel::MarksRole };

  signals:
    void searchFinished();

  protected:
    void reject() override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The result pages as the list shows them, counted from 0 over the volumes.
    long listedPages() const;
    QModelIndex listedPage(long k) const;
    long listedPosition(const QModelIndex& page) const;
    void addVolume(VolumeHits v);
    void finished(const Summary& s);

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
    bool running_ = false;
    tk::KeptPlace place_{this, [this] { centre(); }};
    void centre();
};

// Opens the window modally over the main window.
void showSearchWindow(tk::Platform& platform, reader::ReaderSession& session,
                      const QString& word, QWidget* parent);

} // namespace canon
