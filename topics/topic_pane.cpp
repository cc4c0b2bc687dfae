#include "topics/topic_pane.h"

#include "pagefile/canon_layout.h"
#include "thai/measure.h"
#include "toolkit/fonts.h"
#include "toolkit/twips.h"
#include "topics/topic_row.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QStyle>
#include <algorithm>
#include <array>
#include <utility>
#include <cmath>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace topics {

namespace {
} // namespace

TopicPane::TopicPane(tk::Platform& platform, tk::DBFunction& db, tk::WindowState& state,
                     TopicControls controls)
    : platform_(platform), db_(db), state_(state), c_(controls) {
    c_.listView2->setModel(&model_);
    c_.text1->installEventFilter(this);
    // Enter that no control of the window took reaches the window itself.
    c_.text1->window()->installEventFilter(this);
    connect(c_.command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    // The list's own handling of the mouse and keys stays as it is: the menu comes by the
    // window system's request (right button, menu key).
    c_.listView2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(c_.listView2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { topicMenu(at); });
}

void TopicPane::topicMenu(const QPoint& at) {
    const QModelIndex row = c_.listView2->indexAt(at);
    if (!row.isValid())
        return;
    const QString title = model_.toolTip(row.row());
    // The volume as the reader reads it from the row; any other value searches them all.
    bool isNumber = false;
    const int volume = model_.subItem(row.row(), 4).trimmed().toInt(&isNumber);
    const int searched = isNumber && volume >= 1 && volume <= pagefile::CanonLayout::kVolumes ? volume : 0;
    auto* menu = new QMenu(c_.listView2);
    menu->setObjectName(QStringLiteral("topicMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11)); // as the windows it leads to
    QAction* search = menu->addAction(kSearchTitleInCanon);
    search->setEnabled(!title.trimmed().isEmpty());
    connect(search, &QAction::triggered, this, [this, title, searched] {
        // After the menu has closed and returned: the search window is modal.
        QMetaObject::invokeMethod(
            this, [this, title, searched] { emit canonSearchOfTopicRequested(title, searched); },
            Qt::QueuedConnection);
    });
    menu->popup(c_.listView2->viewport()->mapToGlobal(at));
}

void TopicPane::ListVolumeTopics(const int16_t& volume) {
    fill(volumeTopicsSql(volume), {}, Kind::Fill, {});
}

void TopicPane::ListGroupTopics(const QString& code) {
    fill(groupTopicsSql(code), {}, Kind::Fill, {});
}

void TopicPane::SearchTopics(const QString& word) {
    // The word is bound, never pasted into the SQL: an apostrophe is searched for like
    // any other character, and "%" and "_" keep their wildcard meaning.
    fill(searchSql(), {searchPattern(word)}, Kind::Search, word);
}

void TopicPane::setLabel1(const QString& caption) {
    c_.label1->setText(caption);
    // The caption is longer than the label's design width; show it whole. The control's
    // twips follow, so the layout keeps the width instead of restoring the design's.
    const int want = c_.label1->sizeHint().width();
    if (want > c_.label1->width())
        c_.Label1->setWidth(std::ceil(want * tk::twipsPerPixel()));
}

void TopicPane::fill(const QString& sql, const std::vector<QVariant>& params, Kind kind,
                     const QString& word) {
    // Empty the list; place the open button's left edge.
    model_.clear();
    searchWord_ = kind == Kind::Search ? word : QString();
    if (auto left = tk::toInt16(double(c_.ListView2->Width()) - 3700))
        state_.RowButtonLeft = *left;
    // Open the database, build the text in the shared buffer, run it.
    db_.OpenDatabase();
    db_.SqlText = sql;
    std::shared_ptr<const corpus::TopicList> list = db_.OpenTopicQuery(db_.SqlText, params);
    if (!list && kind == Kind::Search)
        return; // already reported; no second message
    // Nothing found.
    const long count = list ? long(list->size()) : 0;
    if (count == 0) {
        if (kind == Kind::Search) {
            // A pasted page of text would make the box taller than the screen.
            platform_.MsgBox(QStringLiteral("ค้นหาคำว่า :  ") +
                                 thai::elideMiddle(c_.text1->text(), kWordShownInNotices) +
                                 QStringLiteral(" : ไม่ตรงกับรายการที่มีอยู่ในฐานข้อมูล"),
                             tk::OkOnly | tk::IconInformation, kNotice);
            setLabel1(QString());
            return;
        }
        c_.Frame4->setVisible(true);
        return;
    }
    const std::vector<corpus::Topic>& topics = list->topics;
    // The widest title sets the first column's width.
    long widest = 0;
    size_t widestRecord = 0;
    std::vector<std::pair<long, size_t>> cellsOf; // cells, record
    cellsOf.reserve(size_t(count));
    // The shown columns after the first, by their cells too: blue, file, red.
    std::array<std::vector<std::pair<long, size_t>>, 3> shownCells;
    std::array<long, 3> longest{};
    constexpr long kNearLongest = 6; // two Thai letters
    for (size_t record = 0; record < topics.size(); ++record) {
        const corpus::Topic& tp = topics[record];
        const long cells = measureCellsUtf8(tp.title().view());
        if (cells > widest) {
            widest = cells;
            widestRecord = record;
        }
        cellsOf.emplace_back(cells, record);
        // These short columns go by their length in bytes: close enough to choose the few
        // texts that are shaped, and no scan. Only texts near the longest so far can be
        // among the longest: the rest are left out before they are sorted.
        auto keep = [&](size_t i, const corpus::TopicText& text) {
            const long bytes = long(text.len);
            if (bytes + kNearLongest >= longest[i]) {
                longest[i] = std::max(longest[i], bytes);
                shownCells[i].emplace_back(bytes, record);
            }
        };
        keep(0, tp.blue());
        if (tp.ownPage)
            keep(1, tp.no()); // "HTML" + number only for a topic with a page of its own
        keep(2, tp.red());
    }
    // The widest title counted the module's way leaves its count where the module keeps it.
    module.MeasureThaiText(topics[widestRecord].title().qstring());
    const int16_t width0 =
        fittedTitleColumnWidth(widest, widestDrawnRow(*list, std::move(cellsOf)),
                               tk::twipsPerPixel());
    // The caption.
    setLabel1(kind == Kind::Search ? searchCaption(word, count) : countCaption(count));
    // The seven columns, headed by the first record's group.
    const QStringList headers = {QStringLiteral("เล่มสีน้ำเงิน"), QStringLiteral("ไฟล์"),
                                 QStringLiteral("เล่มสีแดง")};
    QStringList columns = {firstColumnHeader(QString::fromStdString(list->firstGroup)),
                           headers[0], headers[1], headers[2], QStringLiteral("เล่ม"),
                           QStringLiteral("หน้า"), QStringLiteral("บรรทัด")};
    // The design's widths of the next three columns were made for a narrower Thai font
    // than ours: each is widened to its widest cell or header as drawn.
    const std::array<int, 3> designed = {1200, 1000, 1200};
    std::array<int, 3> shownWidth{};
    for (size_t i = 0; i < 3; ++i) {
        QStringList texts;
        if (i == 1)
            texts << fileMarker(QString(), QString()); // "HTML", of every other topic
        // Short texts of a few shapes ("เล่มที่ 2 หน้า 45"): fewer candidates do.
        for (size_t record : widestByCells(std::move(shownCells[i]), 32)) {
            const corpus::Topic& tp = topics[record];
            texts << (i == 0   ? tp.blue().qstring()
                      : i == 2 ? tp.red().qstring()
                               : fileMarker(tp.no().qstring(), QStringLiteral("1")));
        }
        shownWidth[i] = fittedColumnWidth(designed[i], drawnWidth(headers[int(i)], texts),
                                          tk::twipsPerPixel());
    }
    // The columns and one topic row per record, in the order delivered, in one change.
    model_.setContent(std::move(columns), std::move(list));
    c_.listView2->setColumnWidthsTwips(
        {width0, shownWidth[0], shownWidth[1], shownWidth[2], 0, 0, 0});
    c_.listView2->selectRow0IfNone();
    c_.Frame4->setVisible(true);
}

int widestAdvance(const QFontMetrics& fm, const QStringList& texts) {
    // Shaping is what costs. A text is never drawn wider than the sum of its characters'
    // own advances (a mark's, drawn alone, is at least what it takes in a cluster), give
    // or take kerning: texts are shaped widest bound first, until no bound left can beat
    // the widest drawn.
    QHash<QChar, qreal> advance;
    auto bound = [&](const QString& text) {
        qreal sum = 0;
        for (QChar c : text) {
            auto it = advance.find(c);
            if (it == advance.end())
                it = advance.insert(c, fm.horizontalAdvance(c));
            sum += *it;
        }
        return sum;
    };
    QStringList distinct = texts;
    distinct.removeDuplicates();
    std::vector<std::pair<qreal, const QString*>> order;
    order.reserve(size_t(distinct.size()));
    for (const QString& text : distinct)
        order.emplace_back(bound(text), &text);
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    int widest = 0;
    for (const auto& [most, text] : order) {
        if (most * 1.05 + 4 < widest)
            break;
        widest = std::max(widest, fm.horizontalAdvance(*text));
    }
    return widest;
}

std::vector<size_t> TopicPane::widestByCells(std::vector<std::pair<long, size_t>> cellsOf,
                                             size_t candidates) {
    // Only the cells widest by count can be widest drawn, give or take the glyphs'
    // differences, so only those are shaped.
    if (cellsOf.size() > candidates) {
        std::nth_element(cellsOf.begin(), cellsOf.begin() + ptrdiff_t(candidates), cellsOf.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        cellsOf.resize(candidates);
    }
    std::vector<size_t> records;
    records.reserve(cellsOf.size());
    for (const auto& c : cellsOf)
        records.push_back(c.second);
    return records;
}

int TopicPane::drawnWidth(const QString& header, const QStringList& cells) const {
    const QFontMetrics fm(c_.listView2->font());
    int widest = widestAdvance(fm, cells);
    // The margins the view keeps on either side of a cell's text.
    const QStyle* style = c_.listView2->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, c_.listView2) + 1;
    widest += 2 * margin + 2;
    if (header.isEmpty())
        return widest;
    const QHeaderView* h = c_.listView2->horizontalHeader();
    const int headerMargin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
    return std::max(widest, QFontMetrics(h->font()).horizontalAdvance(header) + 2 * headerMargin + 2);
}

int TopicPane::widestDrawnRow(const corpus::TopicList& list,
                              std::vector<std::pair<long, size_t>> cellsOf) const {
    // The cells rule was made for a narrower font than ours and leaves out the number in
    // front: measure the rows as drawn.
    QStringList rows;
    for (size_t record : widestByCells(std::move(cellsOf), 128)) {
        const corpus::Topic& tp = list.topics[record];
        rows << rowText(tp.no().qstring(), tp.title().qstring());
    }
    return drawnWidth(QString(), rows);
}

void TopicPane::Text1_GotFocus() {
    c_.text1->setText(QString());
}

void TopicPane::Text1_LostFocus() {
    if (c_.text1->text().isEmpty()) {
        c_.text1->setText(kPrompt);
        c_.text1->setCursorPosition(0); // show the prompt from its start
    }
}

void TopicPane::Text1_KeyPress() {
    command5Default_ = true;
    c_.command5->setDefault(true);
}

void TopicPane::Command5_Click() {
    const QString text = c_.text1->text();
    // The prompt is not a word anybody means to search for.
    if (text.isEmpty() || text == kPrompt) {
        platform_.MsgBox(QStringLiteral("กรุณาป้อนคำที่ต้องการค้นหาก่อน"),
                         tk::OkOnly | tk::IconInformation, kNotice);
        return;
    }
    SearchTopics(text);
}

bool TopicPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == c_.text1) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            // Only a move between this window's controls counts: the focus coming back to
            // the box when the window is active again (after a message box, another
            // program, a menu) keeps the typed word.
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            const bool away =
                reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
            if (event->type() == QEvent::FocusOut) {
                focusAway_ = away;
                if (!away)
                    Text1_LostFocus();
            } else if (!std::exchange(focusAway_, false)) {
                Text1_GotFocus();
            }
            break;
        }
        case QEvent::KeyPress: {
            const auto* k = static_cast<QKeyEvent*>(event);
            const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
            if (enter && (k->modifiers() & Qt::ShiftModifier)) {
                emit canonSearchRequested();
                return true;
            }
            if (enter && command5Default_) {
                Command5_Click(); // Enter presses the default button
                return true;
            }
            if (!k->text().isEmpty() || enter)
                Text1_KeyPress();
            break;
        }
        default:
            break;
        }
    }
    if (watched == c_.text1->window() && event->type() == QEvent::KeyPress && command5Default_) {
        // The default button: Enter anywhere in the window presses it, except on another
        // button, which Enter does not press.
        const auto* k = static_cast<QKeyEvent*>(event);
        const QWidget* focus = QApplication::focusWidget();
        const bool onOtherButton =
            qobject_cast<const QAbstractButton*>(focus) && focus != c_.command5;
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && !onOtherButton) {
            Command5_Click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace topics
