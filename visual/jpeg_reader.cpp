// SPDX-License-Identifier: GPL-3.0-or-later
// libjpeg reports errors through a callback that must not return. It jumps back with longjmp to
// decodeProtected(), so nothing in that function or below it may own a C++ object with a
// destructor: the jump would skip it. Every buffer the decoding needs either lives in the caller
// (the output vector) or comes from libjpeg's own pools, which jpeg_destroy_decompress frees.
#include "jpeg_reader.h"

#include "jpeg_baseline.h"
#include "jpeg_scans.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace twinly::visual {

namespace {

// Progressive files can hold any number of scans, each costing a pass over the coefficients:
// a small crafted file could keep a decoder busy for minutes.
constexpr int kMaxScans = 500;

struct ErrorManager {
    jpeg_error_mgr pub; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    // A file cut short decodes with its missing part painted grey; such a picture compares
    // as a different one, so it counts as damaged. Other warnings (stray bytes between
    // markers, which some cameras write) leave the picture intact.
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        errorExit(cinfo);
}

void outputMessage(j_common_ptr) {}

void limitScans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        errorExit(cinfo);
}

void chooseScale(jpeg_decompress_struct &cinfo, int minSide)
{
    for (unsigned denom : {8u, 4u, 2u}) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = denom;
        jpeg_calc_output_dimensions(&cinfo);
        if (minSide > 0 && cinfo.output_width >= static_cast<unsigned>(minSide) &&
            cinfo.output_height >= static_cast<unsigned>(minSide))
            return;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    jpeg_calc_output_dimensions(&cinfo);
}

// Adobe writes CMYK inverted (0 is full ink); every JPEG CMYK file in use follows it.
void cmykRowToRgb(const JSAMPLE *cmyk, std::uint32_t *rgb, unsigned width)
{
    for (unsigned x = 0; x < width; ++x, cmyk += 4) {
        const unsigned k = cmyk[3];
        const unsigned r = cmyk[0] * k / 255, g = cmyk[1] * k / 255, b = cmyk[2] * k / 255;
        rgb[x] = (r << 16) | (g << 8) | b;
    }
}

// Reads the header of `data`; false when the picture is over the size limits. Called under a
// caller's setjmp: it owns nothing with a destructor.
bool readHeader(jpeg_decompress_struct &cinfo, std::span<const std::byte> data,
                std::int64_t maxPixels)
{
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.data()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    const std::int64_t w = cinfo.image_width, h = cinfo.image_height;
    return platform::PictureSizeAcceptable(w, h) && w * h <= maxPixels;
}

