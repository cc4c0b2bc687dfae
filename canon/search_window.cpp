#include "canon/search_window.h"

#include "canon/log.h"
#include "pagefile/canon_layout.h"

#include "topics/topic_pane.h"

#include "toolkit/fonts.h"
#include "toolkit/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTreeView>
#include <QVBoxLayout>

namespace canon {

namespace {

// A snippet with the places of the words drawn in bold on a light mark.
class SnippetDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QVariantList marks = index.data(SearchWindow::MarksRole).toList();
        if (marks.isEmpty()) {
            QStyledItemDelegate::paint(p, option, index);
            return;
        }
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* w = opt.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);
        QTextLayout layout(text, opt.font);
        QTextCharFormat mark;
        mark.setFontWeight(QFont::Bold);
        mark.setBackground(QColor(255, 236, 100));
        mark.setForeground(QColor(0, 0, 0));
        QList<QTextLayout::FormatRange> ranges;
        for (const QVariant& m : marks)
            ranges.append({m.toPoint().x(), m.toPoint().y(), mark});
        layout.setFormats(ranges);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e6);
        layout.endLayout();
        p->save();
        p->setClipRect(opt.rect);
        p->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                        : QPalette::Text));
        const QRect r = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, w);
        layout.draw(p, QPointF(r.left() + 2, r.top() + (r.height() - line.height()) / 2));
        p->restore();
    }
};

// The results' list, which can be told to lay its rows out on its next turn.
class ResultsView : public QTreeView {
  public:
    using QTreeView::QTreeView;
    void layOutLater() { scheduleDelayedItemsLayout(); }
};

} // namespace

SearchWindow::SearchWindow(tk::Platform& platform, reader::ReaderSession& session,
                           const QString& word, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint),
      platform_(platform), session_(session) {
    setObjectName(QStringLiteral("CanonSearch"));
    setWindowTitle(kWindowTitle);
    setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    resize(820, 600);

    wordEdit = new QLineEdit(word == topics::kPrompt ? QString() : word, this);
    wordEdit->setPlaceholderText(QStringLiteral("คำหรือวลีที่ต้องการค้นหาในเนื้อความ"));
    wordEdit->setAccessibleName(QStringLiteral("คำที่ค้นหาในเนื้อความ"));
    phrase = new QRadioButton(QStringLiteral("ทั้งวลี"), this);
    allWords = new QRadioButton(QStringLiteral("ทุกคำในหน้าเดียวกัน"), this);
    phrase->setChecked(true);
    fromVolume = new QSpinBox(this);
    toVolume = new QSpinBox(this);
    for (QSpinBox* s : {fromVolume, toVolume})
        s->setRange(1, pagefile::CanonLayout::kVolumes);
    fromVolume->setValue(1);
    toVolume->setValue(pagefile::CanonLayout::kVolumes);
    fromVolume->setAccessibleName(QStringLiteral("ค้นหาจากเล่ม"));
    toVolume->setAccessibleName(QStringLiteral("ค้นหาถึงเล่ม"));
    searchButton = new QPushButton(QStringLiteral("ค้นหา"), this);
    cancelButton = new QPushButton(QStringLiteral("หยุด"), this);
    cancelButton->setEnabled(false);
    progress = new QProgressBar(this);
    progress->setRange(0, 1000);
    progress->setValue(0);
    progress->setFormat(QStringLiteral("%p%"));
    results = new ResultsView(this);
    results->setModel(&model_);
    results->setItemDelegateForColumn(1, new SnippetDelegate(results));
    results->setUniformRowHeights(true);
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results->setAccessibleName(QStringLiteral("ผลการค้นหาในเนื้อความ"));
    results->installEventFilter(this);
    summary = new QLabel(this);
    onlyWithTopics = new QCheckBox(QStringLiteral("เฉพาะหน้าที่มีหัวข้อธรรม"), this);
    onlyWithTopics->setVisible(session_.topicTable && session_.topicTable());

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("ค้นหา:"), this));
    top->addWidget(wordEdit, 1);
    top->addWidget(searchButton);
    top->addWidget(cancelButton);
    auto* options = new QHBoxLayout;
    options->addWidget(phrase);
    options->addWidget(allWords);
    options->addSpacing(20);
    options->addWidget(new QLabel(QStringLiteral("จากเล่ม"), this));
    options->addWidget(fromVolume);
    options->addWidget(new QLabel(QStringLiteral("ถึงเล่ม"), this));
    options->addWidget(toVolume);
    options->addSpacing(20);
    options->addWidget(onlyWithTopics);
    options->addStretch(1);
    auto* box = new QVBoxLayout(this);
    box->addLayout(top);
    box->addLayout(options);
    box->addWidget(progress);
    box->addWidget(results, 1);
    box->addWidget(summary);

    addTimer_ = new QTimer(this);
    addTimer_->setSingleShot(true);
    addTimer_->setInterval(200);
    connect(addTimer_, &QTimer::timeout, this, &SearchWindow::addPending);
    connect(searchButton, &QPushButton::clicked, this, &SearchWindow::start);
    connect(cancelButton, &QPushButton::clicked, this, &SearchWindow::cancel);
    connect(results, &QTreeView::activated, this, &SearchWindow::openResult);
    connect(onlyWithTopics, &QCheckBox::toggled, this, &SearchWindow::showOnlyWithTopics);
    // Enter in any field searches with what the fields hold; on the focused stop button it
    // stops, and on a result it opens the result (the list keeps Enter for itself).
    searchButton->setDefault(true);
    cancelButton->setAutoDefault(true);
}

