// The isolated loader: reads table Velkaro of a Jet 4.0 file with libmdb and writes it,
// as a serialized SQLite database, to standard output. It runs as a child process under
// time and memory limits, because libmdb can loop or overrun on damaged files.
#include "corpus/jet_text.h"
#include "corpus/schema.h"
#include "corpus/statement.h"

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
#include <mutex>
#include <string>
#include <sys/mman.h>
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

// The file's table and, for each of its columns, where its values go and how they are read.
struct Source {
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    std::vector<int> target; // our column for each of the file's, -1 when unused
    std::vector<int> types;
    std::vector<bool> bound; // read through libmdb's binding
    std::vector<std::vector<char>> bufs;
    std::vector<int> lens;
    std::vector<MdbField> fields;
    std::vector<int> fieldOf;
};

const char* openSource(const char* path, Source& s) {
    s.mdb = mdb_open(path, MDB_NOFLAGS);
    if (!s.mdb)
        return "cannot open the database file";
    mdb_set_bind_size(s.mdb, kBindSize);
    mdb_set_boolean_fmt_words(s.mdb);
    if (!mdb_read_catalog(s.mdb, MDB_TABLE))
        return "cannot read the catalog";
    MdbCatalogEntry* entry = nullptr;
    for (unsigned i = 0; i < s.mdb->num_catalog && !entry; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(s.mdb->catalog, i));
        if (e->object_type == MDB_TABLE &&
            g_ascii_strcasecmp(e->object_name, std::string(corpus::kTableName).c_str()) == 0)
            entry = e;
    }
    if (!entry)
        return "the file has no topic table";
    s.table = mdb_read_table(entry);
    if (!s.table)
        return "cannot read the topic table";
    if (!mdb_read_columns(s.table))
        return "cannot read the table's columns";
    mdb_rewind_table(s.table); // only sets the reading back to the start

    // Texts and numbers are decoded here from the row (libmdb's own conversion loses
    // characters outside the basic plane); other types go through libmdb's binding.
    const size_t n = s.table->num_cols;
    s.target.assign(n, -1);
    s.types.assign(n, 0);
    s.bound.assign(n, false);
    s.bufs.resize(n);
    s.lens.assign(n, 0);
    s.fields.resize(n + 1);
    s.fieldOf.assign(n, -1);
    for (size_t i = 0; i < n; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(s.table->columns, i));
        const int t = s.types[i] = col->col_type;
        for (size_t k = 0; k < corpus::kColumns.size(); ++k)
            if (g_ascii_strcasecmp(col->name, std::string(corpus::kColumns[k]).c_str()) == 0)
                s.target[i] = int(k);
        if (s.target[i] < 0 || t == MDB_TEXT || t == MDB_MEMO || t == MDB_BOOL || t == MDB_BYTE ||
            t == MDB_INT || t == MDB_LONGINT || t == MDB_FLOAT || t == MDB_DOUBLE)
            continue;
        s.bound[i] = true;
        s.bufs[i].assign(kBindSize + 1, '\0');
        mdb_bind_column(s.table, int(i) + 1, s.bufs[i].data(), &s.lens[i]);
    }
    return nullptr;
}

uint32_t u32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One row of a long-value page: where it lies in libmdb's second page buffer.
bool longValueRow(MdbHandle* mdb, uint32_t pgRow, const unsigned char*& p, size_t& n) {
    void* buf = nullptr;
    int off = 0;
    size_t len = 0;
    if (pgRow == 0 || mdb_find_pg_row(mdb, int(pgRow), &buf, &off, &len) != 0)
        return false;
    off &= 0x1FFF;
    const size_t page = mdb->fmt->pg_size;
    if (size_t(off) > page || len > page - size_t(off))
        return false; // a damaged offset table
    p = static_cast<const unsigned char*>(buf) + off;
    n = len;
    return true;
}

// The stored bytes of a memo: inline after its 12-byte header, in one long-value row, or
// in a chain of them. Damage ends the value where it is found.
std::string memoBytes(MdbHandle* mdb, const unsigned char* field, size_t size) {
    std::string out;
    if (size < 12)
        return out;
    const uint32_t head = u32(field);
    const size_t length = head & 0x3FFFFFFF;
    constexpr size_t kMaxMemo = 16u << 20;
    if (head & 0x80000000u) {
        out.assign(reinterpret_cast<const char*>(field) + 12, std::min(length, size - 12));
        return out;
    }
    const unsigned char* p = nullptr;
    size_t n = 0;
    uint32_t next = u32(field + 4);
    if (head & 0x40000000u) {
        if (longValueRow(mdb, next, p, n))
            out.assign(reinterpret_cast<const char*>(p), std::min(n, std::min(length, kMaxMemo)));
        return out;
    }
    // A chain: each row begins with the pointer to the next; every step adds bytes, so a
    // chain that loops ends at the value's length.
    while (next != 0 && out.size() < std::min(length, kMaxMemo)) {
        if (!longValueRow(mdb, next, p, n) || n <= 4)
            break;
        next = u32(p);
        out.append(reinterpret_cast<const char*>(p) + 4,
                   std::min(n - 4, std::min(length, kMaxMemo) - out.size()));
    }
    return out;
}

