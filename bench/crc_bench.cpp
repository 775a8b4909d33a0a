// SPDX-License-Identifier: GPL-3.0-or-later
// CRC-32 throughput: the engine's folding CRC beside a one-byte-a-step table, which is what a
// plain implementation costs. The content pass reads every candidate byte through the CRC and
// the strong hash, so their speed bounds a search over cached files.
#include "crc.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kBig = 64u << 20;

const std::vector<unsigned char> &randomBuffer()
{
    static const std::vector<unsigned char> buffer = [] {
        std::vector<unsigned char> b(kBig);
        std::mt19937_64 rng(20240601);
        for (std::size_t i = 0; i < b.size(); i += 8) {
            const std::uint64_t v = rng();
            for (std::size_t k = 0; k < 8; ++k)
                b[i + k] = static_cast<unsigned char>(v >> (8 * k));
        }
        return b;
    }();
    return buffer;
}

std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
    }
    return t;
}

std::uint32_t naiveCrc32(const unsigned char *p, std::size_t n)
{
    static const std::array<std::uint32_t, 256> table = makeTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i)
        c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return ~c;
}

void BM_Crc32Of(benchmark::State &state)
{
    const auto &buf = randomBuffer();
    const auto n = static_cast<std::size_t>(state.range(0));
    if (twinly::Crc32Of(buf.data(), n) != naiveCrc32(buf.data(), n)) {
        state.SkipWithError("Crc32Of disagrees with the table CRC");
        return;
    }
    for (auto _ : state) {
        std::uint32_t crc = twinly::Crc32Of(buf.data(), n);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_Crc32Of)->Arg(kBig)->Arg(1 << 20)->Arg(4096)->Arg(64);

// The register step fed in pieces, as a file arrives from the reader.
void BM_UpdateCRC_Pieces(benchmark::State &state)
{
    const auto &buf = randomBuffer();
    const auto piece = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        std::uint32_t reg = 0xFFFFFFFFu;
        for (std::size_t off = 0; off < buf.size(); off += piece)
            reg = twinly::UpdateCRC(reg, buf.data() + off, std::min(piece, buf.size() - off));
        benchmark::DoNotOptimize(reg);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
}
BENCHMARK(BM_UpdateCRC_Pieces)->Arg(1 << 20)->Arg(64 << 10);

void BM_NaiveTableCrc(benchmark::State &state)
{
    const auto &buf = randomBuffer();
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        std::uint32_t crc = naiveCrc32(buf.data(), n);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_NaiveTableCrc)->Arg(kBig)->Arg(4096)->Unit(benchmark::kMillisecond);

// A whole file through the engine's digest (read, CRC-32 and 128-bit hash in one go), from the
// page cache: the cost per byte of the content pass once the disk is out of the way.
void BM_FileDigest_Cached(benchmark::State &state)
{
    const auto &buf = randomBuffer();
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string path = "/tmp/twinly-bench-digest-" + std::to_string(::getpid());
    {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char *>(buf.data()), static_cast<std::streamsize>(n));
    }
    std::vector<std::byte> piece(1 << 20);
    for (auto _ : state) {
        auto digest = twinly::FileDigest(path, piece);
        if (!digest) {
            state.SkipWithError("cannot read the scratch file");
            break;
        }
        benchmark::DoNotOptimize(digest->crc);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_FileDigest_Cached)->Arg(kBig)->Arg(4096)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
