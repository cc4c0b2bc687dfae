#include "canon/engine.h"
#include "canon/log.h"

#include "pagefile/canon_layout.h"
#include "pagefile/page_file.h"
#include "canon/quick_search.h"
#include "thai/normalise.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace canon {

long VolumeHits::hits() const {
    long n = 0;
    for (const PageHit& p : pages)
        n += p.hits;
    return n;
}

QString summaryLine(const Summary& s) {
    QString line = QStringLiteral("พบ %1 แห่ง ใน %2 หน้า จาก %3 เล่ม (%4 วินาที)")
                       .arg(s.hits)
                       .arg(s.pages)
                       .arg(s.volumes)
                       .arg(s.seconds, 0, 'f', 2);
    if (s.unreadable > 0)
        line += QStringLiteral(" อ่านไม่ได้ %1 ไฟล์").arg(s.unreadable);
    if (s.cancelled)
        line += QStringLiteral(" (หยุดค้นหาก่อนจบ)");
    return line;
}

QStringList searchWords(const Query& q) {
    QStringList out;
    const QStringList parts = q.allWords ? q.word.split(QLatin1Char(' '), Qt::SkipEmptyParts)
                                         : QStringList{q.word};
    for (const QString& p : parts) {
        const QString f = thai::foldWord(p.trimmed());
        if (!f.trimmed().isEmpty())
            out << f;
    }
    out.removeDuplicates();
    return out;
}

std::vector<SearchWord> searchKeys(const Query& q) {
    std::vector<SearchWord> out;
    for (const QString& w : searchWords(q))
        out.emplace_back(w);
    return out;
}

namespace {

// The entry of a folder whose name matches without regard to case.
QString entry(const QString& dir, const QString& name) {
    const QString exact = dir + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList all = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString& e : all)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return dir + QLatin1Char('/') + e;
    return {};
}

// A page file no larger is read at once; a larger one a stretch at a time.
constexpr qint64 kAtOnce = 4ll << 20;
// Larger than any page file: not read at all.
constexpr qint64 kMaxFile = 256ll << 20;

// A page file larger than kAtOnce searched the quick way through a mapping of it, the pages
// behind the search let go as it goes, so that it takes little memory; nothing where it
// cannot be mapped.
std::optional<QuickOutcome> quickMapped(const CanonFile& f, const std::vector<SearchWord>& words, bool allWords,
                                        const std::atomic<bool>& stop) {
    const int fd = ::open(QFile::encodeName(f.path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    void* map = MAP_FAILED;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        map = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED)
        return std::nullopt;
    const size_t size = size_t(st.st_size);
    madvise(map, size, MADV_SEQUENTIAL);
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    size_t released = 0;
    QuickInput in;
    in.stop = &stop;
    in.release = [&](qsizetype upTo) {
        const size_t cut = size_t(upTo) / page * page;
        if (cut > released + (4u << 20)) {
            madvise(static_cast<char*>(map) + released, cut - released, MADV_DONTNEED);
            released = cut;
        }
    };
    QuickOutcome out = quickSearchRaw(static_cast<const char*>(map), qsizetype(size), words, allWords, in);
    munmap(map, size);
    return out;
}

// One page file, its pages with places; nothing when it cannot be read or was stopped.
std::optional<std::vector<PageHit>> searchFile(const CanonFile& f, const std::vector<SearchWord>& words,
                                               const Query& q, const std::atomic<bool>& stop) {
    if (!f.readable || f.size > kMaxFile) {
        qCWarning(lcCanon) << "the page file" << f.path
                           << (f.readable ? "is larger than any page file and is passed over"
                                          : "cannot be read");
        return std::nullopt;
    }
    // The quick way answers most files; the full reading takes the rest.
    const bool atOnce = f.size <= kAtOnce;
    // A large file is mapped for the quick way and opened for the full reading only where
    // that is needed.
    if (!atOnce && q.linesLater)
        if (auto quick = quickMapped(f, words, q.allWords, stop)) {
            if (quick->stopped)
                return std::nullopt;
            if (quick->pages)
                return std::move(quick->pages);
        }
    QFile file(f.path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcCanon) << "cannot read the page file" << f.path << ":" << file.errorString();
        return std::nullopt;
    }
    PageSearch search(words, q.allWords);
    bool whole;
    if (atOnce) {
        // Read once into a buffer kept for the next file, for both ways: mapping each file
        // costs page faults that made the scan twice as slow in some virtual machines, and
        // a file cut short meanwhile is searched as far as it was read.
        thread_local QByteArray raw;
        raw.resize(f.size);
        const qint64 got = file.read(raw.data(), f.size);
        if (got < 0 || file.error() != QFileDevice::NoError) {
            qCWarning(lcCanon) << "cannot read the page file" << f.path << ":" << file.errorString();
            return std::nullopt;
        }
        raw.resize(got);
        if (q.linesLater) {
            QuickInput in;
            in.stop = &stop;
            QuickOutcome quick = quickSearchRaw(raw.constData(), raw.size(), words, q.allWords, in);
            if (quick.stopped)
                return std::nullopt;
            if (quick.pages)
                return std::move(quick.pages);
        }
        whole = pagefile::readPageBytes(raw, search, &stop);
    } else {
        whole = pagefile::readPageFile(file, search, &stop);
    }
    if (file.error() != QFileDevice::NoError) {
        qCWarning(lcCanon) << "cannot read the page file" << f.path << ":" << file.errorString();
        return std::nullopt;
    }
    if (!whole)
        return std::nullopt; // stopped
    return search.finish();
}

} // namespace

