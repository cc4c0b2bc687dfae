#include "toolkit/fonts.h"

#include <QStringList>

namespace tk {

QString thaiFamily(const QString& designName) {
    const QString n = designName.toLower();
    if (n.startsWith(QLatin1String("angsana")))
        return QStringLiteral("Kinnari");
    if (n.startsWith(QLatin1String("browallia")))
        return QStringLiteral("Garuda");
    if (n.startsWith(QLatin1String("cordia")))
        return QStringLiteral("Loma");
    if (n == QLatin1String("tahoma") || n.startsWith(QLatin1String("ms sans")))
        return QStringLiteral("Loma");
    return QStringLiteral("Loma");
}

double sizeFactor(const QString& designName) {
    // Angsana and Browallia draw small glyphs for their point size; the stand-ins draw
    // them larger, so they are set smaller to keep the design's proportions.
    const QString n = designName.toLower();
    if (n.startsWith(QLatin1String("angsana")))
        return 0.68;
    if (n.startsWith(QLatin1String("browallia")) || n.startsWith(QLatin1String("cordia")))
        return 0.68;
    return 1.0;
}

QFont thaiFont(const QString& designName, double points) {
    QFont f;
    f.setFamilies({thaiFamily(designName), designName, QStringLiteral("Garuda")});
    f.setPointSizeF(points * sizeFactor(designName));
    return f;
}

} // namespace tk
