#include "toolkit/dbfunction.h"
#include "shell/form1.h"
#include "toolkit/platform.h"
#include "toolkit/program_icon.h"
#include "toolkit/translations.h"

#include <QApplication>

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    // The installed desktop entry's name: window systems match the windows to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELKARO_APP_ID));
    tk::installThaiTranslations();
    tk::QtPlatform platform;
    corpus::CorpusStore store;
    tk::DBFunction db(platform, store);
    // On the screen at once, loaded, and painted whole when the event loop starts.
    shell::Form1 form(platform, db, shell::Form1::Start::MappedFirst);
    QApplication::setWindowIcon(form.windowIcon()); // the same pictures, not read again
    return app.exec();
}
