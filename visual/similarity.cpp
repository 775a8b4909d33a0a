// SPDX-License-Identifier: GPL-3.0-or-later
// e(i) is the difference of square i in percent of the smaller value range, d(i) the change of
// e from one square to the next. The score rewards many small e (m) and many small d (a), and
// punishes the largest e (l), the mean e and the largest d (h).
#include "similarity.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace twinly::visual {

namespace {

bool usable(const ImageSignature &s)
{
    return s.SquareCount > 0 && s.SquareValues.size() == static_cast<std::size_t>(s.SquareCount) &&
           s.ValueRange != 0;
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
    if (settings.SameProportion && a.Proportion != b.Proportion)
        return false;

    const long double acc2 = settings.Acc2, acc3 = settings.Acc3;
    const long double percent = 100.0L / range;
    const std::size_t n = a.SquareValues.size();
    long double largest = 0, largestStep = 0, sum = 0, previous = 0;
    std::int64_t small = 0, smooth = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const long double e = std::fabs(b.SquareValues[i] - a.SquareValues[i]) * percent;
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
    long double score = settings.Acc4;
    score *= 100.0L * static_cast<long double>(small) / count;
    score *= 100.0L;
    score /= largest;
    score /= avg;
    score *= 100.0L * static_cast<long double>(smooth) / count;
    score /= largestStep;
    return score > static_cast<long double>(settings.Acc1);
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
    std::uint64_t key = static_cast<std::uint32_t>(record.Signature->SquareCount);
    // Proportions are positive and finite, so equal values have equal bits.
    if (settings.SameProportion)
        key ^= std::bit_cast<std::uint64_t>(record.Signature->Proportion) * 0x9E3779B97F4A7C15ull;
    return key;
}

} // namespace twinly::visual
