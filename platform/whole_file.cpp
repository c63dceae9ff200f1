#include "platform/whole_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

thread_local std::string t_lastError;

// Records why the file call fails, from errno or from the file's kind; returns `result`.
template <class T>
T failWith(T result, int error = errno) {
    t_lastError = std::strerror(error);
    return result;
}

template <class T>
T failWithKind(T result, mode_t mode) {
    if (S_ISDIR(mode))
        return failWith(result, EISDIR);
    t_lastError = "Not a regular file";
    return result;
}

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

// The file a path finally names: symbolic links of its last part followed (a relative link
// from the link's own folder), so that a write replaces the target and leaves the link alone.
// Empty for a chain of links that does not end.
std::string linkTarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        // One byte more than the link's size, so that a link grown meanwhile is seen.
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size + 1 : 256), '\0');
        ssize_t got;
        while ((got = ::readlink(path.c_str(), link.data(), link.size())) ==
               static_cast<ssize_t>(link.size()))
            link.resize(link.size() * 2);
        if (got <= 0)
            return {};
        link.resize(static_cast<std::size_t>(got));
        const std::size_t slash = path.rfind('/');
        path = (link.front() == '/' || slash == std::string::npos)
                   ? link
                   : path.substr(0, slash + 1) + link;
    }
    return {};
}

// A new, hidden file beside the one it will replace; removed again unless it took that one's
// place.
class TemporaryFile {
public:
    TemporaryFile(const std::string& folder, const std::string& name) {
        static std::atomic<unsigned> counter{0};
        // Short enough for the longest name a folder allows.
        const std::string stem =
            folder + "." + name.substr(0, 200) + "." + std::to_string(::getpid()) + "-";
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_path = stem + std::to_string(counter++) + ".tmp";
            m_fd = openRetrying(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        if (m_fd < 0)
            m_path.clear();
    }
    ~TemporaryFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    // Closes now so that a late write error (reported by close on some file systems) is seen.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    bool replace(const std::string& target) {
        if (::rename(m_path.c_str(), target.c_str()) != 0)
            return false;
        m_path.clear();
        return true;
    }

private:
    int m_fd = -1;
    std::string m_path;
};

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool syncRetrying(int fd) {
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace

FileReadResult readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return failWith((errno == ENOENT || errno == ENOTDIR) ? FileReadResult::Missing
                                                              : FileReadResult::Failed);
    if (!S_ISREG(info.st_mode))
        return failWithKind(FileReadResult::Failed, info.st_mode);

    // O_NONBLOCK: should the path have been swapped for a FIFO since the check, open must not hang.
    Descriptor fd(openRetrying(path.c_str(), O_RDONLY | O_NONBLOCK));
    if (fd.get() < 0)
        return failWith(errno == ENOENT ? FileReadResult::Missing : FileReadResult::Failed);
    if (::fstat(fd.get(), &info) != 0)
        return failWith(FileReadResult::Failed);
    if (!S_ISREG(info.st_mode))
        return failWithKind(FileReadResult::Failed, info.st_mode);

    if (info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            bytes.clear();
            return failWith(FileReadResult::Failed, error);
        }
        if (got == 0)
            return FileReadResult::Ok;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string lastFileError() {
    return t_lastError;
}

bool isWritableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool writeWholeFile(const std::string& path, const std::string& bytes, FileSync sync) {
    const std::string target = linkTarget(path);
    if (target.empty())
        return failWith(false, ELOOP);
    struct stat info {};
    const bool exists = ::lstat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT)
        return failWith(false);
    if (exists && !S_ISREG(info.st_mode))
        return failWithKind(false, info.st_mode);
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return failWith(false);

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    TemporaryFile temporary(folder, name);
    if (temporary.fd() < 0)
        return failWith(false);
    if (exists) {
        // Owner first: changing it may clear permission bits that the mode then restores.
        if (info.st_uid != ::geteuid() || info.st_gid != ::getegid())
            (void)!::fchown(temporary.fd(), info.st_uid, info.st_gid);
        if (::fchmod(temporary.fd(), info.st_mode & 07777) != 0)
            return failWith(false);
    }
    if (!writeAll(temporary.fd(), bytes) ||
        (sync == FileSync::ToDisk && !syncRetrying(temporary.fd())) || !temporary.close())
        return failWith(false);
    if (!temporary.replace(target))
        return failWith(false);
    return true;
}

} // namespace platform
