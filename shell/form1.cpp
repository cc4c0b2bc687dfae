#include "shell/form1.h"

#include "canon/search_window.h"
#include "toolkit/dbfunction.h"
#include "reader/content_opener.h"
#include "reader/frm_browser.h"
#include "shell/dialog.h"
#include "shell/main_layout.h"
#include "shell/shelf.h"
#include "toolkit/fonts.h"
#include "toolkit/program_icon.h"
#include "toolkit/twips.h"
#include "topics/topic_pane.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QStyle>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace shell {

Form1::Form1(tk::Platform& platform, tk::DBFunction& db, QWidget* parent)
    : Form1(platform, db, Start::Built, parent) {}

Form1::Form1(tk::Platform& platform, tk::DBFunction& db, Start start, QWidget* parent)
    : QWidget(parent), Timer1(100, this), Timer2(2000, this), Timer3(3000, this),
      platform_(platform), db_(db) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kForm1Caption);
    tk::WindowGeometry(this).setClientSize(15240, 11025);
    // Mapped by its title and size alone, the window is framed and placed by the window
    // system while the fonts are found and the controls built; the first paint waits for
    // the event loop, so it draws the whole window as the other start does.
    if (start == Start::MappedFirst)
        show();
    // The program icon's and the shelf's pictures are decoded beside the building of the
    // window, which needs the icon at its end and the shelf's only at its first layout;
    // started after the mapping, which they would slow by taking the processors from it.
    tk::decodeProgramIconAhead();
    pictures_.prefetch(platform_.AppPath(), Shelf::firstPagePictures(platform_.AppPath()));
    buildControls();
    topicPane = std::make_unique<topics::TopicPane>(
        platform_, db_, state,
        topics::TopicControls{listView2, &ListView2, label1, &Label1, &Frame4, text1, command5});
    topics::TopicModel& model = topicPane->model();
    opener = std::make_unique<reader::ContentOpener>(
        platform_, state,
        reader::TopicListAccess{[this] { return listView2->rowCount(); },
                                [this] { return listView2->selectedRow(); },
                                [&model](int row, int sub) { return model.subItem(row, sub); }},
        [this](int16_t volume) { topicPane->ListVolumeTopics(volume); },
        [this] { reader::showReader(platform_, state.handOff, opener->session, this); });
    opener->searchWord = [this] { return topicPane->searchWord(); };
    opener->session.topicTable = [this] { return db_.loadedTable(); };
    connect(listView2, &tk::ListView::listDblClick, this, [this] { opener->ListView2_DblClick(); });
    wireBook(0);
    browser = std::make_unique<catalogue::CategoryBrowser>(
        platform_, db_, pictures_,
        catalogue::BrowserControls{{&Command1, &Command2, &Command3, &Command4},
                                   {&Picture1, &Picture2, &Picture3, &Picture4},
                                   {picture1, picture2, picture3, picture4},
                                   &ListView1,
                                   listView1,
                                   &Command6,
                                   &Timer2,
                                   &Frame4,
                                   label1},
        state, [this](const QString& code) { topicPane->ListGroupTopics(code); },
        [this] { opener->ListView2_DblClick(); });
    const std::array<QPushButton*, 4> collections{command1, command2, command3, command4};
    for (int k = 1; k <= 4; ++k)
        connect(collections[size_t(k - 1)], &QPushButton::clicked, this,
                [this, k] { browser->CommandN_Click(k); });
    connect(command6, &QPushButton::clicked, this, [this] { browser->Command6_Click(); });
    connect(command7, &QPushButton::clicked, this, [this] { browser->Command7_Click(); });
    connect(command8, &QPushButton::clicked, this, [this] { browser->Command8_Click(); });
    connect(command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    shelf = std::make_unique<Shelf>(
        platform_, pictures_,
        ShelfControls{&Frame3, &ImageBox, imageBox, combo1, &cmdBook, &cmdBookButtons},
        [this](int index) { createBook(index); });
    layout = std::make_unique<MainLayout>(*this, *shelf);
    picker = std::make_unique<catalogue::VolumePicker>(
        catalogue::PickerControls{combo1, &Frame4, label1, listView2, &Command8, &Timer3},
        [this](int first, int last) { shelf->ShowShelfPage(first, last); },
        state);
    // The canon's own text: Shift+Enter in the search box, or the button at its end.
    connect(topicPane.get(), &topics::TopicPane::canonSearchRequested, this,
            [this] { openCanonSearch(); });
    // A topic's title, from the topic list's menu: in its own volume, or in all when it has
    // none the canon has.
    connect(topicPane.get(), &topics::TopicPane::canonSearchOfTopicRequested, this,
            [this](const QString& title, int volume) {
                canon::showSearchWindow(platform_, opener->session, title, this,
                                        volume > 0 ? volume : 1,
                                        volume > 0 ? volume : pagefile::CanonLayout::kVolumes);
            });
    // Its picture is drawn after the first paint, or when it first shows, whichever comes
    // first: the box starts with the prompt, which hides the button.
    QAction* canonSearch = text1->addAction(QIcon(), QLineEdit::TrailingPosition);
    canonSearch_ = canonSearch;
    canonSearch->setObjectName(QStringLiteral("canonSearchAction"));
    canonSearch->setToolTip(canon::kWindowTitle);
    connect(canonSearch, &QAction::triggered, this, [this] { openCanonSearch(); });
    // The button takes room from the box's text: it shows once the prompt has gone, so the
    // prompt keeps the whole box its design gives it.
    auto showCanonButton = [this, canonSearch](const QString& text) {
        if (text != topics::kPrompt)
            drawCanonSearchButton();
        canonSearch->setVisible(text != topics::kPrompt);
    };
    connect(text1, &QLineEdit::textChanged, canonSearch, showCanonButton);
    showCanonButton(text1->text());
    // A list is filled when its model is reset; the note waits until the handler that
    // filled it has finished.
    unreadNote = new QLabel(this);
    unreadNote->setObjectName(QStringLiteral("unreadNote"));
    unreadNote->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    unreadNote->setStyleSheet(
        QStringLiteral("background:#fff8d0; color:#000; border:1px solid #b0a060; padding:4px 10px;"));
    unreadNote->hide();
    unreadNoteTimer_ = new QTimer(this);
    unreadNoteTimer_->setSingleShot(true);
    unreadNoteTimer_->setInterval(8000);
    connect(unreadNoteTimer_, &QTimer::timeout, unreadNote, &QLabel::hide);
    connect(&topicPane->model(), &QAbstractItemModel::modelReset, this, [this] { noticeUnreadRows(); });
    connect(&browser->model(), &QAbstractItemModel::modelReset, this, [this] { noticeUnreadRows(); });
    Timer2.onTimer = [this] { Timer2_Timer(); };
    Timer3.onTimer = [this] { Timer3_Timer(); };
    if (start == Start::MappedFirst) {
        Form_Load();
        showBuiltControls();
    }
}

