#pragma once
// The topic list and the search box: fills the topic list for a volume, a group code or
// a search word.
#include "toolkit/dbfunction.h"
#include "toolkit/control.h"
#include "toolkit/listview.h"
#include "toolkit/platform.h"
#include "toolkit/window_state.h"
#include "topics/measure.h"
#include "topics/topic_model.h"

#include <QObject>
#include <QFontMetrics>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace topics {

inline const QString kPrompt = QStringLiteral("ป้อนหัวข้อธรรมที่ต้องการค้นหา");
// The entry of the topic list's context menu.
inline const QString kSearchTitleInCanon = QStringLiteral("ค้นหาชื่อหัวข้อนี้ในเนื้อความพระไตรปิฎก");
inline const QString& kNotice = tk::kNoticeTitle;
// The most characters of a searched word that a notice repeats; a longer one is shortened
// in the middle.
constexpr int kWordShownInNotices = 60;

// The controls the topic list and the search work on.
struct TopicControls {
    tk::ListView* listView2;
    tk::Control* ListView2;
    QLabel* label1;
    tk::Control* Label1;
    tk::Control* Frame4;
    QLineEdit* text1;
    QPushButton* command5;
};

// The widest drawn of these texts in the font's metrics, shaping as few as it can.
int widestAdvance(const QFontMetrics& fm, const QStringList& texts);

class TopicPane : public QObject {
    Q_OBJECT
  public:
    TopicPane(tk::Platform& platform, tk::DBFunction& db, tk::WindowState& state,
              TopicControls controls);

    void ListVolumeTopics(const int16_t& volume);
    void ListGroupTopics(const QString& code);
    void SearchTopics(const QString& word);

    void Text1_GotFocus();
    void Text1_LostFocus();
    void Text1_KeyPress();
    void Command5_Click();

    ModuleAll module;
    TopicModel& model() { return model_; }
    bool command5IsDefault() const { return command5Default_; }
    // The word of the search that filled the list; empty when a group or volume did.
    QString searchWord() const { return searchWord_; }

  signals:
    // Shift+Enter in the search box: the word is to be searched in the canon's own text.
    void canonSearchRequested();
    // A topic's title is to be searched in the canon's text of its volume (0: of all).
    void canonSearchOfTopicRequested(const QString& title, int volume);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Kind { Fill, Search };
    void fill(const QString& sql, const std::vector<QVariant>& params, Kind kind,
              const QString& word);
    void setLabel1(const QString& caption);
    // The context menu of the row at this point of the list's viewport, if any.
    void topicMenu(const QPoint& at);
    // Pixels the widest row text takes as the list draws it.
    // The records of the most cells, at most this many.
    static std::vector<size_t> widestByCells(std::vector<std::pair<long, size_t>> cellsOf,
                                             size_t candidates);
    // The drawn width in pixels of the widest of these cells, or of the header, with the
    // margins the view keeps around them.
    int drawnWidth(const QString& header, const QStringList& cells) const;
    int widestDrawnRow(const corpus::TopicList& list,
                       std::vector<std::pair<long, size_t>> cellsOf) const;

    tk::Platform& platform_;
    tk::DBFunction& db_;
    tk::WindowState& state_;
    TopicControls c_;
    TopicModel model_;
    bool command5Default_ = false;
    bool focusAway_ = false;
    QString searchWord_; // the box lost the focus to another window, not a control
};

} // namespace topics
