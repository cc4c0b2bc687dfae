#pragma once
// References inside page files, resolved as the pages' Windows origin resolved them:
// backslashes, any letter case, %-escapes, "./" and "../", and drive-letter or rooted
// locations, which are taken from their first component that names an entry of the program
// folder. Nothing outside the program folder is ever resolved, and nothing from the web.
#include "toolkit/paths.h"

#include <QString>

namespace reader {

// The host path a reference in the page file at base stands for; empty when it is not to
// be followed (the web, another disk's folder, beyond the program folder). An anchor after
// "#" is returned apart.
QString resolveReference(const QString& programFolder, const QString& baseFile,
                         const QString& reference, QString* anchor = nullptr,
                         tk::ListingCache* cache = nullptr);

// Thai fonts of the Windows design (Angsana, Browallia, Cordia) named in a style sheet or a
// style attribute: named by their stand-ins, and a point size set for them scaled as the
// main window scales them.
QString mapFontStyles(QString css);

} // namespace reader
