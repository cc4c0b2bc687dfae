// The isolated loader: reads table Velkaro of a Jet 4.0 file with libmdb and writes it,
// as a serialized SQLite database, to standard output. It runs as a child process under
// time and memory limits, because libmdb can loop or overrun on damaged files.
#include "corpus/jet_text.h"
#include "corpus/schema.h"

// glib first: libmdb's header uses its types without including it.
#include <glib.h>
#include <mdbtools.h>
#include <sqlite3.h>

#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <malloc.h>
#include <sys/mman.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kBindSize = 256 * 1024; // longer than any title libmdb would hand over

int fail(const char* what) {
    std::fprintf(stderr, "velkaro-load: %s\n", what);
    return 2;
}

bool writeAll(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}

// Values of a run of rows, texts in one buffer; handed from the reading thread to the
// thread that inserts them, so that libmdb and the engine work at the same time.
struct Cell {
    enum Kind : uint8_t { Null, Int, Real, Text } kind = Null;
    int64_t i = 0;
    double d = 0;
    size_t off = 0, len = 0;
};
struct Batch {
    std::vector<Cell> cells; // kColumns.size() a row
    std::string text;
};

class Queue {
  public:
    void push(Batch b) {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [&] { return q_.size() < 8 || stop_; });
        q_.push_back(std::move(b));
        cv_.notify_all();
    }
    bool pop(Batch& b) {
        std::unique_lock<std::mutex> l(m_);
        cv_.wait(l, [&] { return !q_.empty() || done_; });
        if (q_.empty())
            return false;
        b = std::move(q_.front());
        q_.pop_front();
        cv_.notify_all();
        return true;
    }
    void finish() {
        std::lock_guard<std::mutex> l(m_);
        done_ = true;
        cv_.notify_all();
    }
    void stop() {
        std::lock_guard<std::mutex> l(m_);
        stop_ = true;
        done_ = true;
        q_.clear();
        cv_.notify_all();
    }
    bool stopped() {
        std::lock_guard<std::mutex> l(m_);
        return stop_;
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Batch> q_;
    bool done_ = false, stop_ = false;
};

int64_t little(const unsigned char* p, int n) {
    uint64_t v = 0;
    for (int k = n - 1; k >= 0; --k)
        v = (v << 8) | p[k];
    if (n < 8 && (v >> (8 * n - 1)) & 1)
        v |= ~uint64_t(0) << (8 * n); // sign
    return int64_t(v);
}

