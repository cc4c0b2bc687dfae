#pragma once
// Writes a small image as a GIF file (the toolkit can read GIFs but not write them).
#include <QImage>
#include <QString>

namespace sample {
// Colours are reduced to at most 256; returns false when the file cannot be written.
bool writeGif(const QImage& image, const QString& path);
} // namespace sample
