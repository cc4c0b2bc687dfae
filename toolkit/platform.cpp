#include "toolkit/platform.h"

#include "toolkit/message_box.h"
#include "toolkit/twips.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

namespace tk {

QtPlatform::QtPlatform(QString appPath) : appPath_(std::move(appPath)) {}

int QtPlatform::MsgBox(const QString& text, int style, const QString& title) {
    MessageBox box(text, style, title);
    box.exec();
    return box.answer();
}

void QtPlatform::ShowModal(QDialog& window) {
    window.exec();
}

void QtPlatform::End(int status) {
    // Nothing is saved at exit, so ending at once loses nothing; skipping the teardown of
    // the window system's objects also means no clean-up can go wrong on the way out.
    std::fflush(nullptr);
    std::_Exit(status);
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
