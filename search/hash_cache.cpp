// SPDX-License-Identifier: GPL-3.0-or-later
#include "hash_cache.h"

#include "file_identity.h"
#include "file_reader.h"
#include "prefetch.h"
#include "private_folder.h"

#include <lmdb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <tuple>

namespace twinly {

namespace {

constexpr const char *kStoreName = "checksums.mdb";
// Written once into every store; a store without it, or with another, is not ours to read.
// The prefix block size is part of it: prefixes of another block size never compare.
constexpr char kMagicKey[] = "twinly-checksums";
constexpr char kMagicValue[] = "v1 prefix=4096";

struct Key {
    unsigned char bytes[16]; // device, inode, big-endian: sorted keys walk the tree in order
};

Key keyOf(std::uint64_t device, std::uint64_t inode)
{
    Key k{};
    for (int i = 0; i < 8; ++i) {
        k.bytes[i] = static_cast<unsigned char>(device >> (56 - 8 * i));
        k.bytes[8 + i] = static_cast<unsigned char>(inode >> (56 - 8 * i));
    }
    return k;
}

Key keyOf(const TFileData &d)
{
    return keyOf(d.Device, d.Inode);
}

struct Value {
    std::int64_t size;
    std::int64_t mtimeNs;
    std::int64_t ctimeNs;
    std::uint32_t crc;
    std::uint32_t flags; // 1: whole-file digest, 2: prefix
    std::uint64_t hashLow;
    std::uint64_t hashHigh;
    std::uint64_t prefix;
    std::uint32_t seenDay; // days since the epoch when last used
    std::uint32_t reserved;
};
static_assert(sizeof(Value) == 64);

std::uint32_t today()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<hours>(system_clock::now().time_since_epoch()).count() / 24);
}

MDB_val valOf(const void *data, std::size_t size)
{
    return MDB_val{size, const_cast<void *>(data)};
}

} // namespace

struct HashCache::Impl {
    MDB_env *env = nullptr;
    MDB_dbi dbi = 0;
    std::size_t maxEntries = 0;
    std::size_t mapSize = 0;
    std::uint32_t day = today();
    // Hits last seen on an earlier day: written back with today's date by the next store.
    std::vector<std::pair<Key, Value>> touch;

    ~Impl()
    {
        if (env)
            mdb_env_close(env);
    }

    bool put(MDB_txn *txn, const Key &k, const Value &v)
    {
        MDB_val key = valOf(k.bytes, sizeof k.bytes);
        MDB_val val = valOf(&v, sizeof v);
        return mdb_put(txn, dbi, &key, &val, 0) == 0;
    }

    // Drops the least recently seen entries until a tenth of the cap is free again.
    void evict(MDB_txn *txn)
    {
        MDB_stat st{};
        if (mdb_stat(txn, dbi, &st) != 0 || st.ms_entries <= maxEntries + 1)
            return;
        std::vector<std::pair<std::uint32_t, Key>> all;
        all.reserve(st.ms_entries);
        MDB_cursor *cursor = nullptr;
        if (mdb_cursor_open(txn, dbi, &cursor) != 0)
            return;
        MDB_val key, val;
        for (int rc = mdb_cursor_get(cursor, &key, &val, MDB_FIRST); rc == 0;
             rc = mdb_cursor_get(cursor, &key, &val, MDB_NEXT)) {
            if (key.mv_size != sizeof(Key) || val.mv_size != sizeof(Value))
                continue;
            Value v;
            std::memcpy(&v, val.mv_data, sizeof v);
            Key k;
            std::memcpy(k.bytes, key.mv_data, sizeof k.bytes);
            all.emplace_back(v.seenDay, k);
        }
        mdb_cursor_close(cursor);
        const std::size_t keep = maxEntries - maxEntries / 10;
        if (all.size() <= keep)
            return;
        const std::size_t drop = all.size() - keep;
        std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(drop), all.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        for (std::size_t i = 0; i < drop; ++i) {
            MDB_val k = valOf(all[i].second.bytes, sizeof(Key));
            mdb_del(txn, dbi, &k, nullptr);
        }
    }
};

