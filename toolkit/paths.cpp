#include "toolkit/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace tk {

namespace {

bool isSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

// The length of the folder prefix of location, or -1 when it does not start with it.
qsizetype folderPrefix(const QString& folder, const QString& location) {
    if (folder.isEmpty() || !location.startsWith(folder))
        return -1;
    if (location.size() == folder.size())
        return folder.size();
    return isSeparator(location[folder.size()]) ? folder.size() : -1;
}

// Joins the relative parts under base, matching each missing one without regard to case.
QString resolveParts(QString cur, const QStringList& parts, bool& found, ListingCache* cache) {
    found = true;
    for (const QString& part : parts) {
        const QString sep = cur.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
        QString next = cur + sep + part;
        if (!QFileInfo::exists(next)) {
            QStringList entries;
            if (cache && cache->contains(cur)) {
                entries = cache->value(cur);
            } else {
                entries = QDir(cur).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
                if (cache)
                    cache->insert(cur, entries);
            }
            QString match;
            for (const QString& e : entries) {
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    match = e;
                    break;
                }
            }
            if (match.isEmpty()) {
                found = false;
                return {};
            }
            next = cur + sep + match;
        }
        cur = next;
    }
    return cur;
}

} // namespace

QString resolvePath(const QString& folder, const QString& location, ListingCache* cache) {
    const qsizetype prefix = folderPrefix(folder, location);
    QString base, rest;
    if (prefix >= 0) {
        base = folder;
        rest = location.mid(prefix);
    } else {
        rest = location;
    }
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString direct = base + rest;
    if (direct.isEmpty() || QFileInfo::exists(direct))
        return direct;

    const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (base.isEmpty())
        base = rest.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QStringLiteral(".");
    bool found = false;
    QString cur = resolveParts(base, parts, found, cache);
    if (!found)
        return direct;
    if (prefix < 0 && !rest.startsWith(QLatin1Char('/')) && cur.startsWith(QLatin1String("./")))
        cur = cur.mid(2);
    return cur;
}

bool insideFolder(const QString& folder, const QString& location) {
    const qsizetype prefix = folderPrefix(folder, location);
    if (prefix < 0)
        return false;
    QString rest = location.mid(prefix);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return !parts.isEmpty() && !parts.contains(QStringLiteral(".."));
}

void splitAnchor(const QString& location, QString& path, QString& anchor) {
    const qsizetype hash = location.lastIndexOf(QLatin1Char('#'));
    const bool anchored = hash >= 0 && !location.mid(hash).contains(QLatin1Char('\\')) &&
                          !location.mid(hash).contains(QLatin1Char('/'));
    if (!anchored) {
        path = location;
        anchor.clear();
    } else {
        path = location.left(hash);
        anchor = location.mid(hash + 1);
    }
}

} // namespace tk
