#pragma once

#include <array>
#include <ostream>
#include <streambuf>
#include <string>

namespace matrixctl {

// A stream buffer that writes to a file descriptor with write(2), retrying interrupted and short
// writes, and remembers why the last write failed: standard output redirected to a full disk or
// a closed pipe must end the run with the system's reason, not pass for success.
class FdOutput : public std::streambuf {
public:
    explicit FdOutput(int fd) : m_fd(fd) {
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }
    ~FdOutput() override { sync(); }

    // The system's words for the last failure ("No space left on device"); empty when none.
    const std::string& lastError() const { return m_error; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool drain();

    int m_fd;
    std::array<char, 4096> m_buffer{};
    std::string m_error;
};

// Why `stream` failed, in the system's words when it writes through an FdOutput.
std::string outputError(const std::ostream& stream);

} // namespace matrixctl
