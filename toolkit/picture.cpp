#include "toolkit/picture.h"

#include "toolkit/log.h"
#include "toolkit/paths.h"

#include <QFileInfo>
#include <QImageReader>

namespace tk {

std::optional<QPixmap> PictureLoader::load(const QString& folder, const QString& location) {
    const QString path = resolvePath(folder, location);
    const QFileInfo fi(path);
    if (!fi.isFile()) {
        qCWarning(lcToolkit) << "no picture at" << path;
        return std::nullopt;
    }
    const qint64 size = fi.size();
    const qint64 mtime = fi.lastModified().toMSecsSinceEpoch();
    auto it = cache_.find(path);
    if (it != cache_.end() && it->size == size && it->mtimeNs == mtime)
        return it->pixmap;
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QImage img = reader.read();
    ++decodes_;
    if (img.isNull()) {
        qCWarning(lcToolkit) << "cannot read the picture" << path << ":" << reader.errorString();
        cache_.remove(path);
        return std::nullopt;
    }
    QPixmap pm = QPixmap::fromImage(img);
    cache_.insert(path, Entry{size, mtime, pm});
    return pm;
}

} // namespace tk
