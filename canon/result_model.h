#pragma once
// The results of a search of the canon's text as the list shows them: a row for each volume
// with its pages below it, read from the engine's results as they stand (nothing is copied
// into items), each page's line made only when it is first shown (for pages found the quick
// way, from their file read again on a thread of its own: "…" until it comes).
#include "canon/engine.h"

#include <QAbstractItemModel>
#include <QSet>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <memory>
#include <optional>
#include <vector>

namespace canon {

class ResultModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    // The data of a page row, beside its text: the places to mark in the line are a list of
    // QPoint(start, length).
    enum Role { VolumeRole = Qt::UserRole + 1, FileRole, PageRole, MarksRole };

    explicit ResultModel(QObject* parent = nullptr);
    ~ResultModel() override;

    void clear();
    // The search whose results come next: lines left for later are made with it.
    void setQuery(const Query& q) { query_ = q; }
    // A volume's pages, after the ones already there; a volume without pages shows no row.
    void addVolume(VolumeHits v);
    int volumeRows() const { return int(volumes_.size()); }
    long pageRows() const { return pages_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    // Volumes only (the rows of the top level) go, with their pages.
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

  private:
    struct Volume {
        int volume;
        long hits;
        mutable std::vector<PageHit> pages; // their lines filled in when first shown
        mutable std::vector<std::optional<Snippet>> lines; // made when first shown
    };
    const Snippet& line(const Volume& v, size_t page) const;
    // Reads a file again for the lines of its pages found the quick way, off this thread;
    // its rows change when they come.
    void fill(int volumeRow, const QString& file) const;
    void filled(int volumeRow, const QString& file, quint64 generation, const std::vector<PageHit>& pages);
    void takeRead();
    struct Read {
        int id;
        int volumeRow;
        QString file;
        quint64 generation;
        std::vector<PageHit> pages;
    };
    mutable std::map<int, std::thread> readers_; // the files being read again, by id
    mutable int nextReader_ = 0;
    std::mutex readMutex_;
    std::vector<Read> read_; // read, not yet taken
    std::vector<Volume> volumes_;
    long pages_ = 0;
    Query query_;
    quint64 generation_ = 0; // a new one whenever rows go: lines on their way are for old rows
    mutable QSet<QString> filling_;
    // Set for the readings of rows gone (and at the end), so that none holds the program up.
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace canon
