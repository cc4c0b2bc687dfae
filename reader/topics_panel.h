#pragma once
// A floating panel over the right side of the reader's view: the index's topics of the page
// at the top of the view first, then those of the file's other pages, by page. The view
// keeps its size and place under it.
#include "reader/page_topics.h"

#include <QFrame>
#include <QPushButton>
#include <map>

class QLabel;
class QStandardItemModel;
class QTreeView;

namespace reader {

inline const QString kTopicsPanelTitle = QStringLiteral("หัวข้อธรรมในหน้านี้");

class TopicsPanel : public QFrame {
    Q_OBJECT
  public:
    explicit TopicsPanel(QWidget* parent);

    // Lists the topics with the page's first; the row chosen before stays chosen when it is
    // still listed.
    void setTopics(const PageTopics& topics, const QString& page);
    // Over the right side of the view's text area (its geometry in the parent).
    void place(const QRect& textArea);
    void open();  // shown, raised, the list focused
    void close(); // hidden; closed() tells

    QTreeView* list = nullptr;
    QLabel* heading = nullptr;
    QStandardItemModel* model = nullptr;
    enum Role { PageRole = Qt::UserRole + 1 };

  signals:
    // A topic or a page of the list was chosen (Enter, a double-click): its page.
    void chosen(int page);
    void closed();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void choose(const class QModelIndex& index);
    // The file's pages, each under a row of its own, made once for each reading of them; a
    // move to another page then changes the first part only.
    void listFile(const PageTopics& topics);
    void listPage(const PageTopics& topics, const QString& page);
    const PageTopics* listed_ = nullptr;
    int listedGeneration_ = -1;
    QString listedPage_;
    std::map<int, int> rowOfPage_; // the top row of each page of the second part
    int othersRow_ = -1;           // the second part's heading; -1 without one
};

// The small button in a corner of the view that says how many topics the page at the top
// has ("๓ หัวข้อ"); hidden when it has none.
class TopicChip : public QPushButton {
    Q_OBJECT
  public:
    explicit TopicChip(QWidget* parent);
    void setCount(long count);
    // In the bottom right corner of the view's text area.
    void place(const QRect& textArea);
};

} // namespace reader
