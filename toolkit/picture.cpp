#include "toolkit/picture.h"

#include "toolkit/log.h"
#include "toolkit/paths.h"

#include <QFileInfo>
#include <QImageReader>
#include <memory>
#include <vector>

namespace tk {

namespace {
qint64 modified(const QFileInfo& fi) {
    return fi.lastModified().toMSecsSinceEpoch();
}
} // namespace

PictureLoader::~PictureLoader() {
    stop_->store(true);
    for (std::thread& t : workers_)
        t.join();
}

PictureLoader::Decoded PictureLoader::decode(const QString& path) {
    // Size and time first: a file replaced while it is read is then taken as changed.
    const QFileInfo fi(path);
    Decoded d{fi.size(), modified(fi), {}, {}};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    d.image = reader.read();
    if (d.image.isNull())
        d.error = reader.errorString();
    return d;
}

void PictureLoader::prefetch(const QString& folder, const QStringList& locations) {
    auto promises = std::make_shared<std::vector<std::pair<QString, std::promise<Decoded>>>>();
    for (const QString& location : locations) {
        const QString path = resolvePath(folder, location);
        if (ahead_.contains(path) || cache_.contains(path) || !QFileInfo(path).isFile())
            continue;
        promises->emplace_back(path, std::promise<Decoded>());
        ahead_.insert(path, promises->back().second.get_future().share());
    }
    if (promises->empty())
        return;
    workers_.emplace_back([promises, stop = stop_] {
        for (auto& [path, promise] : *promises)
            promise.set_value(stop->load() ? Decoded{} : decode(path));
    });
}

std::optional<QPixmap> PictureLoader::load(const QString& folder, const QString& location) {
    const QString path = resolvePath(folder, location);
    const QFileInfo fi(path);
    if (!fi.isFile()) {
        qCWarning(lcToolkit) << "no picture at" << path;
        return std::nullopt;
    }
    const qint64 size = fi.size();
    const qint64 mtime = modified(fi);
    auto it = cache_.find(path);
    if (it != cache_.end() && it->size == size && it->mtimeMs == mtime)
        return it->pixmap;
    Decoded d;
    if (auto ahead = ahead_.find(path); ahead != ahead_.end()) {
        d = ahead->get(); // waits for it, if it is still being decoded
        ahead_.erase(ahead);
    }
    if (d.size != size || d.mtimeMs != mtime)
        d = decode(path);
    ++decodes_;
    if (d.image.isNull()) {
        qCWarning(lcToolkit) << "cannot read the picture" << path << ":" << d.error;
        cache_.remove(path);
        return std::nullopt;
    }
    QPixmap pm = QPixmap::fromImage(d.image);
    cache_.insert(path, Entry{size, mtime, pm});
    return pm;
}

} // namespace tk
