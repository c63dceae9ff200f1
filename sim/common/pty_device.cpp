#include "sim/common/pty_device.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr int kFullLineWaitMs = 200;

std::string Reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

PtyDevice::~PtyDevice() {
    Close();
}

bool PtyDevice::Open(const std::string& linkPath, std::string* error) {
    Close();
    int master = -1;
    int slave = -1;
    char name[PATH_MAX] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        *error = Reason("openpty");
        return false;
    }
    auto fail = [&](const std::string& why) {
        ::close(master);
        ::close(slave);
        *error = why;
        return false;
    };
    // No termios call here: on a pseudo-terminal it would change the slave, which keeps the
    // kernel's defaults until the program opens it, as a real port does. The master side has no
    // processing of its own: what the program writes arrives here as it left the slave's line
    // settings, and what is written here passes through them to the program.
    if (fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0)
        return fail(Reason("fcntl"));
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);

    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return fail(linkPath + " exists and is not a symbolic link");
        if (unlink(linkPath.c_str()) != 0)
            return fail(Reason(("unlink " + linkPath).c_str()));
    }
    if (symlink(name, linkPath.c_str()) != 0)
        return fail(Reason(("symlink " + linkPath).c_str()));

    // Reading the settings changes nothing.
    termios defaults{};
    if (tcgetattr(slave, &defaults) == 0)
        m_defaults = defaults;
    m_master = master;
    m_slave = slave;
    m_slavePath = name;
    m_linkPath = linkPath;
    return true;
}

void PtyDevice::Close() {
    if (!m_linkPath.empty()) {
        char target[PATH_MAX] = {};
        ssize_t n = readlink(m_linkPath.c_str(), target, sizeof target - 1);
        // Another simulator may have taken the name over since; leave its link alone.
        if (n > 0 && m_slavePath == std::string(target, static_cast<std::size_t>(n)))
            unlink(m_linkPath.c_str());
        m_linkPath.clear();
    }
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = -1;
    m_slave = -1;
    m_slavePath.clear();
    m_defaults.reset();
}

std::size_t PtyDevice::Read(std::uint8_t* buffer, std::size_t capacity) {
    if (m_master < 0)
        return 0;
    for (;;) {
        ssize_t n = ::read(m_master, buffer, capacity);
        if (n > 0)
            return static_cast<std::size_t>(n);
        if (n < 0 && errno == EINTR)
            continue;
        return 0;
    }
}

std::size_t PtyDevice::Write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{m_master, POLLOUT, 0};
            int ready;
            do {
                ready = ::poll(&p, 1, kFullLineWaitMs);
            } while (ready < 0 && errno == EINTR);
            if (ready > 0)
                continue;
        }
        break;
    }
    return done;
}

void PtyDevice::ResetLine() {
    if (m_slave < 0)
        return;
    tcflush(m_slave, TCIOFLUSH);
    if (m_defaults)
        tcsetattr(m_slave, TCSANOW, &*m_defaults);
}

} // namespace sim
