#include "corpus/isolated_load.h"

#include "corpus/like.h"
#include "corpus/log.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corpus {

namespace {

std::string lastLine(const std::string& s) {
    std::string t = s;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r'))
        t.pop_back();
    // Our own helper's message is the one that counts; libmdb's chatter precedes it.
    const size_t own = t.rfind("velkaro-load: ");
    if (own != std::string::npos) {
        std::string line = t.substr(own + 14);
        const size_t e = line.find('\n');
        return e == std::string::npos ? line : line.substr(0, e);
    }
    const size_t nl = t.rfind('\n');
    return nl == std::string::npos ? t : t.substr(nl + 1);
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

LoadOutcome loadIsolated(const std::string& helper, const std::string& mdbPath,
                         const LoadLimits& limits) {
    LoadOutcome out;
    // The table comes back in a memory file the parent maps: no pipe, no copy.
    Fd shm, errRead, errWrite;
    shm.fd = ::memfd_create("velkaro-table", MFD_CLOEXEC);
    int errPipe[2] = {-1, -1};
    if (shm.fd < 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        out.error = "cannot prepare the hand-over";
        return out;
    }
    errRead.fd = errPipe[0];
    errWrite.fd = errPipe[1];
    static const char kOutFd[] = "3";
    std::vector<char*> argv = {const_cast<char*>(helper.c_str()),
                               const_cast<char*>(mdbPath.c_str()), const_cast<char*>(kOutFd),
                               nullptr};
    const rlimit mem{limits.memoryBytes, limits.memoryBytes};
    const rlimit cpu{rlim_t(limits.cpuSeconds), rlim_t(limits.cpuSeconds + 1)};
    const rlimit core{0, 0};

    const pid_t pid = ::fork();
    if (pid < 0) {
        out.error = "cannot start the loader";
        return out;
    }
    if (pid == 0) {
        // Only async-signal-safe calls until exec.
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, STDIN_FILENO);
            ::dup2(devnull, STDOUT_FILENO);
        }
        ::dup2(errPipe[1], STDERR_FILENO);
        // Descriptor 3 carries the table; dup2 onto itself would leave it close-on-exec.
        if (shm.fd == 3)
            ::fcntl(3, F_SETFD, 0);
        else
            ::dup2(shm.fd, 3);
        ::setrlimit(RLIMIT_AS, &mem);
        ::setrlimit(RLIMIT_FSIZE, &mem); // the memory file counts too
        ::setrlimit(RLIMIT_CPU, &cpu);
        ::setrlimit(RLIMIT_CORE, &core);
        ::execv(helper.c_str(), argv.data());
        static const char msg[] = "velkaro-load: cannot run the loader\n";
        (void)!::write(STDERR_FILENO, msg, sizeof msg - 1);
        ::_exit(127);
    }
    ::close(errWrite.fd);
    errWrite.fd = -1;

    // Collect the child's messages until it closes its end, within the time allowed.
    std::string err;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.seconds);
    bool timedOut = false;
    char buf[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{errRead.fd, POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            timedOut = true; // cannot watch the loader: stop it rather than wait blind
            break;
        }
        if (r == 0)
            continue;
        const ssize_t got = ::read(errRead.fd, buf, sizeof buf);
        if (got <= 0)
            break;
        if (err.size() < 65536)
            err.append(buf, size_t(got));
    }
    if (timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    // The child has closed its error output; it ends at once, but never wait unbounded.
    for (int i = 0; i < 2000; ++i) {
        const pid_t w = ::waitpid(pid, &status, timedOut ? 0 : WNOHANG);
        if (w == pid)
            break;
        if (w < 0 && errno != EINTR)
            break;
        if (i == 1999) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            timedOut = true;
        } else {
            ::usleep(1000);
        }
    }
    if (timedOut) {
        qCWarning(lcCorpus, "the loader of %s passed its %d s limit and was stopped", mdbPath.c_str(),
                  limits.seconds);
        out.error = "the database file took too long to read (damaged?)";
        return out;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const std::string why = lastLine(err);
        if (WIFSIGNALED(status))
            qCWarning(lcCorpus,
                      "the loader of %s was stopped by signal %d (a limit of %d s of processor "
                      "time or %llu bytes of memory, or a fault)",
                      mdbPath.c_str(), WTERMSIG(status), limits.cpuSeconds, limits.memoryBytes);
        if (WIFSIGNALED(status))
            out.error = "the database file could not be read (loader stopped by signal " +
                        std::to_string(WTERMSIG(status)) + ")";
        else
            out.error = why.empty() ? "the database file could not be read" : why;
        return out;
    }

    struct stat st {};
    if (::fstat(shm.fd, &st) != 0 || st.st_size <= 0 ||
        static_cast<unsigned long long>(st.st_size) > limits.memoryBytes) {
        out.error = "the loader handed back no usable table";
        return out;
    }
    const size_t size = size_t(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, shm.fd, 0);
    if (map == MAP_FAILED) {
        out.error = "out of memory";
        return out;
    }
    sqlite3* db = nullptr;
    // One thread uses it: no locking around every call.
    const bool ok =
        sqlite3_open_v2(":memory:", &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) == SQLITE_OK &&
        sqlite3_deserialize(db, "main", static_cast<unsigned char*>(map), sqlite3_int64(size),
                            sqlite3_int64(size), SQLITE_DESERIALIZE_READONLY) == SQLITE_OK &&
        sqlite3_exec(db, "SELECT * FROM Velkaro LIMIT 0", nullptr, nullptr, nullptr) == SQLITE_OK &&
        installLike(db);
    if (!ok) {
        sqlite3_close(db);
        ::munmap(map, size);
        out.error = "the loader handed back no usable table";
        return out;
    }
    // A page cache that holds the whole table: pages are copied out of the mapping once.
    sqlite3_exec(db, "PRAGMA cache_size=-1048576", nullptr, nullptr, nullptr);
    out.db = db;
    out.map = map;
    out.mapSize = size;
    return out;
}

} // namespace corpus
