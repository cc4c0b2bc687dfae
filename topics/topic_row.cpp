#include "topics/topic_row.h"

#include <algorithm>
#include <cmath>

namespace topics {

QString rowText(const QString& no, const QString& title) {
    return QStringLiteral("(") + no + QStringLiteral(")") + QStringLiteral("      ") + title;
}

QString fileMarker(const QString& no, const QString& readFromFile) {
    return readFromFile == QLatin1String("1") ? QStringLiteral("HTML") + no
                                              : QStringLiteral("HTML");
}

QString countCaption(long count) {
    return kCountCaption + QString::number(count) + kItems;
}

QString searchCaption(const QString& word, long count) {
    return QStringLiteral("ผลการค้นหาคำว่า : ") + word + QStringLiteral(" : พบจำนวน : ") +
           QString::number(count) + kItems;
}

QString firstColumnHeader(const QString& group) {
    return QStringLiteral("(ลำดับ) - หัวข้อธรรม (") + group + QStringLiteral(")");
}

int16_t titleColumnWidth(long cells) {
    return int16_t(std::clamp<long>(cells * 120, 0, 32767));
}

} // namespace topics

namespace topics {

int fittedColumnWidth(int designTwips, int drawnPixels, double twipsPerPixel) {
    const double drawn = std::ceil(std::max(0, drawnPixels) * twipsPerPixel);
    return int(std::clamp<double>(std::max<double>(designTwips, drawn), 0, 32767));
}

int16_t fittedTitleColumnWidth(long cells, int drawnPixels, double twipsPerPixel) {
    return int16_t(fittedColumnWidth(titleColumnWidth(cells), drawnPixels, twipsPerPixel));
}

} // namespace topics
