#pragma once
// Keeps the topic table loaded while its file stays the same, and loads it again when
// the file changes.
#include "corpus/isolated_load.h"

#include <future>
#include <memory>
#include <sqlite3.h>
#include <string>

namespace corpus {

// One loaded copy of the table in the embedded engine.
class LoadedCorpus {
  public:
    explicit LoadedCorpus(const LoadOutcome& o) : db_(o.db), map_(o.map), mapSize_(o.mapSize) {}
    ~LoadedCorpus();
    LoadedCorpus(const LoadedCorpus&) = delete;
    LoadedCorpus& operator=(const LoadedCorpus&) = delete;
    sqlite3* db() const { return db_; }
    // Rows the file's table holds that could not be read.
    long unreadRows() const;

  private:
    sqlite3* db_;
    void* map_;
    size_t mapSize_;
};

class CorpusStore {
  public:
    // helper: the loader executable; empty for the one beside this program.
    explicit CorpusStore(std::string helper = {}, LoadLimits limits = {});

    // The loaded table of the file at path, or null with a reason. A time-out in seconds
    // above 0 replaces the wall-clock limit of loading.
    std::shared_ptr<LoadedCorpus> open(const std::string& path, std::string* error,
                                       int timeoutSeconds = 0);
    // Starts loading the file at path on a thread of its own; the next open() of the same,
    // unchanged file takes that load instead of starting one. Nothing of it is reported
    // until then: a load that failed fails that open() as a load of its own would.
    void preload(const std::string& path, int timeoutSeconds = 0);
    ~CorpusStore();
    CorpusStore(const CorpusStore&) = delete;
    CorpusStore& operator=(const CorpusStore&) = delete;

    // A reading begun by preload() that no open() has taken yet.
    bool preloadPending() const { return preload_.valid(); }
    int loadCount() const { return loads_; }
    const std::string& helper() const { return helper_; }

  private:
    std::string helper_;
    LoadLimits limits_;
    std::string path_;
    long long size_ = -1;
    long long mtimeNs_ = -1;
    long long inode_ = -1;
    std::shared_ptr<LoadedCorpus> current_;
    int loads_ = 0;

    // The file as stat saw it: a load stands for the file only while these stay.
    struct Identity {
        long long size = -1, mtimeNs = -1, inode = -1;
        bool operator==(const Identity&) const = default;
    };
    static bool identify(const std::string& path, Identity* id);
    struct Preloaded {
        std::string path;
        Identity before;
        LoadOutcome outcome;
    };
    std::future<Preloaded> preload_;
    std::shared_ptr<LoadedCorpus> adopt(LoadOutcome& o, const std::string& path,
                                        const Identity& id, std::string* error);
};

// The loader beside the running executable, or the one of the build tree.
std::string defaultHelper();

} // namespace corpus
