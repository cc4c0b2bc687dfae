#include "corpus/isolated_load.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corpus {

namespace {

void closePipe(int p[2]) {
    if (p[0] >= 0) ::close(p[0]);
    if (p[1] >= 0) ::close(p[1]);
}

std::string lastLine(const std::string& s) {
    std::string t = s;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
    const size_t nl = t.rfind('\n');
    // Our own helper's message is the one that counts; libmdb's chatter precedes it.
    const size_t own = t.rfind("velkaro-load: ");
    if (own != std::string::npos) {
        std::string line = t.substr(own + 14);
        const size_t e = line.find('\n');
        return e == std::string::npos ? line : line.substr(0, e);
    }
    return nl == std::string::npos ? t : t.substr(nl + 1);
}

} // namespace

LoadOutcome loadIsolated(const std::string& helper, const std::string& mdbPath,
                         const LoadLimits& limits) {
    LoadOutcome out;
    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        closePipe(outPipe);
        closePipe(errPipe);
        out.error = "cannot create a pipe";
        return out;
    }
    std::vector<char*> argv = {const_cast<char*>(helper.c_str()),
                               const_cast<char*>(mdbPath.c_str()), nullptr};
    const rlimit mem{limits.memoryBytes, limits.memoryBytes};
    const rlimit cpu{rlim_t(limits.seconds + 1), rlim_t(limits.seconds + 2)};
    const rlimit core{0, 0};

    const pid_t pid = ::fork();
    if (pid < 0) {
        closePipe(outPipe);
        closePipe(errPipe);
        out.error = "cannot start the loader";
        return out;
    }
    if (pid == 0) {
        // Only async-signal-safe calls until exec.
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        const int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
        ::setrlimit(RLIMIT_AS, &mem);
        ::setrlimit(RLIMIT_CPU, &cpu);
        ::setrlimit(RLIMIT_CORE, &core);
        ::execv(helper.c_str(), argv.data());
        static const char msg[] = "velkaro-load: cannot run the loader\n";
        (void)!::write(STDERR_FILENO, msg, sizeof msg - 1);
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);

    // A wide pipe and large reads straight into the buffer the engine will own.
    ::fcntl(outPipe[0], F_SETPIPE_SZ, 1 << 20);
    sqlite3_int64 cap = 1 << 22, size = 0;
    auto* data = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(cap)));
    std::string err;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.seconds);
    bool outOpen = true, errOpen = true, timedOut = false, tooLarge = false;
    std::vector<char> buf(1 << 16);
    bool noMemory = !data;
    while (outOpen || errOpen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd fds[2];
        int n = 0;
        if (outOpen) fds[n++] = {outPipe[0], POLLIN, 0};
        if (errOpen) fds[n++] = {errPipe[0], POLLIN, 0};
        const int r = ::poll(fds, nfds_t(n), int(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        for (int i = 0; i < n; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const bool isOut = fds[i].fd == outPipe[0];
            if (isOut && data && cap - size < (1 << 20)) {
                cap *= 2;
                auto* grown = static_cast<unsigned char*>(sqlite3_realloc64(data, sqlite3_uint64(cap)));
                if (!grown) {
                    noMemory = true;
                    outOpen = errOpen = false;
                    break;
                }
                data = grown;
            }
            const ssize_t got = isOut && data ? ::read(fds[i].fd, data + size, size_t(cap - size))
                                              : ::read(fds[i].fd, buf.data(), buf.size());
            if (got <= 0) {
                (isOut ? outOpen : errOpen) = false;
            } else if (isOut) {
                size += got;
                if (sqlite3_uint64(size) > limits.memoryBytes) {
                    tooLarge = true;
                    outOpen = errOpen = false;
                }
            } else if (err.size() < 65536) {
                err.append(buf.data(), size_t(got));
            }
        }
    }
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    if (timedOut || tooLarge || noMemory) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut || noMemory || tooLarge || !WIFEXITED(status) || WEXITSTATUS(status) != 0) sqlite3_free(data);
    if (timedOut) {
        out.error = "the database file took too long to read (damaged?)";
        return out;
    }
    if (noMemory) {
        out.error = "out of memory";
        return out;
    }
    if (tooLarge) {
        out.error = "the loader handed back more than the memory limit";
        return out;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const std::string why = lastLine(err);
        if (WIFSIGNALED(status))
            out.error = "the database file could not be read (loader stopped by signal " +
                        std::to_string(WTERMSIG(status)) + ")";
        else
            out.error = why.empty() ? "the database file could not be read" : why;
        return out;
    }

    sqlite3* db = nullptr;
    // One thread uses it: no locking around every call.
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_free(data);
        sqlite3_close(db);
        out.error = "cannot create the engine";
        return out;
    }
    // The engine takes the buffer over, whatever happens next.
    if (sqlite3_deserialize(db, "main", data, size, cap,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) != SQLITE_OK ||
        sqlite3_exec(db, "SELECT * FROM Velkaro LIMIT 0", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        out.error = "the loader handed back no usable table";
        return out;
    }
    // A page cache that holds the whole table: pages are copied out of the buffer once.
    sqlite3_exec(db, "PRAGMA cache_size=-1048576", nullptr, nullptr, nullptr);
    out.db = db;
    return out;
}

} // namespace corpus
