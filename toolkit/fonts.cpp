#include "toolkit/fonts.h"

#include <QFontInfo>
#include <QFontMetrics>
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

bool lineFits(const QFont& font, const QString& text, QSize room) {
    const QFontMetrics fm(font);
    return fm.horizontalAdvance(text) <= room.width() && fm.height() <= room.height();
}

FittedFont fitFont(const QFont& design, const QString& text, QSize room) {
    FittedFont out{design, lineFits(design, text, room)};
    while (!out.fits) {
        QFont smaller = out.font;
        const qreal next = smaller.pointSizeF() - 0.25;
        if (next <= 0)
            break;
        smaller.setPointSizeF(next);
        if (QFontInfo(smaller).pixelSize() < kSmallestReadablePixels)
            break;
        out.font = smaller;
        out.fits = lineFits(smaller, text, room);
    }
    return out;
}

void fitToBox(QLabel* label) {
    const FittedFont f = fitFont(label->font(), label->text(), label->contentsRect().size());
    label->setFont(f.font);
    label->setToolTip(f.fits ? QString() : label->text());
}

} // namespace tk
