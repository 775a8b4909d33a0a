// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic here is libjpeg-turbo's, step for step: the decoder's Huffman rules (jdhuff.c),
// its 1x1 and 2x2 inverse DCTs (jidctred.c), its range-limit table (jdmaster.c) and its YCbCr to
// RGB tables (jdcolor.c, jdmerge.c). Where libjpeg's SIMD code could part from its C code (a
// dequantised coefficient out of 16 bits, which no encoder of 8-bit samples writes), the walk
// gives the file back to libjpeg instead.
#include "jpeg_baseline.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace twinly::visual {

namespace {

constexpr int kNatural[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                              12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                              35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                              58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr int kFastBits = 9;  // one code of up to this many bits per look-up
constexpr int kSkipBits = 13; // the codes, extra bits included, that fit in this many
static_assert(4 * kSkipBits <= 56, "four skip look-ups per refill");
// An MCU reads at most 6 blocks of 64 codes of 16 bits and 15 extra bits (1,488 bytes); its end
// is checked against its segment's after it, so a damaged stream never reads past this.
constexpr std::size_t kPadding = 2048;
// A skip entry is two bytes in two tables: the bits to drop, and the coefficients passed. The
// next look-up waits on the first alone, and a byte at an unscaled index comes a cycle sooner
// than a wider entry.
constexpr std::size_t kSteps = std::size_t{1} << kSkipBits; // where the second table starts
constexpr std::uint8_t kNoSkip = 127; // passed, for bits with no whole code: one code at a time

// The bit reader's state must stay in registers through the walk's inner loops: a call it is
// passed to by reference would put it in memory, and every code would wait on a store.
#define TWINLY_INLINE [[gnu::always_inline]] inline

// libjpeg's SIMD inverse DCTs work in 16 bits; its C code, which the walk follows, in 32. The
// two agree while a dequantised coefficient stays within this, as for any encoder of 8-bit
// samples (their coefficients stay within +-1024).
TWINLY_INLINE bool dequantisedFits(int value, std::int16_t q)
{
    const int z = value * q;
    return z >= -2048 && z <= 2048;
}

// The bits of one restart interval, stuffed bytes removed, most significant bit first (loads of
// eight bytes at a time, as in "reading bits in far too many ways", variant 4).
class BitReader {
public:
    explicit BitReader(const std::uint8_t *at) : m_base(at), m_next(at) {}

    // Leaves at least 56 bits ready.
    TWINLY_INLINE void refill()
    {
        std::uint64_t word;
        std::memcpy(&word, m_next, sizeof word);
        if constexpr (std::endian::native == std::endian::little)
            word = __builtin_bswap64(word);
        m_bits |= word >> m_count;
        m_next += (63 - m_count) >> 3;
        m_count |= 56;
    }
    TWINLY_INLINE std::uint32_t peek(int n) const
    {
        return static_cast<std::uint32_t>(m_bits >> (64 - n));
    }
    TWINLY_INLINE void drop(int n)
    {
        m_bits <<= n;
        m_count -= n;
    }
    // Reads n (1..15) bits as the signed value that JPEG codes with them (F.12).
    TWINLY_INLINE int extend(int n)
    {
        const int r = static_cast<int>(peek(n));
        drop(n);
        return r < (1 << (n - 1)) ? r - (1 << n) + 1 : r;
    }
    std::size_t consumedBits() const
    {
        return static_cast<std::size_t>(m_next - m_base) * 8 - static_cast<std::size_t>(m_count);
    }

private:
    const std::uint8_t *m_base;
    const std::uint8_t *m_next;
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

// One Huffman table, decoded as jpeg_huff_decode does (shortest code first).
class Codes {
public:
    // False where libjpeg refuses the table (jpeg_make_d_derived_tbl).
    bool build(const HuffmanTable &table, bool dc, bool skipping)
    {
        int total = 0;
        for (int len = 1; len <= 16; ++len) {
            total += table.counts[static_cast<std::size_t>(len - 1)];
            if (total > 256)
                return false;
        }
        int first = 0, last = 0;
        for (int len = 1; len <= 16; ++len)
            if (table.counts[static_cast<std::size_t>(len - 1)] != 0) {
                first = first ? first : len;
                last = len;
            }
        if (total == 0)
            return false;
        int code = 0, index = 0;
        for (int len = 1; len <= 16; ++len) {
            const int n = table.counts[static_cast<std::size_t>(len - 1)];
            m_offset[len] = index - code;
            code += n;
            index += n;
            m_maxCode[len] = n ? code - 1 : -1;
            if (len >= first && len <= last && code >= (1 << len))
                return false; // an all-ones code, which libjpeg refuses
            code <<= 1;
        }
        m_maxCode[17] = 0x7FFFFFFF;
        m_symbols = table.symbols;
        if (dc)
            for (int i = 0; i < total; ++i)
                if (m_symbols[static_cast<std::size_t>(i)] > 15)
                    return false;
        m_fast.fill(0);
        m_withValue.fill(0);
        for (std::uint32_t bits = 0; bits < (1u << kFastBits); ++bits) {
            int sym = -1;
            const int len = lookUp(bits << (16 - kFastBits), kFastBits, sym);
            if (!len)
                continue;
            m_fast[bits] = static_cast<std::uint16_t>((len << 8) | sym);
            const int size = dc ? sym : sym & 15, run = dc ? 0 : sym >> 4;
            if (len + size > kFastBits)
                continue;
            int value = 0;
            if (size) {
                const int extra =
                    static_cast<int>((bits >> (kFastBits - len - size)) & ((1u << size) - 1));
                value = extra < (1 << (size - 1)) ? extra - (1 << size) + 1 : extra;
            }
            // The bits taken, the run, whether the symbol has no value (EOB, ZRL), the value.
            m_withValue[bits] = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(value) << 16 | (size == 0 ? 1u << 9 : 0u) |
                static_cast<std::uint32_t>(run) << 5 | static_cast<std::uint32_t>(len + size));
        }
        if (skipping)
            buildSkip(table);
        return true;
    }

    // The next symbol, or -1 for a bit pattern that is no code. Needs 16 bits ready.
    TWINLY_INLINE int decode(BitReader &r) const
    {
        const std::uint16_t fast = m_fast[r.peek(kFastBits)];
        if (fast) {
            r.drop(fast >> 8);
            return fast & 0xFF;
        }
        int sym = -1;
        const int len = lookUp(r.peek(16), 16, sym);
        if (!len)
            return -1;
        r.drop(len);
        return sym;
    }

    // The difference a DC code gives. Needs 31 bits ready. False for a bad code.
    TWINLY_INLINE bool decodeDc(BitReader &r, int &diff) const
    {
        const std::int32_t e = m_withValue[r.peek(kFastBits)];
        if (e & 31) {
            r.drop(e & 31);
            diff = e >> 16;
            return true;
        }
        const int size = decode(r);
        if (size < 0)
            return false;
        diff = size ? r.extend(size) : 0;
        return true;
    }

    // Skips the AC codes of a block whose coefficients are not needed, from coefficient `k`
    // (as libjpeg counts: 1 at the first AC one). Needs nothing ready. False for a bad code or
    // a run past the block's end.
    TWINLY_INLINE bool skipAc(BitReader &r, int k = 1) const
    {
        for (;;) {
            r.refill();
            std::uint32_t at = 0;
            int step = 0, i = 0;
            // Each look-up takes at most kSkipBits of the 56 ready.
            for (; i < 4; ++i) {
                at = r.peek(kSkipBits);
                step = m_skip[kSteps + at];
                if (k + step > 63)
                    break;
                r.drop(m_skip[at]);
                k += step;
            }
            if (i == 4)
                continue;
            if (const int ended = finishSkip(r, k, at))
                return ended > 0;
        }
    }

    // The skip entry at the next kSkipBits bits: where its two bytes are, and the coefficients
    // it passes.
    TWINLY_INLINE std::uint32_t skipAt(const BitReader &r) const { return r.peek(kSkipBits); }
    TWINLY_INLINE int skipStep(std::uint32_t at) const { return m_skip[kSteps + at]; }
    TWINLY_INLINE int skipBits(std::uint32_t at) const { return m_skip[at]; }

    // Takes the codes at skip entry `at` when it would pass coefficient 63 (or holds no whole
    // code): 1 when the block ends there, 0 when it goes on from `k`, -1 for a bad code or a
    // run past the block's end.
    TWINLY_INLINE int finishSkip(BitReader &r, int &k, std::uint32_t at) const
    {
        // An entry that ends at its end-of-block passes 64 more.
        const int beforeEnd = m_skip[kSteps + at] - 64;
        if (m_skip[at] && beforeEnd >= 0 && k + beforeEnd <= 63) {
            r.drop(m_skip[at]);
            return 1;
        }
        r.refill();
        const int sym = decode(r);
        if (sym < 0)
            return -1;
        const int s = sym & 15, run = sym >> 4;
        if (s) {
            r.drop(s);
            k += run;
            if (k > 63)
                return -1;
            return ++k > 63 ? 1 : 0;
        }
        if (run == 15) {
            k += 16;
            return k > 63 ? 1 : 0;
        }
        return 1;
    }

    // Reads the AC coefficients of a block into `block` (natural order, zero where nothing is
    // written) and gives the positions written as bits, or ~0 for a bad code, a run past the
    // block's end or a coefficient whose dequantised value is out of 16 bits.
    TWINLY_INLINE std::uint64_t readAc(BitReader &r, std::int16_t *block,
                                       const std::int16_t *quant) const
    {
        std::uint64_t written = 0;
        for (int k = 1; k < 64; ++k) {
            r.refill();
            int s, run, value = 0;
            const std::int32_t e = m_withValue[r.peek(kFastBits)];
            if (e & 31) {
                r.drop(e & 31);
                run = (e >> 5) & 15;
                s = (e >> 9) & 1 ? 0 : 1;
                value = e >> 16;
            } else {
                const int sym = decode(r);
                if (sym < 0)
                    return ~std::uint64_t{0};
                s = sym & 15;
                run = sym >> 4;
                if (s)
                    value = r.extend(s);
            }
            if (s) {
                k += run;
                if (k > 63)
                    return ~std::uint64_t{0};
                const int at = kNatural[k];
                if (!dequantisedFits(value, quant[at]))
                    return ~std::uint64_t{0};
                block[at] = static_cast<std::int16_t>(value);
                written |= std::uint64_t{1} << at;
            } else if (run == 15) {
                k += 15;
            } else {
                break;
            }
        }
        return written;
    }

private:
    // Length of the code at the top of `bits` (of `available` bits, left-aligned in 16), 0 if none.
    int lookUp(std::uint32_t bits16, int available, int &sym) const
    {
        for (int len = 1; len <= available; ++len) {
            const int code = static_cast<int>(bits16 >> (16 - len));
            if (code <= m_maxCode[len]) {
                const int index = m_offset[len] + code;
                sym = m_symbols[static_cast<std::size_t>(index)];
                return len;
            }
        }
        return 0;
    }

    // Each entry: the bits of the whole codes (with their extra bits) at the front of kSkipBits
    // bits, up to and including an end-of-block, and the coefficients they pass (64 more when
    // they end the block). libjpeg's rule that a block ends at its 64th coefficient is kept by
    // taking an entry only when it cannot get there.
    void buildSkip(const HuffmanTable &table)
    {
        // The code at the front of any kSkipBits bits, as (length << 8) | symbol, 0 for none:
        // what lookUp finds there, at one look-up (a picture builds this table anew).
        std::vector<std::uint16_t> front(kSteps, 0);
        for (int len = 1, code = 0; len <= kSkipBits; ++len, code <<= 1)
            for (int i = 0; i < table.counts[static_cast<std::size_t>(len - 1)]; ++i, ++code) {
                const int index = m_offset[len] + code; // of the code's symbol
                const auto entry = static_cast<std::uint16_t>(
                    len << 8 | m_symbols[static_cast<std::size_t>(index)]);
                const auto from = static_cast<std::size_t>(code) << (kSkipBits - len);
                std::fill_n(front.begin() + static_cast<std::ptrdiff_t>(from),
                            std::size_t{1} << (kSkipBits - len), entry);
            }
        m_skip.resize(2 * kSteps);
        for (std::uint32_t bits = 0; bits < (1u << kSkipBits); ++bits) {
            int used = 0, passed = 0;
            bool end = false;
            while (used < kSkipBits) {
                const std::uint16_t code = front[(bits << used) & (kSteps - 1)];
                const int len = code >> 8, sym = code & 0xFF;
                if (!code || len > kSkipBits - used)
                    break;
                const int s = sym & 15, run = sym >> 4;
                if (s == 0 && run != 15) {
                    used += len;
                    end = true;
                    break;
                }
                const int step = s ? run + 1 : 16;
                if (used + len + s > kSkipBits || passed + step > 62)
                    break;
                used += len + s;
                passed += step;
            }
            m_skip[bits] = static_cast<std::uint8_t>(used);
            m_skip[kSteps + bits] =
                used == 0 ? kNoSkip : static_cast<std::uint8_t>(end ? passed + 64 : passed);
        }
    }

    int m_maxCode[18] = {};
    int m_offset[17] = {};
    std::array<std::uint8_t, 256> m_symbols{};
    std::array<std::uint16_t, 1 << kFastBits> m_fast{};
    std::array<std::int32_t, 1 << kFastBits> m_withValue{}; // code and value in one look-up
    std::vector<std::uint8_t> m_skip; // bits to drop, then coefficients passed
};

// libjpeg's post-IDCT range limit (prepare_range_limit_table), indexed by the value & 1023: a
// clamp to 0..255 around 128 for values within +-512, wrapping beyond.
constexpr std::array<std::uint8_t, 1024> kRangeLimit = [] {
    std::array<std::uint8_t, 1024> table{};
    for (int i = 0; i < 1024; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i < 128   ? i + 128
                                                                       : i < 512 ? 255
                                                                       : i < 896 ? 0
                                                                                 : i - 896);
    return table;
}();

std::uint8_t rangeLimit(int value)
{
    return kRangeLimit[static_cast<std::size_t>(value & 1023)];
}

TWINLY_INLINE std::uint8_t idct1x1(std::int16_t coef, std::int16_t q)
{
    const int dc = static_cast<int>(coef) * q;
    return rangeLimit((dc + 4) >> 3);
}

// The coefficients jpeg_idct_2x2 reads: rows and columns 0, 1, 3, 5 and 7.
constexpr std::uint64_t kUsedBy2x2 = [] {
    std::uint64_t mask = 0;
    for (int row : {0, 1, 3, 5, 7})
        for (int col : {0, 1, 3, 5, 7})
            mask |= std::uint64_t{1} << (row * 8 + col);
    return mask;
}();

// jpeg_idct_2x2 on a block whose coefficients all pass dequantisedFits; `written` has a bit for
// each AC coefficient that may be other than zero. A column with none of them gives what
// libjpeg's own shortcut for it gives.
void idct2x2(const std::int16_t *coef, const std::int16_t *q, std::uint64_t written,
             std::uint8_t out[2][2])
{
    constexpr int kConstBits = 13, kPass1Bits = 2;
    constexpr std::int64_t k0_720959822 = 5906, k0_850430095 = 6967, k1_272758580 = 10426,
                           k3_624509785 = 29692;
    const auto descale = [](std::int64_t x, int n) {
        return (x + (std::int64_t{1} << (n - 1))) >> n;
    };
    const auto z = [&](int at) { return std::int64_t{coef[at]} * q[at]; };
    // Pass 1 keeps the columns pass 2 reads, 0, 1, 3, 5 and 7, as slots 0..4 of each row.
    constexpr int kColumns[5] = {0, 1, 3, 5, 7};
    constexpr std::uint64_t kColumn = 0x0101010101010101ull;
    std::int64_t ws[2][5];
    for (int slot = 0; slot < 5; ++slot) {
        const int col = kColumns[slot];
        if (col != 0 && !(written & (kColumn << col))) {
            ws[0][slot] = ws[1][slot] = 0;
            continue;
        }
        if (coef[8 + col] == 0 && coef[24 + col] == 0 && coef[40 + col] == 0 &&
            coef[56 + col] == 0) {
            ws[0][slot] = ws[1][slot] = z(col) * (1 << kPass1Bits);
            continue;
        }
        const std::int64_t even = z(col) * (1 << (kConstBits + 2));
        const std::int64_t odd = z(56 + col) * -k0_720959822 + z(40 + col) * k0_850430095 +
                                 z(24 + col) * -k1_272758580 + z(8 + col) * k3_624509785;
        ws[0][slot] = descale(even + odd, kConstBits - kPass1Bits + 2);
        ws[1][slot] = descale(even - odd, kConstBits - kPass1Bits + 2);
    }
    for (int row = 0; row < 2; ++row) {
        const std::int64_t *w = ws[row]; // w[0], w[1..4]: columns 0, 1, 3, 5, 7
        if (w[1] == 0 && w[2] == 0 && w[3] == 0 && w[4] == 0) {
            out[row][0] = out[row][1] = rangeLimit(static_cast<int>(descale(w[0], kPass1Bits + 3)));
            continue;
        }
        const std::int64_t even = w[0] * (1 << (kConstBits + 2));
        const std::int64_t odd =
            w[4] * -k0_720959822 + w[3] * k0_850430095 + w[2] * -k1_272758580 + w[1] * k3_624509785;
        constexpr int shift = kConstBits + kPass1Bits + 3 + 2;
        out[row][0] = rangeLimit(static_cast<int>(descale(even + odd, shift)));
        out[row][1] = rangeLimit(static_cast<int>(descale(even - odd, shift)));
    }
}

// Copies p[i, at) to `out`, where `at` is the first 0xFF from i on (n where there is none), and
// gives `at`. The data of a photograph has an 0xFF every few hundred bytes: sixteen bytes at a
// time, with no call per run, is a few times as fast as memchr and memcpy. May write up to 16
// bytes past what it copies, but never past `out` + (n - i).
std::size_t copyToMarker(const std::uint8_t *p, std::size_t i, std::size_t n, std::uint8_t *out)
{
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; i + 16 <= n; i += 16, out += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), v);
        if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(v, ff)))
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
    }
