#include "controller/matrixctl/fd_output.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace matrixctl {

bool FdOutput::drain() {
    const char* at = pbase();
    while (at < pptr()) {
        const ssize_t put = ::write(m_fd, at, static_cast<std::size_t>(pptr() - at));
        if (put < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (put <= 0) {
            m_error = put < 0 ? std::strerror(errno) : "nothing was written";
            setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
            return false;
        }
        at += put;
    }
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return true;
}

FdOutput::int_type FdOutput::overflow(int_type c) {
    if (!drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int FdOutput::sync() {
    return drain() ? 0 : -1;
}

std::string outputError(const std::ostream& stream) {
    if (const auto* fd = dynamic_cast<const FdOutput*>(stream.rdbuf());
        fd && !fd->lastError().empty())
        return fd->lastError();
    return "write error";
}

} // namespace matrixctl
