#include "corpus/store.h"

#include "corpus/log.h"
#include "corpus/statement.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <sys/mman.h>
#include <sys/stat.h>

#ifndef VELKARO_LOAD_HELPER
#define VELKARO_LOAD_HELPER ""
#endif

namespace corpus {

LoadedCorpus::~LoadedCorpus() {
    sqlite3_close(db_);
    if (map_)
        ::munmap(map_, mapSize_);
}

std::string defaultHelper() {
    if (QCoreApplication::instance()) {
        const QString beside =
            QCoreApplication::applicationDirPath() + QStringLiteral("/velkaro-load");
        if (QFileInfo(beside).isExecutable())
            return beside.toStdString();
    }
    return VELKARO_LOAD_HELPER;
}

CorpusStore::CorpusStore(std::string helper, LoadLimits limits)
    : helper_(helper.empty() ? defaultHelper() : std::move(helper)), limits_(limits) {
    // Memory statistics cost a global lock on every allocation; nothing reads them. Takes
    // effect only before the engine's first use, and is harmless after.
    static const bool once = (sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0), true);
    (void)once;
}

long LoadedCorpus::unreadRows() const {
    // The loader leaves the count in the database's user version.
    Statement st(db_, "PRAGMA user_version");
    return st.step() == Statement::Step::Row ? long(st.integer(0)) : 0;
}

bool CorpusStore::identify(const std::string& path, Identity* id) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    id->size = st.st_size;
    id->mtimeNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    id->inode = (long long)st.st_ino;
    return true;
}

CorpusStore::~CorpusStore() {
    if (preload_.valid()) {
        Preloaded p = preload_.get();
        if (p.outcome.db)
            LoadedCorpus discard(p.outcome); // closes and unmaps
    }
}

void CorpusStore::preload(const std::string& path, int timeoutSeconds) {
    if (preload_.valid() || (current_ && path == path_))
        return;
    LoadLimits limits = limits_;
    if (timeoutSeconds > 0)
        limits.seconds = timeoutSeconds;
    preload_ = std::async(std::launch::async, [helper = helper_, path, limits] {
        Preloaded p;
        p.path = path;
        if (!identify(path, &p.before)) {
            p.outcome.error = "the database file is missing";
            return p;
        }
        p.outcome = loadIsolated(helper, path, limits);
        return p;
    });
}

std::shared_ptr<LoadedCorpus> CorpusStore::adopt(LoadOutcome& o, const std::string& path,
                                                 const Identity& id, std::string* error) {
    if (!o.db) {
        qCWarning(lcCorpus, "cannot load %s: %s", path.c_str(), o.error.c_str());
        path_.clear();
        if (error)
            *error = o.error;
        return nullptr;
    }
    current_ = std::make_shared<LoadedCorpus>(o);
    if (const long unread = current_->unreadRows())
        qCWarning(lcCorpus, "%s: %ld rows of the table could not be read", path.c_str(), unread);
    path_ = path;
    size_ = id.size;
    mtimeNs_ = id.mtimeNs;
    inode_ = id.inode;
    return current_;
}

std::shared_ptr<LoadedCorpus> CorpusStore::open(const std::string& path, std::string* error,
                                                int timeoutSeconds) {
    Identity id;
    const bool exists = identify(path, &id);
    // A load begun earlier counts if it was of this file as it still stands.
    if (preload_.valid()) {
        Preloaded p = preload_.get();
        if (exists && p.path == path && p.before == id && (p.outcome.db || !p.outcome.error.empty())) {
            current_.reset();
            ++loads_;
            return adopt(p.outcome, path, id, error);
        }
        if (p.outcome.db)
            LoadedCorpus discard(p.outcome);
    }
    if (!exists) {
        qCWarning(lcCorpus, "no database file at %s", path.c_str());
        current_.reset();
        path_.clear();
        if (error)
            *error = "the database file is missing";
        return nullptr;
    }
    if (current_ && path == path_ && id == Identity{size_, mtimeNs_, inode_})
        return current_;

    current_.reset();
    ++loads_;
    LoadLimits limits = limits_;
    if (timeoutSeconds > 0)
        limits.seconds = timeoutSeconds;
    LoadOutcome o = loadIsolated(helper_, path, limits);
    return adopt(o, path, id, error);
}

} // namespace corpus
