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
// A line of the dialog in its own box, from its design place to the right end of the room
// it has and down to the next line; the font is made just small enough to fit that box.
QLabel* label(QWidget* parent, const char* name, const QString& text, double left, double top,
              double right, double bottom, double points) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(tk::twipsToPixels(left), tk::twipsToPixels(top),
                   tk::twipsToPixels(right) - tk::twipsToPixels(left),
                   tk::twipsToPixels(bottom) - tk::twipsToPixels(top));
    l->setFont(tk::thaiFont(QStringLiteral("Tahoma"), points));
    tk::fitToBox(l);
    return l;
}
} // namespace

Dialog::Dialog(tk::Platform& platform, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform), place_(this, [this] { Form_Load(); }) {
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("เกี่ยวกับโปรแกรม"));
    setFixedSize(tk::twipsToPixels(7305), tk::twipsToPixels(4350));

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(tk::twipsToPixels(120), 0, tk::twipsToPixels(7095), tk::twipsToPixels(3375));
    auto* image = new QLabel(frame);
    image->setObjectName(QStringLiteral("Image1"));
    image->setAccessibleName(QStringLiteral("ตราโปรแกรม"));
    image->setPixmap(aboutPicture());
    image->setScaledContents(true);
    image->setGeometry(tk::twipsToPixels(120), tk::twipsToPixels(480), tk::twipsToPixels(2250),
                       tk::twipsToPixels(2250));
    // Lines inside the frame end short of its right border; each reaches down to the next.
    const double right = 7095 - 120, bottom = 3375 - 30;
    Label1 = label(frame, "Label1", QStringLiteral("โปรแกรมหัวข้อธรรม จากพระไตรปิฎก"), 2625, 240, right,
                   600, 12);
    label(frame, "Label2", QStringLiteral("และอรรถกถาแปล ชุด 91 เล่ม"), 3000, 600, right, 960, 12);
    label(frame, "Label4", QStringLiteral("โปรแกรมอ่านดัชนีหัวข้อธรรม"), 3360, 960, right, 1440, 12);
    auto* line = new QFrame(frame);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setGeometry(tk::twipsToPixels(2640), tk::twipsToPixels(1440), tk::twipsToPixels(4080), 2);
    label(frame, "Label3", QStringLiteral("รวบรวมหัวข้อธรรม โดยคณะวัดฟลอมาร์"), 2640, 1560, right, 1920,
          11.25);
    label(frame, "Label8", QStringLiteral("อ่านหัวข้อธรรมจากไฟล์ velkaro.mdb"), 2640, 1920,
          right, 2280, 11.25);
    label(frame, "Label9", QStringLiteral("และหน้าพระไตรปิฎกในโฟลเดอร์ 91book"), 2640, 2280, right, 2640,
          11.25);
    label(frame, "Label10", QStringLiteral("อ่านอย่างเดียว ไม่เขียนไฟล์ใดๆ"), 2640, 2640, right,
          3000, 11.25);
    label(frame, "Label5", QStringLiteral("ซอร์สโค้ด: โครงการ velkaro-reader"), 2640, 3000,
          right, bottom, 11.25);
    // The two lines below the frame end where the OK button begins.
    label(this, "Label6", QStringLiteral("วิธีติดตั้งและใช้งาน ดูในไฟล์ README ของโครงการ"), 120,
          3480, 5760 - 60, 3840, 9.75);
    label(this, "Label7", QStringLiteral("แจ้งปัญหาการใช้งานผ่านระบบติดตามปัญหาของโครงการ"), 120, 3840,
          5760 - 60, 4350 - 60, 9.75);
    OKButton = new QPushButton(QStringLiteral("ตกลง"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setFont(tk::thaiFont(QStringLiteral("Tahoma"), 12));
    OKButton->setGeometry(tk::twipsToPixels(5760), tk::twipsToPixels(3480), tk::twipsToPixels(1455),
                          tk::twipsToPixels(735));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &Dialog::OKButton_Click);
}

void Dialog::Form_Load() {
    tk::WindowGeometry g(this);
    if (auto p = dialogPlacement(platform_.ScreenWidth(), platform_.ScreenHeight(), g.Width(),
                                 g.Height()))
        place_.place(double(p->left), double(p->top));
}

void Dialog::OKButton_Click() {
    close();
}

} // namespace shell
