// SPDX-License-Identifier: GPL-3.0-or-later
// e(i) is the difference of square i in percent of the smaller value range, d(i) the change of
// e from one square to the next. The score rewards many small e (m) and many small d (a), and
// punishes the largest e (l), the mean e and the largest d (h).
//
// The verdict is that of the extended-precision loop (exactSay). Most pairs are far from the
// threshold, so a first look in doubles over the integer sums decides them at a fraction of the
// cost; only when a count or the score lies too close to its bound for doubles to be sure of
// the side does the exact loop run.
#include "similarity.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace twinly::visual {

namespace {

bool usable(const ImageSignature &s)
{
    return s.SquareCount > 0 && s.SquareValues.size() == static_cast<std::size_t>(s.SquareCount) &&
           s.ValueRange != 0;
}

// Value i of the other picture, turned or mirrored, is its value order[i] (identity when null).
using Order = const std::uint32_t *;

std::size_t at(Order order, std::size_t i)
{
    return order ? order[i] : i;
}

// The settings' score: the share of small differences and of smooth steps, weighed against the
// largest difference, the average one and the largest step. Both loops reckon it in this order.
template<typename F>
F weighedScore(F acc4, F small, F smooth, F count, F largest, F avg, F largestStep)
{
    F score = acc4;
    score *= F(100) * small / count;
    score *= F(100);
    score /= largest;
    score /= avg;
    score *= F(100) * smooth / count;
    score /= largestStep;
    return score;
}

bool exactSay(const ImageSignature &a, const ImageSignature &b, Order order, long double range,
              const VisualSettings &settings)
{
    const long double acc2 = settings.Acc2, acc3 = settings.Acc3;
    const long double percent = 100.0L / range;
    const std::size_t n = a.SquareValues.size();
    long double largest = 0, largestStep = 0, sum = 0, previous = 0;
    std::int64_t small = 0, smooth = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const long double e = std::fabs(b.SquareValues[at(order, i)] - a.SquareValues[i]) * percent;
        largest = std::max(largest, e);
        sum += e;
        if (e <= acc3)
            ++small;
        if (i >= 1) {
            const long double d = std::fabs(e - previous);
            largestStep = std::max(largestStep, d);
            if (d <= acc2)
                ++smooth;
        }
        previous = e;
    }
    const long double count = static_cast<long double>(n);
    const long double avg = sum / count;
    // Equal signatures, and signatures apart by the same amount in every square.
    if (largest == 0 || avg == 0 || largestStep == 0)
        return true;
    const long double score = weighedScore<long double>(
        settings.Acc4, static_cast<long double>(small), static_cast<long double>(smooth), count,
        largest, avg, largestStep);
    return score > static_cast<long double>(settings.Acc1);
}

enum class Verdict { Alike, NotAlike, Unsure };

// Doubles carry 53 bits where the exact loop carries 64; every comparison whose two sides lie
// closer than these margins is left to the exact loop. The margins are thousands of times the
// largest rounding error either loop can make on signatures of up to 10,000 squares.
constexpr double kCountMargin = 1e-9;
constexpr double kScoreMargin = 1e-9;
constexpr double kCancellation = 1e-12;

template<bool Ordered>
Verdict quickSay(const std::uint32_t *a, const std::uint32_t *b, Order order, std::size_t n,
                 long double range, const VisualSettings &settings)
{
    const double percent = 100.0 / static_cast<double>(range);
    const double acc2 = settings.Acc2, acc3 = settings.Acc3;
    const double unsureE = kCountMargin * acc3;
    double largest = 0, largestStep = 0, sum = 0, previous = 0;
    std::int64_t small = 0, smooth = 0, unsure = 0;
    const std::int64_t firstDifference =
        std::llabs(std::int64_t{a[0]} - std::int64_t{b[Ordered ? order[0] : 0]});
    bool evenlyApart = true;
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t difference =
            std::llabs(std::int64_t{a[i]} - std::int64_t{b[Ordered ? order[i] : i]});
        evenlyApart &= difference == firstDifference;
        const double e = static_cast<double>(difference) * percent;
        largest = std::max(largest, e);
        sum += e;
        small += e <= acc3;
        unsure += std::fabs(e - acc3) <= unsureE;
        if (i >= 1) {
            const double d = std::fabs(e - previous);
            largestStep = std::max(largestStep, d);
            smooth += d <= acc2;
            unsure += std::fabs(d - acc2) <= kCountMargin * (e + previous + acc2);
        }
        previous = e;
        // Most pairs are far apart: what is known so far already caps the score below the
        // threshold. The largest e and step and the sum only grow, and each square still to
        // come adds at most one to each count.
        if ((i & 15) == 15 && largestStep > 0 && i + 1 < n) {
            const double left = static_cast<double>(n - i - 1), count = static_cast<double>(n);
            const double cap =
                weighedScore<double>(settings.Acc4, static_cast<double>(small + unsure) + left,
                                     static_cast<double>(smooth + unsure) + left, count, largest,
                                     sum / count, largestStep);
            const double margin = kScoreMargin + kCancellation * largest / largestStep;
            if (cap < settings.Acc1 * (1 - margin))
                return Verdict::NotAlike;
        }
    }
    // Equal differences everywhere (none at all included): every e is equal, so the largest
    // step is 0, and the exact loop says alike.
    if (evenlyApart)
        return Verdict::Alike;
    if (unsure != 0)
        return Verdict::Unsure;
    const double count = static_cast<double>(n);
    const double score =
        weighedScore<double>(settings.Acc4, static_cast<double>(small), static_cast<double>(smooth),
                             count, largest, sum / count, largestStep);
    // A small largest step is the difference of two large e: its error is that of e.
    const double margin = kScoreMargin + kCancellation * largest / largestStep;
    const double threshold = settings.Acc1;
    if (score > threshold * (1 + margin))
        return Verdict::Alike;
    if (score < threshold * (1 - margin))
        return Verdict::NotAlike;
    return Verdict::Unsure;
}

