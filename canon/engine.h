#pragma once
// The search of the canon's own text: every page file of the volumes asked for is read and
// searched each time, on as many threads as the machine has cores, without an index or a
// cache; results come volume by volume, in volume order, while the scan goes on. A page file
// is read as the reader's view shows it (pagefile/), a stretch at a time, so that a file of
// any size takes little memory and a stop is heeded within a file.
#include "canon/page_search.h"
#include "pagefile/canon_layout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace canon {

struct Query {
    QString word;
    bool allWords = false; // every word (split at blanks) on the same printed page
    int firstVolume = 1, lastVolume = pagefile::CanonLayout::kVolumes;
    // The result lines are made when shown (linesOf), not during the scan: plain page
    // files are then searched the quick way.
    bool linesLater = false;
};

// The words as the search compares them; empty when nothing in them can be searched for
// (blanks, zero-width characters only).
QStringList searchWords(const Query& q);
std::vector<SearchWord> searchKeys(const Query& q);

struct VolumeHits {
    int volume = 0;
    std::vector<PageHit> pages; // in page order
    long hits() const;
};

struct Summary {
    long hits = 0, pages = 0, volumes = 0;
    int unreadable = 0; // missing, unreadable or too large files, skipped
    qint64 bytes = 0;   // scanned
    double seconds = 0;
    bool cancelled = false;
};

// "พบ N แห่ง ใน P หน้า จาก V เล่ม (T วินาที)", with the unreadable files when there are any.
QString summaryLine(const Summary& s);

struct CanonFile {
    int volume;
    int firstPage;
    QString path;
    qint64 size;
    bool readable; // a plain file
};
// The page files of the volumes in range, in volume and page order. Folder names are
// matched without regard to letter case, as the reader opens them.
std::vector<CanonFile> listFiles(const QString& programFolder, int firstVolume, int lastVolume);
// Whether the program folder has the canon's folder at all.
bool hasCanon(const QString& programFolder);

// One page file's bytes searched as the engine searches a file (fast: by the words' keys,
// and the quick way where the query leaves the lines for later).
std::vector<PageHit> searchBytes(const QByteArray& bytes, const Query& q, bool fast = true);

// The pages of one file with their result lines: the file read again as the view shows
// it, a stretch at a time (any size, little memory); nothing when it cannot be read.
std::optional<std::vector<PageHit>> linesOf(const QString& file, const Query& q,
                                            const std::atomic<bool>* stop = nullptr);
// Pages found with linesLater take their lines from those pages, by page name.
void takeLines(const std::vector<PageHit*>& pages, const std::vector<PageHit>& withLines);

class Search {
  public:
    // How the callbacks are called:
    // - all of them on the search's own threads, never on the thread that made the search;
    // - volume: once for each volume of the range that has page files, in volume order,
    //   one call at a time (a later one only after an earlier one has returned);
    // - progress: as files are done, from any of the threads, possibly at the same time;
    //   done only grows;
    // - finished: once, after the last volume (or, stopped, after the volumes reported),
    //   with no other callback after it;
    // - none runs any more once cancel(), wait() or the destructor has returned;
    // - a callback must not call this search's cancel(), wait() or destructor.
    struct Callbacks {
        std::function<void(VolumeHits)> volume;
        std::function<void(qint64 done, qint64 total)> progress;
        std::function<void(Summary)> finished;
    };
    // Starts at once: the page files are listed and read on the search's threads.
    Search(QString programFolder, Query query, Callbacks callbacks, int threads = 0);
    ~Search(); // stops and waits
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // Stops: every thread ends within a stretch of the file it reads; returns when all have.
    void cancel();
    void wait();

  private:
    struct State;
    std::shared_ptr<State> s_;
};

} // namespace canon