void Form1::showBuiltControls() {
    // Controls made inside a shown window stay hidden until shown; a shown one shows its
    // own in turn. Those hidden on purpose stay hidden.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isWindow() && !w->testAttribute(Qt::WA_WState_ExplicitShowHide))
            w->show();
    Form_Resize(); // the layout the first resize found no controls for
}

Form1::~Form1() = default;

QString Form1::unreadNoteText(long rows) {
    return QStringLiteral("อ่านข้อมูลไม่ได้ ") + QString::number(rows) + QStringLiteral(" รายการ");
}

void Form1::noticeUnreadRows() {
    if (unreadNoticed_)
        return;
    const long rows = db_.unreadRows();
    if (rows <= 0)
        return;
    unreadNoticed_ = true;
    QTimer::singleShot(0, this, [this, rows] {
        unreadNote->setText(unreadNoteText(rows));
        unreadNote->adjustSize();
        // Below the count line, clear of its caption.
        const QRect line = label1->geometry();
        unreadNote->move(line.left(), line.bottom() + 4);
        unreadNote->show();
        unreadNote->raise();
        unreadNoteTimer_->start();
    });
}

void Form1::wireBook(int index) {
    connect(cmdBookButtons[size_t(index)], &QPushButton::clicked, this,
            [this, index] { opener->cmdBook_Click(index); });
}

