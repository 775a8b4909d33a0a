// SPDX-License-Identifier: GPL-3.0-or-later
// The visual pass skips pairs of different similarity classes and tests candidates on several
// threads; its groups must still be exactly those of the plain pivot loop.
#include "grouping.h"
#include "reference_grouping.h"
#include "similarity.h"

#include <gtest/gtest.h>

#include <random>

using namespace twinly;

namespace {

struct Case {
    unsigned seed;
    int records;
};

// Pictures drawn from a few "scenes" with noise: alike within a scene mostly, but not always,
// and not transitively, so the pivot order matters.
FileList randomPictures(const Case &c)
{
    std::mt19937 random(c.seed);
    const double proportions[] = {4.0 / 3.0, 0.75, 1.5, 1.0};
    constexpr int kScenes = 6;
    std::vector<std::vector<long double>> scenes(kScenes, std::vector<long double>(100));
    for (auto &scene : scenes)
        for (long double &v : scene)
            v = static_cast<long double>(random() % 100000);
    FileList list;
    for (int i = 0; i < c.records; ++i) {
        TFileData d = TFileData::onDisk("/p/" + std::to_string(i % 7),
                                        "f" + std::to_string(i) + ".jpg", 1000 + random() % 3, 0);
        const int kind = static_cast<int>(random() % 20);
        if (kind == 0) { // no signature: the picture did not load
            list.push_back(std::move(d));
            continue;
        }
        auto sig = std::make_unique<ImageSignature>();
        const auto &scene = scenes[random() % kScenes];
        const long double noise = static_cast<long double>(random() % 4000);
        for (long double v : scene)
            sig->SquareValues.push_back(
                kind == 1
                    ? 500 // flat colour
                    : v + static_cast<long double>(random() % (1 + static_cast<unsigned>(noise))));
        sig->SquareCount = 100;
        const auto [lo, hi] =
            std::minmax_element(sig->SquareValues.begin(), sig->SquareValues.end());
        sig->ValueRange = *hi - *lo;
        sig->Proportion = proportions[random() % (kind == 2 ? 4 : 2)];
        d.Signature = std::move(sig);
        list.push_back(std::move(d));
    }
    return list;
}

std::vector<std::vector<std::string>> names(const GroupList &groups)
{
    std::vector<std::vector<std::string>> out;
    for (const auto &g : groups) {
        out.emplace_back();
        for (const TFileData &d : g)
            out.back().push_back(d.FullName);
    }
    return out;
}

class VisualGrouping : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(VisualGrouping, MatchesThePlainPivotLoop)
{
    for (bool sameProportion : {true, false}) {
        for (bool ignoreSize : {true, false}) {
            VisualSettings settings;
            settings.SameProportion = sameProportion;
            settings.Acc1 = 60;
            MatchSwitches sw;
            sw.IgnoreSize = ignoreSize;
            sw.CompareContent = false;
            sw.Visual = true;
            sw.ImagesAlike = [settings](const TFileData &p, const TFileData &c) {
                return visual::ImagesAlike(p, c, settings);
            };

            FileList reference = randomPictures(GetParam());
            GroupList expected;
            test::ReferenceGroupFiles(reference, expected, sw);

            MatchSwitches fast = sw;
            fast.ImagesKey = [settings](const TFileData &d) {
                return visual::SimilarityClass(d, settings);
            };
            fast.Threads = 3; // more threads than cores, to shuffle the timing
            FileList list = randomPictures(GetParam());
            GroupList groups;
            ScanProgress progress;
            double totalKB = 1e9;
            ASSERT_TRUE(GroupFiles(list, groups, fast, PassProgress{progress, {}, totalKB}));

            EXPECT_EQ(names(groups), names(expected))
                << "same proportion " << sameProportion << ", ignore size " << ignoreSize;
            EXPECT_TRUE(list.empty());
            if (sameProportion && ignoreSize) {
                EXPECT_GT(expected.size(), 1u) << "the case should form groups";
            }
        }
    }
}

// Enough records for the candidates to be split between threads (several hundred a pivot).
INSTANTIATE_TEST_SUITE_P(RandomPictures, VisualGrouping,
                         ::testing::Values(Case{1, 30}, Case{2, 120}, Case{3, 700}, Case{4, 1200},
                                           Case{5, 900}));

TEST(VisualGrouping, StopsWhenAsked)
{
    FileList list = randomPictures({9, 800});
    VisualSettings settings;
    MatchSwitches sw;
    sw.IgnoreSize = true;
    sw.CompareContent = false;
    sw.Visual = true;
    std::stop_source stop;
    int calls = 0;
    sw.ImagesAlike = [&](const TFileData &p, const TFileData &c) {
        if (++calls == 50)
            stop.request_stop();
        return visual::ImagesAlike(p, c, settings);
    };
    sw.Threads = 1; // the counter above is not shared safely
    GroupList groups;
    ScanProgress progress;
    double totalKB = 0;
    EXPECT_FALSE(GroupFiles(list, groups, sw, PassProgress{progress, stop.get_token(), totalKB}));
}
