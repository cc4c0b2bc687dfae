#include "reader/page_refs.h"

#include "toolkit/fonts.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

namespace reader {

QString resolveReference(const QString& folder, const QString& baseFile, const QString& reference,
                         QString* anchor, tk::ListingCache* cache) {
    QString ref = reference.trimmed();
    if (anchor)
        anchor->clear();
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]+):"));
    const auto m = scheme.match(ref);
    if (m.hasMatch()) {
        const QString s = m.captured(1).toLower();
        if (s != QLatin1String("file"))
            return {}; // the web and the like are never fetched
        ref = ref.mid(5);
        while (ref.startsWith(QLatin1String("//")) && !ref.startsWith(QLatin1String("///")))
            ref = ref.mid(ref.indexOf(QLatin1Char('/'), 2) < 0 ? ref.size()
                                                               : ref.indexOf(QLatin1Char('/'), 2));
        while (ref.startsWith(QLatin1String("///")))
            ref = ref.mid(2);
    }
    const qsizetype hash = ref.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        if (anchor)
            *anchor = ref.mid(hash + 1);
        ref = ref.left(hash);
    }
    ref = QUrl::fromPercentEncoding(ref.toUtf8());
    ref.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (ref.isEmpty())
        return baseFile;
    static const QRegularExpression drive(QStringLiteral("^/?[A-Za-z]:/"));
    QString path;
    if (ref.startsWith(folder + QLatin1Char('/'))) {
        path = ref; // this program's own location of a file
    } else if (drive.match(ref).hasMatch() || ref.startsWith(QLatin1Char('/'))) {
        // A location on the Windows machine the page was made on: from its first component
        // that the program folder holds.
        const QStringList parts = ref.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        const QStringList top = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        qsizetype from = -1;
        for (qsizetype i = 0; i < parts.size() && from < 0; ++i)
            for (const QString& e : top)
                if (e.compare(parts[i], Qt::CaseInsensitive) == 0) {
                    from = i;
                    break;
                }
        if (from < 0)
            return {};
        path = folder + QLatin1Char('/') + parts.mid(from).join(QLatin1Char('/'));
    } else {
        const qsizetype slash = baseFile.lastIndexOf(QLatin1Char('/'));
        path = baseFile.left(slash + 1) + ref;
    }
    // "." and ".." by the way the path is written, then confined to the program folder.
    const QString prefix = folder + QLatin1Char('/');
    if (!path.startsWith(prefix))
        return {};
    QStringList out;
    for (const QString& part : path.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (out.isEmpty())
                return {}; // beyond the program folder
            out.removeLast();
            continue;
        }
        out << part;
    }
    if (out.isEmpty())
        return {};
    const QString lexical = prefix + out.join(QLatin1Char('/'));
    return tk::resolvePath(folder, lexical, cache);
}

QString mapFontStyles(QString css) {
    // Each run between braces is a block of declarations (or a selector, which names no
    // font-family); a style attribute is one block.
    static const QRegularExpression family(QStringLiteral("font-family\\s*:\\s*([^;{}\"]*)"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression design(QStringLiteral("(angsana|browallia|cordia)[a-z ]*"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression size(QStringLiteral("(font-size\\s*:\\s*)([0-9.]+)(\\s*pt)"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype start = 0;
    while (start <= css.size()) {
        qsizetype end = start;
        while (end < css.size() && css[end] != QLatin1Char('{') && css[end] != QLatin1Char('}'))
            ++end;
        QString decl = css.mid(start, end - start);
        const auto f = family.match(decl);
        const auto d = f.hasMatch() ? design.match(f.captured(1)) : QRegularExpressionMatch();
        if (d.hasMatch()) {
            const QString name = d.captured(0).trimmed();
            const double factor = tk::sizeFactor(name);
            // The stand-in first, the design's own names after it.
            decl.insert(f.capturedStart(1), QLatin1Char('\'') + tk::thaiFamily(name) +
                                                QStringLiteral("', "));
            QString scaled;
            qsizetype at = 0;
            for (auto it = size.globalMatch(decl); it.hasNext();) {
                const auto m = it.next();
                scaled += decl.mid(at, m.capturedStart(2) - at) +
                          QString::number(m.captured(2).toDouble() * factor, 'g', 4);
                at = m.capturedEnd(2);
            }
            decl = scaled + decl.mid(at);
        }
        out += decl;
        if (end < css.size())
            out += css[end];
        start = end + 1;
    }
    return out;
}

} // namespace reader