void Form1::createBook(int index) {
    // A copy of button 0: same size and style, hidden.
    auto* b = new QPushButton(frame3);
    b->setObjectName(QStringLiteral("cmdBook%1").arg(index));
    b->setFlat(true);
    b->setAutoDefault(true); // Enter on a focused cover clicks it
    b->hide();
    cmdBookButtons.push_back(b);
    const tk::Control& first = cmdBook[0];
    cmdBook.emplace_back(b, first.Left(), first.Top(), first.Width(), first.Height());
    cmdBook.back().setVisible(false);
    b->setAccessibleName(QStringLiteral("พระไตรปิฎกเล่มที่ %1").arg(index + 1));
    setTabOrder(cmdBookButtons[size_t(index - 1)], b); // the covers in volume order
    wireBook(index);
}

void Form1::Form_Resize() {
    if (!layout)
        return;
    tk::WindowGeometry g(this);
    laidOutFor_ = frameGeometry().size();
    layout->Form_Resize(isMinimized(), g.Width(), g.Height());
}

bool Form1::event(QEvent* e) {
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        // Once the frame is on the screen: what the first paint did not need.
        QTimer::singleShot(0, this, [this] { afterFirstPaint(); });
    }
    return handled;
}

void Form1::afterFirstPaint() {
    // The table is read while the user looks at the window; nothing about it shows before
    // the first list is asked for, which then waits only for what is left of the reading.
    db_.Preload();
    drawCanonSearchButton();
}

void Form1::drawCanonSearchButton() {
    if (canonSearch_ && canonSearch_->icon().isNull())
        canonSearch_->setIcon(tk::canonSearchIcon());
}

void Form1::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Form_Resize();
}

void Form1::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    // The window system adds its frame after the first layout; the layout works on the
    // outer size, so it runs again once the frame is known.
    if (isVisible() && frameGeometry().size() != laidOutFor_)
        Form_Resize();
}

void Form1::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && !isMinimized())
        Form_Resize();
}

void Form1::Form_Load() {
    state.LeftPanelStartWidth = tk::toInt16(Frame1.Width()).value_or(0);
    state.CollectionOpened = false;
    Command6.setVisible(false);
    Command8.setVisible(false);
    frame1->setBackColor(QColor(85, 85, 85));
    Frame4.setVisible(false);
    frame2->setBackColor(QColor(85, 85, 85));
    label1->setText(QString());
}

void Form1::openCanonSearch() {
    canon::showSearchWindow(platform_, opener->session, text1->text(), this);
}

void Form1::Timer2_Timer() {
    Command6.setVisible(false);
    Timer2.setEnabled(false);
}

void Form1::Timer3_Timer() {
    Command8.setVisible(false);
    Timer3.setEnabled(false);
}

void Form1::Command9_Click() {
    if (platform_.MsgBox(QStringLiteral("คุณต้องการปิดโปรแกรมใช่หรือไม่"),
                         tk::YesNo | tk::IconInformation,
                         QStringLiteral("คำยืนยัน")) == tk::AnswerYes)
        platform_.End(tk::kEndNormally);
}

void Form1::Command10_Click() {
    Dialog dialog(platform_, this);
    dialog.Form_Load();
    platform_.ShowModal(dialog);
}

void Form1::closeEvent(QCloseEvent* e) {
    // The close box ends the program without a question.
    e->accept();
}

} // namespace shell
