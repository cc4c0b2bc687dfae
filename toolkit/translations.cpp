#include "toolkit/translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace tk {

bool installThaiTranslations() {
    static QTranslator* installed = nullptr;
    if (installed)
        return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QStringLiteral(":/i18n/velkaro_th.qm")) || !QCoreApplication::installTranslator(t)) {
        delete t;
        return false;
    }
    installed = t;
    return true;
}

} // namespace tk