std::vector<PageHit> searchBytes(const QByteArray& bytes, const Query& q, bool fast) {
    const std::vector<SearchWord> words = searchKeys(q);
    if (fast && q.linesLater)
        if (auto quick = quickSearchBytes(bytes, words, q.allWords))
            return std::move(*quick);
    PageSearch search(words, q.allWords, fast);
    pagefile::readPageBytes(bytes, search);
    return search.finish();
}

std::optional<std::vector<PageHit>> linesOf(const QString& file, const Query& q, const std::atomic<bool>* stop) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    PageSearch search(searchKeys(q), q.allWords);
    if (!pagefile::readPageFile(f, search, stop) || f.error() != QFileDevice::NoError)
        return std::nullopt;
    return search.finish();
}

void takeLines(const std::vector<PageHit*>& pages, const std::vector<PageHit>& withLines) {
    QHash<QString, const PageHit*> byName;
    for (const PageHit& h : withLines)
        byName.insert(h.page, &h);
    for (PageHit* p : pages) {
        if (!p->lineLater)
            continue;
        p->lineLater = false;
        if (const PageHit* h = byName.value(p->page)) {
            p->excerpt = h->excerpt;
            p->places = h->places;
            p->around = h->around;
            p->firstAt = h->firstAt;
        }
    }
}

bool hasCanon(const QString& programFolder) {
    return QFileInfo(entry(programFolder, pagefile::CanonLayout::root())).isDir();
}

std::vector<CanonFile> listFiles(const QString& programFolder, int first, int last) {
    std::vector<CanonFile> files;
    using pagefile::CanonLayout;
    const QString root = entry(programFolder, CanonLayout::root());
    if (root.isEmpty())
        return files;
    first = std::max(first, 1);
    last = std::min(last, CanonLayout::kVolumes);
    for (int v = first; v <= last; ++v) {
        const QString folder = entry(root, CanonLayout::volumeFolder(v));
        if (folder.isEmpty())
            continue;
        // Broken links too: a page file that cannot be read is counted, not passed over.
        const QFileInfoList list = QDir(folder).entryInfoList(
            QDir::Files | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot);
        std::vector<CanonFile> mine;
        for (const QFileInfo& fi : list) {
            const QString name = fi.fileName();
            if (!name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) &&
                !name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
                continue;
            // In page order: a page-range file by its range, any other by the number it
            // begins with, after them all when it has none.
            bool ok = false;
            int page = name.section(QLatin1Char('_'), 0, 0).toInt(&ok);
            if (const auto k = CanonLayout::rangeOfFile(name)) {
                page = CanonLayout::range(*k).first;
                ok = true;
            }
            // What is not a plain file (a folder, a broken link, a pipe) is never opened.
            mine.push_back({v, ok ? page : 100000, fi.filePath(), fi.isFile() ? fi.size() : 0,
                            fi.isFile()});
        }
        std::sort(mine.begin(), mine.end(), [](const CanonFile& a, const CanonFile& b) {
            return a.firstPage != b.firstPage ? a.firstPage < b.firstPage : a.path < b.path;
        });
        files.insert(files.end(), mine.begin(), mine.end());
    }
    return files;
}

