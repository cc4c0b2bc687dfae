#pragma once
// The results of a search of the canon's text as the list shows them: a row for each volume
// with its pages below it, read from the engine's results as they stand (nothing is copied
// into items), each page's line made only when it is first shown (for pages found the quick
// way, from their file read again on a thread of its own: "…" until it comes). A page the
// topic index points at carries its topics as rows of its own, their titles read when first
// shown; the list may keep only such pages.
#include "canon/engine.h"
#include "canon/page_topics.h"

#include <QAbstractItemModel>
#include <QSet>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace canon {

class ResultModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    // The data of a page row, beside its text: the places to mark in the line are a list of
    // QPoint(start, length). A page's topic count, and a topic row's number (a topic row
    // carries its page's volume, file and page too, so that it opens the page).
    enum Role { VolumeRole = Qt::UserRole + 1, FileRole, PageRole, MarksRole, TopicCountRole,
                TopicNoRole };

    explicit ResultModel(QObject* parent = nullptr);
    ~ResultModel() override;

    void clear();
    // The search whose results come next: lines left for later are made with it.
    void setQuery(const Query& q) { query_ = q; }
    // Where the topics of the volumes that come next are; none by default (and after clear).
    void setTopics(std::shared_ptr<const PageTopics> topics) { topics_ = std::move(topics); }
    // A volume's pages, after the ones already there; a volume without pages shows no row.
    void addVolume(VolumeHits v);
    // Only the pages with topics as rows, and the volumes that have such pages; all again
    // when turned off. Lasts over clear().
    void setOnlyWithTopics(bool only);
    bool onlyWithTopics() const { return onlyWithTopics_; }
    int volumeRows() const { return int(shown_.size()); }
    long pageRows() const { return pages_; } // found, shown or not
    long pagesWithTopics() const { return withTopics_; }
    long shownPageRows() const { return onlyWithTopics_ ? withTopics_ : pages_; }

    // A row as it stays while the rows shown change: its volume's place among those found,
    // its page's place in the volume (-1 for the volume's row) and its topic's (-1 for none).
    struct Place {
        int volume = -1;
        long page = -1, topic = -1;
    };
    Place placeOf(const QModelIndex& index) const;
    // The row of a place, or of its page or volume where that row is not shown; invalid
    // when its volume is not shown either.
    QModelIndex indexOf(const Place& place) const;

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
        std::shared_ptr<const PageTopics> index; // where the spans below point
        std::vector<PageTopics::Span> topics; // of each page; empty when none has any
        std::vector<uint32_t> withTopics;      // the pages that have some, in order
        // A page's topics as its rows show them, by page, read when first shown (kept as
        // texts: a read topic list holds far more room than a page's few topics take).
        struct TopicRow {
            QString no, title;
            bool marked = false;
        };
        mutable std::unordered_map<uint32_t, std::optional<std::vector<TopicRow>>> titles;
    };
    const Snippet& line(const Volume& v, size_t page) const;
    // The pages a volume shows as rows, and the page of a row.
    size_t shownPages(const Volume& v) const;
    uint32_t pageOfRow(const Volume& v, int row) const;
    int rowOfPage(const Volume& v, uint32_t page) const; // -1 when not shown
    PageTopics::Span topicsOf(const Volume& v, uint32_t page) const;
    const Volume::TopicRow* topic(const Volume& v, uint32_t page, int row) const;
    QVariant topicData(const QModelIndex& index, int role) const;
    // The volumes shown as rows, by their place among those found.
    void showVolumes();
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
    std::vector<int> shown_; // the row's volume, by its place in volumes_
    std::vector<int> rowOf_; // the volume's row, -1 when not shown
    long pages_ = 0, withTopics_ = 0;
    std::shared_ptr<const PageTopics> topics_;
    bool onlyWithTopics_ = false;
    Query query_;
    quint64 generation_ = 0; // a new one whenever rows go: lines on their way are for old rows
    mutable QSet<QString> filling_;
    // Set for the readings of rows gone (and at the end), so that none holds the program up.
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace canon