#endif
    const void *found = i < n ? std::memchr(p + i, 0xFF, n - i) : nullptr;
    const std::size_t at =
        found ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(found) - p) : n;
    std::memcpy(out, p + i, at - i);
    return at;
}

// The stream without its stuffed bytes, cut at its restart markers. False unless the markers
// are the restarts libjpeg expects, in order and as many as the MCUs need, and the scan ends
// with the end marker.
bool unstuff(std::span<const std::byte> data, unsigned restartInterval, std::size_t segments,
             std::vector<std::uint8_t> &clean, std::vector<std::size_t> &ends)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(data.data());
    const std::size_t n = data.size();
    if (clean.size() < n + kPadding)
        clean.resize(n + kPadding);
    std::size_t out = 0, i = 0;
    for (;;) {
        const std::size_t at = copyToMarker(p, i, n, clean.data() + out);
        out += at - i;
        if (at == n)
            return false; // no end marker
        std::size_t j = at + 1;
        while (j < n && p[j] == 0xFF)
            ++j; // fill bytes, as libjpeg skips them
        if (j >= n)
            return false;
        const unsigned marker = p[j];
        i = j + 1;
        if (marker == 0x00) {
            clean[out++] = 0xFF;
        } else if (marker >= 0xD0 && marker <= 0xD7) {
            if (restartInterval == 0 || ends.size() + 1 >= segments ||
                marker != 0xD0 + (ends.size() & 7))
                return false;
            ends.push_back(out);
        } else if (marker == 0xD9) {
            ends.push_back(out);
            if (ends.size() != segments)
                return false;
            std::memset(clean.data() + out, 0, kPadding);
            return true;
        } else {
            return false;
        }
    }
}