struct Search::State {
    QString folder;
    Query query;
    std::vector<SearchWord> words;
    Callbacks cb;
    std::once_flag listed;
    std::vector<CanonFile> files;
    std::vector<size_t> order;                 // in which the files are taken
    std::vector<std::vector<PageHit>> results; // per file
    std::map<int, int> remaining;              // files still to search, per volume
    std::vector<int> volumes;                  // in order
    size_t nextVolume = 0;                     // the first volume not yet reported
    std::atomic<size_t> nextFile{0};
    std::atomic<bool> stop{false};
    std::atomic<qint64> bytes{0};
    std::atomic<int> unreadable{0};
    qint64 total = 0;
    std::mutex m;
    Summary summary;
    QElapsedTimer clock;
    std::vector<std::thread> threads;
    int running = 0;
    bool finished = false;

    // The page files, listed once by whichever thread comes first; the others wait for it.
    void list() {
        if (!words.empty())
            files = listFiles(folder, query.firstVolume, query.lastVolume);
        results.resize(files.size());
        for (const CanonFile& f : files) {
            if (remaining[f.volume]++ == 0)
                volumes.push_back(f.volume);
            total += f.size;
        }
        // Files far larger than a page file are read first, so that no thread is left with
        // one at the end while the others wait; the rest in volume order, for the first
        // results soon.
        for (size_t i = 0; i < files.size(); ++i)
            if (files[i].size > kAtOnce)
                order.push_back(i);
        for (size_t i = 0; i < files.size(); ++i)
            if (files[i].size <= kAtOnce)
                order.push_back(i);
    }

    void work() {
        // Below the window that shows the results, which must go on answering while every
        // core reads.
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 5);
        std::call_once(listed, [this] { list(); });
        for (;;) {
            if (stop)
                break;
            const size_t next = nextFile++;
            if (next >= order.size())
                break;
            const size_t i = order[next];
            const CanonFile& f = files[i];
            auto hits = searchFile(f, words, query, stop);
            if (stop)
                break;
            if (!hits)
                ++unreadable;
            else
                for (PageHit& h : *hits) {
                    h.volume = f.volume;
                    h.file = f.path;
                }
            bytes += f.size;
            if (cb.progress)
                cb.progress(bytes, total);
            done(i, hits ? std::move(*hits) : std::vector<PageHit>());
        }
        std::lock_guard<std::mutex> l(m);
        if (--running == 0)
            finish();
    }

    // Reports every volume whose files are all searched, in volume order.
    void done(size_t i, std::vector<PageHit> hits) {
        std::lock_guard<std::mutex> l(m);
        results[i] = std::move(hits);
        --remaining[files[i].volume];
        while (nextVolume < volumes.size() && remaining[volumes[nextVolume]] == 0 && !stop) {
            VolumeHits v;
            v.volume = volumes[nextVolume];
            for (size_t k = 0; k < files.size(); ++k)
                if (files[k].volume == v.volume)
                    for (PageHit& h : results[k])
                        v.pages.push_back(std::move(h));
            if (!v.pages.empty()) {
                summary.volumes += 1;
                summary.pages += long(v.pages.size());
                summary.hits += v.hits();
            }
            ++nextVolume;
            if (cb.volume)
                cb.volume(std::move(v));
        }
    }

    void finish() {
        if (finished)
            return;
        finished = true;
        summary.bytes = bytes;
        summary.unreadable = unreadable;
        summary.cancelled = stop && nextVolume < volumes.size();
        summary.seconds = clock.nsecsElapsed() / 1e9;
        if (cb.finished)
            cb.finished(summary);
    }
};

Search::Search(QString programFolder, Query query, Callbacks callbacks, int threads)
    : s_(std::make_shared<State>()) {
    State& s = *s_;
    s.clock.start();
    s.folder = std::move(programFolder);
    s.query = std::move(query);
    s.words = searchKeys(s.query);
    s.cb = std::move(callbacks);
    const int n = threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency()));
    s.running = n;
    for (int t = 0; t < n; ++t)
        s.threads.emplace_back([state = s_] { state->work(); });
}

Search::~Search() {
    cancel();
}

void Search::cancel() {
    s_->stop = true;
    wait();
}

void Search::wait() {
    for (std::thread& t : s_->threads)
        if (t.joinable())
            t.join();
}

} // namespace canon