SearchWindow::~SearchWindow() {
    search_.reset(); // stopped and joined before the window goes
    if (placesReader_.joinable())
        placesReader_.join();
}

void SearchWindow::start() {
    cancel();
    const QString word = wordEdit->text();
    Query q;
    q.word = word;
    q.allWords = allWords->isChecked();
    q.firstVolume = std::min(fromVolume->value(), toVolume->value());
    q.lastVolume = std::max(fromVolume->value(), toVolume->value());
    q.linesLater = true; // the list makes a page's line when it shows it
    if (word.trimmed().isEmpty() || word == topics::kPrompt || searchWords(q).isEmpty()) {
        platform_.MsgBox(QStringLiteral("กรุณาป้อนคำที่ต้องการค้นหาก่อน"),
                         tk::OkOnly | tk::IconInformation, tk::kNoticeTitle);
        return;
    }
    if (!hasCanon(platform_.AppPath())) {
        platform_.MsgBox(QStringLiteral("ไม่พบโฟลเดอร์ %1 ของพระไตรปิฎกในโฟลเดอร์ของโปรแกรม").arg(pagefile::CanonLayout::root()),
                         tk::OkOnly | tk::IconInformation, tk::kNoticeTitle);
        return;
    }
    // Where the topics of the volumes searched are is read once, on a thread of its own
    // while the scan goes on; the results wait for it to be put in the list. A reading
    // still going for a search before is let finish first: the table is not read by two
    // threads at once.
    if (placesReader_.joinable())
        placesReader_.join();
    const std::shared_ptr<corpus::LoadedCorpus> table = session_.topicTable ? session_.topicTable() : nullptr;
    offerTopicFilter(bool(table));
    model_.clear();
    model_.setQuery(q);
    model_.setTopics(nullptr);
    topicsReady_ = !table;
    finishedEarly_.reset();
    openedTopicPages_ = 0;
    pending_.clear();
    addTimer_->stop();
    showSummary(QStringLiteral("กำลังค้นหา…"));
    progress->setValue(0);
    searchedWord_ = word;
    searchedWords_ = q.allWords ? word.split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList();
    running_ = true;
    searchButton->setEnabled(true);
    cancelButton->setEnabled(true);
    const int gen = ++generation_;
    if (table) {
        const int placesFor = ++placesGeneration_;
        placesReader_ = std::thread([this, table, placesFor, first = q.firstVolume, last = q.lastVolume] {
            PlacesRead r{placesFor, nullptr, {}};
            r.topics = std::make_shared<const PageTopics>(PageTopics::read(table, first, last, &r.why));
            {
                std::lock_guard<std::mutex> l(placesMutex_);
                placesDone_ = std::move(r);
            }
            QMetaObject::invokeMethod(this, [this] { takePlaces(); }, Qt::QueuedConnection);
        });
    }
    // The engine's threads hand their results to this window's thread.
    Search::Callbacks cb;
    cb.volume = [this, gen](VolumeHits v) {
        QMetaObject::invokeMethod(
            this, [this, gen, v = std::move(v)]() mutable {
                if (gen == generation_)
                    addVolume(std::move(v));
            },
            Qt::QueuedConnection);
    };
    auto shown = std::make_shared<std::atomic<int>>(-1);
    cb.progress = [this, gen, shown](qint64 done, qint64 total) {
        const int permille = total > 0 ? int(done * 1000 / total) : 1000;
        if (shown->exchange(permille) == permille)
            return; // no news: no event
        QMetaObject::invokeMethod(
            this, [this, gen, permille] {
                if (gen == generation_)
                    progress->setValue(std::max(progress->value(), permille));
            },
            Qt::QueuedConnection);
    };
    cb.finished = [this, gen](Summary s) {
        QMetaObject::invokeMethod(
            this, [this, gen, s] {
                if (gen == generation_)
                    finished(s);
            },
            Qt::QueuedConnection);
    };
    search_ = std::make_unique<Search>(platform_.AppPath(), q, std::move(cb));
}

