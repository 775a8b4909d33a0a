// SPDX-License-Identifier: GPL-3.0-or-later
// The walk through the file follows the marker layout of ITU T.81 (B.1): segments with a
// two-byte length, and after each start-of-scan the entropy-coded data up to the next marker
// that is not a restart (a 0xFF in the data is followed by a stuffed 0x00). Anything else, or
// anything past the end of the data, gives up: the original file is then decoded as it is.
#include "jpeg_scans.h"

#include <cstdint>
#include <cstring>

namespace twinly::visual {

namespace {

constexpr unsigned kSOF2 = 0xC2, kDHT = 0xC4, kSOI = 0xD8, kEOI = 0xD9, kSOS = 0xDA;

bool isRestart(unsigned m)
{
    return m >= 0xD0 && m <= 0xD7;
}

bool isOtherFrame(unsigned m)
{
    // SOF0..SOF15 but DHT (C4), JPG (C8) and DAC (CC), which are not frames.
    return m >= 0xC0 && m <= 0xCF && m != kSOF2 && m != kDHT && m != 0xC8 && m != 0xCC;
}

class Walker {
public:
    Walker(std::span<const std::byte> data, const DcOnlyComponents &dcOnly, int maxScans,
           std::vector<std::byte> &out)
        : m_data(data), m_dcOnly(dcOnly), m_maxScans(maxScans), m_out(out)
    {
        m_index.fill(-1);
        for (std::array<int, 64> &sent : m_bits)
            sent.fill(-1);
    }

    bool run()
    {
        if (m_data.size() < 4 || byte(0) != 0xFF || byte(1) != kSOI)
            return false;
        m_out.reserve(m_data.size());
        append(0, 2);
        std::size_t p = 2;
        for (;;) {
            if (p >= m_data.size() || byte(p) != 0xFF)
                return false;
            while (p < m_data.size() && byte(p) == 0xFF)
                ++p; // fill bytes
            if (p >= m_data.size())
                return false;
            const unsigned marker = byte(p++);
            if (marker == kEOI) {
                m_out.push_back(std::byte{0xFF});
                m_out.push_back(std::byte{kEOI});
                return m_dropped > 0 && complete();
            }
            if (marker == 0x00 || marker == 0x01 || isRestart(marker) || marker == kSOI ||
                isOtherFrame(marker))
                return false;
            if (p + 2 > m_data.size())
                return false;
            const std::size_t length = (std::size_t{byte(p)} << 8) | byte(p + 1);
            if (length < 2 || p + length > m_data.size())
                return false;
            if (marker == kSOF2) {
                if (!frame(p, length))
                    return false;
            } else if (marker == kSOS) {
                if (!scan(p, length, p))
                    return false;
                continue;
            }
            m_out.push_back(std::byte{0xFF});
            m_out.push_back(static_cast<std::byte>(marker));
            append(p, length);
            p += length;
        }
    }

private:
    unsigned byte(std::size_t i) const { return static_cast<unsigned>(m_data[i]); }
    void append(std::size_t from, std::size_t count)
    {
        m_out.insert(m_out.end(), m_data.begin() + static_cast<std::ptrdiff_t>(from),
                     m_data.begin() + static_cast<std::ptrdiff_t>(from + count));
    }

    bool frame(std::size_t p, std::size_t length)
    {
        if (m_frameSeen || length < 8)
            return false;
        const unsigned count = byte(p + 7);
        if (count < 1 || count > 4 || length != 8 + 3 * std::size_t{count})
            return false;
        for (unsigned c = 0; c < count; ++c) {
            const unsigned id = byte(p + 8 + 3 * c);
            if (m_index[id] >= 0)
                return false;
            m_index[id] = static_cast<int>(c);
        }
        m_componentCount = count;
        m_frameSeen = true;
        return true;
    }

    // The scan's header at p (its length field), then its entropy-coded data. `next` is left on
    // the marker after the data.
    bool scan(std::size_t p, std::size_t length, std::size_t &next)
    {
        if (!m_frameSeen || ++m_scans > m_maxScans || length < 6)
            return false;
        const unsigned count = byte(p + 2);
        if (count < 1 || count > 4 || length != 6 + 2 * std::size_t{count})
            return false;
        const std::size_t params = p + 3 + 2 * std::size_t{count};
        const unsigned ss = byte(params), se = byte(params + 1);
        const unsigned ah = byte(params + 2) >> 4, al = byte(params + 2) & 15;
        if (ss > se || se > 63 || (ss == 0 && se != 0) || (ss > 0 && count != 1) || ah > 13 ||
            al > 13)
            return false;
        bool keep = ss == 0;
        for (unsigned c = 0; c < count; ++c) {
            const unsigned id = byte(p + 3 + 2 * c);
            if (m_index[id] < 0)
                return false;
            std::array<int, 64> &sent = m_bits[static_cast<std::size_t>(m_index[id])];
            if (ss > 0 && !m_dcOnly[id])
                keep = true;
            if (ss > 0 && m_dcOnly[id] && sent[0] < 0)
                return false; // AC before DC: the decoder would take it otherwise
            for (unsigned k = ss; k <= se; ++k) {
                int &bits = sent[k];
                if ((ah == 0 && bits != -1) || (ah != 0 && bits != static_cast<int>(ah)))
                    return false; // out of order: the decoder's own warnings decide
                bits = static_cast<int>(al);
            }
        }
        std::size_t q = p + length;
        for (;;) {
            const void *hit = std::memchr(m_data.data() + q, 0xFF, m_data.size() - q);
            q = hit ? static_cast<std::size_t>(static_cast<const std::byte *>(hit) - m_data.data())
                    : m_data.size();
            std::size_t r = q + 1;
            while (r < m_data.size() && byte(r) == 0xFF)
                ++r;
            if (r >= m_data.size())
                return false; // cut short: no marker after the data
            const unsigned b = byte(r);
            if (b == 0x00 || isRestart(b)) {
                q = r + 1;
                continue;
            }
            break; // a marker begins at q
        }
        if (keep) {
            m_out.push_back(std::byte{0xFF});
            m_out.push_back(std::byte{kSOS});
            append(p, q - p);
        } else {
            ++m_dropped;
        }
        next = q;
        return true;
    }

    bool complete() const
    {
        for (unsigned c = 0; c < m_componentCount; ++c)
            for (int bits : m_bits[c])
                if (bits != 0)
                    return false;
        return true;
    }

    std::span<const std::byte> m_data;
    const DcOnlyComponents &m_dcOnly;
    int m_maxScans;
    std::vector<std::byte> &m_out;
    bool m_frameSeen = false;
    std::array<int, 256> m_index; // component id -> place in the frame, -1 if none
    unsigned m_componentCount = 0;
    // Per component and coefficient: the lowest bit sent so far, -1 before any.
    std::array<std::array<int, 64>, 4> m_bits;
    int m_scans = 0;
    int m_dropped = 0;
};

} // namespace

bool DropUnneededScans(std::span<const std::byte> data, const DcOnlyComponents &dcOnly,
                       int maxScans, std::vector<std::byte> &out)
{
    out.clear();
    if (!Walker(data, dcOnly, maxScans, out).run()) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace twinly::visual
