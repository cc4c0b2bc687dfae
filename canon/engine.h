#pragma once
// The search of the canon's own text: every page file of the volumes asked for is read and
// searched each time, on as many threads as the machine has cores, without an index or a
// cache; results come volume by volume, in volume order, while the scan goes on.
#include <QString>
#include <QByteArray>
#include <QStringList>
#include <string>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace canon {

struct Query {
    QString word;
    bool allWords = false; // every word (split at blanks) on the same printed page
    int firstVolume = 1, lastVolume = 91;
};

// The word as the search compares it; empty when nothing in it can be searched for (blanks,
// zero-width characters only).
QStringList searchWords(const Query& q);

struct PageHit {
    int volume = 0;
    QString file;      // host path of the page file
    QString page;      // the page anchor before the first place; empty before any
    int hits = 0;      // places of the word (all words: of every word) on the page
    QString snippet;   // about 80 characters around the first place, on one line
    int markFrom = 0;  // the place within the snippet
    int markLength = 0;
};

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

// A page file's text as the reader shows it: tags, comments, scripts and styles left out,
// entities decoded, blocks kept apart; and where each page anchor stands in that text.
struct PageText {
    QString text;
    std::vector<std::pair<int, QString>> anchors; // text position, page name
};
PageText pageText(QStringView html);

// The places of the query in one page file's text, page by page.
std::vector<PageHit> searchPage(const PageText& page, const QStringList& foldedWords,
                                bool allWords, int volume, const QString& file);

// The same for a page file in windows-874, by the fast path: cpWords are the words in that
// code page. Gives what searchPage gives for the file's text.
std::vector<PageHit> searchCp874(const QByteArray& raw, const std::vector<std::string>& cpWords,
                                 const QStringList& words, bool allWords, int volume,
                                 const QString& file);

class Search {
  public:
    struct Callbacks {
        std::function<void(VolumeHits)> volume;             // each volume, in order, with hits or not
        std::function<void(qint64 done, qint64 total)> progress;
        std::function<void(Summary)> finished;             // once, after the last volume
    };
    // Starts at once on a pool of threads; the callbacks are called from those threads.
    Search(QString programFolder, Query query, Callbacks callbacks, int threads = 0);
    ~Search(); // stops and waits
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // Stops taking files; returns when every thread has ended.
    void cancel();
    void wait();
    qint64 totalBytes() const;

  private:
    struct State;
    std::shared_ptr<State> s_;
};

} // namespace canon
