// The main window's controls with their design values: kinds, containers, captions,
// fonts and places in twips.
#include "shell/form1.h"
#include "shell/resources.h"
#include "toolkit/accessible.h"
#include "toolkit/program_icon.h"
#include "toolkit/fonts.h"
#include "toolkit/graphic_button.h"
#include "toolkit/twips.h"
#include "topics/topic_pane.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace shell {

namespace {

tk::Frame* frame(QWidget* parent, const char* name, const QString& caption) {
    auto* f = new tk::Frame(caption, parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 9));
    return f;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                    const char* font = nullptr, double points = 0) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    if (font)
        b->setFont(tk::thaiFont(QString::fromLatin1(font), points));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

// A button with a picture above its caption; the icon takes what the caption leaves.
QPushButton* graphicButton(QWidget* parent, const char* name, const QString& caption,
                           const QFont& font, const QIcon& icon) {
    auto* b = new tk::GraphicButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setIcon(icon);
    b->setIconSize(QSize(24, 24));
    b->setDesignFont(font);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, const char* font = nullptr,
              double points = 0) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (font)
        l->setFont(tk::thaiFont(QString::fromLatin1(font), points));
    return l;
}

QLabel* picture(QWidget* parent, const char* name, const QPixmap& pm) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setPixmap(pm);
    l->setScaledContents(true);
    return l;
}

QPushButton* pictureButton(QWidget* parent, const char* name, const QPixmap& face) {
    auto* b = button(parent, name, QString());
    b->setIcon(QIcon(face));
    b->setIconSize(face.deviceIndependentSize().toSize());
    b->setFlat(true);
    return b;
}

} // namespace

void Form1::buildControls() {
    const QColor white(255, 255, 255);

    // Window-level controls, back to front.
    image1 = picture(this, "Image1", bannerPicture());
    Image1 = tk::Control(image1, 0, 0, 4500, 630);

    frame1 = frame(this, "Frame1", QString());
    Frame1 = tk::Control(frame1, 0, 600, 4335, 7695);
    frame2 = frame(this, "Frame2", QString());
    Frame2 = tk::Control(frame2, 5160, 240, 9855, 1455);
    frame3 = frame(this, "Frame3", QStringLiteral(":: พระไตรปิฎก ::"));
    Frame3 = tk::Control(frame3, 4800, 2160, 6735, 5055);
    frame4 = frame(this, "Frame4", QStringLiteral(":: รายละเอียด ::"));
    Frame4 = tk::Control(frame4, 4800, 6240, 4335, 4335);
    frame4->setAutoFillBackground(true);

    label1 = label(this, "Label1", QStringLiteral("Label1"), "Angsana New", 15.75);
    Label1 = tk::Control(label1, 5160, 1680, 795, 435);
    label1->setWordWrap(false);

    combo1 = new tk::ComboBox(this);
    combo1->setObjectName(QStringLiteral("Combo1"));
    combo1->setEditable(true);
    combo1->setInsertPolicy(QComboBox::NoInsert);
    combo1->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 12));
    combo1->setEditText(QStringLiteral("เลือกพระไตรปิฎก"));
    // Its height is what the box needs for its font.
    Combo1 = tk::Control(combo1, 9360, 1680, 4095,
                         float(tk::pixelsToTwips(combo1->sizeHint().height())));

    // Frame1: the collections.
    command1 = button(frame1, "Command1", QStringLiteral("พระวินัยปิฎก"), "Browallia New", 18);
    Command1 = tk::Control(command1, 120, 240, 3855, 855);
    command2 = button(frame1, "Command2", QStringLiteral("พระสุตตันตปิฎก"), "Browallia New", 15.75);
    Command2 = tk::Control(command2, 240, 1200, 2895, 855);
    command3 = button(frame1, "Command3", QStringLiteral("พระอภิธรรมปิฎก"), "Browallia New", 15.75);
    Command3 = tk::Control(command3, 360, 1920, 2895, 855);
    command4 = button(frame1, "Command4", QStringLiteral("รวมหัวข้อธรรมสำคัญ 91 เล่ม"), "Browallia New",
                      15.75);
    Command4 = tk::Control(command4, 360, 2760, 2895, 855);
    picture1 = picture(frame1, "Picture1", closedArrowPicture());
    Picture1 = tk::Control(picture1, 360, 240, 660, 645);
    picture2 = picture(frame1, "Picture2", closedArrowPicture());
    Picture2 = tk::Control(picture2, 3360, 1560, 660, 645);
    picture3 = picture(frame1, "Picture3", closedArrowPicture());
    Picture3 = tk::Control(picture3, 3480, 2520, 660, 645);
    picture4 = picture(frame1, "Picture4", closedArrowPicture());
    Picture4 = tk::Control(picture4, 3480, 3480, 660, 645);
    listView1 = new tk::ListView(frame1);
    listView1->setObjectName(QStringLiteral("ListView1"));
    listView1->setFont(tk::thaiFont(QStringLiteral("AngsanaUPC"), 15.75));
    ListView1 = tk::Control(listView1, 120, 3240, 2775, 1455);

    // Frame2: search, about, close.
    label2 = label(frame2, "Label2", QStringLiteral("กรุณาป้อนคำที่ต้องการค้นหา:"), "Angsana New", 15.75);
    Label2 = tk::Control(label2, 120, 360, 2460, 435);
    label3 = label(
        frame2, "Label3",
        QStringLiteral("เช่น บุญ, บาป, ศีล, อุทิศบุญ, เงิน, กรรมฐาน, รัตนตรัย, อสงไขย, จักรวาล, ความรัก ฯลฯ"),
        "Angsana New", 12);
    Label3 = tk::Control(label3, 120, 960, 5550, 330);
    // The stand-in fonts run wider than the design's: labels that never move keep their box.
    tk::fitToBox(label2);
    tk::fitToBox(label3);
    for (QLabel* l : {label2, label3}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, white);
        l->setPalette(p);
    }
    text1 = new QLineEdit(topics::kPrompt, frame2);
    text1->setObjectName(QStringLiteral("Text1"));
    text1->setFont(tk::thaiFont(QStringLiteral("Angsana New"), 18));
    text1->setCursorPosition(0);
    Text1 = tk::Control(text1, 2640, 240, 3375, 615);
    const QFont buttons = tk::thaiFont(QStringLiteral("AngsanaUPC"), 14.25);
    command5 = graphicButton(frame2, "Command5", QStringLiteral("ค้นหา"), buttons,
                             style()->standardIcon(QStyle::SP_FileDialogContentsView));
    Command5 = tk::Control(command5, 6120, 240, 1215, 975);
    // Its picture is the program's icon, set below once decoded.
    command10 = graphicButton(frame2, "Command10", QStringLiteral("เกี่ยวกับโปรแกรม"), buttons,
                              QIcon());
    Command10 = tk::Control(command10, 7560, 240, 1575, 975);
    command9 = graphicButton(frame2, "Command9", QStringLiteral("ปิดโปรแกรม"), buttons,
                             style()->standardIcon(QStyle::SP_DialogCloseButton));
    Command9 = tk::Control(command9, 8520, 240, 1215, 975);

    // Frame3: the shelf; the background lies beneath the covers.
    imageBox = new QLabel(frame3);
    imageBox->setObjectName(QStringLiteral("ImageBox"));
    imageBox->setScaledContents(true);
    ImageBox = tk::Control(imageBox, 120, 120, 735, 855);
    auto* book0 = button(frame3, "cmdBook0", QString());
    book0->setFlat(true);
    book0->setAutoDefault(true); // Enter on a focused cover clicks it
    book0->setAccessibleName(QStringLiteral("พระไตรปิฎกเล่มที่ 1"));
    cmdBookButtons.push_back(book0);
    cmdBook.emplace_back(book0, 120, 480, 2450, 3200);

    // Frame4: the topic list.
    listView2 = new tk::ListView(frame4);
    listView2->setObjectName(QStringLiteral("ListView2"));
    listView2->setFont(tk::thaiFont(QStringLiteral("AngsanaUPC"), 15.75));
    ListView2 = tk::Control(listView2, 120, 600, 2775, 1455);
    command7 = graphicButton(frame4, "Command7", QStringLiteral("กลับ"),
                             tk::thaiFont(QStringLiteral("Tahoma"), 9),
                             style()->standardIcon(QStyle::SP_ArrowBack));
    Command7 = tk::Control(command7, 240, 3480, 1215, 735);
    command8 = pictureButton(frame4, "Command8", openCanonPicture());
    Command8 = tk::Control(command8, 2280, 480, 2655, 495);

    // Floating above the left panel.
    command6 = pictureButton(this, "Command6", openGroupPicture());
    Command6 = tk::Control(command6, 3120, 1560, 2175, 495);
    command6->raise();

    // Last: its pictures are decoded beside the building of the rest.
    const QIcon icon = tk::programIcon(); // its pictures read once
    setWindowIcon(icon); // the windows opened over it take it too
    command10->setIcon(icon); // drawn up to 256 pixels: sharp at any density

    nameForScreenReaders();
}

