// SPDX-License-Identifier: GPL-3.0-or-later
#include "similarity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace twinly;
using namespace twinly::visual;

namespace {

VisualSettings defaults()
{
    return VisualSettings(); // Acc1 100, Acc2 10, Acc3 10, Acc4 10, same proportion only
}

ImageSignature signature(std::vector<long double> values, double proportion = 4.0 / 3.0)
{
    ImageSignature s;
    s.SquareCount = static_cast<std::int32_t>(values.size());
    s.ResizedSize = 100;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    s.ValueRange = *hi - *lo;
    // The integer copy the quick first look reads, where the values allow one.
    if (std::all_of(values.begin(), values.end(), [](long double v) {
            return v >= 0 && v < 4294967296.0L && v == std::floor(v);
        }))
        for (long double v : values)
            s.Sums.push_back(static_cast<std::uint32_t>(v));
    s.SquareValues = std::move(values);
    s.Proportion = proportion;
    s.TurnedProportion = 1 / proportion;
    return s;
}

ImageSignature withoutSums(ImageSignature s)
{
    s.Sums.clear();
    return s;
}

// A has range exactly `range` (square 99 stands out); B = A + difference(i). Both ranges stay at
// least `range`, so the smaller range is `range`.
std::pair<ImageSignature, ImageSignature> pairWithDifferences(long double range,
                                                              long double (*difference)(int))
{
    std::vector<long double> a(100, 0), b(100, 0);
    a[99] = range;
    for (int i = 0; i < 100; ++i)
        b[static_cast<std::size_t>(i)] = a[static_cast<std::size_t>(i)] + difference(i);
    return {signature(a), signature(b)};
}

bool alike(const ImageSignature &a, const ImageSignature &b, VisualSettings s = defaults())
{
    const bool forward = ImagesAlike(a, b, s);
    EXPECT_EQ(forward, ImagesAlike(b, a, s)) << "the test must not depend on the order";
    // The quick first look and the extended-precision loop alone always agree.
    EXPECT_EQ(forward, ImagesAlike(withoutSums(a), withoutSums(b), s));
    return forward;
}

VisualSettings withAcc1(long double acc1)
{
    VisualSettings s = defaults();
    s.Acc1 = static_cast<double>(acc1);
    return s;
}

} // namespace

// The three worked examples: n = 100, the smaller range 1000, so e = difference / 10.
TEST(ImagesAlike, DifferencesAlternatingTwentyAndSixtyScoreAbout103125)
{
    const auto [a, b] =
        pairWithDifferences(1000, [](int i) -> long double { return i % 2 ? 60 : 20; });
    // l 6, avg 4, m 100, h 4, a 99: 10 x 100 x 100 / 6 / 4 x 99 / 4 = 103125.
    EXPECT_TRUE(alike(a, b));
    EXPECT_TRUE(alike(a, b, withAcc1(103124.99)));
    EXPECT_FALSE(alike(a, b, withAcc1(103125.01)));
}

TEST(ImagesAlike, BlocksOfTenDifferentSquaresScoreAThirdOfAThousand)
{
    const auto [a, b] =
        pairWithDifferences(1000, [](int i) -> long double { return (i / 10) % 2 ? 300 : 0; });
    // l 30, avg 15, m 50, h 30, a 90: score 333.3.
    EXPECT_TRUE(alike(a, b));
    EXPECT_TRUE(alike(a, b, withAcc1(333.3)));
    EXPECT_FALSE(alike(a, b, withAcc1(333.5)));
}

TEST(ImagesAlike, DifferencesJumpingEverySquareScoreNothing)
{
    const auto [a, b] =
        pairWithDifferences(1000, [](int i) -> long double { return i % 2 ? 300 : 0; });
    EXPECT_FALSE(alike(a, b, withAcc1(0)));
    VisualSettings lenient = withAcc1(0);
    lenient.Acc2 = 31; // every step of e is 30 (give or take a rounding): now smooth
    EXPECT_TRUE(alike(a, b, lenient));
}

