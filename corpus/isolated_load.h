#pragma once
// Runs the loader helper as a child process under a time and a memory limit and takes
// over the SQLite database it hands back.
#include <sqlite3.h>
#include <string>

namespace corpus {

struct LoadLimits {
    int seconds = 5;                       // wall-clock time allowed
    unsigned long long memoryBytes = 2ull << 30; // address space of the child
};

struct LoadOutcome {
    sqlite3* db = nullptr; // owned by the caller; null on failure
    std::string error;     // one line, for failures
};

LoadOutcome loadIsolated(const std::string& helper, const std::string& mdbPath,
                         const LoadLimits& limits = {});

} // namespace corpus