struct Plane {
    int stride = 0;
    std::uint8_t *samples = nullptr;
};

// Buffers kept from one picture to the next of a thread: fresh ones of a few megabytes each
// cost the walk a tenth of its time in page faults. Every byte the walk reads from them it has
// written for the picture at hand.
struct Scratch {
    std::vector<std::uint8_t> clean;
    std::array<std::vector<std::uint8_t>, 3> planes;

    std::uint8_t *plane(int c, std::size_t size)
    {
        std::vector<std::uint8_t> &v = planes[static_cast<std::size_t>(c)];
        if (v.size() < size)
            v.resize(size);
        return v.data();
    }
    // A very large picture's buffers are not kept for the pictures after it.
    void trim()
    {
        constexpr std::size_t kKeep = 16u << 20;
        if (clean.capacity() > kKeep)
            clean = std::vector<std::uint8_t>();
        for (std::vector<std::uint8_t> &v : planes)
            if (v.capacity() > kKeep)
                v = std::vector<std::uint8_t>();
    }
};

struct YccTables {
    int crToR[256], cbToB[256];
    std::int64_t crToG[256], cbToG[256];
    YccTables()
    {
        // FIX(1.40200), FIX(1.77200), FIX(0.71414), FIX(0.34414): x * 65536 + 0.5, truncated.
        constexpr std::int64_t kCrR = 91881, kCbB = 116130, kCrG = 46802, kCbG = 22554;
        for (int i = 0; i < 256; ++i) {
            const std::int64_t x = i - 128;
            crToR[i] = static_cast<int>((kCrR * x + (1 << 15)) >> 16);
            cbToB[i] = static_cast<int>((kCbB * x + (1 << 15)) >> 16);
            crToG[i] = -kCrG * x;
            cbToG[i] = -kCbG * x + (1 << 15);
        }
    }
};