namespace {

std::unique_ptr<HashCache::Impl> openStore(const std::string &path, std::size_t maxEntries,
                                           bool &damaged)
{
    damaged = false;
    auto impl = std::make_unique<HashCache::Impl>();
    impl->maxEntries = std::max<std::size_t>(maxEntries, 16);
    // Room for the cap with the tree's overhead; the map is address space, not memory.
    impl->mapSize = std::max<std::size_t>(std::size_t{256} << 20, impl->maxEntries * 256);
    if (mdb_env_create(&impl->env) != 0) {
        impl->env = nullptr;
        return nullptr;
    }
    mdb_env_set_mapsize(impl->env, impl->mapSize);
    // NOMETASYNC: a crash of the system may lose the last write, never the store's integrity.
    const int rc =
        mdb_env_open(impl->env, path.c_str(), MDB_NOSUBDIR | MDB_NOMETASYNC | MDB_NOTLS, 0600);
    if (rc != 0) {
        damaged = rc == MDB_INVALID || rc == MDB_VERSION_MISMATCH || rc == MDB_CORRUPTED;
        return nullptr;
    }
    MDB_txn *txn = nullptr;
    if (mdb_txn_begin(impl->env, nullptr, 0, &txn) != 0)
        return nullptr;
    if (mdb_dbi_open(txn, nullptr, 0, &impl->dbi) != 0) {
        mdb_txn_abort(txn);
        damaged = true;
        return nullptr;
    }
    MDB_val key = valOf(kMagicKey, sizeof kMagicKey - 1);
    MDB_val val;
    const int got = mdb_get(txn, impl->dbi, &key, &val);
    if (got == 0) {
        const bool ours = val.mv_size == sizeof kMagicValue - 1 &&
                          std::memcmp(val.mv_data, kMagicValue, val.mv_size) == 0;
        mdb_txn_abort(txn);
        if (!ours) {
            damaged = true;
            return nullptr;
        }
        return impl;
    }
    MDB_stat st{};
    if (got != MDB_NOTFOUND || mdb_stat(txn, impl->dbi, &st) != 0 || st.ms_entries != 0) {
        mdb_txn_abort(txn);
        damaged = true; // something else's store
        return nullptr;
    }
    MDB_val magic = valOf(kMagicValue, sizeof kMagicValue - 1);
    if (mdb_put(txn, impl->dbi, &key, &magic, 0) != 0 || mdb_txn_commit(txn) != 0)
        return nullptr;
    return impl;
}

void setAside(const std::string &path)
{
    std::error_code ec;
    std::filesystem::rename(path, path + ".bad", ec);
    if (ec)
        std::filesystem::remove(path, ec);
    std::filesystem::remove(path + "-lock", ec);
}

} // namespace

std::string HashCache::DefaultFolder()
{
    const char *xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/twinly";
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.cache/twinly";
    return {};
}

std::unique_ptr<HashCache> HashCache::open(const std::string &folder, std::size_t maxEntries)
{
    if (folder.empty())
        return nullptr;
    // A failure shows when the store is opened.
    (void)platform::MakePrivateFolder(folder);
    const std::string path = folder + "/" + kStoreName;
    // Only a regular file is ours to open (or set aside).
    if (platform::IdentifyFile(path).kind == platform::FileIdentity::Kind::Other)
        return nullptr;
    bool damaged = false;
    auto impl = openStore(path, maxEntries, damaged);
    if (!impl && damaged) {
        setAside(path);
        impl = openStore(path, maxEntries, damaged);
    }
    if (!impl)
        return nullptr;
    return std::unique_ptr<HashCache>(new HashCache(std::move(impl)));
}

void HashCache::warmUp(const std::string &folder)
{
    if (folder.empty())
        return;
    platform::FileReader::open(folder + "/" + kStoreName).readAhead(kWarmUpBytes);
}

bool HashCache::clear(const std::string &folder)
{
    auto cache = open(folder);
    if (!cache)
        return false;
    Impl &m = *cache->m_impl;
    MDB_txn *txn = nullptr;
    if (mdb_txn_begin(m.env, nullptr, 0, &txn) != 0)
        return false;
    if (mdb_drop(txn, m.dbi, 0) != 0) {
        mdb_txn_abort(txn);
        return false;
    }
    MDB_val key = valOf(kMagicKey, sizeof kMagicKey - 1);
    MDB_val magic = valOf(kMagicValue, sizeof kMagicValue - 1);
    if (mdb_put(txn, m.dbi, &key, &magic, 0) != 0) {
        mdb_txn_abort(txn);
        return false;
    }
    return mdb_txn_commit(txn) == 0;
}