bool alikeInOrder(const ImageSignature &a, const ImageSignature &b, Order order, long double range,
                  const VisualSettings &settings)
{
    const std::size_t n = a.SquareValues.size();
    if (a.Sums.size() == n && b.Sums.size() == n) {
        const Verdict quick =
            order ? quickSay<true>(a.Sums.data(), b.Sums.data(), order, n, range, settings)
                  : quickSay<false>(a.Sums.data(), b.Sums.data(), nullptr, n, range, settings);
        if (quick != Verdict::Unsure)
            return quick == Verdict::Alike;
    }
    return exactSay(a, b, order, range, settings);
}

// How many times the threshold a turned or mirrored order must score (see ImagesAlike).
constexpr double kTurnedStrictness = 3;

// The seven other ways a square grid can be turned and mirrored, as square orders: transform t
// (1..7) swaps columns and rows when bit 4 is set, then counts columns from the right (bit 1)
// and rows from the top (bit 2). Square i = u * S + v as in the signature.
struct Turnings {
    int side = 0;
    std::array<std::vector<std::uint32_t>, 8> order;
};

bool swapsSides(int t)
{
    return (t & 4) != 0;
}

const Turnings &turningsOf(int side)
{
    thread_local Turnings cached;
    if (cached.side != side) {
        const auto s = static_cast<std::uint32_t>(side);
        for (int t = 1; t < 8; ++t) {
            std::vector<std::uint32_t> &order = cached.order[static_cast<std::size_t>(t)];
            order.resize(static_cast<std::size_t>(s) * s);
            for (std::uint32_t u = 0; u < s; ++u)
                for (std::uint32_t v = 0; v < s; ++v) {
                    std::uint32_t x = swapsSides(t) ? v : u, y = swapsSides(t) ? u : v;
                    if (t & 1)
                        x = s - 1 - x;
                    if (t & 2)
                        y = s - 1 - y;
                    order[u * s + v] = x * s + y;
                }
        }
        cached.side = side;
    }
    return cached;
}

// The grid's side when the count is a square number; 0 otherwise.
int gridSide(std::int32_t count)
{
    const auto side = static_cast<int>(std::lround(std::sqrt(static_cast<double>(count))));
    return side * side == count ? side : 0;
}

// Which of two signatures stays still while the other is turned: a fixed choice, so that the
// test gives the same answer with the two swapped.
bool before(const ImageSignature &a, const ImageSignature &b)
{
    if (a.SquareValues != b.SquareValues)
        return a.SquareValues < b.SquareValues;
    if (a.Proportion != b.Proportion)
        return a.Proportion < b.Proportion;
    return a.TurnedProportion < b.TurnedProportion;
}

} // namespace

bool ImagesAlike(const ImageSignature &a, const ImageSignature &b, const VisualSettings &settings)
{
    if (!usable(a) || !usable(b))
        return false;
    // Signatures of one search share their size; a mismatch means records from elsewhere, which
    // square-by-square comparison cannot judge.
    if (a.SquareCount != b.SquareCount)
        return false;
    const long double range = std::min(a.ValueRange, b.ValueRange);
    const bool sameShape = !settings.SameProportion || a.Proportion == b.Proportion;
    if (sameShape && alikeInOrder(a, b, nullptr, range, settings))
        return true;
    if (!settings.FindRotations)
        return false;
    const int side = gridSide(a.SquareCount);
    if (side == 0)
        return false;
    const bool swap = before(b, a);
    const ImageSignature &still = swap ? b : a;
    const ImageSignature &turned = swap ? a : b;
    const Turnings &turnings = turningsOf(side);
    // A turned or mirrored copy is an exact reordering of the squares, so its score lies far
    // above the threshold (thousands where the threshold is a hundred, on photographs). Seven
    // more orders give unrelated pictures seven more chances to pass, and some do just above
    // the threshold: a turned order must pass a threshold kTurnedStrictness times as high.
    VisualSettings strict = settings;
    strict.Acc1 *= kTurnedStrictness;
    for (int t = 1; t < 8; ++t) {
        if (settings.SameProportion &&
            still.Proportion != (swapsSides(t) ? turned.TurnedProportion : turned.Proportion))
            continue;
        if (alikeInOrder(still, turned, turnings.order[static_cast<std::size_t>(t)].data(), range,
                         strict))
            return true;
    }
    return false;
}

bool ImagesAlike(const TFileData &a, const TFileData &b, const VisualSettings &settings)
{
    return a.Signature && b.Signature && ImagesAlike(*a.Signature, *b.Signature, settings);
}

std::optional<std::uint64_t> SimilarityClass(const TFileData &record,
                                             const VisualSettings &settings)
{
    if (!record.Signature || !usable(*record.Signature))
        return std::nullopt;
    const ImageSignature &s = *record.Signature;
    std::uint64_t key = static_cast<std::uint32_t>(s.SquareCount);
    // Proportions are positive and finite, so equal values have equal bits. A picture and its
    // turned copy share the larger of the two proportions; so do two pictures of one
    // proportion, since sides of at most 65,535 pixels whose ratios round to one double have
    // equal ratios, and so equal inverse ratios.
    if (settings.SameProportion) {
        const double shape =
            settings.FindRotations ? std::max(s.Proportion, s.TurnedProportion) : s.Proportion;
        key ^= std::bit_cast<std::uint64_t>(shape) * 0x9E3779B97F4A7C15ull;
    }
    return key;
}

} // namespace twinly::visual
