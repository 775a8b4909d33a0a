// SPDX-License-Identifier: GPL-3.0-or-later
// The two costly steps of a visual search.
//
//   Signature12MP           one 12-megapixel JPEG (4000 x 3000, photo-like noise) signed at the
//                           default settings, on one thread: decoding dominates.
//   SignaturePass/threads/progressive
//                           the signature pass over 32 such files on 1 and 2 threads
//                           (items_per_second is signatures a second), baseline and progressive.
//   SimilarityPass/threads  the second grouping pass over 5,000 signatures at the default
//                           settings, all of one proportion and one byte size (the worst case:
//                           every pair is tested), on 1 and 2 threads.
//   SimilarityMixed/threads the same 5,000 with three proportions, as a folder of landscape,
//                           portrait and square pictures has.
//   SimilarityRotations/2   SimilarityPass with turned and mirrored copies looked for (each pair
//                           tested in up to eight orientations).
//   SignatureFolder/threads the signature pass over the .jpg files of the folder that
//                           TWINLY_BENCH_PICTURES names, when it is set (real photographs).
// The JPEG is written to $TMPDIR (default /tmp) once and removed at the end.
#include "content_pass.h"
#include "grouping.h"
#include "signature.h"
#include "similarity.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace twinly;

// The pictures written, baseline then progressive; removed when the benchmark ends.
std::string g_photos[2];

void removePhotos()
{
    for (const std::string &p : g_photos)
        if (!p.empty())
            std::remove(p.c_str());
}

