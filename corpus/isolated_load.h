#pragma once
// Runs the loader helper as a child process under a time and a memory limit and takes
// over the SQLite database it hands back in a shared memory file.
#include <cstddef>
#include <sqlite3.h>
#include <string>

namespace corpus {

struct LoadLimits {
    // Wall-clock time allowed: a slow disk or optical media may take long to read, so it is
    // the connection's time-out; the processor time is what stops libmdb looping on damage.
    int seconds = 30;
    int cpuSeconds = 4;
    unsigned long long memoryBytes = 2ull << 30; // address space of the child, and the table's size
};

// The database and the memory it reads from (mapped from the helper's output).
struct LoadOutcome {
    sqlite3* db = nullptr; // owned by the caller; null on failure
    void* map = nullptr;   // unmap after closing db
    size_t mapSize = 0;
    std::string error; // one line, for failures
};

// The helper is run as: helper MDBFILE 3, and writes the database to descriptor 3.
LoadOutcome loadIsolated(const std::string& helper, const std::string& mdbPath,
                         const LoadLimits& limits = {});

} // namespace corpus