// Returns false on any libjpeg error. `pixels` belongs to the caller (see the top comment).
bool decodeProtected(jpeg_decompress_struct &cinfo, ErrorManager &err,
                     std::span<const std::byte> data, int minSide, std::int64_t maxPixels,
                     bool smoothing, JpegPicture &out)
{
    if (setjmp(err.jump))
        return false;
    jpeg_create_decompress(&cinfo);
    jpeg_progress_mgr progress{};
    progress.progress_monitor = limitScans;
    cinfo.progress = &progress;
    if (!readHeader(cinfo, data, maxPixels))
        return false;
    out.fullWidth = static_cast<int>(cinfo.image_width);
    out.fullHeight = static_cast<int>(cinfo.image_height);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    // Little-endian words 0x00RRGGBB are the bytes B, G, R, X.
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = FALSE;
    if (!smoothing)
        cinfo.do_block_smoothing = FALSE;
    chooseScale(cinfo, minSide);
    jpeg_start_decompress(&cinfo);

    const unsigned ow = cinfo.output_width, oh = cinfo.output_height;
    out.image.width = static_cast<int>(ow);
    out.image.height = static_cast<int>(oh);
    out.image.pixels.resize(static_cast<std::size_t>(ow) * oh);
    JSAMPARRAY cmykRow = cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                           JPOOL_IMAGE, ow * 4, 1)
                              : nullptr;
    while (cinfo.output_scanline < oh) {
        std::uint32_t *row = out.image.pixels.data() + std::size_t{cinfo.output_scanline} * ow;
        if (cmyk) {
            if (jpeg_read_scanlines(&cinfo, cmykRow, 1) != 1)
                return false;
            cmykRowToRgb(cmykRow[0], row, ow);
        } else {
            JSAMPROW target = reinterpret_cast<JSAMPROW>(row);
            if (jpeg_read_scanlines(&cinfo, &target, 1) != 1)
                return false;
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

int scaledSize(const jpeg_component_info &component)
{
#if JPEG_LIB_VERSION >= 70
    return component.DCT_h_scaled_size == 1 && component.DCT_v_scaled_size == 1 ? 1 : 2;
#else
    return component.DCT_scaled_size;
#endif
}

struct Probe {
    bool progressive = false;
    bool anyDcOnly = false;
    DcOnlyComponents dcOnly{};
    bool baseline = false; // `scan` holds a baseline file the DC walk takes
    BaselineScan scan;
};

// Fills `scan` from a sequential Huffman-coded file whose one scan holds every component, as
// the decode would run it at the scale chosen; false for any other file.
bool describeBaseline(const jpeg_decompress_struct &cinfo, BaselineScan &scan)
{
    if (cinfo.progressive_mode || cinfo.arith_code || cinfo.data_precision != 8 ||
        cinfo.scale_num != 1 || cinfo.scale_denom != 8 || cinfo.CCIR601_sampling ||
        cinfo.comps_in_scan != cinfo.num_components || cinfo.Ss != 0 || cinfo.Se != 63 ||
        cinfo.Ah != 0 || cinfo.Al != 0 || cinfo.src == nullptr)
        return false;
    const bool grey = cinfo.num_components == 1 && cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool ycc = cinfo.num_components == 3 && cinfo.jpeg_color_space == JCS_YCbCr;
    if (!grey && !ycc)
        return false;
    scan.width = static_cast<int>(cinfo.image_width);
    scan.height = static_cast<int>(cinfo.image_height);
    scan.componentCount = cinfo.num_components;
    scan.restartInterval = cinfo.restart_interval;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info &component = cinfo.comp_info[c];
        if (cinfo.cur_comp_info[c] != &component)
            return false; // scan order differs from frame order
        const int dc = component.dc_tbl_no, ac = component.ac_tbl_no, q = component.quant_tbl_no;
        if (dc < 0 || dc >= NUM_HUFF_TBLS || ac < 0 || ac >= NUM_HUFF_TBLS || q < 0 ||
            q >= NUM_QUANT_TBLS || !cinfo.dc_huff_tbl_ptrs[dc] || !cinfo.ac_huff_tbl_ptrs[ac] ||
            !cinfo.quant_tbl_ptrs[q])
            return false;
        BaselineComponent &out = scan.components[static_cast<std::size_t>(c)];
        out.h = component.h_samp_factor;
        out.v = component.v_samp_factor;
#if JPEG_LIB_VERSION >= 70
        if (component.DCT_h_scaled_size != component.DCT_v_scaled_size)
            return false;
        out.idctSize = component.DCT_h_scaled_size;
#else
        out.idctSize = component.DCT_scaled_size;
#endif
        out.dcTable = dc;
        out.acTable = ac;
        for (int i = 0; i < 64; ++i)
            out.quant[static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>(cinfo.quant_tbl_ptrs[q]->quantval[i]);
        // libjpeg's bits[] starts at length 0, which no code has.
        const auto copyTable = [](const JHUFF_TBL &from, HuffmanTable &to) {
            std::copy_n(from.bits + 1, 16, to.counts.begin());
            std::copy_n(from.huffval, 256, to.symbols.begin());
        };
        copyTable(*cinfo.dc_huff_tbl_ptrs[dc], scan.dc[static_cast<std::size_t>(dc)]);
        copyTable(*cinfo.ac_huff_tbl_ptrs[ac], scan.ac[static_cast<std::size_t>(ac)]);
    }
    // After the header, the source stands at the first byte of the entropy-coded data.
    scan.data = std::span(reinterpret_cast<const std::byte *>(cinfo.src->next_input_byte),
                          cinfo.src->bytes_in_buffer);
    return BaselineLayoutTaken(scan);
}

// Reads the header only: whether the file is progressive, which components the scale chosen
// for `minSide` decodes from their DC coefficients alone (an inverse DCT of one pixel), and for
// a baseline file, what the DC walk needs.
bool probeProtected(jpeg_decompress_struct &cinfo, ErrorManager &err,
                    std::span<const std::byte> data, int minSide, std::int64_t maxPixels,
                    Probe &probe)
{
    if (setjmp(err.jump))
        return false;
    jpeg_create_decompress(&cinfo);
    if (!readHeader(cinfo, data, maxPixels))
        return false;
    probe.progressive = cinfo.progressive_mode != FALSE;
    chooseScale(cinfo, minSide);
    if (!probe.progressive) {
        probe.baseline = describeBaseline(cinfo, probe.scan);
        return true;
    }
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info &component = cinfo.comp_info[c];
        if (scaledSize(component) == 1) {
            probe.dcOnly[static_cast<std::size_t>(component.component_id & 255)] = true;
            probe.anyDcOnly = true;
        }
    }
    return true;
}

template<typename Body> bool withDecompressor(Body body)
{
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    const bool ok = body(cinfo, err);
    cinfo.progress = nullptr; // it lived in the body's frame
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

bool decodeOnce(std::span<const std::byte> data, int minSide, std::int64_t maxPixels,
                bool smoothing, JpegPicture &out)
{
    out = JpegPicture();
    const bool ok = withDecompressor([&](jpeg_decompress_struct &cinfo, ErrorManager &err) {
        return decodeProtected(cinfo, err, data, minSide, maxPixels, smoothing, out);
    });
    if (!ok)
        out = JpegPicture();
    return ok;
}

Probe probeOf(std::span<const std::byte> data, int minSide, std::int64_t maxPixels, bool &probed)
{
    Probe probe;
    probed = withDecompressor([&](jpeg_decompress_struct &cinfo, ErrorManager &err) {
        return probeProtected(cinfo, err, data, minSide, maxPixels, probe);
    });
    return probe;
}

// DecodeJpeg with JpegScans::Needed at 1/8 or above, once the header is probed. `walked`: the
// DC walk has had the file already (and failed), so it is not tried again.
bool decodeProbed(std::span<const std::byte> data, int minSide, JpegPicture &out,
                  std::int64_t maxPixels, bool probed, const Probe &probe, bool walked,
                  JpegRoute &taken)
{
    // A progressive file decoded at 1/8 is decoded without the AC scans of the components
    // that show only their DC: the same pixels (smoothing off, which a file with every
    // coefficient complete never gets anyway) from a fraction of the entropy decoding. A
    // baseline one is read by the DC walk (jpeg_baseline.h), which gives the same pixels.
    if (probed && probe.baseline && !walked) {
        out = JpegPicture();
        if (DecodeBaselineEighth(probe.scan, out.image)) {
            out.fullWidth = probe.scan.width;
            out.fullHeight = probe.scan.height;
            taken = JpegRoute::DcWalk;
            return true;
        }
    }
    std::vector<std::byte> needed;
    if (probed && probe.progressive && probe.anyDcOnly &&
        DropUnneededScans(data, probe.dcOnly, kMaxScans, needed) &&
        decodeOnce(needed, minSide, maxPixels, /*smoothing=*/false, out)) {
        taken = JpegRoute::FewerScans;
        return true;
    }
    return decodeOnce(data, minSide, maxPixels, /*smoothing=*/true, out);
}

} // namespace

void DecodeJpegPair(std::span<const std::byte> first, std::span<const std::byte> second,
                    int minSide, JpegPicture &firstOut, JpegPicture &secondOut, bool &firstOk,
                    bool &secondOk, std::int64_t maxPixels, bool *together)
{
    if (together)
        *together = false;
    if (minSide <= 0) {
        firstOk = DecodeJpeg(first, minSide, firstOut, maxPixels);
        secondOk = DecodeJpeg(second, minSide, secondOut, maxPixels);
        return;
    }
    // Each header is read once, whichever way its file is decoded.
    bool probedA = false, probedB = false;
    const Probe a = probeOf(first, minSide, maxPixels, probedA);
    const Probe b = probeOf(second, minSide, maxPixels, probedB);
    const bool walked = probedA && a.baseline && probedB && b.baseline;
    firstOk = secondOk = false;
    if (walked) {
        firstOut = JpegPicture();
        secondOut = JpegPicture();
        const bool walkedTogether = DecodeBaselineEighthPair(a.scan, b.scan, firstOut.image,
                                                             secondOut.image, firstOk, secondOk);
        if (together)
            *together = walkedTogether;
        if (firstOk) {
            firstOut.fullWidth = a.scan.width;
            firstOut.fullHeight = a.scan.height;
        }
        if (secondOk) {
            secondOut.fullWidth = b.scan.width;
            secondOut.fullHeight = b.scan.height;
        }
    }
    // What the walk did not take, each file on its own as ever.
    JpegRoute ignored;
    if (!firstOk)
        firstOk = decodeProbed(first, minSide, firstOut, maxPixels, probedA, a, walked, ignored);
    if (!secondOk)
        secondOk = decodeProbed(second, minSide, secondOut, maxPixels, probedB, b, walked, ignored);
}

bool DecodeJpeg(std::span<const std::byte> data, int minSide, JpegPicture &out,
                std::int64_t maxPixels, JpegScans scans, JpegRoute *route)
{
    JpegRoute ignored;
    JpegRoute &taken = route ? *route : ignored;
    taken = JpegRoute::Whole;
    if (scans == JpegScans::Needed && minSide > 0) {
        bool probed = false;
        const Probe probe = probeOf(data, minSide, maxPixels, probed);
        return decodeProbed(data, minSide, out, maxPixels, probed, probe, /*walked=*/false, taken);
    }
    return decodeOnce(data, minSide, maxPixels, /*smoothing=*/true, out);
}

} // namespace twinly::visual
