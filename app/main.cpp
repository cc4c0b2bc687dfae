#include "corpus/dbfunction.h"
#include "shell/form1.h"
#include "toolkit/platform.h"

#include <QApplication>

int main(int argc, char** argv) {
    tk::tuneAllocator();
    QApplication app(argc, argv);
    tk::QtPlatform platform;
    corpus::CorpusStore store;
    corpus::DBFunction db(platform, store);
    shell::Form1 form(platform, db);
    form.Form_Load();
    form.show();
    return app.exec();
}