void SearchWindow::cancel() {
    if (!topicsReady_ && placesReader_.joinable()) {
        // What was found so far goes in the list with its topics: their reading is short.
        placesReader_.join();
        takePlaces();
    }
    if (!search_)
        return;
    search_->cancel();
    search_.reset();
    addPending(); // what was found so far stays in the list
    ++generation_; // what is still on its way is dropped
    if (running_) {
        running_ = false;
        cancelButton->setEnabled(false);
        showSummary(summaryLine_ == QStringLiteral("กำลังค้นหา…")
                        ? QStringLiteral("หยุดค้นหาแล้ว")
                        : summaryLine_ + QStringLiteral(" (หยุดค้นหาแล้ว)"));
    }
}

void SearchWindow::addVolume(VolumeHits v) {
    if (v.pages.empty())
        return;
    pending_.push_back(std::move(v));
    // The first at once; the others a little later, together.
    if (model_.rowCount() == 0)
        addPending();
    else if (!addTimer_->isActive())
        addTimer_->start();
}

void SearchWindow::takePlaces() {
    std::optional<PlacesRead> r;
    {
        std::lock_guard<std::mutex> l(placesMutex_);
        r.swap(placesDone_);
    }
    if (!r || r->generation != placesGeneration_)
        return; // taken already, or a later search reads its own
    if (!r->why.empty())
        qCWarning(lcCanon, "the topics of the pages cannot be read: %s", r->why.c_str());
    const bool withTopics = r->topics->hasTable();
    offerTopicFilter(withTopics);
    model_.setTopics(withTopics ? std::move(r->topics) : nullptr);
    topicsReady_ = true;
    addPending(); // what came meanwhile, stopped or not
    showSummary(summaryLine_);
    if (finishedEarly_) {
        const Summary s = *finishedEarly_;
        finishedEarly_.reset();
        finished(s);
    }
}

void SearchWindow::offerTopicFilter(bool offered) {
    if (!offered && onlyWithTopics->isChecked())
        onlyWithTopics->setChecked(false); // no topics to keep pages by
    onlyWithTopics->setVisible(offered);
}

void SearchWindow::addPending() {
    addTimer_->stop();
    if (pending_.empty() || !topicsReady_)
        return;
    // The volumes that came together are put in first and opened after: the list then lays
    // its rows out once for them all, not once for each.
    const int first = model_.rowCount();
    for (VolumeHits& v : pending_)
        model_.addVolume(std::move(v));
    pending_.clear();
    openRows(first);
    if (first == 0 && model_.rowCount() > 0) {
        results->setColumnWidth(0, 260);
        results->setCurrentIndex(model_.index(0, 0, model_.index(0, 0)));
    }
    showSummary(summaryLine_);
}

void SearchWindow::openRows(int firstVolumeRow) {
    // Rows opened while the list is still to lay itself out are only noted, and laid out all
    // at once when the spans are set; opened after, each would be looked for and its rows put
    // in among all the others. The list keeps every opened row apart, at a cost that grows
    // faster than their number: past the first pages with topics, a page shows its count and
    // opens when asked.
    static_cast<ResultsView*>(results)->layOutLater();
    for (int row = firstVolumeRow; row < model_.rowCount(); ++row) {
        const QModelIndex volume = model_.index(row, 0);
        for (int page = 0, pages = model_.pagesWithTopics() > 0 ? model_.rowCount(volume) : 0;
             page < pages && openedTopicPages_ < kOpenedTopicPages; ++page) {
            const QModelIndex at = model_.index(page, 0, volume);
            if (model_.rowCount(at) > 0) {
                results->expand(at);
                ++openedTopicPages_;
            }
        }
        results->expand(volume);
    }
    for (int row = firstVolumeRow; row < model_.rowCount(); ++row)
        results->setFirstColumnSpanned(row, QModelIndex(), true);
}

void SearchWindow::showOnlyWithTopics(bool only) {
    // The row the user was on stays current where it is still shown (else its volume's).
    const ResultModel::Place at = model_.placeOf(results->currentIndex());
    const int width = results->columnWidth(0);
    model_.setOnlyWithTopics(only);
    openedTopicPages_ = 0;
    openRows(0);
    results->setColumnWidth(0, width);
    QModelIndex current = model_.indexOf(at);
    if (!current.isValid() && model_.rowCount() > 0)
        current = model_.index(0, 0, model_.index(0, 0));
    if (current.isValid()) {
        results->setCurrentIndex(current);
        results->scrollTo(current);
    }
    showSummary(summaryLine_);
}

