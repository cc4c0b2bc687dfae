#pragma once
// The topic row: what every row of the topic list shows and carries, and the SQL texts
// that fill the list.
#include "corpus/topic_queries.h"

#include <QString>
#include <cstdint>

namespace topics {

// "(" + number + ")" + six blanks + title.
QString rowText(const QString& no, const QString& title);
// "HTML" + number for a topic with a page of its own ("1" exactly), else "HTML".
QString fileMarker(const QString& no, const QString& readFromFile);
using corpus::isMarked;

inline const QString kCountCaption = QStringLiteral("กำลังแสดงจำนวน : ");
inline const QString kItems = QStringLiteral(" รายการ");
QString countCaption(long count);
QString searchCaption(const QString& word, long count);
QString firstColumnHeader(const QString& group);

using corpus::groupTopicsSql;
using corpus::searchPattern;
using corpus::searchSql;
using corpus::volumeTopicsSql;

// Width of the first column in twips: cells x 120, held within 16 bits.
int16_t titleColumnWidth(long cells);
// The first column wide enough for the widest row as drawn: the larger of the width by
// cells and the drawn width in pixels converted to twips, held within 16 bits.
int16_t fittedTitleColumnWidth(long cells, int drawnPixels, double twipsPerPixel);
// Another shown column: the larger of its design width and its widest cell as drawn, in
// twips.
int fittedColumnWidth(int designTwips, int drawnPixels, double twipsPerPixel);

} // namespace topics
