#pragma once
// Fonts named as the design names them, resolved to installed Thai-capable fonts.
#include <QFont>
#include <QLabel>
#include <QSize>
#include <QString>

namespace tk {

// Angsana New/AngsanaUPC -> Kinnari, Browallia New -> Garuda, Tahoma -> Loma (Tahoma
// here has no Thai glyphs); the design name stays as a fallback.
QFont thaiFont(const QString& designName, double points);
QString thaiFamily(const QString& designName);
// Scale from the design's point size to the stand-in's.
double sizeFactor(const QString& designName);

// The smallest size a caption is drawn at, in pixels.
constexpr int kSmallestReadablePixels = 8;

// Whether one line of the text in this font fits the room.
bool lineFits(const QFont& font, const QString& text, QSize room);

// The design font, or the largest smaller size of it (by quarter points) whose line of
// text fits the room; `fits` is false when even the smallest readable size does not.
struct FittedFont {
    QFont font;
    bool fits = true;
};
FittedFont fitFont(const QFont& design, const QString& text, QSize room);

// A label that keeps its box: its font becomes the fitted size of the one it has, and a
// caption that does not fit even then is whole in its tool tip.
void fitToBox(QLabel* label);

} // namespace tk