// Appends the row mdb_fetch_row has just read to the batch. Binding does not tell nulls
// from empty texts, so the row is cracked again for them and for the raw values.
bool appendRow(Source& s, Batch& batch) {
    MdbHandle* mdb = s.mdb;
    MdbTableDef* table = s.table;
    int start = 0;
    size_t size = 0;
    if (table->cur_row == 0 || mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size))
        return false;
    start &= 0x1FFF;
    const int n = mdb_crack_row(table, start, size, s.fields.data());
    if (n < 0)
        return false;
    const size_t ncols = s.target.size();
    std::fill(s.fieldOf.begin(), s.fieldOf.end(), -1);
    for (int f = 0; f < n; ++f)
        if (s.fields[f].colnum >= 0 && size_t(s.fields[f].colnum) < ncols)
            s.fieldOf[size_t(s.fields[f].colnum)] = f;
    const size_t base = batch.cells.size();
    batch.cells.resize(base + corpus::kColumns.size());
    auto text = [&](Cell& c, auto&& append) {
        c.kind = Cell::Text;
        c.off = batch.text.size();
        append();
        c.len = batch.text.size() - c.off;
    };
    for (size_t i = 0; i < ncols; ++i) {
        if (s.target[i] < 0 || s.fieldOf[i] < 0)
            continue;
        const MdbField& f = s.fields[size_t(s.fieldOf[i])];
        Cell& c = batch.cells[base + size_t(s.target[i])];
        const int t = s.types[i];
        if (t == MDB_BOOL) {
            // Text form of a yes/no value, as the original engine's client gives it.
            text(c, [&] { batch.text += f.is_null ? "False" : "True"; });
            continue;
        }
        if (f.is_null)
            continue;
        const unsigned char* p = mdb->pg_buf + f.start;
        const bool inPage =
            f.start >= 0 && f.siz >= 0 && size_t(f.start) + size_t(f.siz) <= sizeof mdb->pg_buf;
        if (s.bound[i]) {
            text(c, [&] {
                batch.text.append(s.bufs[i].data(),
                                  size_t(std::min<int>(s.lens[i], int(kBindSize))));
            });
        } else if (!inPage) {
            continue; // a damaged row: leave the value null
        } else if (t == MDB_TEXT) {
            text(c, [&] { corpus::appendJetText(p, size_t(f.siz), batch.text); });
        } else if (t == MDB_MEMO) {
            const std::string bytes = memoBytes(mdb, p, size_t(f.siz));
            text(c, [&] {
                corpus::appendJetText(reinterpret_cast<const unsigned char*>(bytes.data()),
                                      bytes.size(), batch.text);
            });
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
    return true;
}

// Inserts every row of a batch; false when the engine refuses one.
bool insertBatch(sqlite3_stmt* st, const Batch& b) {
    const size_t width = corpus::kColumns.size();
    for (size_t r = 0; r + width <= b.cells.size(); r += width) {
        for (size_t k = 0; k < width; ++k) {
            const Cell& c = b.cells[r + k];
            const int slot = int(k) + 1;
            int rc = SQLITE_OK;
            switch (c.kind) {
            case Cell::Null:
                rc = sqlite3_bind_null(st, slot);
                break;
            case Cell::Int:
                rc = sqlite3_bind_int64(st, slot, c.i);
                break;
            case Cell::Real:
                rc = sqlite3_bind_double(st, slot, c.d);
                break;
            case Cell::Text:
                rc = sqlite3_bind_text(st, slot, b.text.data() + c.off, int(c.len), SQLITE_STATIC);
                break;
            }
            if (rc != SQLITE_OK)
                return false;
        }
        if (sqlite3_step(st) != SQLITE_DONE || sqlite3_reset(st) != SQLITE_OK)
            return false;
    }
    return true;
}

// The pragma's number; 0 when it cannot be read, which the caller takes as a failure.
sqlite3_int64 pragma(sqlite3* db, const char* sql) {
    corpus::Statement q(db, sql);
    return q.step() == corpus::Statement::Step::Row ? q.integer(0) : 0;
}

// Copies the pages straight into the shared memory file: sizes it, maps it, and backs the
// table up into an in-memory database laid over that mapping.
bool handOverInto(sqlite3* db, int fd) {
    const size_t size = size_t(pragma(db, "PRAGMA page_count") * pragma(db, "PRAGMA page_size"));
    if (size == 0 || ::ftruncate(fd, off_t(size)) != 0)
        return false;
    void* map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED)
        return false;
    sqlite3* image = nullptr;
    bool copied = false;
    if (sqlite3_open_v2(":memory:", &image, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
            SQLITE_OK &&
        sqlite3_deserialize(image, "main", static_cast<unsigned char*>(map), 0, sqlite3_int64(size),
                            0) == SQLITE_OK) {
        sqlite3_backup* b = sqlite3_backup_init(image, "main", db, "main");
        copied = b && sqlite3_backup_step(b, -1) == SQLITE_DONE;
        sqlite3_backup_finish(b);
    }
    sqlite3_close(image);
    ::munmap(map, size);
    return copied;
}

// Writes the database image to a stream (standard output, for use by hand).
bool handOverStream(sqlite3* db, int fd) {
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(db, "main", &size, 0);
    if (!bytes)
        return false;
    const bool ok = writeAll(fd, bytes, size_t(size));
    sqlite3_free(bytes);
    return ok;
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

    Source source;
    if (const char* why = openSource(argv[1], source))
        return fail(why);

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        return fail("cannot create the engine");
    std::string why;
    if (!corpus::execute(db,
                         "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA temp_store=MEMORY;",
                         &why))
        return fail(("cannot set up the engine: " + why).c_str());
    // The index is kept up as rows arrive, on the inserting thread, while libmdb reads.
    if (!corpus::execute(db, corpus::kCreateTable, &why) ||
        !corpus::execute(db, corpus::kCreateIndexes, &why))
        return fail(("cannot create the table: " + why).c_str());
    if (!corpus::execute(db, "BEGIN", &why))
        return fail(("cannot begin the copy: " + why).c_str());
    std::string insert = "INSERT INTO " + std::string(corpus::kTableName) + " VALUES(?";
    for (size_t k = 1; k < corpus::kColumns.size(); ++k)
        insert += ",?";
    insert += ")";
    corpus::Statement inserting(db, insert);
    if (!inserting.ok())
        return fail(("cannot prepare the copy: " + inserting.error()).c_str());
    sqlite3_stmt* st = inserting.get();

    Queue queue;
    bool insertFailed = false;
    std::thread inserter([&] {
        Batch b;
        while (queue.pop(b)) {
            if (!insertBatch(st, b)) {
                insertFailed = true;
                queue.stop();
                return;
            }
        }
    });

    constexpr size_t kBatchRows = 1024;
    const size_t batchCells = kBatchRows * corpus::kColumns.size();
    auto fresh = [&] {
        Batch b;
        b.cells.reserve(batchCells);
        b.text.reserve(kBatchRows * 512);
        return b;
    };
    Batch batch = fresh();
    unsigned long copied = 0;
    while (mdb_fetch_row(source.table)) {
        copied += appendRow(source, batch) ? 1 : 0;
        if (batch.cells.size() >= batchCells) {
            if (queue.stopped())
                break;
            queue.push(std::move(batch));
            batch = fresh();
        }
    }
    if (!batch.cells.empty())
        queue.push(std::move(batch));
    queue.finish();
    inserter.join();
    if (insertFailed)
        return fail(("cannot copy a row: " + std::string(sqlite3_errmsg(db))).c_str());
    // Rows the table says it has but that could not be read (libmdb passes over damaged
    // ones without a word) are counted where the program finds them.
    const unsigned long stated = source.table->num_rows;
    const unsigned long lost = stated > copied ? stated - copied : 0;
    const std::string version = "PRAGMA user_version=" + std::to_string(std::min(lost, 0x7FFFFFFFul));
    if (!corpus::execute(db, version.c_str(), &why) || !corpus::execute(db, "COMMIT", &why))
        return fail(("cannot finish the copy: " + why).c_str());
    if (!(argc == 3 ? handOverInto(db, outFd) : handOverStream(db, outFd)))
        return fail("cannot hand the table over");
    sqlite3_close(db);
    mdb_free_tabledef(source.table);
    mdb_close(source.mdb);
    return 0;
}
