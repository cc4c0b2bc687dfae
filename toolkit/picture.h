#pragma once
// Loading pictures from files. The program shows the file's current content every time,
// but a file whose size and modification time have not changed is not decoded again.
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <atomic>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace tk {

class PictureLoader {
  public:
    PictureLoader() = default;
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;
    ~PictureLoader();

    // The picture of the file at a location under the program folder, or nothing when it
    // is missing or unreadable.
    std::optional<QPixmap> load(const QString& folder, const QString& location);
    int decodeCount() const { return decodes_; }

    // Starts decoding these pictures on a thread of their own, in this order, so that a
    // later load of one takes the decoded picture instead of decoding it then. A file
    // that has changed by the time it is loaded is read again.
    void prefetch(const QString& folder, const QStringList& locations);

  private:
    struct Entry {
        qint64 size;
        qint64 mtimeMs;
        QPixmap pixmap;
    };
    // A picture decoded ahead, with the size and time of the file it was read from.
    struct Decoded {
        qint64 size = -1;
        qint64 mtimeMs = 0;
        QImage image;
        QString error;
    };
    QHash<QString, Entry> cache_;
    QHash<QString, std::shared_future<Decoded>> ahead_;
    std::vector<std::thread> workers_;
    // Set when the loader goes: what is not decoded yet is left.
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    int decodes_ = 0;

    static Decoded decode(const QString& path);
};

} // namespace tk