HashCache::HashCache(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

HashCache::~HashCache() = default;

std::size_t HashCache::size() const
{
    MDB_txn *txn = nullptr;
    if (mdb_txn_begin(m_impl->env, nullptr, MDB_RDONLY, &txn) != 0)
        return 0;
    MDB_stat st{};
    const bool ok = mdb_stat(txn, m_impl->dbi, &st) == 0;
    mdb_txn_abort(txn);
    return ok && st.ms_entries > 0 ? st.ms_entries - 1 : 0;
}

namespace {

// What the comparison needs is copied out in list order: gone through in key order, the
// records themselves would be a cache miss each.
struct Wanted {
    std::uint64_t device, inode;
    std::int64_t size, mtimeNs, ctimeNs;
    std::size_t at;
};

// Below this many keys a second thread costs more than it saves.
constexpr std::size_t kKeysPerThread = 16384;

// How many keys ahead the result's place is fetched.
constexpr std::ptrdiff_t kPrefetchAhead = 8;

// Looks up keys[from, to), which are in key order, in a read transaction of its own.
void lookUpRange(MDB_env *env, MDB_dbi dbi, std::uint32_t day, const Wanted *from, const Wanted *to,
                 std::vector<std::optional<CachedDigest>> &out,
                 std::vector<std::pair<Key, Value>> &touched)
{
    MDB_txn *txn = nullptr;
    if (mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn) != 0)
        return;
    MDB_cursor *cursor = nullptr;
    if (mdb_cursor_open(txn, dbi, &cursor) != 0) {
        mdb_txn_abort(txn);
        return;
    }
    // A rescan looks up most of what the store holds, in the store's order: a few steps
    // forward from the last key found are cheaper than a descent from the root, which is
    // kept for the keys further on.
    constexpr int kStepsBeforeSeek = 8;
    MDB_val key{}, val{};
    bool positioned = false, atEnd = false;
    for (const Wanted *w = from; w != to; ++w) {
        // The places of `out` are written in key order, far apart: asked of memory early.
        if (to - w > kPrefetchAhead)
            PrefetchForWriting(&out[w[kPrefetchAhead].at]);
        const Key k = keyOf(w->device, w->inode);
        auto behind = [&] {
            return key.mv_size < sizeof k.bytes ||
                   std::memcmp(key.mv_data, k.bytes, sizeof k.bytes) < 0;
        };
        for (int step = 0; positioned && !atEnd && step < kStepsBeforeSeek && behind(); ++step)
            atEnd = mdb_cursor_get(cursor, &key, &val, MDB_NEXT) != 0;
        if (!atEnd && (!positioned || behind())) {
            key = valOf(k.bytes, sizeof k.bytes);
            atEnd = mdb_cursor_get(cursor, &key, &val, MDB_SET_RANGE) != 0;
            positioned = true;
        }
        if (atEnd)
            break; // every key still wanted lies beyond the store's last
        if (key.mv_size != sizeof k.bytes ||
            std::memcmp(key.mv_data, k.bytes, sizeof k.bytes) != 0 || val.mv_size != sizeof(Value))
            continue;
        Value v;
        std::memcpy(&v, val.mv_data, sizeof v);
        if (v.size != w->size || v.mtimeNs != w->mtimeNs || v.ctimeNs != w->ctimeNs)
            continue;
        CachedDigest c;
        c.hasFull = (v.flags & 1) != 0;
        c.crc = v.crc;
        c.hash = {v.hashLow, v.hashHigh};
        c.hasPrefix = (v.flags & 2) != 0;
        c.prefix = v.prefix;
        out[w->at] = c;
        if (v.seenDay != day)
            touched.emplace_back(k, v);
    }
    mdb_cursor_close(cursor);
    mdb_txn_abort(txn);
}

} // namespace

