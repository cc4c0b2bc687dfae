#pragma once
// Loading pictures from files. The program shows the file's current content every time,
// but a file whose size and modification time have not changed is not decoded again.
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <optional>

namespace tk {

class PictureLoader {
  public:
    // The picture of the file at a location under the program folder, or nothing when it
    // is missing or unreadable.
    std::optional<QPixmap> load(const QString& folder, const QString& location);
    int decodeCount() const { return decodes_; }

  private:
    struct Entry {
        qint64 size;
        qint64 mtimeNs;
        QPixmap pixmap;
    };
    QHash<QString, Entry> cache_;
    int decodes_ = 0;
};

} // namespace tk
