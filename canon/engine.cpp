#include "canon/engine.h"

#include "canon/cp874_scan.h"

#include "pagefile/decode.h"
#include "thai/codec.h"
#include "thai/normalise.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

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

bool isBlock(QStringView name) {
    static const char* const blocks[] = {"p",  "br", "div", "tr", "td", "th", "li",
                                         "h1", "h2", "h3",  "h4", "h5", "h6", "table",
                                         "hr", "blockquote", "center", "dd", "dt", "ul",
                                         "ol", "pre", "title", "body", "head"};
    for (const char* b : blocks)
        if (name.compare(QLatin1String(b), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString entityText(QStringView name, bool& ok) {
    ok = true;
    if (name.startsWith(QLatin1Char('#'))) {
        bool good = false;
        const uint v = name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'))
                           ? name.mid(2).toUInt(&good, 16)
                           : name.mid(1).toUInt(&good, 10);
        if (good && v > 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF))
            return QString::fromUcs4(reinterpret_cast<const char32_t*>(&v), 1);
        ok = false;
        return {};
    }
    static const std::pair<const char*, char16_t> named[] = {
        {"nbsp", 0x00A0}, {"amp", u'&'},   {"lt", u'<'},      {"gt", u'>'},
        {"quot", u'"'},   {"apos", u'\''}, {"shy", 0x00AD},   {"zwsp", 0x200B},
        {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}};
    for (const auto& [n, c] : named)
        if (name == QLatin1String(n))
            return QString(QChar(c));
    ok = false;
    return {};
}

// The value of a name="…" attribute in a tag, or empty.
QString nameAttribute(QStringView tag) {
    for (qsizetype i = 0; i + 4 < tag.size(); ++i) {
        if (!tag[i].isSpace() || tag.mid(i + 1, 4).compare(QLatin1String("name"), Qt::CaseInsensitive) != 0)
            continue;
        qsizetype k = i + 5;
        while (k < tag.size() && tag[k].isSpace())
            ++k;
        if (k >= tag.size() || tag[k] != QLatin1Char('='))
            continue;
        ++k;
        while (k < tag.size() && tag[k].isSpace())
            ++k;
        QChar quote;
        if (k < tag.size() && (tag[k] == QLatin1Char('"') || tag[k] == QLatin1Char('\'')))
            quote = tag[k++];
        const qsizetype start = k;
        while (k < tag.size() && tag[k] != QLatin1Char('>') &&
               (quote.isNull() ? !tag[k].isSpace() : tag[k] != quote))
            ++k;
        return tag.mid(start, k - start).toString();
    }
    return {};
}

} // namespace

PageText pageText(QStringView html) {
    PageText out;
    out.text.reserve(html.size() / 2);
    const qsizetype n = html.size();
    qsizetype i = 0;
    auto separate = [&] {
        if (!out.text.isEmpty() && out.text.back() != QLatin1Char('\n'))
            out.text += QLatin1Char('\n');
    };
    while (i < n) {
        const QChar c = html[i];
        if (c == QLatin1Char('<') && i + 1 < n) {
            if (html.mid(i, 4) == QLatin1String("<!--")) {
                const qsizetype e = html.indexOf(QLatin1String("-->"), i + 4);
                i = e < 0 ? n : e + 3;
                continue;
            }
            const QChar next = html[i + 1];
            if (next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!') ||
                next == QLatin1Char('?')) {
                qsizetype e = i + 1;
                QChar quote;
                for (; e < n; ++e) {
                    const QChar t = html[e];
                    if (!quote.isNull()) {
                        if (t == quote || t == QLatin1Char('\n'))
                            quote = QChar();
                    } else if (t == QLatin1Char('"') || t == QLatin1Char('\'')) {
                        quote = t;
                    } else if (t == QLatin1Char('>')) {
                        break;
                    }
                }
                const QStringView tag = html.mid(i, std::min(e + 1, n) - i);
                qsizetype k = i + (next == QLatin1Char('/') ? 2 : 1);
                const qsizetype s = k;
                while (k < n && html[k].isLetterOrNumber())
                    ++k;
                const QStringView name = html.mid(s, k - s);
                i = std::min(e + 1, n);
                if (next != QLatin1Char('/') &&
                    (name.compare(QLatin1String("script"), Qt::CaseInsensitive) == 0 ||
                     name.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0 ||
                     name.compare(QLatin1String("title"), Qt::CaseInsensitive) == 0)) {
                    // Not text of the page: up to its end tag.
                    const qsizetype end =
                        html.indexOf(QStringLiteral("</") + name.toString(), i, Qt::CaseInsensitive);
                    const qsizetype close = end < 0 ? -1 : html.indexOf(QLatin1Char('>'), end);
                    i = close < 0 ? n : close + 1;
                    continue;
                }
                if (isBlock(name))
                    separate();
                else if (next != QLatin1Char('/') &&
                         name.compare(QLatin1String("a"), Qt::CaseInsensitive) == 0) {
                    const QString anchor = nameAttribute(tag);
                    if (!anchor.isEmpty())
                        out.anchors.emplace_back(int(out.text.size()), anchor);
                }
                continue;
            }
        }
        if (c == QLatin1Char('&')) {
            const qsizetype semi = html.indexOf(QLatin1Char(';'), i + 1);
            if (semi > i && semi - i <= 10) {
                bool ok = false;
                const QString e = entityText(html.mid(i + 1, semi - i - 1), ok);
                if (ok) {
                    out.text += e;
                    i = semi + 1;
                    continue;
                }
            }
        }
        // A run of plain text at once, up to the next tag or entity.
        qsizetype e = i + 1;
        while (e < n && html[e] != QLatin1Char('<') && html[e] != QLatin1Char('&'))
            ++e;
        const qsizetype at = out.text.size();
        out.text += html.mid(i, e - i);
        // Line breaks and tabs in the file are blanks, as the view shows them.
        QChar* d = out.text.data() + at;
        for (qsizetype k = 0; k < e - i; ++k)
            if (d[k] == QLatin1Char('\r') || d[k] == QLatin1Char('\n') || d[k] == QLatin1Char('\t'))
                d[k] = QLatin1Char(' ');
        i = e;
    }
    return out;
}

namespace {

QString snippetAround(const QString& text, int from, int to, int& markFrom) {
    constexpr int kBefore = 36, kLength = 80;
    int start = std::max(0, from - kBefore);
    // Not in the middle of a character's marks.
    while (start > 0 && (text[start].category() == QChar::Mark_NonSpacing || text[start].isLowSurrogate()))
        --start;
    int end = std::min<int>(int(text.size()), std::max(to, start + kLength));
    while (end < text.size() && (text[end].category() == QChar::Mark_NonSpacing || text[end].isLowSurrogate()))
        ++end;
    QString s = text.mid(start, end - start);
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    markFrom = from - start;
    return s;
}

} // namespace

std::vector<PageHit> searchPage(const PageText& page, const QStringList& words, bool allWords,
                                int volume, const QString& file) {
    std::vector<PageHit> out;
    if (words.isEmpty())
        return out;
    // Most files of a rare word hold none of it: folded without the position map first.
    thread_local QString quick;
    quick = thai::foldWord(page.text);
    bool any = false;
    for (const QString& w : words)
        any = any || quick.contains(w);
    if (!any || (allWords && !std::all_of(words.begin(), words.end(),
                                          [&](const QString& w) { return quick.contains(w); })))
        return out;
    thread_local thai::Folded folded;
    thai::fold(page.text, folded);
    // Every place of every word, with the page it stands on.
    struct Place {
        int from, to, word;
        QString page;
    };
    std::vector<Place> places;
    for (int w = 0; w < words.size(); ++w)
        for (const auto& [a, b] : thai::findAll(folded, words[w]))
            places.push_back({a, b, w, QString()});
    if (places.empty())
        return out;
    std::sort(places.begin(), places.end(),
              [](const Place& x, const Place& y) { return x.from < y.from; });
    size_t anchor = 0;
    QString current;
    for (Place& p : places) {
        while (anchor < page.anchors.size() && page.anchors[anchor].first <= p.from)
            current = page.anchors[anchor++].second;
        p.page = current;
    }
    // Pages in order of their first place; all words: only pages that hold every word.
    std::map<int, std::vector<const Place*>> byOrder;
    std::map<QString, int> order;
    for (const Place& p : places) {
        auto it = order.find(p.page);
        if (it == order.end())
            it = order.emplace(p.page, int(order.size())).first;
        byOrder[it->second].push_back(&p);
    }
    for (const auto& [k, list] : byOrder) {
        if (allWords) {
            std::vector<bool> seen(size_t(words.size()), false);
            for (const Place* p : list)
                seen[size_t(p->word)] = true;
            if (std::find(seen.begin(), seen.end(), false) != seen.end())
                continue;
        }
        PageHit h;
        h.volume = volume;
        h.file = file;
        h.page = list.front()->page;
        h.hits = int(list.size());
        h.snippet = snippetAround(page.text, list.front()->from, list.front()->to, h.markFrom);
        h.markLength = list.front()->to - list.front()->from;
        out.push_back(std::move(h));
    }
    return out;
}

namespace {

// The stretch of a file around a place, from just after a tag to just before one.
std::pair<int, int> stretch(const QByteArray& raw, int start, int end) {
    const auto* p = raw.constData();
    const int n = int(raw.size());
    int from = std::max(0, start - 200);
    for (int k = from; k > std::max(0, start - 3000); --k)
        if (p[k] == '>') {
            from = k + 1;
            break;
        }
    int to = std::min(n, end + 200);
    for (int k = to; k < std::min(n, end + 3000); ++k)
        if (p[k] == '<') {
            to = k;
            break;
        }
    return {from, to};
}

// The snippet around a place found by the fast path: the stretch around it read the slow
// way, which gives the place among the text as shown; before: places of the same word in
// the stretch ahead of it.
void snippetFromFile(const QByteArray& raw, std::pair<int, int> range, int before,
                     const QString& word, PageHit& h) {
    const PageText text =
        pageText(thai::decodeWindows874(raw.mid(range.first, range.second - range.first)));
    const thai::Folded folded = thai::fold(text.text);
    const auto places = thai::findAll(folded, word);
    if (places.empty())
        return;
    const auto& place = places[size_t(std::min<int>(before, int(places.size()) - 1))];
    h.snippet = snippetAround(text.text, place.first, place.second, h.markFrom);
    h.markLength = place.second - place.first;
}

} // namespace

std::vector<PageHit> searchCp874(const QByteArray& raw, const std::vector<std::string>& cpWords,
                                 const QStringList& words, bool allWords, int volume,
                                 const QString& file) {
    std::vector<PageHit> out;
    thread_local Cp874Text t;
    scanCp874(raw, t);
    struct Place {
        int from, to, word;
        size_t page; // index of the anchor before it, +1; 0 before any
    };
    std::vector<Place> places;
    for (size_t w = 0; w < cpWords.size(); ++w) {
        const std::string& needle = cpWords[w];
        const char* base = t.folded.data();
        const size_t size = t.length;
        size_t at = 0;
        while (at + needle.size() <= size) {
            const void* hit = memmem(base + at, size - at, needle.data(), needle.size());
            if (!hit)
                break;
            const int pos = int(static_cast<const char*>(hit) - base);
            places.push_back({pos, pos + int(needle.size()), int(w), 0});
            at = size_t(pos) + needle.size();
        }
    }
    if (places.empty())
        return out;
    std::sort(places.begin(), places.end(),
              [](const Place& a, const Place& b) { return a.from < b.from; });
    size_t anchor = 0;
    for (Place& p : places) {
        while (anchor < t.anchors.size() && t.anchors[anchor].first <= p.from)
            ++anchor;
        p.page = anchor;
    }
    // Places grouped by page, pages in order.
    for (size_t i = 0; i < places.size();) {
        size_t j = i;
        std::vector<bool> seen(cpWords.size(), false);
        while (j < places.size() && places[j].page == places[i].page)
            seen[size_t(places[j++].word)] = true;
        if (!allWords || std::find(seen.begin(), seen.end(), false) == seen.end()) {
            PageHit h;
            h.volume = volume;
            h.file = file;
            h.page = places[i].page == 0 ? QString() : t.anchors[places[i].page - 1].second;
            h.hits = int(j - i);
            // Places of the same word between the stretch's start and this one.
            const Place& first = places[i];
            const int start = t.source[size_t(first.from)];
            const auto range = stretch(raw, start, t.source[size_t(first.to - 1)] + 1);
            int before = 0;
            for (size_t k = i; k-- > 0;) {
                if (t.source[size_t(places[k].from)] < range.first)
                    break;
                before += places[k].word == first.word ? 1 : 0;
            }
            snippetFromFile(raw, range, before, words[first.word], h);
            out.push_back(std::move(h));
        }
        i = j;
    }
    return out;
}

bool hasCanon(const QString& programFolder) {
    return QFileInfo(entry(programFolder, QStringLiteral("91book"))).isDir();
}

std::vector<CanonFile> listFiles(const QString& programFolder, int first, int last) {
    std::vector<CanonFile> files;
    const QString root = entry(programFolder, QStringLiteral("91book"));
    if (root.isEmpty())
        return files;
    first = std::max(first, 1);
    last = std::min(last, 91);
    for (int v = first; v <= last; ++v) {
        const QString folder = entry(root, QStringLiteral("book%1").arg(v, 2, 10, QLatin1Char('0')));
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
            bool ok = false;
            const int page = name.section(QLatin1Char('_'), 0, 0).toInt(&ok);
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
    QStringList words;
    std::vector<std::string> cpWords; // the same in windows-874; empty when one cannot be
    Callbacks cb;
    std::vector<CanonFile> files;
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

    void work() {
        for (;;) {
            if (stop)
                break;
            const size_t i = nextFile++;
            if (i >= files.size())
                break;
            const CanonFile& f = files[i];
            std::vector<PageHit> hits;
            QFile file(f.path);
            // One page file at a time, into a buffer kept for the next; never one of a size
            // no page file has.
            constexpr qint64 kMaxFile = 64ll << 20;
            thread_local QByteArray raw;
            if (!f.readable || f.size > kMaxFile || !file.open(QIODevice::ReadOnly)) {
                ++unreadable;
            } else {
                raw.resize(f.size);
                const qint64 got = file.read(raw.data(), f.size);
                if (got < 0 || file.error() != QFileDevice::NoError)
                    ++unreadable;
                else if ((raw.resize(got), false))
                    ;
                else if (!cpWords.empty() &&
                         pagefile::sniff(raw) == pagefile::Encoding::Windows874)
                    hits = searchCp874(raw, cpWords, words, query.allWords, f.volume, f.path);
                else
                    hits = searchPage(pageText(pagefile::decode(raw)), words, query.allWords,
                                      f.volume, f.path);
            }
            bytes += f.size;
            if (cb.progress)
                cb.progress(bytes, total);
            done(i, std::move(hits));
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
    s.words = searchWords(s.query);
    for (const QString& w : s.words) {
        const auto b = cp874Word(w);
        if (!b) {
            s.cpWords.clear();
            break;
        }
        s.cpWords.push_back(*b);
    }
    s.cb = std::move(callbacks);
    if (!s.words.isEmpty())
        s.files = listFiles(s.folder, s.query.firstVolume, s.query.lastVolume);
    s.results.resize(s.files.size());
    for (const CanonFile& f : s.files) {
        if (s.remaining[f.volume]++ == 0)
            s.volumes.push_back(f.volume);
        s.total += f.size;
    }
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

qint64 Search::totalBytes() const {
    return s_->total;
}

} // namespace canon
