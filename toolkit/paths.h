#pragma once
// Locations are written as on the data's original platform: the program folder, a
// backslash and a relative path with backslashes. These turn them into host paths.
#include <QHash>
#include <QString>
#include <QStringList>

namespace tk {

// Host path of a location under the program folder. The folder is taken as it is, whatever
// characters its name holds; only the part after it is the program's own writing, so only
// there do backslashes become separators, and when the exact path does not exist each of
// its components is matched without regard to letter case. A location that does not start
// with the folder is converted whole. One that cannot be found is returned converted only.
// Folder listings kept for one page opening, so that resolving many references lists a
// folder once.
using ListingCache = QHash<QString, QStringList>;
QString resolvePath(const QString& folder, const QString& location, ListingCache* cache = nullptr);

// Whether a location lies under the folder by the way it is written: it starts with the
// folder and its relative part has no ".." component. Where links in the folder point
// (data kept on another disk) does not matter.
bool insideFolder(const QString& folder, const QString& location);

// Splits "path#anchor" at its last "#" (anchor empty when there is none): a folder's name
// may hold "#", an anchor never holds "#" or a separator.
void splitAnchor(const QString& location, QString& path, QString& anchor);

} // namespace tk