// Seven more orders give unrelated pictures seven more chances to pass, while a turned copy is
// an exact reordering that scores far above the threshold: a turned order must score three
// times the threshold. Blocks of ten differing squares score 333.3 in any order that keeps them.
TEST(ImagesAlike, ATurnedOrderMustScoreThreeTimesTheThreshold)
{
    const auto [a, b] =
        pairWithDifferences(1000, [](int i) -> long double { return (i / 10) % 2 ? 300 : 0; });
    // b turned a quarter: square (u, v) of the turned grid is square (v, 9 - u) of b.
    std::vector<long double> turnedValues(100);
    for (int u = 0; u < 10; ++u)
        for (int v = 0; v < 10; ++v)
            turnedValues[static_cast<std::size_t>(u * 10 + v)] =
                b.SquareValues[static_cast<std::size_t>(v * 10 + 9 - u)];
    const ImageSignature turned = signature(turnedValues, 3.0 / 4.0);
    VisualSettings s = withAcc1(111);
    s.FindRotations = true;
    EXPECT_TRUE(alike(a, b, s));
    EXPECT_TRUE(alike(a, turned, s)); // 333.3 > 3 x 111
    s.Acc1 = 111.2;
    EXPECT_TRUE(alike(a, b, s));
    EXPECT_FALSE(alike(a, turned, s)); // 333.3 < 3 x 111.2
    // An exactly turned copy passes whatever the threshold, and only with the option on.
    EXPECT_FALSE(alike(b, turned, withAcc1(1e9)));
    VisualSettings strict = withAcc1(1e9);
    strict.FindRotations = true;
    EXPECT_TRUE(alike(b, turned, strict));
}

TEST(ImagesAlike, AScoreEqualToTheThresholdIsNotEnough)
{
    // Range 100 makes e the difference itself, and these numbers keep every step exact:
    // e alternates 0 and 4: l 4, avg 2, m 100, h 4, a 99;
    // 0.5 x 100 x 100 / 4 / 2 x 99 / 4 = 15468.75.
    const auto [a, b] =
        pairWithDifferences(100, [](int i) -> long double { return i % 2 ? 4 : 0; });
    VisualSettings s = withAcc1(15468.75);
    s.Acc4 = 0.5;
    EXPECT_FALSE(alike(a, b, s));
    s.Acc1 = 15468.5;
    EXPECT_TRUE(alike(a, b, s));
}

TEST(ImagesAlike, EqualOrEvenlyShiftedSignaturesAreAlikeWhateverTheSettings)
{
    std::vector<long double> values(400);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<long double>((i * 7919) % 1000);
    std::vector<long double> shifted = values;
    for (long double &v : shifted)
        v += 5000;
    VisualSettings strict = withAcc1(500);
    strict.Acc2 = strict.Acc3 = strict.Acc4 = 0.5;
    EXPECT_TRUE(alike(signature(values), signature(values), strict));
    EXPECT_TRUE(alike(signature(values), signature(shifted), strict));
}

TEST(ImagesAlike, RecordsWithoutAUsableSignatureAreNeverAlike)
{
    const ImageSignature flat = signature(std::vector<long double>(100, 6348800));
    EXPECT_FALSE(alike(flat, flat)); // not even to itself
    EXPECT_FALSE(alike(flat, signature(std::vector<long double>(100, 3100))));

    std::vector<long double> values(100, 0);
    values[3] = 10;
    const ImageSignature good = signature(values);
    EXPECT_FALSE(alike(good, ImageSignature()));
    ImageSignature icon = signature(std::vector<long double>(100, 0));
    EXPECT_FALSE(alike(good, icon));

    // Signatures of different sizes cannot be compared square by square.
    std::vector<long double> longer = values;
    longer.resize(400, 0);
    EXPECT_FALSE(alike(good, signature(longer)));

    TFileData withNone = TFileData::onDisk("/a", "b.jpg", 1, 0);
    TFileData withGood = TFileData::onDisk("/a", "c.jpg", 1, 0);
    withGood.Signature = std::make_unique<ImageSignature>(good);
    EXPECT_FALSE(ImagesAlike(withNone, withGood, defaults()));
    EXPECT_FALSE(ImagesAlike(withGood, withNone, defaults()));
    EXPECT_TRUE(ImagesAlike(withGood, withGood, defaults()));
    EXPECT_FALSE(SimilarityClass(withNone, defaults()));
}