void Form1::nameForScreenReaders() {
    // Thai names for what a screen reader announces; captions name their buttons already.
    const std::vector<std::pair<QWidget*, QString>> names = {
        {text1, QStringLiteral("ช่องป้อนคำค้นหาหัวข้อธรรม")},
        {command5, QStringLiteral("ค้นหา")},
        {command1, command1->text()},
        {command2, command2->text()},
        {command3, command3->text()},
        {command4, command4->text()},
        {listView1, QStringLiteral("รายการกลุ่มหัวข้อธรรม")},
        {command6, QStringLiteral("เปิดกลุ่มหัวข้อธรรมที่เลือก")},
        {listView2, QStringLiteral("รายการหัวข้อธรรม")},
        {command8, QStringLiteral("เปิดอ่านหัวข้อธรรมที่เลือก")},
        {command7, QStringLiteral("กลับไปที่ชั้นพระไตรปิฎก")},
        {command10, command10->text()},
        {command9, command9->text()},
    };
    for (const auto& [w, name] : names)
        w->setAccessibleName(name);
    combo1->setName(QStringLiteral("เลือกช่วงเล่มพระไตรปิฎก"));
    text1->setAccessibleDescription(
        QStringLiteral("Enter ค้นหาในชื่อหัวข้อ, Shift+Enter ค้นหาในเนื้อความพระไตรปิฎก"));
    listView2->setAccessibleDescription(QStringLiteral("ดับเบิลคลิกหัวข้อเพื่อเปิดอ่าน"));
    // The tab order follows the screen: search, collections, lists, shelf, about, close.
    QWidget* chain[] = {text1,     command5,  command1,  command2, command3, command4,
                        listView1, command6,  listView2, command8, command7, combo1,
                        cmdBookButtons[0],    command10, command9};
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

} // namespace shell