std::uint32_t clamp255(int v)
{
    return static_cast<std::uint32_t>(std::clamp(v, 0, 255));
}

struct Part {
    const Codes *dc = nullptr, *ac = nullptr;
    const std::int16_t *quant = nullptr;
    Plane plane;
};

struct Walk {
    const std::uint8_t *clean;
    const std::vector<std::size_t> &ends; // where each restart interval's bits end
    unsigned restartInterval;
    std::int64_t mcusX, mcusY;
    std::array<Part, 3> parts;
};

// One block of a component shown by its DC alone.
TWINLY_INLINE bool dcOnlyBlock(BitReader &r, const Part &part, std::uint32_t &prediction,
                               std::uint8_t &sample)
{
    r.refill();
    int diff;
    if (!part.dc->decodeDc(r, diff))
        return false;
    // libjpeg keeps the sum in an int and the coefficient in 16 bits: modulo 2^16 either way.
    prediction += static_cast<std::uint32_t>(diff);
    sample = idct1x1(static_cast<std::int16_t>(prediction), part.quant[0]);
    return part.ac->skipAc(r);
}

// One chroma block of a 4:2:0 file: its 2x2 pixels at `at`.
TWINLY_INLINE bool chromaBlock(BitReader &r, const Part &part, std::uint32_t &prediction,
                               std::int16_t *block, std::uint8_t *at)
{
    r.refill();
    int diff;
    if (!part.dc->decodeDc(r, diff))
        return false;
    prediction += static_cast<std::uint32_t>(diff);
    const auto dc = static_cast<std::int16_t>(prediction);
    if (!dequantisedFits(dc, part.quant[0]))
        return false;
    const std::uint64_t written = part.ac->readAc(r, block, part.quant);
    if (written == ~std::uint64_t{0})
        return false;
    std::uint8_t pixels[2][2];
    if (written & kUsedBy2x2) {
        block[0] = dc;
        idct2x2(block, part.quant, written, pixels);
        block[0] = 0;
    } else {
        // With no coefficient it reads but the DC, the 2x2 transform gives the DC's 1x1 one.
        pixels[0][0] = pixels[0][1] = pixels[1][0] = pixels[1][1] = idct1x1(dc, part.quant[0]);
    }
    for (std::uint64_t bits = written; bits; bits &= bits - 1)
        block[std::countr_zero(bits)] = 0;
    const int stride = part.plane.stride;
    at[0] = pixels[0][0];
    at[1] = pixels[0][1];
    at[stride] = pixels[1][0];
    at[stride + 1] = pixels[1][1];
    return true;
}

