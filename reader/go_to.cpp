#include "reader/go_to.h"

#include "reader/locations.h"
#include "toolkit/fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace reader {

GoToCheck checkGoTo(const QString& volumeTyped, const QString& pageTyped,
                    const QString& programFolder) {
    GoToCheck c;
    const auto volume = parseNumber(volumeTyped);
    const auto page = parseNumber(pageTyped);
    const QString notNumbers = QStringLiteral("กรุณาป้อนเลขเล่มและเลขหน้าเป็นตัวเลข");
    if (!volume)
        return {GoToCheck::Volume, notNumbers};
    if (!CanonLayout::isVolume(double(*volume)))
        return {GoToCheck::Volume,
                QStringLiteral("ไม่มีพระไตรปิฎกเล่มที่ %1 (มีเล่มที่ 1 ถึง %2)").arg(*volume).arg(CanonLayout::kVolumes)};
    const auto ranges = rangesOnDisk(programFolder, int(*volume));
    if (ranges.empty())
        return {GoToCheck::Volume,
                QStringLiteral("ไม่มีไฟล์หน้าของพระไตรปิฎกเล่มที่ %1 ในโฟลเดอร์ข้อมูล").arg(*volume)};
    if (!page)
        return {GoToCheck::Page, notNumbers};
    if (*page > CanonLayout::kLastPage || !holdsPage(ranges, int(*page)))
        return {GoToCheck::Page, QStringLiteral("หน้าที่ %1 ไม่อยู่ในช่วงหน้า %2 ของพระไตรปิฎกเล่ม %3")
                                     .arg(*page)
                                     .arg(describeRanges(ranges))
                                     .arg(*volume)};
    c.volume = int(*volume);
    c.page = int(*page);
    return c;
}

GoToDialog::GoToDialog(tk::Platform& platform, QString programFolder, QWidget* parent)
    : QDialog(parent), platform_(platform), folder_(std::move(programFolder)) {
    setObjectName(QStringLiteral("GoToDialog"));
    setWindowTitle(QStringLiteral("ไปที่เล่มและหน้า"));
    auto* row = new QHBoxLayout(this);
    volume = new QLineEdit(this);
    page = new QLineEdit(this);
    volume->setAccessibleName(QStringLiteral("เล่ม"));
    page->setAccessibleName(QStringLiteral("หน้า"));
    for (QLineEdit* e : {volume, page})
        e->setMaximumWidth(90);
    auto* ok = new QPushButton(QStringLiteral("ไป"), this);
    ok->setDefault(true);
    row->addWidget(new QLabel(QStringLiteral("ไปที่ เล่ม"), this));
    row->addWidget(volume);
    row->addWidget(new QLabel(QStringLiteral("หน้า"), this));
    row->addWidget(page);
    row->addWidget(ok);
    setFont(tk::thaiFont(QStringLiteral("Tahoma"), 11));
    connect(ok, &QPushButton::clicked, this, &GoToDialog::accept);
}

void GoToDialog::accept() {
    const GoToCheck c = checkGoTo(volume->text(), page->text(), folder_);
    if (c.field != GoToCheck::None) {
        platform_.MsgBox(QStringLiteral("ไม่สามารถเปิดหน้านี้ได้\r\n") + c.why,
                         tk::OkOnly | tk::IconInformation, tk::kNoticeTitle);
        QLineEdit* at = c.field == GoToCheck::Volume ? volume : page;
        activateWindow(); // back from the notice
        at->setFocus();
        at->selectAll();
        return;
    }
    chosen_ = c;
    QDialog::accept();
}

} // namespace reader
