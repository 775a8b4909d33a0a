// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture_files.h"

#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <map>
#include <stdexcept>

namespace twinly::test {

namespace {

void put16(std::string &out, std::uint32_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string &out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// LZW codes of a fixed width, packed least significant bit first into 255-byte sub-blocks.
class GifBits {
public:
    void code(unsigned value, unsigned width)
    {
        m_acc |= value << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.push_back(static_cast<char>(m_acc & 0xFF));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    std::string finish()
    {
        if (m_count > 0)
            m_bytes.push_back(static_cast<char>(m_acc & 0xFF));
        std::string out;
        for (std::size_t at = 0; at < m_bytes.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, m_bytes.size() - at);
            out.push_back(static_cast<char>(n));
            out.append(m_bytes, at, n);
        }
        out.push_back('\0');
        return out;
    }

private:
    std::string m_bytes;
    unsigned m_acc = 0;
    unsigned m_count = 0;
};

} // namespace

visual::Bitmap MakeBitmap(int width, int height,
                          const std::function<std::uint32_t(int x, int y)> &paint)
{
    visual::Bitmap b;
    b.width = width;
    b.height = height;
    b.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.pixels[static_cast<std::size_t>(y) * width + x] = paint(x, y);
    return b;
}

visual::Bitmap MakeScene(int width, int height, unsigned seed)
{
    const double a = 1.0 + seed % 5, b = 2.0 + seed % 3, phase = seed * 0.7;
    return MakeBitmap(width, height, [&](int x, int y) {
        const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
        const auto channel = [](double t) {
            return static_cast<std::uint32_t>(std::lround(127.5 + 127.5 * std::sin(t)));
        };
        const std::uint32_t r = channel(a * 3.1 * u + phase);
        const std::uint32_t g = channel(b * 2.3 * v + 2 * phase);
        const std::uint32_t bl = channel(4.0 * (u - v) * a + phase);
        return (r << 16) | (g << 8) | bl;
    });
}

std::string EncodeJpeg(const visual::Bitmap &bitmap, int quality)
{
    JpegLayout layout;
    layout.quality = quality;
    return EncodeJpeg(bitmap, layout);
}

std::string EncodeJpeg(const visual::Bitmap &bitmap, const JpegLayout &layout)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(bitmap.width);
    c.image_height = static_cast<JDIMENSION>(bitmap.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, layout.quality, TRUE);
    if (layout.grey)
        jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    else {
        c.comp_info[0].h_samp_factor = layout.lumaH;
        c.comp_info[0].v_samp_factor = layout.lumaV;
    }
    c.restart_in_rows = layout.restartRows;
    c.optimize_coding = layout.optimizeCoding ? TRUE : FALSE;
    std::vector<jpeg_scan_info> script;
    if (layout.progressive) {
        jpeg_simple_progression(&c);
        if (layout.leaveOutLastScan) {
            script.assign(c.scan_info, c.scan_info + c.num_scans - 1);
            c.scan_info = script.data();
            c.num_scans = static_cast<int>(script.size());
        }
    }
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(bitmap.width) * 3);
    while (c.next_scanline < c.image_height) {
        const std::uint32_t *src =
            bitmap.pixels.data() + std::size_t{c.next_scanline} * bitmap.width;
        for (int x = 0; x < bitmap.width; ++x) {
            row[3 * x] = static_cast<unsigned char>(src[x] >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(src[x] >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(src[x]);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string out(reinterpret_cast<const char *>(buffer), size);
    std::free(buffer);
    return out;
}

std::string EncodeBmp24(const visual::Bitmap &bitmap)
{
    const auto w = static_cast<std::uint32_t>(bitmap.width);
    const auto h = static_cast<std::uint32_t>(bitmap.height);
    const std::uint32_t stride = (w * 3 + 3) & ~3u;
    std::string out = "BM";
    put32(out, 54 + stride * h);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, w);
    put32(out, h);
    put16(out, 1);
    put16(out, 24);
    for (int i = 0; i < 6; ++i)
        put32(out, 0);
    for (std::uint32_t y = h; y-- > 0;) {
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint32_t p = bitmap.pixels[std::size_t{y} * w + x];
            out.push_back(static_cast<char>(p & 0xFF));
            out.push_back(static_cast<char>((p >> 8) & 0xFF));
            out.push_back(static_cast<char>((p >> 16) & 0xFF));
        }
        out.append(stride - w * 3, '\0');
    }
    return out;
}

std::string EncodeGif(const std::vector<visual::Bitmap> &frames)
{
    const visual::Bitmap &first = frames.at(0);
    std::map<std::uint32_t, unsigned> index;
    std::vector<std::uint32_t> palette;
    for (const visual::Bitmap &f : frames)
        for (std::uint32_t p : f.pixels)
            if (index.emplace(p, static_cast<unsigned>(palette.size())).second)
                palette.push_back(p);
    if (palette.size() > 256)
        throw std::invalid_argument("more than 256 colours");
    palette.resize(256, 0);

    std::string out = "GIF89a";
    put16(out, static_cast<std::uint32_t>(first.width));
    put16(out, static_cast<std::uint32_t>(first.height));
    out.push_back(static_cast<char>(0xF7)); // global table of 256 colours
    out.push_back('\0');
    out.push_back('\0');
    for (std::uint32_t p : palette) {
        out.push_back(static_cast<char>((p >> 16) & 0xFF));
        out.push_back(static_cast<char>((p >> 8) & 0xFF));
        out.push_back(static_cast<char>(p & 0xFF));
    }
    if (frames.size() > 1) // loop forever, as animations do
        out += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const visual::Bitmap &f : frames) {
        out += std::string("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8); // 100 ms a frame
        out.push_back(',');
        put16(out, 0);
        put16(out, 0);
        put16(out, static_cast<std::uint32_t>(f.width));
        put16(out, static_cast<std::uint32_t>(f.height));
        out.push_back('\0');
        out.push_back('\x08'); // minimum code size
        // A clear code before the table could outgrow 9-bit codes keeps every code 9 bits.
        GifBits bits;
        unsigned sinceClear = 0;
        bits.code(256, 9);
        for (std::uint32_t p : f.pixels) {
            if (sinceClear == 250) {
                bits.code(256, 9);
                sinceClear = 0;
            }
            bits.code(index[p], 9);
            ++sinceClear;
        }
        bits.code(257, 9);
        out += bits.finish();
    }
    out.push_back(';');
    return out;
}

std::string EncodeIco(const visual::Bitmap &bitmap)
{
    const auto w = static_cast<std::uint32_t>(bitmap.width);
    const auto h = static_cast<std::uint32_t>(bitmap.height);
    const std::uint32_t maskStride = ((w + 31) / 32) * 4;
    const std::uint32_t imageBytes = 40 + w * h * 4 + maskStride * h;
    std::string out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, 1); // one picture
    out.push_back(static_cast<char>(w & 0xFF));
    out.push_back(static_cast<char>(h & 0xFF));
    out.push_back('\0');
    out.push_back('\0');
    put16(out, 1);
    put16(out, 32);
    put32(out, imageBytes);
    put32(out, 6 + 16);
    put32(out, 40);
    put32(out, w);
    put32(out, h * 2); // colour rows and mask rows
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i)
        put32(out, 0);
    for (std::uint32_t y = h; y-- > 0;)
        for (std::uint32_t x = 0; x < w; ++x)
            put32(out, bitmap.pixels[std::size_t{y} * w + x] | 0xFF000000u);
    out.append(std::size_t{maskStride} * h, '\0');
    return out;
}

} // namespace twinly::test