// Every MCU of the scan, for one layout: `Count` components, the first of H x V blocks, the
// others of one block each (read in full for a 2x2 inverse DCT when `Chroma2x2`).
template<int Count, int H, int V, bool Chroma2x2> bool walkMcus(const Walk &walk)
{
    std::size_t segment = 0, segmentStart = 0;
    BitReader reader(walk.clean);
    std::uint32_t prediction[3] = {0, 0, 0};
    std::int64_t inInterval = 0;
    std::int16_t block[64] = {};
    const Part &luma = walk.parts[0];
    const std::size_t lumaStride = static_cast<std::size_t>(luma.plane.stride);
    for (std::int64_t my = 0; my < walk.mcusY; ++my) {
        std::uint8_t *lumaRow = luma.plane.samples + static_cast<std::size_t>(my) * V * lumaStride;
        for (std::int64_t mx = 0; mx < walk.mcusX; ++mx) {
            if (walk.restartInterval && inInterval == walk.restartInterval) {
                if (reader.consumedBits() > (walk.ends[segment] - segmentStart) * 8)
                    return false;
                segmentStart = walk.ends[segment++];
                reader = BitReader(walk.clean + segmentStart);
                prediction[0] = prediction[1] = prediction[2] = 0;
                inInterval = 0;
            }
            ++inInterval;
            for (int by = 0; by < V; ++by)
                for (int bx = 0; bx < H; ++bx)
                    if (!dcOnlyBlock(
                            reader, luma, prediction[0],
                            lumaRow[by * lumaStride + static_cast<std::size_t>(mx * H + bx)]))
                        return false;
            for (int c = 1; c < Count; ++c) {
                const Part &part = walk.parts[static_cast<std::size_t>(c)];
                const auto stride = static_cast<std::size_t>(part.plane.stride);
                if constexpr (Chroma2x2) {
                    std::uint8_t *at = part.plane.samples +
                                       static_cast<std::size_t>(2 * my) * stride +
                                       static_cast<std::size_t>(2 * mx);
                    if (!chromaBlock(reader, part, prediction[c], block, at))
                        return false;
                } else {
                    std::uint8_t &at = part.plane.samples[static_cast<std::size_t>(my) * stride +
                                                          static_cast<std::size_t>(mx)];
                    if (!dcOnlyBlock(reader, part, prediction[c], at))
                        return false;
                }
            }
            if (reader.consumedBits() > (walk.ends[segment] - segmentStart) * 8)
                return false; // the interval's data ended early: libjpeg would pad with zeros
        }
    }
    return segment + 1 == walk.ends.size();
}

// Two pictures walked together. One walk waits on each skip look-up before it can make the next,
// and leaves the core idle most of that time; the look-ups of two independent streams, one of
// each in turn, fill it. Each stream is walked as walkMcus walks it, block by block; only the
// order of the work differs. A picture alone keeps walkMcus: walked by a Stream, its nested
// loops' work cut at every block start, it took 5 to 9 % longer.

enum class Next { Skip, Done, Failed }; // Skip: at the AC codes of a block, from `k`

