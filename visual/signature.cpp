// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature.h"

#include "picture.h"
#include "signature_dump.h"

#include <algorithm>

namespace twinly::visual {

SignatureGeometry GeometryOf(const VisualSettings &settings)
{
    SignatureGeometry g;
    g.side = 100 * std::clamp(settings.Resizing, 1, 10);
    g.squares = 10 * std::clamp(settings.Splitting, 1, 10);
    g.block = g.side / g.squares;
    return g;
}

Bitmap16 ResizeForSignature(const Bitmap &picture, int side)
{
    Bitmap square;
    square.width = square.height = side;
    square.pixels.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0);
    StretchCopy(picture, square);
    return To565(square);
}

void FillSquareValues(const Bitmap16 &resized, const SignatureGeometry &g,
                      ImageSignature &signature)
{
    const int n = g.side, s = g.squares, q = g.block;
    signature.SquareValues.assign(static_cast<std::size_t>(g.count()), 0);
    signature.Sums.assign(static_cast<std::size_t>(g.count()), 0);
    for (int u = 0; u < s; ++u) {
        const int x0 = u * n / s;
        for (int v = 0; v < s; ++v) {
            const int y0 = v * n / s; // counted from the bottom row
            // Words are below 2^16 and a block has at most 10^6 of them: 64 bits hold the sum
            // exactly, and so does the extended real it is stored in.
            std::uint64_t sum = 0;
            for (int r = y0; r < y0 + q; ++r) {
                const std::uint16_t *row =
                    resized.words.data() + static_cast<std::size_t>(n - 1 - r) * n;
                for (int x = x0; x < x0 + q; ++x)
                    sum += row[x];
            }
            const std::size_t at = static_cast<std::size_t>(u) * static_cast<std::size_t>(s) +
                                   static_cast<std::size_t>(v);
            signature.SquareValues[at] = static_cast<long double>(sum);
            signature.Sums[at] = static_cast<std::uint32_t>(sum);
        }
    }
    const auto [lo, hi] =
        std::minmax_element(signature.SquareValues.begin(), signature.SquareValues.end());
    signature.ValueRange = *hi - *lo;
}

namespace {

SignatureOutcome signLoaded(TFileData &record, const VisualSettings &settings,
                            const SignatureGeometry &g, LoadOutcome loaded, LoadedPicture &picture)
{
    if (loaded == LoadOutcome::Failed)
        return SignatureOutcome::NotLoaded;

    auto signature = std::make_unique<ImageSignature>();
    signature->SquareCount = g.count();
    signature->ResizedSize = g.side;
    signature->SquareValues.assign(static_cast<std::size_t>(g.count()), 0);
    signature->Proportion = static_cast<double>(static_cast<long double>(picture.width) /
                                                static_cast<long double>(picture.height));
    signature->TurnedProportion = static_cast<double>(static_cast<long double>(picture.height) /
                                                      static_cast<long double>(picture.width));
    if (loaded == LoadOutcome::NotBitmap) {
        record.Signature = std::move(signature);
        return SignatureOutcome::NotConverted;
    }
    const Bitmap16 resized = ResizeForSignature(picture.bitmap, g.side);
    picture = LoadedPicture(); // the decoded picture can be large; free it before summing
    FillSquareValues(resized, g, *signature);
    record.Signature = std::move(signature);
    if (settings.DumpSignatures && !WriteSignatureDump(record.FullName, *record.Signature, resized))
        return SignatureOutcome::DumpFailed;
    return SignatureOutcome::Signed;
}

} // namespace

SignatureOutcome CalcImageProperties(TFileData &record, const VisualSettings &settings,
                                     const platform::ImageReader *reader)
{
    const SignatureGeometry g = GeometryOf(settings);
    record.Signature.reset();
    LoadedPicture picture;
    const LoadOutcome loaded =
        LoadPicture(record.FullName, g.side, reader, picture, settings.CameraOrientation);
    return signLoaded(record, settings, g, loaded, picture);
}

std::array<SignatureOutcome, 2> CalcImagePropertiesPair(TFileData &first, TFileData &second,
                                                        const VisualSettings &settings,
                                                        const platform::ImageReader *reader)
{
    const SignatureGeometry g = GeometryOf(settings);
    first.Signature.reset();
    second.Signature.reset();
    std::array<LoadedPicture, 2> pictures;
    std::array<LoadOutcome, 2> loaded{};
    LoadPicturePair({first.FullName, second.FullName}, g.side, reader, pictures, loaded,
                    settings.CameraOrientation);
    return {signLoaded(first, settings, g, loaded[0], pictures[0]),
            signLoaded(second, settings, g, loaded[1], pictures[1])};
}

} // namespace twinly::visual
