#include "toolkit/fonts.h"

#include <QStringList>

namespace tk {

QString thaiFamily(const QString& designName) {
    const QString n = designName.toLower();
    if (n.startsWith(QLatin1String("angsana"))) return QStringLiteral("Kinnari");
    if (n.startsWith(QLatin1String("browallia"))) return QStringLiteral("Garuda");
    if (n.startsWith(QLatin1String("cordia"))) return QStringLiteral("Loma");
    if (n == QLatin1String("tahoma") || n.startsWith(QLatin1String("ms sans")))
        return QStringLiteral("Loma");
    return QStringLiteral("Loma");
}

QFont thaiFont(const QString& designName, double points) {
    QFont f;
    f.setFamilies({thaiFamily(designName), designName, QStringLiteral("Garuda")});
    f.setPointSizeF(points);
    return f;
}

} // namespace tk