template<int Count, int H, int V, bool Chroma2x2> class Stream {
public:
    explicit Stream(const Walk &walk) : r(walk.clean), m_walk(walk) {}

    BitReader r;
    int k = 1;
    const Codes *ac = nullptr;

    // At a block start: takes blocks up to the AC codes of one it skips, with walkMcus's checks
    // at the MCUs' and the restart intervals' ends. Done after the last MCU.
    TWINLY_INLINE Next begin(std::int16_t *block)
    {
        constexpr int kLuma = H * V, kBlocks = kLuma + Count - 1;
        for (;;) {
            if (m_phase == 0) {
                if (m_started && r.consumedBits() > (m_walk.ends[m_segment] - m_segmentStart) * 8)
                    return Next::Failed; // the MCU ended past its interval's data
                m_started = true;
                if (m_my == m_walk.mcusY)
                    return m_segment + 1 == m_walk.ends.size() ? Next::Done : Next::Failed;
                if (m_walk.restartInterval && m_inInterval == m_walk.restartInterval) {
                    m_segmentStart = m_walk.ends[m_segment++];
                    r = BitReader(m_walk.clean + m_segmentStart);
                    m_prediction[0] = m_prediction[1] = m_prediction[2] = 0;
                    m_inInterval = 0;
                }
                ++m_inInterval;
            }
            const int phase = m_phase;
            const auto mx = static_cast<std::size_t>(m_mx), my = static_cast<std::size_t>(m_my);
            if (++m_phase == kBlocks) {
                m_phase = 0;
                if (++m_mx == m_walk.mcusX) {
                    m_mx = 0;
                    ++m_my;
                }
            }
            std::uint8_t *sample;
            const Part *part;
            std::uint32_t *prediction;
            if (phase < kLuma) {
                part = &m_walk.parts[0];
                prediction = &m_prediction[0];
                const auto stride = static_cast<std::size_t>(part->plane.stride);
                sample = part->plane.samples +
                         (my * V + static_cast<std::size_t>(phase / H)) * stride + mx * H +
                         static_cast<std::size_t>(phase % H);
            } else {
                const int c = phase - kLuma + 1;
                part = &m_walk.parts[static_cast<std::size_t>(c)];
                prediction = &m_prediction[c];
                const auto stride = static_cast<std::size_t>(part->plane.stride);
                if constexpr (Chroma2x2) {
                    if (!chromaBlock(r, *part, *prediction, block,
                                     part->plane.samples + 2 * my * stride + 2 * mx))
                        return Next::Failed;
                    continue;
                }
                sample = part->plane.samples + my * stride + mx;
            }
            r.refill();
            int diff;
            if (!part->dc->decodeDc(r, diff))
                return Next::Failed;
            *prediction += static_cast<std::uint32_t>(diff);
            *sample = idct1x1(static_cast<std::int16_t>(*prediction), part->quant[0]);
            k = 1;
            ac = part->ac;
            return Next::Skip;
        }
    }

private:
    const Walk &m_walk;
    std::size_t m_segment = 0, m_segmentStart = 0;
    std::uint32_t m_prediction[3] = {0, 0, 0};
    std::int64_t m_inInterval = 0, m_mx = 0, m_my = 0;
    int m_phase = 0;
    bool m_started = false;
};

// Both walks to their ends; each gives true only where walkMcus would.
template<int Count, int H, int V, bool Chroma2x2>
void walkPair(const Walk &first, const Walk &second, bool &firstWalked, bool &secondWalked)
{
    Stream<Count, H, V, Chroma2x2> a(first), b(second);
    std::int16_t blockA[64] = {}, blockB[64] = {};
    Next na = a.begin(blockA), nb = b.begin(blockB);
    while (na == Next::Skip && nb == Next::Skip) {
        const Codes &ca = *a.ac, &cb = *b.ac;
        int endedA = 0, endedB = 0;
        for (;;) {
            a.r.refill();
            b.r.refill();
            std::uint32_t atA = 0, atB = 0;
            int stepA = 0, stepB = 0, i = 0;
            bool atEndA = false;
            for (; i < 4; ++i) {
                atA = ca.skipAt(a.r);
                atB = cb.skipAt(b.r);
                stepA = ca.skipStep(atA);
                stepB = cb.skipStep(atB);
                // Each walker's block end leaves the loop by a branch of its own: the branch
                // mispredicted there is the one a walk alone mispredicts at every block's end.
                if (a.k + stepA > 63) {
                    atEndA = true;
                    break;
                }
                if (b.k + stepB > 63)
                    break;
                a.r.drop(ca.skipBits(atA));
                a.k += stepA;
                b.r.drop(cb.skipBits(atB));
                b.k += stepB;
            }
            if (i == 4)
                continue;
            if (atEndA) {
                endedA = ca.finishSkip(a.r, a.k, atA);
                if (b.k + stepB <= 63) {
                    b.r.drop(cb.skipBits(atB));
                    b.k += stepB;
                } else {
                    endedB = cb.finishSkip(b.r, b.k, atB);
                }
            } else {
                a.r.drop(ca.skipBits(atA));
                a.k += stepA;
                endedB = cb.finishSkip(b.r, b.k, atB);
            }
            if (endedA || endedB)
                break;
        }
        if (endedA)
            na = endedA > 0 ? a.begin(blockA) : Next::Failed;
        if (endedB)
            nb = endedB > 0 ? b.begin(blockB) : Next::Failed;
    }
    while (na == Next::Skip)
        na = a.ac->skipAc(a.r, a.k) ? a.begin(blockA) : Next::Failed;
    while (nb == Next::Skip)
        nb = b.ac->skipAc(b.r, b.k) ? b.begin(blockB) : Next::Failed;
    firstWalked = na == Next::Done;
    secondWalked = nb == Next::Done;
}

} // namespace

