#include "reader/topics_panel.h"

#include "toolkit/fonts.h"

#include <QHeaderView>
#include <algorithm>
#include <QKeyEvent>
#include <QLabel>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace reader {

namespace {
const QColor kMarked(255, 0, 0); // as the topic list shows a marked topic

QStandardItem* topicItem(const PageTopic& t) {
    // The second line holds the two references as they are written (the blue volume's
    // "เล่มที่ … หน้า …", the red one's "ล. … น. …"), so that both fit a narrow panel;
    // the tool tip names them.
    QString text = pageTopicText(t);
    QString tip = text;
    if (!t.blue.isEmpty() || !t.red.isEmpty()) {
        text += QLatin1Char('\n') + t.blue + QStringLiteral(" · ") + t.red;
        tip += QStringLiteral("\nเล่มสีน้ำเงิน ") + t.blue + QStringLiteral("\nเล่มสีแดง ") + t.red;
    }
    auto* item = new QStandardItem(text);
    item->setData(t.page, TopicsPanel::PageRole);
    item->setToolTip(tip);
    if (t.marked)
        item->setForeground(kMarked);
    return item;
}

QStandardItem* pageItem(const QString& text, int page) {
    auto* item = new QStandardItem(text);
    QFont f = item->font();
    f.setBold(true);
    item->setFont(f);
    item->setData(page, TopicsPanel::PageRole);
    return item;
}
} // namespace

TopicsPanel::TopicsPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("topicsPanel"));
    setAccessibleName(kTopicsPanelTitle);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("#topicsPanel { background:#fbf8ef; border:1px solid #a89a70; }"));
    heading = new QLabel(kTopicsPanelTitle, this);
    QFont bold = tk::thaiFont(QStringLiteral("Tahoma"), 12);
    bold.setBold(true);
    heading->setFont(bold);
    model = new QStandardItemModel(this);
    list = new QTreeView(this);
    list->setObjectName(QStringLiteral("topicsOfPage"));
    list->setAccessibleName(QStringLiteral("รายการหัวข้อธรรมของหน้าที่อ่าน"));
    list->setAccessibleDescription(
        QStringLiteral("Enter หรือดับเบิลคลิกเพื่อไปที่หน้าของหัวข้อ, Esc ปิดรายการ"));
    list->setModel(model);
    list->setHeaderHidden(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A row is two lines, the topic and its references, each cut short with "…" when the
    // panel is narrow: the tool tip holds them whole.
    list->setWordWrap(false);
    list->setTextElideMode(Qt::ElideRight);
    list->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    list->installEventFilter(this);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(6, 4, 6, 6);
    box->addWidget(heading);
    box->addWidget(list, 1);
    connect(list, &QTreeView::doubleClicked, this, &TopicsPanel::choose);
    hide();
}

void TopicsPanel::setTopics(const PageTopics& topics, const QString& page) {
    const bool again = &topics != listed_ || topics.generation() != listedGeneration_;
    if (again)
        listFile(topics);
    if (again || page != listedPage_)
        listPage(topics, page);
}

void TopicsPanel::listFile(const PageTopics& topics) {
    listed_ = &topics;
    listedGeneration_ = topics.generation();
    model->clear();
    rowOfPage_.clear();
    othersRow_ = -1;
    size_t total = 0;
    constexpr size_t kOpenUpTo = 300;
    model->appendRow(pageItem(QStringLiteral("หน้านี้"), -1)); // filled by listPage
    for (const auto& [n, list] : topics.pages()) {
        if (othersRow_ < 0) {
            auto* title = new QStandardItem(QStringLiteral("หัวข้อธรรมในหน้าอื่นของไฟล์นี้"));
            title->setFlags(Qt::ItemIsEnabled); // a heading: nothing to choose
            title->setForeground(QColor(90, 80, 60));
            QFont f = title->font();
            f.setItalic(true);
            title->setFont(f);
            othersRow_ = model->rowCount();
            model->appendRow(title);
        }
        auto* p = pageItem(QStringLiteral("หน้า %1 — %2").arg(n).arg(topicCountText(long(list.size()))), n);
        for (const PageTopic& t : list)
            p->appendRow(topicItem(t));
        rowOfPage_[n] = model->rowCount();
        model->appendRow(p);
        total += list.size();
    }
    // The other pages open, unless they hold so many topics that the list would be laid out
    // at length on every page turned: then each page opens on its own (Right, a click).
    if (total <= kOpenUpTo)
        list->expandAll();
    else
        list->expand(model->index(0, 0));
}

