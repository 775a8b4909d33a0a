// SPDX-License-Identifier: GPL-3.0-or-later
#include "output.h"

#include "handle_io.h"

#include <cerrno>
#include <cstdio>
#include <ostream>

namespace twinly::cli {

FdStreamBuf::FdStreamBuf(int fd) : m_fd(fd)
{
    setp(m_buffer, m_buffer + sizeof m_buffer);
}

FdStreamBuf::~FdStreamBuf()
{
    drain();
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type ch)
{
    if (!drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int FdStreamBuf::sync()
{
    return drain() ? 0 : -1;
}

bool FdStreamBuf::drain()
{
    const char *p = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    setp(m_buffer, m_buffer + sizeof m_buffer);
    if (left > 0 && m_error == 0)
        m_error = platform::WriteAll(m_fd, p, left);
    return m_error == 0;
}

} // namespace twinly::cli
