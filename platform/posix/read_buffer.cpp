// SPDX-License-Identifier: GPL-3.0-or-later
#include "read_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>

namespace twinly::platform {

namespace {

// Room is taken in whole large pages: a mapping of this alignment and size is what
// transparent huge pages in "madvise" mode (Debian's default) can back.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

char *map(std::size_t size)
{
    // A mapping of one large page more, cut to an aligned run of `size` bytes.
    const std::size_t span = size + kLargePage;
    void *raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    auto *base = static_cast<char *>(raw);
    const auto address = reinterpret_cast<std::uintptr_t>(base);
    const std::size_t lead = (kLargePage - address % kLargePage) % kLargePage;
    if (lead)
        ::munmap(base, lead);
    const std::size_t tail = span - lead - size;
    if (tail)
        ::munmap(base + lead + size, tail);
#ifdef MADV_HUGEPAGE
    (void)::madvise(base + lead, size, MADV_HUGEPAGE); // a hint: none taken is no error
#endif
    return base + lead;
}

} // namespace

ReadBuffer::~ReadBuffer()
{
    release();
}

ReadBuffer::ReadBuffer(ReadBuffer &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0))
{}

ReadBuffer &ReadBuffer::operator=(ReadBuffer &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void ReadBuffer::resize(std::size_t size)
{
    if (size > m_capacity) {
        if (size > SIZE_MAX - 2 * kLargePage)
            throw std::bad_alloc();
        const std::size_t wanted = std::max(size, m_capacity + m_capacity / 2);
        const std::size_t capacity = (wanted + kLargePage - 1) / kLargePage * kLargePage;
        char *data = map(capacity);
        if (m_size)
            std::memcpy(data, m_data, m_size);
        release();
        m_data = data;
        m_capacity = capacity;
    }
    m_size = size;
}

void ReadBuffer::release()
{
    if (m_data)
        ::munmap(m_data, m_capacity);
    m_data = nullptr;
    m_size = m_capacity = 0;
}

} // namespace twinly::platform