bool BaselineLayoutTaken(const BaselineScan &scan)
{
    if (scan.width <= 0 || scan.height <= 0)
        return false;
    for (int c = 0; c < scan.componentCount; ++c) {
        const BaselineComponent &k = scan.components[static_cast<std::size_t>(c)];
        if (k.dcTable < 0 || k.dcTable > 3 || k.acTable < 0 || k.acTable > 3)
            return false;
    }
    if (scan.componentCount == 1)
        return scan.components[0].idctSize == 1;
    if (scan.componentCount != 3)
        return false;
    const BaselineComponent &y = scan.components[0];
    for (int c = 1; c < 3; ++c) {
        const BaselineComponent &k = scan.components[static_cast<std::size_t>(c)];
        if (k.h != 1 || k.v != 1 || k.idctSize != (y.h == 2 && y.v == 2 ? 2 : 1))
            return false;
    }
    return y.idctSize == 1 && ((y.h == 1 && y.v == 1) || (y.h == 2 && (y.v == 1 || y.v == 2)));
}

namespace {

// A scan made ready to walk: its tables, its planes, its stream without stuffed bytes.
struct Prepared {
    std::unique_ptr<std::array<Codes, 8>> codes; // dc 0..3, ac 4..7
    std::array<Part, 3> parts{};
    std::vector<std::size_t> ends;
    const std::uint8_t *clean = nullptr;
    std::int64_t mcusX = 0, mcusY = 0;
    int layout = 0; // 0 grey; 1, 2, 3: luma of 1x1, 2x1, 2x2

    Walk walk(const BaselineScan &scan) const
    {
        return Walk{clean, ends, scan.restartInterval, mcusX, mcusY, parts};
    }
};

std::int64_t ceilDiv(std::int64_t a, std::int64_t b)
{
    return (a + b - 1) / b;
}

// The MCUs of a scan of a layout the walk takes.
struct McuGrid {
    int layout = 0; // 0 grey; 1, 2, 3: luma of 1x1, 2x1, 2x2
    int hMax = 1, vMax = 1;
    std::int64_t mcusX = 0, mcusY = 0;

    explicit McuGrid(const BaselineScan &scan)
    {
        const bool grey = scan.componentCount == 1;
        hMax = grey ? 1 : scan.components[0].h;
        vMax = grey ? 1 : scan.components[0].v;
        layout = grey ? 0 : hMax == 1 ? 1 : vMax == 1 ? 2 : 3;
        mcusX = ceilDiv(scan.width, 8 * hMax);
        mcusY = ceilDiv(scan.height, 8 * vMax);
    }
    std::int64_t blocks() const { return mcusX * mcusY * (layout == 0 ? 1 : hMax * vMax + 2); }
};

bool prepare(const BaselineScan &scan, Scratch &scratch, Prepared &ready)
{
    if (!BaselineLayoutTaken(scan))
        return false;
    const int count = scan.componentCount;
    const bool grey = count == 1;
    const McuGrid grid(scan);
    ready.layout = grid.layout;
    ready.mcusX = grid.mcusX;
    ready.mcusY = grid.mcusY;
    const std::int64_t mcus = ready.mcusX * ready.mcusY;
    const std::size_t segments =
        scan.restartInterval ? static_cast<std::size_t>(ceilDiv(mcus, scan.restartInterval)) : 1;

    ready.codes = std::make_unique<std::array<Codes, 8>>();
    std::array<Codes, 8> &codes = *ready.codes;
    std::array<bool, 8> built{};
    // An AC table gets its skip table when a component it codes is shown by its DC alone.
    std::array<bool, 4> skipped{};
    for (int c = 0; c < count; ++c) {
        const BaselineComponent &k = scan.components[static_cast<std::size_t>(c)];
        skipped[static_cast<std::size_t>(k.acTable)] =
            skipped[static_cast<std::size_t>(k.acTable)] || k.idctSize == 1;
    }
    for (int c = 0; c < count; ++c) {
        const BaselineComponent &k = scan.components[static_cast<std::size_t>(c)];
        const auto dcIndex = static_cast<std::size_t>(k.dcTable);
        const auto acIndex = 4 + static_cast<std::size_t>(k.acTable);
        if (!built[dcIndex] && !codes[dcIndex].build(scan.dc[dcIndex], true, false))
            return false;
        built[dcIndex] = true;
        if (!built[acIndex] &&
            !codes[acIndex].build(scan.ac[static_cast<std::size_t>(k.acTable)], false,
                                  skipped[static_cast<std::size_t>(k.acTable)]))
            return false;
        built[acIndex] = true;
        Part &part = ready.parts[static_cast<std::size_t>(c)];
        part.dc = &codes[dcIndex];
        part.ac = &codes[acIndex];
        part.quant = k.quant.data();
        const int h = grey ? 1 : k.h, v = grey ? 1 : k.v;
        const std::int64_t w = ready.mcusX * h * k.idctSize, rows = ready.mcusY * v * k.idctSize;
        part.plane.stride = static_cast<int>(w);
        part.plane.samples = scratch.plane(c, static_cast<std::size_t>(w * rows));
    }

    ready.ends.reserve(std::min(segments, scan.data.size() / 2 + 1)); // a marker takes two bytes
    if (!unstuff(scan.data, scan.restartInterval, segments, scratch.clean, ready.ends))
        return false;
    ready.clean = scratch.clean.data();
    return true;
}

bool walkOne(const BaselineScan &scan, const Prepared &ready)
{
    const Walk walk = ready.walk(scan);
    switch (ready.layout) {
    case 0:
        return walkMcus<1, 1, 1, false>(walk);
    case 1:
        return walkMcus<3, 1, 1, false>(walk);
    case 2:
        return walkMcus<3, 2, 1, false>(walk);
    default:
        return walkMcus<3, 2, 2, true>(walk);
    }
}

void convert(const BaselineScan &scan, const Prepared &ready, platform::RgbImage &out)
{
    const int ow = static_cast<int>(ceilDiv(scan.width, 8)),
              oh = static_cast<int>(ceilDiv(scan.height, 8));
    out.width = ow;
    out.height = oh;
    out.pixels.resize(static_cast<std::size_t>(ow) * static_cast<std::size_t>(oh));
    const Plane &luma = ready.parts[0].plane;
    if (ready.layout == 0) {
        for (int y = 0; y < oh; ++y)
            for (int x = 0; x < ow; ++x) {
                const std::uint32_t v = luma.samples[static_cast<std::size_t>(y) * luma.stride + x];
                out.pixels[static_cast<std::size_t>(y) * ow + x] =
                    0xFF000000u | v << 16 | v << 8 | v;
            }
        return;
    }
    static const YccTables tables;
    const Plane &cb = ready.parts[1].plane, &cr = ready.parts[2].plane;
    // 4:2:2 at 1/8 takes each chroma sample for two pixels (libjpeg's merged upsampling); the
    // 2x2 inverse DCT gives 4:2:0 its chroma at full size.
    const int xShift = ready.layout == 2 ? 1 : 0;
    for (int y = 0; y < oh; ++y) {
        const std::uint8_t *yRow = &luma.samples[static_cast<std::size_t>(y) * luma.stride];
        const std::uint8_t *cbRow = &cb.samples[static_cast<std::size_t>(y) * cb.stride];
        const std::uint8_t *crRow = &cr.samples[static_cast<std::size_t>(y) * cr.stride];
        std::uint32_t *row = &out.pixels[static_cast<std::size_t>(y) * ow];
        for (int x = 0; x < ow; ++x) {
            const int l = yRow[x], b = cbRow[x >> xShift], r = crRow[x >> xShift];
            const std::uint32_t red = clamp255(l + tables.crToR[r]);
            const std::uint32_t green =
                clamp255(l + static_cast<int>((tables.cbToG[b] + tables.crToG[r]) >> 16));
            const std::uint32_t blue = clamp255(l + tables.cbToB[b]);
            row[x] = 0xFF000000u | red << 16 | green << 8 | blue;
        }
    }
}

// Per thread: the first for a picture alone or the first of two, the second for the other.
Scratch &scratchOf(int which)
{
    thread_local std::array<Scratch, 2> scratch;
    return scratch[static_cast<std::size_t>(which)];
}

} // namespace