void HashCache::lookup(const FileList &list, const std::vector<std::uint32_t> &indices,
                       std::vector<std::optional<CachedDigest>> &out)
{
    out.assign(indices.size(), std::nullopt);
    // The key range is cut into as many parts as there are cores, at quantiles of a sample of
    // the keys, and each part is looked up on a thread of its own, sorting its keys and going
    // through its stretch of the store in a read transaction of its own (the store is made for
    // many readers): the look-ups are a good share of a large rescan. A thread that took a run
    // of the list instead would meet keys all over the store, twice as far apart. Each thread
    // fills other places of `out`.
    const std::size_t parts = std::clamp<std::size_t>(
        indices.size() / kKeysPerThread, 1, std::max(1u, std::thread::hardware_concurrency()));
    using Identity = std::pair<std::uint64_t, std::uint64_t>; // (device, inode): the key order
    std::vector<Identity> bounds; // part p takes [bounds[p - 1], bounds[p])
    if (parts > 1) {
        constexpr std::size_t kSampleEvery = 64;
        std::vector<Identity> sample;
        for (std::size_t i = 0; i < indices.size(); i += kSampleEvery)
            sample.emplace_back(list[indices[i]].Device, list[indices[i]].Inode);
        std::sort(sample.begin(), sample.end());
        for (std::size_t p = 1; p < parts; ++p)
            bounds.push_back(sample[sample.size() * p / parts]);
    }
    std::vector<std::vector<std::pair<Key, Value>>> touched(parts);
    auto run = [&](std::size_t part) {
        std::vector<Wanted> keys;
        keys.reserve(indices.size() / parts + indices.size() / 16);
        for (std::size_t i = 0; i < indices.size(); ++i) {
            const TFileData &d = list[indices[i]];
            if (!d.OnDisk || d.Inode == 0)
                continue;
            const Identity id{d.Device, d.Inode};
            if ((part > 0 && id < bounds[part - 1]) || (part + 1 < parts && !(id < bounds[part])))
                continue;
            keys.push_back({d.Device, d.Inode, d.FileSize, d.MtimeNs, d.CtimeNs, i});
        }
        // The order of the big-endian keys, which is the store's.
        std::sort(keys.begin(), keys.end(), [](const Wanted &x, const Wanted &y) {
            return std::tie(x.device, x.inode) < std::tie(y.device, y.inode);
        });
        lookUpRange(m_impl->env, m_impl->dbi, m_impl->day, keys.data(), keys.data() + keys.size(),
                    out, touched[part]);
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t part = 1; part < parts; ++part)
            helpers.emplace_back(run, part);
        run(0);
    }
    for (const auto &t : touched)
        m_impl->touch.insert(m_impl->touch.end(), t.begin(), t.end());
}

bool HashCache::store(const FileList &list, const std::vector<std::uint32_t> &indices,
                      const std::vector<CachedDigest> &digests)
{
    Impl &m = *m_impl;
    if (indices.empty() && m.touch.empty())
        return true; // a rescan that read nothing writes nothing
    for (int attempt = 0; attempt < 2; ++attempt) {
        MDB_txn *txn = nullptr;
        if (mdb_txn_begin(m.env, nullptr, 0, &txn) != 0)
            return false;
        bool ok = true;
        for (std::size_t i = 0; ok && i < indices.size() && i < digests.size(); ++i) {
            const TFileData &d = list[indices[i]];
            const CachedDigest &c = digests[i];
            if (!d.OnDisk || d.Inode == 0 || (!c.hasFull && !c.hasPrefix))
                continue;
            Value v{};
            v.size = d.FileSize;
            v.mtimeNs = d.MtimeNs;
            v.ctimeNs = d.CtimeNs;
            v.crc = c.crc;
            v.flags = (c.hasFull ? 1u : 0u) | (c.hasPrefix ? 2u : 0u);
            v.hashLow = c.hash.low;
            v.hashHigh = c.hash.high;
            v.prefix = c.prefix;
            v.seenDay = m.day;
            ok = m.put(txn, keyOf(d), v);
        }
        for (std::size_t i = 0; ok && i < m.touch.size(); ++i) {
            Value v = m.touch[i].second;
            v.seenDay = m.day;
            ok = m.put(txn, m.touch[i].first, v);
        }
        if (ok) {
            m.evict(txn);
            if (mdb_txn_commit(txn) == 0) {
                m.touch.clear();
                return true;
            }
        } else {
            mdb_txn_abort(txn);
        }
        // Most likely the map is full: give it room once and try again.
        m.mapSize *= 2;
        if (mdb_env_set_mapsize(m.env, m.mapSize) != 0)
            return false;
    }
    return false;
}

} // namespace twinly
