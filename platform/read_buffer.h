// SPDX-License-Identifier: GPL-3.0-or-later
// Room for whole files that are read one after another into the same place (the pictures of a
// visual search). It starts on a page boundary: the kernel copied a file from its cache into
// room aligned so four times as fast as into room 16 bytes past a boundary, where the allocator
// puts a large block (measured on the virtual machine the project is built on). And it grows
// without zeroing what it is about to be read over.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace twinly::platform {

class ReadBuffer {
public:
    ReadBuffer() = default;
    ~ReadBuffer();
    ReadBuffer(ReadBuffer &&other) noexcept;
    ReadBuffer &operator=(ReadBuffer &&other) noexcept;
    ReadBuffer(const ReadBuffer &) = delete;
    ReadBuffer &operator=(const ReadBuffer &) = delete;

    char *data() { return m_data; }
    const char *data() const { return m_data; }
    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }
    std::span<const std::byte> bytes() const
    {
        return {reinterpret_cast<const std::byte *>(m_data), m_size};
    }
    std::string_view view() const { return {m_data, m_size}; }

    // Keeps the first bytes up to the new size; bytes beyond the old size hold anything.
    // Throws std::bad_alloc when no room can be had.
    void resize(std::size_t size);
    // Gives the room back.
    void release();

private:
    char *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace twinly::platform
