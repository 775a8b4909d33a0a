// SPDX-License-Identifier: GPL-3.0-or-later
#include "read_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace twinly::platform {

namespace {

constexpr std::align_val_t kAlignment{4096};

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
        const std::size_t capacity = std::max(size, m_capacity + m_capacity / 2);
        auto *data = static_cast<char *>(::operator new(capacity, kAlignment));
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
        ::operator delete(m_data, kAlignment);
    m_data = nullptr;
    m_size = m_capacity = 0;
}

} // namespace twinly::platform
