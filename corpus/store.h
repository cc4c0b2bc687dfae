#pragma once
// Keeps the topic table loaded while its file stays the same, and loads it again when
// the file changes.
#include "corpus/isolated_load.h"

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
};

// The loader beside the running executable, or the one of the build tree.
std::string defaultHelper();

} // namespace corpus
