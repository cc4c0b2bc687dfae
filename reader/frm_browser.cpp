#include "reader/frm_browser.h"

#include "reader/find_bar.h"
#include "reader/navigator.h"
#include "reader/printing.h"
#include "reader/topics_panel.h"
#include "toolkit/control.h"
#include "toolkit/fonts.h"
#include "toolkit/twips.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextDocumentFragment>
#include <QTimer>
#include <functional>

namespace reader {

QString readerTitle(const HandOff& h) {
    if (!CanonLayout::hasTopics(numeric(h.ReaderVolume).value_or(0)))
        return kTitleHead + text(h.ReaderVolume);
    return kTitleHead + text(h.ReaderVolume) + QStringLiteral(" หน้า ") + text(h.ReaderPage) +
           QStringLiteral(" บรรทัด ") + QString::number(h.ReaderLine);
}

std::optional<long long> readerLeft(double screenWidth, double windowWidth) {
    return tk::intDiv(screenWidth - windowWidth, 3);
}

QString movedTitle(int volume, const QString& page) {
    if (!CanonLayout::hasTopics(volume) || page.isEmpty())
        return kTitleHead + QString::number(volume);
    return kTitleHead + QString::number(volume) + QStringLiteral(" หน้า ") + page;
}

frmBrowser::frmBrowser(tk::Platform& platform, const HandOff& handOff, ReaderSession& session,
                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinMaxButtonsHint),
      platform_(platform), handOff_(handOff), session_(session),
      place_(this, [this] { placeByFrame(); }) {
    setObjectName(QStringLiteral("frmBrowser"));
    tk::WindowGeometry(this).setClientSize(6540, 5130);
    brwWebBrowser = new PageView(platform.AppPath(), this);
    brwWebBrowser->setAccessibleName(QStringLiteral("หน้าพระไตรปิฎก"));
    brwWebBrowser->setAccessibleDescription(
        QStringLiteral("Ctrl+F ค้นหาในหน้า, Ctrl+PgDown และ Ctrl+PgUp หน้าถัดไปและหน้าก่อน, "
                       "Ctrl+G ไปที่เล่มและหน้า, คลิกขวาดูคำสั่งทั้งหมด"));
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    brwWebBrowser->setZoomPercent(session_.zoomPercent);
    brwWebBrowser->setContextMenuPolicy(Qt::CustomContextMenu);
    brwWebBrowser->viewport()->installEventFilter(this);
    findBar = new FindBar(brwWebBrowser, this);
    noteLabel = new QLabel(this);
    noteLabel->setObjectName(QStringLiteral("note"));
    noteLabel->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    noteLabel->setStyleSheet(QStringLiteral(
        "background:#fff8d0; border:1px solid #b0a060; padding:4px 10px;"));
    noteLabel->hide();
    noteTimer_ = new QTimer(this);
    noteTimer_->setSingleShot(true);
    noteTimer_->setInterval(3000);
    connect(noteTimer_, &QTimer::timeout, noteLabel, &QLabel::hide);
    navigator = new Navigator(brwWebBrowser, platform.AppPath(),
                              [this](const QString& text) { note(text); });
    topicsPanel = new TopicsPanel(this);
    topicChip = new TopicChip(this);
    resultIndicator = new ResultIndicator(this);
    connect(topicChip, &QPushButton::clicked, this, &frmBrowser::openTopics);
    connect(topicsPanel, &TopicsPanel::chosen, this, [this](int page) {
        for (const PageParts::Anchor& a : brwWebBrowser->pageAnchors())
            if (pageNumber(a.name) == page) {
                navigator->open(brwWebBrowser->shownFile() + QLatin1Char('#') + a.name);
                return;
            }
    });
    connect(topicsPanel, &TopicsPanel::closed, this, [this] {
        brwWebBrowser->setFocus();
        follow();
    });
    connect(resultIndicator, &ResultIndicator::step, this, &frmBrowser::stepResult);
    // Scrolling moves the page at the top a pixel at a time: followed once the moves of an
    // event have all been made.
    follow_ = new QTimer(this);
    follow_->setSingleShot(true);
    follow_->setInterval(0);
    connect(follow_, &QTimer::timeout, this, &frmBrowser::follow);
    connect(brwWebBrowser->verticalScrollBar(), &QScrollBar::valueChanged, follow_,
            qOverload<>(&QTimer::start));
    // A search still running adds results while the reader is open.
    resultCount_ = new QTimer(this);
    resultCount_->setInterval(700);
    connect(resultCount_, &QTimer::timeout, this, &frmBrowser::showResultPosition);
    connect(navigator, &Navigator::placeChanged, this, &frmBrowser::placeChanged);
    connect(brwWebBrowser, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { contextMenu()->popup(brwWebBrowser->mapToGlobal(at)); });
    buildActions();
}

frmBrowser::~frmBrowser() = default;

void frmBrowser::buildActions() {
    struct Entry {
        QString text;
        QList<QKeySequence> keys;
        std::function<void()> run;
    };
    const std::vector<Entry> entries = {
        {QStringLiteral("ค้นหาในหน้านี้"), {QKeySequence(Qt::CTRL | Qt::Key_F)},
         [this] { findBar->open(); }},
        {QStringLiteral("ตำแหน่งถัดไป"), {QKeySequence(Qt::Key_F3)}, [this] { findBar->step(false); }},
        {QStringLiteral("ตำแหน่งก่อน"), {QKeySequence(Qt::SHIFT | Qt::Key_F3)},
         [this] { findBar->step(true); }},
        {QStringLiteral("หน้าถัดไป"), {QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
         [this] { navigator->nextPage(); }},
        {QStringLiteral("หน้าก่อน"), {QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
         [this] { navigator->previousPage(); }},
        {QStringLiteral("ไปที่เล่มและหน้า…"), {QKeySequence(Qt::CTRL | Qt::Key_G)},
         [this] { goToPage(); }},
        {QStringLiteral("ย้อนกลับ"),
         {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Backspace)},
         [this] { navigator->back(); }},
        {QStringLiteral("ไปข้างหน้า"), {QKeySequence(Qt::ALT | Qt::Key_Right)},
         [this] { navigator->forward(); }},
        {QStringLiteral("ขยายตัวอักษร"),
         {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)},
         [this] { zoomBy(1); }},
        {QStringLiteral("ย่อตัวอักษร"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
         [this] { zoomBy(-1); }},
        {QStringLiteral("ขนาดตัวอักษรปกติ"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
         [this] { zoomBy(0); }},
        {QStringLiteral("คัดลอก"), {QKeySequence(Qt::CTRL | Qt::Key_C)},
         [this] { brwWebBrowser->copy(); }},
        {QStringLiteral("คัดลอกพร้อมที่มา"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
         [this] { copyWithReference(); }},
        {QStringLiteral("เลือกทั้งหมด"), {QKeySequence(Qt::CTRL | Qt::Key_A)},
         [this] { brwWebBrowser->selectAll(); }},
        {QStringLiteral("พิมพ์…"), {QKeySequence(Qt::CTRL | Qt::Key_P)}, [this] { print(); }},
        {kTopicsPanelTitle, {QKeySequence(Qt::CTRL | Qt::Key_T)}, [this] { openTopics(); }},
        {QStringLiteral("ผลลัพธ์ถัดไป"), {QKeySequence(Qt::ALT | Qt::Key_PageDown)},
         [this] { stepResult(1); }},
        {QStringLiteral("ผลลัพธ์ก่อน"), {QKeySequence(Qt::ALT | Qt::Key_PageUp)},
         [this] { stepResult(-1); }},
    };
    for (const Entry& e : entries) {
        auto* a = new QAction(e.text, this);
        a->setShortcuts(e.keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setShortcutVisibleInContextMenu(true);
        connect(a, &QAction::triggered, this, e.run);
        addAction(a);
        actions_.push_back(a);
    }
}

QMenu* frmBrowser::contextMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    for (size_t i = 0; i < actions_.size(); ++i) {
        // Groups: finding, moving, size, copying, printing, the index, the search's results.
        if (i == 3 || i == 8 || i == 11 || i == 14 || i == 15 || i == 16)
            menu->addSeparator();
        if (i == 1 || i == 2)
            continue; // the find box's own keys
        if (i >= 16 && !session_.results)
            break; // not opened from a search
        menu->addAction(actions_[i]);
    }
    // Stand-alone pages have no page of the canon to list topics for.
    actions_[15]->setEnabled(navigator->volume() > 0 && session_.topicTable);
    return menu;
}

void frmBrowser::zoomBy(int steps) {
    const int z = steps == 0 ? 100 : zoomStep(brwWebBrowser->zoomPercent(), steps);
    brwWebBrowser->setZoomPercent(z);
    session_.zoomPercent = brwWebBrowser->zoomPercent();
}

void frmBrowser::note(const QString& text) {
    noteLabel->setText(text);
    noteLabel->adjustSize();
    const QRect v = brwWebBrowser->geometry();
    noteLabel->move(v.center().x() - noteLabel->width() / 2, v.bottom() - noteLabel->height() - 30);
    noteLabel->show();
    noteLabel->raise();
    noteTimer_->start();
}

QRect frmBrowser::textArea() const {
    const QWidget* v = brwWebBrowser->viewport();
    return QRect(v->mapTo(this, QPoint(0, 0)), v->size());
}

void frmBrowser::placeFloating() {
    const QRect area = textArea();
    topicsPanel->place(area);
    topicChip->place(area);
    resultIndicator->place(area);
}

void frmBrowser::placeChanged() {
    const int volume = navigator->volume();
    if (brwWebBrowser->shownFile() != topicsFile_) {
        topicsFile_ = brwWebBrowser->shownFile();
        pageTopics_.read(volume > 0 && session_.topicTable ? session_.topicTable() : nullptr,
                         volume, brwWebBrowser->pageAnchors());
    }
    if (navigator->moved() && volume > 0) {
        titledPage_ = brwWebBrowser->currentPage();
        setWindowTitle(movedTitle(volume, titledPage_));
    }
    followedPage_.reset(); // whatever the top shows now is news
    follow();
}

void frmBrowser::follow() {
    follow_->stop();
    const int volume = navigator->volume();
    const QString page = volume > 0 ? brwWebBrowser->currentPage() : QString();
    if (page != followedPage_) {
        followedPage_ = page;
        // The title names the page being read once the reading has left the one it opened at.
        if (volume > 0 && !page.isEmpty() && page != titledPage_ && isVisible()) {
            titledPage_ = page;
            setWindowTitle(movedTitle(volume, page));
        }
        if (topicsPanel->isVisible())
            topicsPanel->setTopics(pageTopics_, page);
    }
    const size_t count = pageTopics_.at(page).size();
    if (count > 0 && !topicsPanel->isVisible()) {
        topicChip->setCount(long(count));
        topicChip->place(textArea());
        topicChip->show();
        topicChip->raise();
    } else {
        topicChip->hide();
    }
}

void frmBrowser::openTopics() {
    if (navigator->volume() <= 0 || !session_.topicTable) {
        note(QStringLiteral("หน้านี้ไม่ใช่หน้าพระไตรปิฎก จึงไม่มีหัวข้อธรรมของหน้า"));
        return;
    }
    topicsPanel->setTopics(pageTopics_, brwWebBrowser->currentPage());
    topicsPanel->place(textArea());
    topicChip->hide();
    topicsPanel->open();
}

void frmBrowser::showResultPosition() {
    const auto& r = session_.results;
    if (!r || !r->count) {
        resultIndicator->hide();
        resultCount_->stop();
        return;
    }
    resultIndicator->setPosition(r->current, r->count());
    resultIndicator->place(textArea());
    resultIndicator->show();
    resultIndicator->raise();
    if (!resultCount_->isActive())
        resultCount_->start();
}

void frmBrowser::stepResult(int by) {
    const auto& r = session_.results;
    if (!r || !r->count || !r->at)
        return;
    const long k = r->current + by;
    if (k < 0 || k >= r->count()) {
        note(by < 0 ? QStringLiteral("นี่คือผลลัพธ์แรกของการค้นหา")
                    : QStringLiteral("นี่คือผลลัพธ์สุดท้ายของการค้นหา"));
        return;
    }
    const std::optional<ResultPlace> place = r->at(k);
    if (!place)
        return;
    r->current = k;
    navigator->open(place->page.isEmpty() ? place->file : place->file + QLatin1Char('#') + place->page);
    showResultPosition();
}

void frmBrowser::goToPage() {
    GoToDialog dialog(platform_, platform_.AppPath(), this);
    if (navigator->volume() > 0) {
        dialog.volume->setText(QString::number(navigator->volume()));
        dialog.page->setText(brwWebBrowser->currentPage());
    }
    platform_.ShowModal(dialog);
    // The box checked the place against the files; what it refused it kept open.
    if (dialog.result() == QDialog::Accepted)
        navigator->goTo(dialog.chosenVolume(), dialog.chosenPage());
}

void frmBrowser::copyWithReference() {
    const QTextCursor c = brwWebBrowser->textCursor();
    if (!c.hasSelection()) {
        note(QStringLiteral("ยังไม่ได้เลือกข้อความ — ลากเมาส์เลือกข้อความก่อน แล้วกด Ctrl+Shift+C"));
        return;
    }
    QString text = c.selection().toPlainText();
    const int volume = navigator->volume();
    const QString first = brwWebBrowser->pageAt(c.selectionStart());
    // The page of the last character selected: a selection that ends where a page begins
    // takes nothing of that page.
    const QString last = brwWebBrowser->pageAt(qMax(c.selectionStart(), c.selectionEnd() - 1));
    if (volume > 0 && !first.isEmpty())
        text += QLatin1Char('\n') + pageReference(volume, first, last);
    QGuiApplication::clipboard()->setText(text);
}

void frmBrowser::print() {
    const QString page = brwWebBrowser->currentPage();
    PrintChoice choice(brwWebBrowser->textCursor().hasSelection(), this);
    platform_.ShowModal(choice);
    if (choice.result() != QDialog::Accepted)
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("พิมพ์หน้าพระไตรปิฎก"));
    platform_.ShowModal(dialog);
    if (dialog.result() != QDialog::Accepted)
        return;
    const PrintJob job = printJob(*brwWebBrowser, navigator->volume(), choice.chosen(), page);
    printer.setDocName(job.title);
    job.document->print(&printer);
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        mendThaiTextLayer(printer.outputFileName());
}

bool frmBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == brwWebBrowser->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() == Qt::BackButton) {
            navigator->back();
            return true;
        }
        if (m->button() == Qt::ForwardButton) {
            navigator->forward();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmBrowser::reject() {
    // Esc closes the find box first, then the topics panel, then the window.
    if (findBar->isVisible()) {
        findBar->close();
        return;
    }
    if (topicsPanel->isVisible()) {
        topicsPanel->close();
        return;
    }
    QDialog::reject();
}

void frmBrowser::placeLeft(double outerWidth) {
    if (auto left = readerLeft(platform_.ScreenWidth(), outerWidth))
        place_.place(double(*left), 0.0);
}

void frmBrowser::Form_Load() {
    // Each step on its own: a refused one is skipped.
    placeLeft(tk::WindowGeometry(this).Width());
    setWindowTitle(readerTitle(handOff_));
    if (!handOff_.ReaderTarget.isEmpty())
        brwWebBrowser->navigate(handOff_.ReaderTarget);
    if (session_.pageTitle && navigator->volume() > 0)
        setWindowTitle(movedTitle(navigator->volume(), brwWebBrowser->shownPage()));
    // The title names the page asked for until the reading leaves it.
    titledPage_ = brwWebBrowser->shownPage();
    showResultPosition();
    if (!session_.markWords.isEmpty()) {
        // Every word of the search, marked on the page; F3 steps through all their places.
        findBar->setWords(session_.markWords);
    } else if (!session_.markWord.isEmpty()) {
        // The word the topic was found by, marked on its page; F3 steps through it.
        brwWebBrowser->setMarkedWord(session_.markWord);
        findBar->edit()->setText(session_.markWord);
    }
}

void frmBrowser::Form_Resize() {
    if (isMinimized())
        return;
    tk::WindowGeometry g(this);
    resizing_ = true;
    // Sized where the window was put, not where the window system says it is while framing.
    g.Move(place_.Left(), place_.Top(), 10000);
    g.Move(place_.Left(), place_.Top(), {}, platform_.ScreenHeight() - 500);
    resizing_ = false;
    sizedFor_ = tk::frameRect(this).size();
    const double w = g.Width() - 200, h = g.Height() - 500;
    if (w >= 0 && h >= 0 && tk::placeable(w) && tk::placeable(h))
        brwWebBrowser->setGeometry(0, 0, tk::twipsToPixels(w), tk::twipsToPixels(h));
    if (findBar && findBar->isVisible())
        findBar->place();
    if (topicsPanel)
        placeFloating();
}

void frmBrowser::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (!resizing_)
        Form_Resize();
}

void frmBrowser::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    // The window system may later draw another frame: snap to it once.
    if (place_.settled() && isVisible() && tk::frameRect(this).size() != sizedFor_)
        Form_Resize();
}

void frmBrowser::placeByFrame() {
    // Placed again by the designed width with the frame it really has, and snapped to it.
    const int frameWidth = tk::frameRect(this).width() - width();
    if (frameWidth >= 0 && frameWidth < 100)
        placeLeft(6540 + tk::pixelsToTwips(frameWidth));
    Form_Resize();
}

void frmBrowser::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Form_Resize();
}

void showReader(tk::Platform& platform, const HandOff& handOff, ReaderSession& session,
                QWidget* parent) {
    frmBrowser browser(platform, handOff, session, parent); // loaded afresh on every opening
    browser.Form_Load();
    platform.ShowModal(browser);
}

} // namespace reader
