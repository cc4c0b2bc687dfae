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
    QString text = pageTopicText(t);
    if (!t.blue.isEmpty() || !t.red.isEmpty())
        text += QStringLiteral("\nเล่มสีน้ำเงิน ") + t.blue + QStringLiteral("   เล่มสีแดง ") + t.red;
    auto* item = new QStandardItem(text);
    item->setData(t.page, TopicsPanel::PageRole);
    item->setToolTip(text);
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
    list->setWordWrap(true);
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
    const QModelIndex was = list->currentIndex();
    const QString wasText = was.data().toString();
    const int wasPage = was.data(PageRole).toInt();
    model->clear();
    const int here = pageNumber(page);
    heading->setText(page.isEmpty() ? kTopicsPanelTitle
                                    : kTopicsPanelTitle + QStringLiteral(" (หน้า ") + page +
                                          QLatin1Char(')'));
    // The page at the top of the view first.
    auto* first = pageItem(page.isEmpty() ? QStringLiteral("หน้านี้") : QStringLiteral("หน้า ") + page, here);
    const std::vector<PageTopic>& own = topics.at(page);
    if (own.empty()) {
        auto* none = new QStandardItem(QStringLiteral("ไม่มีหัวข้อธรรมของหน้านี้ในดัชนี"));
        none->setEnabled(false);
        first->appendRow(none);
    }
    for (const PageTopic& t : own)
        first->appendRow(topicItem(t));
    model->appendRow(first);
    // Then the file's other pages that have topics, in page order.
    bool others = false;
    for (const auto& [n, list] : topics.pages()) {
        if (n == here)
            continue;
        if (!others) {
            auto* title = new QStandardItem(QStringLiteral("หัวข้อธรรมในหน้าอื่นของไฟล์นี้"));
            title->setEnabled(false);
            model->appendRow(title);
            others = true;
        }
        auto* p = pageItem(QStringLiteral("หน้า %1 — %2").arg(n).arg(topicCountText(long(list.size()))), n);
        for (const PageTopic& t : list)
            p->appendRow(topicItem(t));
        model->appendRow(p);
    }
    list->expandAll();
    // The row chosen before, when the list still has it; else the first topic of the page.
    QModelIndex keep;
    if (!wasText.isEmpty()) {
        const auto found = model->match(model->index(0, 0), Qt::DisplayRole, wasText, -1,
                                        Qt::MatchExactly | Qt::MatchRecursive);
        for (const QModelIndex& i : found)
            if (i.data(PageRole).toInt() == wasPage)
                keep = i;
    }
    if (!keep.isValid())
        keep = own.empty() ? model->index(0, 0) : model->index(0, 0, model->index(0, 0));
    list->setCurrentIndex(keep);
    listedPage_ = page;
}

void TopicsPanel::place(const QRect& textArea) {
    const int w = std::clamp(textArea.width() * 2 / 5, std::min(260, textArea.width()), 420);
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
    setFont(tk::thaiFont(QStringLiteral("Tahoma"), 10));
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