void SearchWindow::showSummary(const QString& line) {
    summaryLine_ = line;
    QString shown = line;
    if (!onlyWithTopics->isHidden()) {
        const long with = model_.pagesWithTopics();
        shown += onlyWithTopics->isChecked()
                     ? QStringLiteral(" — แสดง %1 หน้าที่มีหัวข้อธรรม").arg(with)
                     : QStringLiteral(" — มีหัวข้อธรรม %1 หน้า").arg(with);
    }
    summary->setText(shown);
}

void SearchWindow::finished(const Summary& s) {
    if (!topicsReady_) {
        // Done once its results are in the list, with the topics beside them.
        finishedEarly_ = s;
        return;
    }
    addPending();
    running_ = false;
    cancelButton->setEnabled(false);
    progress->setValue(1000);
    showSummary(summaryLine(s));
    search_.reset();
    emit searchFinished();
}

void SearchWindow::openResult(const QModelIndex& index) {
    const QString file = index.data(FileRole).toString();
    if (file.isEmpty())
        return; // a volume's row
    reader::HandOff h;
    // A topic's row, beneath its page's, opens that page: the results are stepped through
    // from the page.
    QModelIndex pageRow = index.sibling(index.row(), 0);
    if (pageRow.parent().parent().isValid())
        pageRow = pageRow.parent();
    const QString page = index.data(PageRole).toString();
    h.ReaderTarget = page.isEmpty() ? file : file + QLatin1Char('#') + page;
    h.ReaderVolume = double(index.data(VolumeRole).toInt());
    h.ReaderPage = page;
    session_.markWord = searchedWord_;
    session_.markWords = searchedWords_; // all of them marked, as the search found them
    session_.pageTitle = true;
    // The reader steps through the results as the list shows them, from this one.
    auto steps = std::make_shared<reader::ResultSteps>();
    steps->count = [this] { return listedPages(); };
    steps->at = [this](long k) -> std::optional<reader::ResultPlace> {
        const QModelIndex i = listedPage(k);
        if (!i.isValid())
            return std::nullopt;
        return reader::ResultPlace{i.data(VolumeRole).toInt(), i.data(FileRole).toString(),
                                   i.data(PageRole).toString()};
    };
    steps->current = listedPosition(pageRow);
    session_.results = steps;
    reader::showReader(platform_, h, session_, this);
    session_.results.reset();
    session_.markWord.clear();
    session_.markWords.clear();
    session_.pageTitle = false;
    // Back at the result the reader was reading last.
    const QModelIndex last = listedPage(steps->current);
    if (last.isValid()) {
        results->setCurrentIndex(last);
        results->scrollTo(last);
    }
    results->setFocus();
}

void SearchWindow::walkListedPages(const std::function<bool(const QModelIndex&)>& visit) const {
    const QAbstractItemModel* m = results->model();
    for (int v = 0; v < m->rowCount(); ++v) {
        if (results->isRowHidden(v, QModelIndex()))
            continue;
        const QModelIndex volume = m->index(v, 0);
        for (int p = 0, pages = m->rowCount(volume); p < pages; ++p)
            if (!results->isRowHidden(p, volume) && !visit(m->index(p, 0, volume)))
                return;
    }
}

long SearchWindow::listedPages() const {
    long n = 0;
    walkListedPages([&](const QModelIndex&) { return ++n, true; });
    return n;
}

QModelIndex SearchWindow::listedPage(long k) const {
    QModelIndex found;
    if (k >= 0)
        walkListedPages([&](const QModelIndex& page) {
            if (k-- == 0)
                found = page;
            return !found.isValid();
        });
    return found;
}

long SearchWindow::listedPosition(const QModelIndex& page) const {
    long n = 0, at = -1;
    walkListedPages([&](const QModelIndex& p) {
        if (p == page)
            at = n;
        ++n;
        return at < 0;
    });
    return at;
}

void SearchWindow::reject() {
    // Esc stops a running search first; the window closes on the next.
    if (running_) {
        cancel();
        return;
    }
    QDialog::reject();
}

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == results && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            openResult(results->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SearchWindow::centre() {
    const QPoint at = tk::centredOver(this);
    place_.place(tk::pixelsToTwips(at.x()), tk::pixelsToTwips(at.y()));
}

void SearchWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    centre(); // by the frame foreseen; again once the window system has drawn it
}

void showSearchWindow(tk::Platform& platform, reader::ReaderSession& session,
                      const QString& word, QWidget* parent, int firstVolume, int lastVolume) {
    SearchWindow window(platform, session, word, parent);
    window.fromVolume->setValue(firstVolume);
    window.toVolume->setValue(lastVolume);
    if (!window.wordEdit->text().trimmed().isEmpty())
        window.start();
    platform.ShowModal(window);
}

} // namespace canon
