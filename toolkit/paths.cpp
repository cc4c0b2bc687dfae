#include "toolkit/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace tk {

QString resolvePath(const QString& location) {
    QString p = location;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.isEmpty() || QFileInfo::exists(p))
        return p;

    const bool absolute = p.startsWith(QLatin1Char('/'));
    const QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString cur = absolute ? QStringLiteral("/") : QStringLiteral(".");
    for (const QString& part : parts) {
        QString next = cur.endsWith(QLatin1Char('/')) ? cur + part : cur + QLatin1Char('/') + part;
        if (!QFileInfo::exists(next)) {
            const QStringList entries =
                QDir(cur).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            QString match;
            for (const QString& e : entries) {
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    match = e;
                    break;
                }
            }
            if (match.isEmpty())
                return p;
            next = cur.endsWith(QLatin1Char('/')) ? cur + match : cur + QLatin1Char('/') + match;
        }
        cur = next;
    }
    if (!absolute && cur.startsWith(QLatin1String("./")))
        cur = cur.mid(2);
    return cur;
}

void splitAnchor(const QString& location, QString& path, QString& anchor) {
    const int hash = location.indexOf(QLatin1Char('#'));
    if (hash < 0) {
        path = location;
        anchor.clear();
    } else {
        path = location.left(hash);
        anchor = location.mid(hash + 1);
    }
}

} // namespace tk
