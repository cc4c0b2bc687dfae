#include "shell/dialog.h"

#include "shell/resources.h"
#include "toolkit/fonts.h"
#include "toolkit/twips.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace shell {

std::optional<Placement> dialogPlacement(double screenW, double screenH, double w, double h) {
    const auto left = tk::intDiv(screenW - w, 2);
    const auto top = tk::intDiv(screenH - h, 3);
    if (!left || !top)
        return std::nullopt;
    return Placement{*left, *top};
}

namespace {
QLabel* label(QWidget* parent, const QString& text, double left, double top, double points) {
    auto* l = new QLabel(text, parent);
    l->setFont(tk::thaiFont(QStringLiteral("Tahoma"), points));
    l->move(tk::twipsToPixels(left), tk::twipsToPixels(top));
    l->adjustSize();
    return l;
}
} // namespace

Dialog::Dialog(tk::Platform& platform, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform) {
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("เกี่ยวกับโปรแกรม"));
    setFixedSize(tk::twipsToPixels(7305), tk::twipsToPixels(4350));

    auto* frame = new QGroupBox(this);
    frame->setGeometry(tk::twipsToPixels(120), 0, tk::twipsToPixels(7095), tk::twipsToPixels(3375));
    auto* image = new QLabel(frame);
    image->setPixmap(aboutPicture());
    image->setScaledContents(true);
    image->setGeometry(tk::twipsToPixels(120), tk::twipsToPixels(480), tk::twipsToPixels(2250),
                       tk::twipsToPixels(2250));
    Label1 = label(frame, QStringLiteral("โปรแกรมหัวข้อธรรม จากพระไตรปิฎก"), 2625, 240, 12);
    label(frame, QStringLiteral("และอรรถกถาแปล ชุด 91 เล่ม"), 3000, 600, 12);
    label(frame, QStringLiteral("โปรแกรมอ่านดัชนีหัวข้อธรรม"), 3360, 960, 12);
    auto* line = new QFrame(frame);
    line->setFrameShape(QFrame::HLine);
    line->setGeometry(tk::twipsToPixels(2640), tk::twipsToPixels(1440), tk::twipsToPixels(4080), 2);
    label(frame, QStringLiteral("รวบรวมหัวข้อธรรม โดยคณะวัดฟลอมาร์"), 2640, 1560, 11.25);
    label(frame, QStringLiteral("อ่านหัวข้อจากไฟล์ velkaro.mdb และหน้าพระไตรปิฎก"), 2640, 1920, 11.25);
    label(frame, QStringLiteral("ในโฟลเดอร์ 91book ที่อยู่ข้างโปรแกรม"), 2640, 2280, 11.25);
    label(frame, QStringLiteral("โปรแกรมอ่านอย่างเดียว ไม่เขียนไฟล์ใดๆ"), 2640, 2640, 11.25);
    label(frame, QStringLiteral("ซอร์สโค้ด: ที่เก็บโค้ดของโครงการ velkaro-reader"), 2640, 3000, 11.25);
    label(this, QStringLiteral("รายละเอียดการติดตั้งและใช้งาน ดูได้ในไฟล์ README ของโครงการ"), 120, 3480,
          9.75);
    label(this, QStringLiteral("แจ้งปัญหาการใช้งานผ่านระบบติดตามปัญหาของโครงการ"), 120, 3840, 9.75);
    OKButton = new QPushButton(QStringLiteral("ตกลง"), this);
    OKButton->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 12));
    OKButton->setGeometry(tk::twipsToPixels(5760), tk::twipsToPixels(3480), tk::twipsToPixels(1455),
                          tk::twipsToPixels(735));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &Dialog::OKButton_Click);
}

void Dialog::Form_Load() {
    tk::WindowGeometry g(this);
    placedFor_ = QSize(tk::twipsToPixels(g.Width()), tk::twipsToPixels(g.Height()));
    if (auto p = dialogPlacement(platform_.ScreenWidth(), platform_.ScreenHeight(), g.Width(),
                                 g.Height()))
        g.Move(double(p->left), double(p->top));
}

void Dialog::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    // A dialog's frame may differ from the one foreseen before it was shown: once the
    // window system has drawn it, the placement is made again by the real outer size.
    if (isVisible() && frameGeometry().size() != size() && frameGeometry().size() != placedFor_)
        Form_Load();
}

void Dialog::OKButton_Click() {
    close();
}

} // namespace shell
