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

std::shared_ptr<LoadedCorpus> CorpusStore::open(const std::string& path, std::string* error,
                                                int timeoutSeconds) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        current_.reset();
        path_.clear();
        qCWarning(lcCorpus, "no database file at %s", path.c_str());
        if (error)
            *error = "the database file is missing";
        return nullptr;
    }
    const long long mtime = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    if (current_ && path == path_ && st.st_size == size_ && mtime == mtimeNs_ &&
        (long long)st.st_ino == inode_)
        return current_;

    current_.reset();
    ++loads_;
    LoadLimits limits = limits_;
    if (timeoutSeconds > 0)
        limits.seconds = timeoutSeconds;
    LoadOutcome o = loadIsolated(helper_, path, limits);
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
    size_ = st.st_size;
    mtimeNs_ = mtime;
    inode_ = (long long)st.st_ino;
    return current_;
}

} // namespace corpus