std::string writePhoto(bool progressive)
{
    std::string &path = g_photos[progressive ? 1 : 0];
    if (path.empty()) {
        const char *tmp = std::getenv("TMPDIR");
        const std::string p =
            std::string(tmp ? tmp : "/tmp") +
            (progressive ? "/twinly-bench-12mp-progressive.jpg" : "/twinly-bench-12mp.jpg");
        constexpr int w = 4000, h = 3000;
        jpeg_compress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        FILE *out = std::fopen(p.c_str(), "wb");
        jpeg_stdio_dest(&c, out);
        c.image_width = w;
        c.image_height = h;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 90, TRUE);
        if (progressive)
            jpeg_simple_progression(&c);
        jpeg_start_compress(&c, TRUE);
        std::mt19937 random(1);
        std::vector<unsigned char> row(w * 3);
        while (c.next_scanline < h) {
            const unsigned y = c.next_scanline;
            for (unsigned x = 0; x < w; ++x) {
                // Smooth shapes plus sensor-like noise: about the entropy of a real photo.
                const unsigned noise = random() % 24;
                row[3 * x] = static_cast<unsigned char>((x / 16 + noise) & 0xFF);
                row[3 * x + 1] = static_cast<unsigned char>((y / 12 + noise) & 0xFF);
                row[3 * x + 2] = static_cast<unsigned char>(((x + y) / 28 + noise) & 0xFF);
            }
            JSAMPROW r = row.data();
            jpeg_write_scanlines(&c, &r, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        std::fclose(out);
        if (g_photos[0].empty() && g_photos[1].empty())
            std::atexit(removePhotos);
        path = p;
    }
    return path;
}

TFileData photoRecord(bool progressive = false)
{
    const std::string path = writePhoto(progressive);
    const auto slash = path.rfind('/');
    return TFileData::onDisk(path.substr(0, slash), path.substr(slash + 1),
                             static_cast<std::int64_t>(std::filesystem::file_size(path)), 0);
}

void Signature12MP(benchmark::State &state)
{
    TFileData d = photoRecord();
    const VisualSettings settings;
    for (auto _ : state) {
        visual::CalcImageProperties(d, settings, nullptr);
        benchmark::DoNotOptimize(d.Signature);
    }
    if (!d.Signature || d.Signature->ValueRange == 0)
        state.SkipWithError("no signature");
    state.counters["bytes"] = static_cast<double>(d.FileSize);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Signature12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void SignaturePass(benchmark::State &state)
{
    const VisualSettings settings;
    ContentPassOptions options;
    options.threads = static_cast<unsigned>(state.range(0));
    options.signature = [&](TFileData &d) { visual::CalcImageProperties(d, settings, nullptr); };
    options.signaturePair = [&](TFileData &a, TFileData &b) {
        visual::CalcImagePropertiesPair(a, b, settings, nullptr);
    };
    constexpr int kFiles = 32;
    for (auto _ : state) {
        state.PauseTiming();
        FileList list;
        for (int i = 0; i < kFiles; ++i)
            list.push_back(photoRecord(state.range(1) != 0));
        ScanProgress progress;
        state.ResumeTiming();
        ComputeContent(list, options, progress, {}, 1);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(SignaturePass)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->ArgNames({"threads", "progressive"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// With TWINLY_BENCH_PICTURES naming a folder, the signature pass over its JPEG files, on 1 and 2
// threads (items_per_second is signatures a second): real photographs, whose entropy the
// generated picture only imitates.
void signatureFolder(benchmark::State &state, const std::string &folder, unsigned threads)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".jpg")
            names.push_back(entry.path().filename().string());
    if (names.empty()) {
        state.SkipWithError("no .jpg files in TWINLY_BENCH_PICTURES");
        return;
    }
    const VisualSettings settings;
    ContentPassOptions options;
    options.threads = threads;
    options.signature = [&](TFileData &d) { visual::CalcImageProperties(d, settings, nullptr); };
    options.signaturePair = [&](TFileData &a, TFileData &b) {
        visual::CalcImagePropertiesPair(a, b, settings, nullptr);
    };
    for (auto _ : state) {
        state.PauseTiming();
        FileList list;
        for (const std::string &name : names)
            list.push_back(TFileData::onDisk(
                folder, name,
                static_cast<std::int64_t>(std::filesystem::file_size(folder + "/" + name)), 0));
        ScanProgress progress;
        state.ResumeTiming();
        ComputeContent(list, options, progress, {}, 1);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(names.size()));
}

const bool g_folderBenchmarks = [] {
    const char *folder = std::getenv("TWINLY_BENCH_PICTURES");
    if (!folder || !*folder)
        return false;
    for (unsigned threads : {1u, 2u})
        benchmark::RegisterBenchmark(
            ("SignatureFolder/threads:" + std::to_string(threads)).c_str(),
            [folder = std::string(folder), threads](benchmark::State &state) {
                signatureFolder(state, folder, threads);
            })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    return true;
}();

FileList randomSignatures(int count, int proportions)
{
    std::mt19937 random(5);
    const double ratios[] = {4.0 / 3.0, 0.75, 1.0};
    FileList list;
    for (int i = 0; i < count; ++i) {
        TFileData d = TFileData::onDisk("/photos", "p" + std::to_string(i) + ".jpg", 100000, 0);
        auto sig = std::make_unique<ImageSignature>();
        sig->SquareCount = 100;
        sig->ResizedSize = 100;
        for (int k = 0; k < 100; ++k) {
            const auto v = static_cast<std::uint32_t>(random() % 6553500);
            sig->SquareValues.push_back(static_cast<long double>(v));
            sig->Sums.push_back(v);
        }
        const auto [lo, hi] =
            std::minmax_element(sig->SquareValues.begin(), sig->SquareValues.end());
        sig->ValueRange = *hi - *lo;
        sig->Proportion = ratios[static_cast<int>(random() % static_cast<unsigned>(proportions))];
        sig->TurnedProportion = 1 / sig->Proportion;
        d.Signature = std::move(sig);
        list.push_back(std::move(d));
    }
    return list;
}

void similarityPass(benchmark::State &state, int proportions, bool rotations = false)
{
    VisualSettings settings;
    settings.FindRotations = rotations;
    MatchSwitches sw;
    sw.CompareContent = false;
    sw.Visual = true;
    sw.Threads = static_cast<unsigned>(state.range(0));
    sw.ImagesAlike = [&](const TFileData &p, const TFileData &c) {
        return visual::ImagesAlike(p, c, settings);
    };
    sw.ImagesKey = [&](const TFileData &d) { return visual::SimilarityClass(d, settings); };
    for (auto _ : state) {
        state.PauseTiming();
        FileList list = randomSignatures(5000, proportions);
        GroupList groups;
        ScanProgress progress;
        double totalKB = 0;
        state.ResumeTiming();
        GroupFiles(list, groups, sw, PassProgress{progress, {}, totalKB});
        benchmark::DoNotOptimize(groups);
    }
}

void SimilarityPass(benchmark::State &state)
{
    similarityPass(state, 1);
}
void SimilarityMixed(benchmark::State &state)
{
    similarityPass(state, 3);
}
void SimilarityRotations(benchmark::State &state)
{
    similarityPass(state, 1, true);
}
BENCHMARK(SimilarityPass)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SimilarityRotations)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SimilarityMixed)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
