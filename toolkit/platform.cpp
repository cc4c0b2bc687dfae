#include "toolkit/platform.h"

#include "toolkit/fonts.h"
#include "toolkit/twips.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

namespace tk {

QtPlatform::QtPlatform(QString appPath) : appPath_(std::move(appPath)) {}

int QtPlatform::MsgBox(const QString& text, int style, const QString& title) {
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    box.setFont(thaiFont("Tahoma", 10));
    const int icon = style & 0x70;
    box.setIcon(icon == IconStop          ? QMessageBox::Critical
                : icon == IconQuestion    ? QMessageBox::Question
                : icon == IconInformation ? QMessageBox::Information
                : icon == 48              ? QMessageBox::Warning
                                          : QMessageBox::NoIcon);
    if ((style & 0x0F) == YesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("ใช่"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("ไม่ใช่"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? AnswerYes : AnswerNo;
    }
    QPushButton* ok = box.addButton(QStringLiteral("ตกลง"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return AnswerOk;
}

void QtPlatform::ShowModal(QDialog& window) {
    window.exec();
}

void QtPlatform::End() {
    // Nothing is saved at exit, so ending at once loses nothing; skipping the teardown of
    // the window system's objects also means no clean-up can go wrong on the way out.
    std::fflush(nullptr);
    std::_Exit(0);
}

static QRect screenRect() {
    if (auto* s = QGuiApplication::primaryScreen())
        return s->geometry();
    return {0, 0, 1024, 768};
}

double QtPlatform::ScreenWidth() {
    return pixelsToTwips(screenRect().width());
}
double QtPlatform::ScreenHeight() {
    return pixelsToTwips(screenRect().height());
}

QString QtPlatform::AppPath() {
    if (!appPath_.isEmpty())
        return appPath_;
    return QCoreApplication::applicationDirPath();
}

} // namespace tk

#include <malloc.h>

namespace tk {
void tuneAllocator() {
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}
} // namespace tk
