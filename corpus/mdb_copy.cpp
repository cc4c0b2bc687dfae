// The isolated loader: reads table Velkaro of a Jet 4.0 file with libmdb and writes it,
// as a serialized SQLite database, to standard output. It runs as a child process under
// time and memory limits, because libmdb can loop or overrun on damaged files.
#include "corpus/schema.h"

// glib first: libmdb's header uses its types without including it.
#include <glib.h>
#include <mdbtools.h>
#include <sqlite3.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <string>
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
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= size_t(w);
    }
    return true;
}

bool isIntegral(int type) {
    return type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT;
}
bool isFloating(int type) { return type == MDB_FLOAT || type == MDB_DOUBLE; }

// Null flags of the row that mdb_fetch_row has just read: the bound buffers cannot tell
// a null from an empty text.
bool crackNulls(MdbTableDef* table, std::vector<unsigned char>& isNull) {
    MdbHandle* mdb = table->entry->mdb;
    int start = 0;
    size_t size = 0;
    if (table->cur_row == 0) return false;
    if (mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size)) return false;
    start &= 0x1FFF;
    std::vector<MdbField> fields(table->num_cols + 1);
    const int n = mdb_crack_row(table, start, size, fields.data());
    if (n < 0) return false;
    std::fill(isNull.begin(), isNull.end(), 1);
    for (int i = 0; i < n && i < int(table->num_cols); ++i) {
        const int c = fields[i].colnum;
        if (c >= 0 && c < int(isNull.size())) isNull[c] = fields[i].is_null;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return fail("usage: velkaro-load FILE.mdb");
    // libmdb allocates a bind-size buffer for every long text it reads; kept below the
    // mmap threshold, those come from the heap instead of fresh zeroed pages each time.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    // Its output charset follows this variable; the engine wants UTF-8.
    unsetenv("MDBICONV");

    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb) return fail("cannot open the database file");
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_boolean_fmt_words(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) return fail("cannot read the catalog");

    MdbCatalogEntry* entry = nullptr;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE &&
            g_ascii_strcasecmp(e->object_name, std::string(corpus::kTableName).c_str()) == 0) {
            entry = e;
            break;
        }
    }
    if (!entry) return fail("the file has no table Velkaro");
    MdbTableDef* table = mdb_read_table(entry);
    if (!table) return fail("cannot read table Velkaro");
    mdb_read_columns(table);
    mdb_rewind_table(table);

    // Which of the file's columns feeds which column of ours.
    const size_t ncols = table->num_cols;
    std::vector<int> target(ncols, -1);
    std::vector<int> types(ncols, 0);
    std::vector<std::vector<char>> bufs(ncols);
    std::vector<int> lens(ncols, 0);
    for (size_t i = 0; i < ncols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        types[i] = col->col_type;
        for (size_t k = 0; k < corpus::kColumns.size(); ++k)
            if (g_ascii_strcasecmp(col->name, std::string(corpus::kColumns[k]).c_str()) == 0)
                target[i] = int(k);
        if (target[i] < 0) continue;
        bufs[i].assign(kBindSize + 1, '\0');
        mdb_bind_column(table, int(i) + 1, bufs[i].data(), &lens[i]);
    }

    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK) return fail("cannot create the engine");
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr,
                 nullptr, nullptr);
    if (sqlite3_exec(db, corpus::kCreateTable, nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("cannot create the table");
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    std::string insert = "INSERT INTO Velkaro VALUES(?,?,?,?,?,?,?,?,?,?,?,?)";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, insert.c_str(), -1, &st, nullptr) != SQLITE_OK)
        return fail("cannot prepare the copy");

    std::vector<unsigned char> isNull(ncols, 0);
    const int tableCols = int(corpus::kColumns.size());
    unsigned long long rows = 0;
    while (mdb_fetch_row(table)) {
        const bool haveNulls = crackNulls(table, isNull);
        for (int k = 1; k <= tableCols; ++k) sqlite3_bind_null(st, k);
        for (size_t i = 0; i < ncols; ++i) {
            if (target[i] < 0) continue;
            const int slot = target[i] + 1;
            const char* text = bufs[i].data();
            const int len = std::min<int>(lens[i], int(kBindSize));
            if (haveNulls ? isNull[i] : len == 0) continue;
            if (types[i] == MDB_BOOL) {
                // Text form of a yes/no value, as the original engine's client gives it.
                const bool on = std::strcmp(text, "TRUE") == 0 || std::strcmp(text, "1") == 0;
                sqlite3_bind_text(st, slot, on ? "True" : "False", -1, SQLITE_STATIC);
            } else if (isIntegral(types[i])) {
                sqlite3_bind_int64(st, slot, std::strtoll(text, nullptr, 10));
            } else if (isFloating(types[i])) {
                const double d = std::strtod(text, nullptr);
                if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15)
                    sqlite3_bind_int64(st, slot, static_cast<long long>(d));
                else
                    sqlite3_bind_double(st, slot, d);
            } else {
                sqlite3_bind_text(st, slot, text, len, SQLITE_STATIC);
            }
        }
        if (sqlite3_step(st) != SQLITE_DONE) return fail("cannot copy a row");
        sqlite3_reset(st);
        ++rows;
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, corpus::kCreateIndexes, nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("cannot index the table");

    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(db, "main", &size, 0);
    if (!bytes) return fail("cannot serialize the table");
    if (!writeAll(STDOUT_FILENO, bytes, size_t(size))) return fail("cannot hand the table over");
    sqlite3_free(bytes);
    sqlite3_close(db);
    mdb_free_tabledef(table);
    mdb_close(mdb);
    return 0;
}