void putNumber(Cell& c, double d) {
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15) {
        c.kind = Cell::Int;
        c.i = static_cast<long long>(d);
    } else {
        c.kind = Cell::Real;
        c.d = d;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3)
        return fail("usage: velkaro-load FILE.mdb [OUTPUT-FD]");
    const int outFd = argc == 3 ? std::atoi(argv[2]) : STDOUT_FILENO;
    // libmdb allocates a bind-size buffer for every long text it reads; kept below the
    // mmap threshold, those come from the heap instead of fresh zeroed pages each time.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    // Its output charset follows this variable; the engine wants UTF-8.
    unsetenv("MDBICONV");

    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb)
        return fail("cannot open the database file");
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_boolean_fmt_words(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        return fail("cannot read the catalog");

    MdbCatalogEntry* entry = nullptr;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE &&
            g_ascii_strcasecmp(e->object_name, std::string(corpus::kTableName).c_str()) == 0) {
            entry = e;
            break;
        }
    }
    if (!entry)
        return fail("the file has no table Velkaro");
    MdbTableDef* table = mdb_read_table(entry);
    if (!table)
        return fail("cannot read table Velkaro");
    mdb_read_columns(table);
    mdb_rewind_table(table);

    // Which of the file's columns feeds which column of ours. Short texts and numbers are
    // decoded here from the row; long texts and other types go through libmdb's binding.
    const size_t ncols = table->num_cols;
    const size_t width = corpus::kColumns.size();
    std::vector<int> target(ncols, -1);
    std::vector<int> types(ncols, 0);
    std::vector<bool> bound(ncols, false);
    std::vector<std::vector<char>> bufs(ncols);
    std::vector<int> lens(ncols, 0);
    for (size_t i = 0; i < ncols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        types[i] = col->col_type;
        for (size_t k = 0; k < width; ++k)
            if (g_ascii_strcasecmp(col->name, std::string(corpus::kColumns[k]).c_str()) == 0)
                target[i] = int(k);
        if (target[i] < 0)
            continue;
        const int t = types[i];
        if (t == MDB_TEXT || t == MDB_BOOL || t == MDB_BYTE || t == MDB_INT || t == MDB_LONGINT ||
            t == MDB_FLOAT || t == MDB_DOUBLE)
            continue;
        bound[i] = true;
        bufs[i].assign(kBindSize + 1, '\0');
        mdb_bind_column(table, int(i) + 1, bufs[i].data(), &lens[i]);
    }

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        return fail("cannot create the engine");
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA temp_store=MEMORY;",
                 nullptr, nullptr, nullptr);
    // The index is kept up as rows arrive, on the inserting thread, while libmdb reads.
    if (sqlite3_exec(db, corpus::kCreateTable, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, corpus::kCreateIndexes, nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("cannot create the table");
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO Velkaro VALUES(?,?,?,?,?,?,?,?,?,?,?,?)", -1, &st,
                           nullptr) != SQLITE_OK)
        return fail("cannot prepare the copy");

    Queue queue;
    bool insertFailed = false;
    std::thread inserter([&] {
        Batch b;
        while (queue.pop(b)) {
            for (size_t r = 0; r + width <= b.cells.size(); r += width) {
                for (size_t k = 0; k < width; ++k) {
                    const Cell& c = b.cells[r + k];
                    const int slot = int(k) + 1;
                    switch (c.kind) {
                    case Cell::Null:
                        sqlite3_bind_null(st, slot);
                        break;
                    case Cell::Int:
                        sqlite3_bind_int64(st, slot, c.i);
                        break;
                    case Cell::Real:
                        sqlite3_bind_double(st, slot, c.d);
                        break;
                    case Cell::Text:
                        sqlite3_bind_text(st, slot, b.text.data() + c.off, int(c.len),
                                          SQLITE_STATIC);
                        break;
                    }
                }
                if (sqlite3_step(st) != SQLITE_DONE) {
                    insertFailed = true;
                    queue.stop();
                    return;
                }
                sqlite3_reset(st);
            }
        }
    });

    std::vector<MdbField> fields(ncols + 1);
    std::vector<int> fieldOf(ncols, -1);
    constexpr size_t kBatchRows = 1024;
    auto fresh = [&] {
        Batch b;
        b.cells.reserve(kBatchRows * width);
        b.text.reserve(kBatchRows * 512);
        return b;
    };
    Batch batch = fresh();
    auto flush = [&] {
        if (batch.cells.empty())
            return;
        queue.push(std::move(batch));
        batch = fresh();
    };
    while (!queue.stopped() && mdb_fetch_row(table)) {
        // Crack the row again for what binding does not tell: nulls, and the raw values.
        int start = 0;
        size_t size = 0;
        if (table->cur_row == 0 || mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size))
            continue;
        start &= 0x1FFF;
        const int n = mdb_crack_row(table, start, size, fields.data());
        if (n < 0)
            continue;
        std::fill(fieldOf.begin(), fieldOf.end(), -1);
        for (int f = 0; f < n; ++f)
            if (fields[f].colnum >= 0 && size_t(fields[f].colnum) < ncols)
                fieldOf[size_t(fields[f].colnum)] = f;
        const size_t base = batch.cells.size();
        batch.cells.resize(base + width);
        for (size_t i = 0; i < ncols; ++i) {
            if (target[i] < 0 || fieldOf[i] < 0)
                continue;
            const MdbField& f = fields[size_t(fieldOf[i])];
            Cell& c = batch.cells[base + size_t(target[i])];
            const int t = types[i];
            if (t == MDB_BOOL) {
                // Text form of a yes/no value, as the original engine's client gives it.
                c.kind = Cell::Text;
                c.off = batch.text.size();
                batch.text += f.is_null ? "False" : "True";
                c.len = batch.text.size() - c.off;
                continue;
            }
            if (f.is_null)
                continue;
            const unsigned char* p = mdb->pg_buf + f.start;
            const bool inPage =
                f.start >= 0 && f.siz >= 0 && size_t(f.start) + size_t(f.siz) <= sizeof mdb->pg_buf;
            if (bound[i]) {
                c.kind = Cell::Text;
                c.off = batch.text.size();
                batch.text.append(bufs[i].data(), size_t(std::min<int>(lens[i], int(kBindSize))));
                c.len = batch.text.size() - c.off;
            } else if (!inPage) {
                continue; // a damaged row: leave the value null
            } else if (t == MDB_TEXT) {
                c.kind = Cell::Text;
                c.off = batch.text.size();
                corpus::appendJetText(p, size_t(f.siz), batch.text);
                c.len = batch.text.size() - c.off;
            } else if (t == MDB_BYTE && f.siz >= 1) {
                c.kind = Cell::Int;
                c.i = p[0];
            } else if (t == MDB_INT && f.siz >= 2) {
                c.kind = Cell::Int;
                c.i = little(p, 2);
            } else if (t == MDB_LONGINT && f.siz >= 4) {
                c.kind = Cell::Int;
                c.i = little(p, 4);
            } else if (t == MDB_FLOAT && f.siz >= 4) {
                float v;
                std::memcpy(&v, p, 4);
                putNumber(c, v);
            } else if (t == MDB_DOUBLE && f.siz >= 8) {
                double v;
                std::memcpy(&v, p, 8);
                putNumber(c, v);
            }
        }
        if (batch.cells.size() >= kBatchRows * width)
            flush();
    }
    flush();
    queue.finish();
    inserter.join();
    sqlite3_finalize(st);
    if (insertFailed)
        return fail("cannot copy a row");
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);

    if (argc == 3) {
        // Copy the pages straight into the shared memory file: size it, map it, and back the
        // table up into an in-memory database laid over that mapping.
        sqlite3_int64 pages = 0, pageSize = 0;
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &q, nullptr);
        if (sqlite3_step(q) == SQLITE_ROW)
            pages = sqlite3_column_int64(q, 0);
        sqlite3_finalize(q);
        sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &q, nullptr);
        if (sqlite3_step(q) == SQLITE_ROW)
            pageSize = sqlite3_column_int64(q, 0);
        sqlite3_finalize(q);
        const size_t size = size_t(pages * pageSize);
        if (size == 0 || ::ftruncate(outFd, off_t(size)) != 0)
            return fail("cannot hand the table over");
        void* map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, outFd, 0);
        if (map == MAP_FAILED)
            return fail("cannot hand the table over");
        sqlite3* image = nullptr;
        if (sqlite3_open_v2(":memory:", &image, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK ||
            sqlite3_deserialize(image, "main", static_cast<unsigned char*>(map), 0,
                                sqlite3_int64(size), 0) != SQLITE_OK)
            return fail("cannot hand the table over");
        sqlite3_backup* b = sqlite3_backup_init(image, "main", db, "main");
        const bool copied = b && sqlite3_backup_step(b, -1) == SQLITE_DONE;
        sqlite3_backup_finish(b);
        sqlite3_close(image);
        ::munmap(map, size);
        if (!copied)
            return fail("cannot hand the table over");
    } else {
        sqlite3_int64 size = 0;
        unsigned char* bytes = sqlite3_serialize(db, "main", &size, 0);
        if (!bytes)
            return fail("cannot serialize the table");
        if (!writeAll(outFd, bytes, size_t(size)))
            return fail("cannot hand the table over");
        sqlite3_free(bytes);
    }
    sqlite3_close(db);
    mdb_free_tabledef(table);
    mdb_close(mdb);
    return 0;
}
