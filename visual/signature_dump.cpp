// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature_dump.h"

#include "atomic_file.h"
#include "little_endian.h"

#include <algorithm>
#include <cstdio>

namespace twinly::visual {

namespace {

void appendReal(std::string &out, long double value)
{
    char line[64];
    const int n = std::snprintf(line, sizeof line, "%23.15LE\r\n", value);
    if (n > 0)
        out.append(line, static_cast<std::size_t>(std::min<int>(n, sizeof line - 1)));
}

} // namespace

std::string SignatureDumpText(const ImageSignature &signature)
{
    std::string text;
    text.reserve((signature.SquareValues.size() + 1) * 25);
    appendReal(text, signature.ValueRange);
    for (long double v : signature.SquareValues)
        appendReal(text, v);
    return text;
}

std::string Bitmap565File(const Bitmap16 &bitmap)
{
    const auto w = static_cast<std::uint32_t>(bitmap.width);
    const auto h = static_cast<std::uint32_t>(bitmap.height);
    const std::uint32_t stride = (w * 2 + 3) & ~3u;
    const std::uint32_t offset = 14 + 40 + 12;
    std::string out;
    out.reserve(offset + stride * h);
    out += "BM";
    platform::AppendLe32(out, offset + stride * h);
    platform::AppendLe32(out, 0);
    platform::AppendLe32(out, offset);
    platform::AppendLe32(out, 40); // BITMAPINFOHEADER
    platform::AppendLe32(out, w);
    platform::AppendLe32(out, h); // positive: bottom-up
    platform::AppendLe16(out, 1);
    platform::AppendLe16(out, 16);
    platform::AppendLe32(out, 3); // BI_BITFIELDS: the masks below, not the 5-5-5 default
    platform::AppendLe32(out, stride * h);
    platform::AppendLe32(out, 3780); // 96 dpi
    platform::AppendLe32(out, 3780);
    platform::AppendLe32(out, 0);
    platform::AppendLe32(out, 0);
    platform::AppendLe32(out, 0xF800);
    platform::AppendLe32(out, 0x07E0);
    platform::AppendLe32(out, 0x001F);
    for (std::uint32_t y = h; y-- > 0;) {
        for (std::uint32_t x = 0; x < w; ++x)
            platform::AppendLe16(out, bitmap.words[std::size_t{y} * w + x]);
        for (std::uint32_t pad = w * 2; pad < stride; ++pad)
            out.push_back('\0');
    }
    return out;
}

bool WriteSignatureDump(const std::string &fullName, const ImageSignature &signature,
                        const Bitmap16 &resized)
{
    const bool text =
        platform::WriteFileAtomically(fullName + ".txt", SignatureDumpText(signature)).error == 0;
    const bool picture =
        platform::WriteFileAtomically(fullName + ".bmp", Bitmap565File(resized)).error == 0;
    return text && picture;
}

} // namespace twinly::visual
