// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian numbers in byte strings, as the file formats the program reads and writes keep
// them (CRC databases, bitmaps, registry dwords), whatever the machine's own order.
#pragma once

#include <cstdint>
#include <string>

namespace twinly::platform {

template<typename Byte> constexpr std::uint32_t Le32At(const Byte *p)
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(p[0])) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(p[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(p[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(p[3])) << 24;
}

// `out` is a std::string or a vector of bytes.
template<typename Bytes> void AppendLe16(Bytes &out, std::uint32_t v)
{
    using Byte = typename Bytes::value_type;
    out.push_back(static_cast<Byte>(v & 0xFF));
    out.push_back(static_cast<Byte>((v >> 8) & 0xFF));
}

template<typename Bytes> void AppendLe32(Bytes &out, std::uint32_t v)
{
    AppendLe16(out, v & 0xFFFF);
    AppendLe16(out, v >> 16);
}

} // namespace twinly::platform
