#pragma once
// Fonts named as the design names them, resolved to installed Thai-capable fonts.
#include <QFont>
#include <QString>

namespace tk {

// Angsana New/AngsanaUPC -> Kinnari, Browallia New -> Garuda, Tahoma -> Loma (Tahoma
// here has no Thai glyphs); the design name stays as a fallback.
QFont thaiFont(const QString& designName, double points);
QString thaiFamily(const QString& designName);
// Scale from the design's point size to the stand-in's.
double sizeFactor(const QString& designName);

} // namespace tk