bool DecodeBaselineEighth(const BaselineScan &scan, platform::RgbImage &out)
{
    Scratch &scratch = scratchOf(0);
    out = platform::RgbImage();
    Prepared ready;
    const bool ok = prepare(scan, scratch, ready) && walkOne(scan, ready);
    if (ok)
        convert(scan, ready, out);
    scratch.trim();
    return ok;
}

bool DecodeBaselineEighthPair(const BaselineScan &first, const BaselineScan &second,
                              platform::RgbImage &firstOut, platform::RgbImage &secondOut,
                              bool &firstOk, bool &secondOk)
{
    // Light blocks (a smooth picture's) end so often that a pair's turns cost more than they
    // win: measured, files of twelve bytes a block and more gain, of a few a block lose. Those,
    // and two files of different layouts, are decoded one after the other as ever.
    const auto heavy = [](const BaselineScan &scan) {
        constexpr std::int64_t kBytesPerBlock = 12;
        return static_cast<std::int64_t>(scan.data.size()) >=
               kBytesPerBlock * McuGrid(scan).blocks();
    };
    if (!BaselineLayoutTaken(first) || !BaselineLayoutTaken(second) ||
        McuGrid(first).layout != McuGrid(second).layout || !heavy(first) || !heavy(second)) {
        firstOk = DecodeBaselineEighth(first, firstOut);
        secondOk = DecodeBaselineEighth(second, secondOut);
        return false;
    }
    Scratch &scratchA = scratchOf(0), &scratchB = scratchOf(1);
    firstOut = platform::RgbImage();
    secondOut = platform::RgbImage();
    Prepared a, b;
    firstOk = secondOk = false;
    const bool readyA = prepare(first, scratchA, a), readyB = prepare(second, scratchB, b);
    if (readyA && readyB) {
        const Walk walkA = a.walk(first), walkB = b.walk(second);
        switch (a.layout) {
        case 0:
            walkPair<1, 1, 1, false>(walkA, walkB, firstOk, secondOk);
            break;
        case 1:
            walkPair<3, 1, 1, false>(walkA, walkB, firstOk, secondOk);
            break;
        case 2:
            walkPair<3, 2, 1, false>(walkA, walkB, firstOk, secondOk);
            break;
        default:
            walkPair<3, 2, 2, true>(walkA, walkB, firstOk, secondOk);
            break;
        }
    } else {
        firstOk = readyA && walkOne(first, a);
        secondOk = readyB && walkOne(second, b);
    }
    if (firstOk)
        convert(first, a, firstOut);
    if (secondOk)
        convert(second, b, secondOut);
    scratchA.trim();
    scratchB.trim();
    return true;
}

} // namespace twinly::visual

#undef TWINLY_INLINE
