#pragma once
// The shelf's page labels and the rule that reads a label back into a range of volumes.
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

namespace catalogue {

inline const QString kLabelHead = QStringLiteral("พระไตรปิฎกเล่ม ");
QString twoDigits(long n);
// The picker's entries for a page size: full pages, then the part page if any. A page
// size of 91 or more gives one page of all 91; 0 gives no page.
QStringList pageLabels(long pageSize);
// The first page's label, as the picker's text shows it; empty without pages.
QString firstPageLabel(long pageSize);
// "...91" not ending "-91" is volume 91 alone; otherwise the last five characters "aa-bb".
std::optional<std::pair<int, int>> readLabel(const QString& label);

} // namespace catalogue
