#pragma once
// Locations are written as on the data's original platform: the program folder, a
// backslash and a relative path with backslashes. These turn them into host paths.
#include <QString>

namespace tk {

// Host path of a location: backslashes become separators; when the exact path does not
// exist, each component is matched without regard to letter case. A location that cannot
// be found is returned with separators converted only.
QString resolvePath(const QString& location);

// Splits "path#anchor" into its two parts (anchor empty when there is none).
void splitAnchor(const QString& location, QString& path, QString& anchor);

} // namespace tk
