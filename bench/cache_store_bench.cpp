// SPDX-License-Identifier: GPL-3.0-or-later
// The two embedded stores that could keep remembered checksums, side by side on the same
// entries: a 16-byte key (device, inode) and a 64-byte value, as the cache keeps them. Times a
// bulk insert in one transaction, point lookups in random order and in key order (a search
// asks in inode order), and a full scan. Usage: twinly_cache_store_bench [ENTRIES] [FOLDER]
#include <lmdb.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct Value {
    std::int64_t size, mtime, ctime;
    std::uint32_t crc, flags;
    std::uint64_t h1, h2, prefix;
    std::uint32_t seen, reserved;
};

struct Result {
    double insert, random, ordered, scan;
    double megabytes;
};

std::uint64_t bigEndian(std::uint64_t v)
{
    return __builtin_bswap64(v);
}

Result sqlite(const std::string &folder, const std::vector<std::uint64_t> &inodes,
              const std::vector<std::size_t> &shuffled)
{
    const std::string path = folder + "/cache.sqlite";
    sqlite3 *db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE TABLE f(dev INTEGER, ino INTEGER, size INTEGER, mtime INTEGER,"
                 " ctime INTEGER, crc INTEGER, h1 INTEGER, h2 INTEGER, prefix INTEGER,"
                 " seen INTEGER, PRIMARY KEY(dev, ino)) WITHOUT ROWID;",
                 nullptr, nullptr, nullptr);
    Result r{};
    auto t = Clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO f VALUES(?,?,?,?,?,?,?,?,?,?)", -1, &ins,
                       nullptr);
    for (std::size_t i = 0; i < inodes.size(); ++i) {
        sqlite3_bind_int64(ins, 1, 2049);
        sqlite3_bind_int64(ins, 2, static_cast<sqlite3_int64>(inodes[i]));
        for (int c = 3; c <= 10; ++c)
            sqlite3_bind_int64(ins, c, static_cast<sqlite3_int64>(i) * c);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    r.insert = since(t);

    sqlite3_stmt *sel = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT size, mtime, ctime, crc, h1, h2, prefix FROM f "
                       "WHERE dev = ? AND ino = ?",
                       -1, &sel, nullptr);
    std::uint64_t sum = 0;
    auto lookups = [&](bool ordered) {
        const auto start = Clock::now();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (std::size_t j = 0; j < inodes.size(); ++j) {
            sqlite3_bind_int64(sel, 1, 2049);
            sqlite3_bind_int64(sel, 2,
                               static_cast<sqlite3_int64>(inodes[ordered ? j : shuffled[j]]));
            if (sqlite3_step(sel) == SQLITE_ROW)
                sum += static_cast<std::uint64_t>(sqlite3_column_int64(sel, 3));
            sqlite3_reset(sel);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        return since(start);
    };
    r.random = lookups(false);
    r.ordered = lookups(true);
    sqlite3_finalize(sel);
    t = Clock::now();
    sqlite3_prepare_v2(db, "SELECT * FROM f", -1, &sel, nullptr);
    while (sqlite3_step(sel) == SQLITE_ROW)
        sum += static_cast<std::uint64_t>(sqlite3_column_int64(sel, 5));
    sqlite3_finalize(sel);
    r.scan = since(t);
    sqlite3_close(db);
    std::error_code ec;
    r.megabytes = static_cast<double>(std::filesystem::file_size(path, ec)) / 1e6;
    if (sum == 42)
        std::puts("");
    return r;
}

Result lmdb(const std::string &folder, const std::vector<std::uint64_t> &inodes,
            const std::vector<std::size_t> &shuffled)
{
    const std::string path = folder + "/cache.mdb";
    MDB_env *env = nullptr;
    mdb_env_create(&env);
    mdb_env_set_mapsize(env, std::size_t{1} << 32);
    mdb_env_open(env, path.c_str(), MDB_NOSUBDIR | MDB_NOMETASYNC | MDB_NOTLS, 0600);
    MDB_dbi dbi = 0;
    Result r{};
    auto t = Clock::now();
    MDB_txn *txn = nullptr;
    mdb_txn_begin(env, nullptr, 0, &txn);
    mdb_dbi_open(txn, nullptr, 0, &dbi);
    for (std::size_t i = 0; i < inodes.size(); ++i) {
        std::uint64_t key[2] = {bigEndian(2049), bigEndian(inodes[i])};
        Value v{
            static_cast<std::int64_t>(i), 0, 0, static_cast<std::uint32_t>(i), 3, i, i, i, 0, 0};
        MDB_val k{sizeof key, key}, d{sizeof v, &v};
        mdb_put(txn, dbi, &k, &d, 0);
    }
    mdb_txn_commit(txn);
    r.insert = since(t);
    std::uint64_t sum = 0;
    auto lookups = [&](bool ordered) {
        const auto start = Clock::now();
        mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
        for (std::size_t j = 0; j < inodes.size(); ++j) {
            std::uint64_t key[2] = {bigEndian(2049), bigEndian(inodes[ordered ? j : shuffled[j]])};
            MDB_val k{sizeof key, key}, d{};
            if (mdb_get(txn, dbi, &k, &d) == 0) {
                Value v;
                std::memcpy(&v, d.mv_data, sizeof v);
                sum += v.crc;
            }
        }
        mdb_txn_abort(txn);
        return since(start);
    };
    r.random = lookups(false);
    r.ordered = lookups(true);
    t = Clock::now();
    mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
    MDB_cursor *cursor = nullptr;
    mdb_cursor_open(txn, dbi, &cursor);
    MDB_val k{}, d{};
    while (mdb_cursor_get(cursor, &k, &d, MDB_NEXT) == 0)
        sum += static_cast<const unsigned char *>(d.mv_data)[0];
    mdb_cursor_close(cursor);
    mdb_txn_abort(txn);
    r.scan = since(t);
    mdb_env_close(env);
    std::error_code ec;
    r.megabytes = static_cast<double>(std::filesystem::file_size(path, ec)) / 1e6;
    if (sum == 42)
        std::puts("");
    return r;
}

void print(const char *name, const Result &r, std::size_t n)
{
    std::printf("%-12s insert %7.3f s   lookups random %7.3f s (%5.2f us)   in key order %7.3f s "
                "(%5.2f us)   scan %6.3f s   file %6.1f MB\n",
                name, r.insert, r.random, r.random * 1e6 / static_cast<double>(n), r.ordered,
                r.ordered * 1e6 / static_cast<double>(n), r.scan, r.megabytes);
}

} // namespace

int main(int argc, char **argv)
{
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    const std::string folder =
        argc > 2 ? argv[2]
                 : std::filesystem::temp_directory_path().string() + "/twinly-cache-store-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::vector<std::uint64_t> inodes(n);
    for (std::size_t i = 0; i < n; ++i)
        inodes[i] = 1000 + i * 7;
    std::vector<std::size_t> shuffled(n);
    for (std::size_t i = 0; i < n; ++i)
        shuffled[i] = i;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937_64(1));
    std::printf("%zu entries (16-byte key, 64-byte value), one transaction each step\n", n);
    print("SQLite WAL", sqlite(folder, inodes, shuffled), n);
    print("LMDB", lmdb(folder, inodes, shuffled), n);
    std::filesystem::remove_all(folder);
    return 0;
}