void TopicsPanel::listPage(const PageTopics& topics, const QString& page) {
    const QPersistentModelIndex was = list->currentIndex();
    const QString wasText = was.data().toString();
    const bool wasOfThisPart = was.isValid() && (was.row() == 0 ? !was.parent().isValid()
                                                                 : was.parent().row() == 0);
    const int here = pageNumber(page);
    heading->setText(page.isEmpty() ? kTopicsPanelTitle
                                    : kTopicsPanelTitle + QStringLiteral(" (หน้า ") + page +
                                          QLatin1Char(')'));
    // The page at the top of the view first.
    QStandardItem* first = model->item(0);
    first->removeRows(0, first->rowCount());
    first->setText(page.isEmpty() ? QStringLiteral("หน้านี้") : QStringLiteral("หน้า ") + page);
    first->setData(here, PageRole);
    const std::vector<PageTopic>& own = topics.at(page);
    QList<QStandardItem*> rows;
    if (own.empty()) {
        auto* none = new QStandardItem(QStringLiteral("ไม่มีหัวข้อธรรมของหน้านี้ในดัชนี"));
        none->setEnabled(false);
        rows << none;
    }
    for (const PageTopic& t : own)
        rows << topicItem(t);
    first->appendRows(rows); // in one change: a page may have a hundred topics
    list->expand(first->index());
    // The second part holds the file's other pages: this one's row is hidden there.
    for (const auto& [n, row] : rowOfPage_)
        list->setRowHidden(row, QModelIndex(), n == here);
    if (othersRow_ >= 0)
        list->setRowHidden(othersRow_, QModelIndex(), rowOfPage_.size() == (rowOfPage_.count(here) ? 1u : 0u));
    // The row chosen before stays chosen while it is listed; one of the page now at the top
    // is found among its topics; else the page's first topic.
    QModelIndex keep;
    const bool hidden = was.isValid() && was.parent().isValid() &&
                        list->isRowHidden(was.parent().row(), QModelIndex());
    if (was.isValid() && !wasOfThisPart && !hidden) {
        keep = was;
    } else if (!wasText.isEmpty()) {
        for (int r = 0; r < first->rowCount() && !keep.isValid(); ++r)
            if (first->child(r)->text() == wasText)
                keep = first->child(r)->index();
    }
    if (!keep.isValid())
        keep = own.empty() ? model->index(0, 0) : model->index(0, 0, model->index(0, 0));
    list->setCurrentIndex(keep);
    listedPage_ = page;
}

void TopicsPanel::place(const QRect& textArea) {
    const int w = std::clamp(textArea.width() * 9 / 20, std::min(300, textArea.width()), 480);
    setGeometry(textArea.right() + 1 - w, textArea.top(), w, textArea.height());
}

void TopicsPanel::open() {
    show();
    raise();
    list->setFocus();
}

void TopicsPanel::close() {
    if (!isVisible())
        return;
    hide();
    emit closed();
}

void TopicsPanel::choose(const QModelIndex& index) {
    if (!index.isValid() || !index.flags().testFlag(Qt::ItemIsEnabled) ||
        !index.data(PageRole).isValid())
        return;
    emit chosen(index.data(PageRole).toInt());
}

bool TopicsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            choose(list->currentIndex());
            return true;
        }
        if (k->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

TopicChip::TopicChip(QWidget* parent) : QPushButton(parent) {
    setObjectName(QStringLiteral("topicChip"));
    setFocusPolicy(Qt::NoFocus); // the reading keeps the focus; Ctrl+T reaches the panel
    setCursor(Qt::PointingHandCursor);
    setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    setStyleSheet(QStringLiteral(
        "QPushButton { background:#f3e7c0; color:#5a4300; border:1px solid #b59a4a;"
        " border-radius:9px; padding:2px 10px; }"
        "QPushButton:hover { background:#f8eed0; }"));
    hide();
}

void TopicChip::setCount(long count) {
    setText(topicCountText(count));
    setAccessibleName(QStringLiteral("หน้านี้มีหัวข้อธรรม ") + topicCountText(count) +
                      QStringLiteral(" คลิกเพื่อดูรายการ"));
    adjustSize();
}

void TopicChip::place(const QRect& textArea) {
    adjustSize();
    move(textArea.right() - width() - 8, textArea.bottom() - height() - 8);
}

} // namespace reader