TEST(ImagesAlike, ProportionsCountOnlyWithTheSameProportionMethod)
{
    std::vector<long double> values(100);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<long double>(i * 10);
    const ImageSignature vga = signature(values, 640.0L / 480.0L);
    const ImageSignature xga = signature(values, 1024.0L / 768.0L);
    const ImageSignature portrait = signature(values, 480.0L / 640.0L);
    EXPECT_TRUE(alike(vga, xga));
    EXPECT_FALSE(alike(vga, portrait));
    VisualSettings any = defaults();
    any.SameProportion = false;
    EXPECT_TRUE(alike(vga, portrait, any));
}

// The grouping skips pairs of different classes: that must never hide an alike pair.
TEST(SimilarityClass, PicturesOfDifferentClassesAreNeverAlike)
{
    std::mt19937 random(7);
    const double proportions[] = {4.0 / 3.0, 0.75, 1.5};
    std::vector<TFileData> records;
    for (int i = 0; i < 120; ++i) {
        const std::size_t n = random() % 4 == 0 ? 400 : 100;
        std::vector<long double> values(n);
        const unsigned pattern = random() % 3;
        for (std::size_t k = 0; k < n; ++k) // a few shapes, each with a little noise
            values[k] = static_cast<long double>((k * (pattern + 1) * 37) % 100 * 100) +
                        static_cast<long double>(random() % 40);
        TFileData d = TFileData::onDisk("/p", "x.jpg", 1, 0);
        d.Signature =
            std::make_unique<ImageSignature>(signature(values, proportions[random() % 3]));
        records.push_back(std::move(d));
    }
    for (bool sameProportion : {true, false}) {
        VisualSettings s = withAcc1(50);
        s.SameProportion = sameProportion;
        int alikePairs = 0;
        for (const TFileData &a : records) {
            for (const TFileData &b : records) {
                if (!ImagesAlike(a, b, s))
                    continue;
                ++alikePairs;
                EXPECT_EQ(SimilarityClass(a, s), SimilarityClass(b, s));
            }
        }
        EXPECT_GT(alikePairs, static_cast<int>(records.size())); // more than self-pairs
    }
}

// Pairs of every kind, from far apart to nearly equal, under settings across their ranges: the
// quick look in doubles must give the verdict of the extended-precision loop every time, turned
// copies included.
TEST(ImagesAlike, TheQuickLookAgreesWithTheExactLoop)
{
    std::mt19937 random(17);
    int alikeCount = 0, pairs = 0;
    for (int round = 0; round < 4000; ++round) {
        const int side = round % 3 == 0 ? 20 : 10;
        std::vector<long double> a(static_cast<std::size_t>(side * side)), b(a.size());
        const long double shift =
            static_cast<long double>(random() % 3 == 0 ? random() % 50000 : 0);
        const unsigned noise = 1u + random() % (round % 2 ? 200u : 60000u);
        for (std::size_t i = 0; i < a.size(); ++i) {
            a[i] = static_cast<long double>(100000 + random() % 500000);
            b[i] = a[i] + shift + static_cast<long double>(random() % noise);
        }
        if (round % 5 == 0) // a turned copy
            for (int u = 0; u < side; ++u)
                for (int v = 0; v < side; ++v)
                    b[static_cast<std::size_t>(u * side + v)] =
                        a[static_cast<std::size_t>(v * side + side - 1 - u)] + shift;
        VisualSettings s = defaults();
        s.Acc1 = 50 + static_cast<double>(random() % 900) / 2;
        s.Acc2 = 0.5 + static_cast<double>(random() % 100) / 2;
        s.Acc3 = 0.5 + static_cast<double>(random() % 100) / 2;
        s.Acc4 = 0.5 + static_cast<double>(random() % 100) / 2;
        s.SameProportion = random() % 2 == 0;
        s.FindRotations = random() % 2 == 0;
        const bool together = alike(signature(a), signature(b), s);
        alikeCount += together;
        ++pairs;
    }
    // Both verdicts occur often enough for the comparison to mean something.
    EXPECT_GT(alikeCount, pairs / 10);
    EXPECT_LT(alikeCount, pairs * 9 / 10);
}
