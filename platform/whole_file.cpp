#include "platform/whole_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    // Closes now so that a late write error (reported by close on some file systems) is seen.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

int openRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

FileReadResult readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? FileReadResult::Missing
                                                     : FileReadResult::Failed;
    if (!S_ISREG(info.st_mode))
        return FileReadResult::Failed;

    // O_NONBLOCK: should the path have been swapped for a FIFO since the check, open must not hang.
    Descriptor fd(openRetrying(path.c_str(), O_RDONLY | O_NONBLOCK));
    if (fd.get() < 0)
        return errno == ENOENT ? FileReadResult::Missing : FileReadResult::Failed;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return FileReadResult::Failed;

    if (info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            bytes.clear();
            return FileReadResult::Failed;
        }
        if (got == 0)
            return FileReadResult::Ok;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return false;

    Descriptor fd(openRetrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK, 0666));
    if (fd.get() < 0)
        return false;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return fd.close();
}

} // namespace platform
