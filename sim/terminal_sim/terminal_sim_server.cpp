#include "sim/terminal_sim/terminal_sim_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace sim {

namespace {

// Room for a full roster's own reports looping back between two reads.
constexpr int kReceiveBufferBytes = 1 << 20;

std::string describe(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

} // namespace

TerminalSimServer::TerminalSimServer(std::vector<SimulatedTerminal> terminals,
                                     TerminalSimOptions options, std::FILE* log)
    : m_terminals(std::move(terminals)), m_options(std::move(options)), m_log(log) {}

TerminalSimServer::~TerminalSimServer() {
    if (m_groupFd >= 0)
        ::close(m_groupFd);
    if (m_testFd >= 0)
        ::close(m_testFd);
}

bool TerminalSimServer::open(std::string& error) {
    m_groupAddress.sin_family = AF_INET;
    m_groupAddress.sin_port = htons(m_options.port);
    if (inet_pton(AF_INET, m_options.group.c_str(), &m_groupAddress.sin_addr) != 1) {
        error = "bad group address " + m_options.group;
        return false;
    }

    m_groupFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_groupFd < 0) {
        error = systemError("socket");
        return false;
    }
    // The tool under test listens on the same port on the same host.
    const int on = 1;
    setsockopt(m_groupFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(m_groupFd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(m_options.port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(m_groupFd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = systemError("bind to the discovery port");
        return false;
    }
    ip_mreq membership{};
    membership.imr_multiaddr = m_groupAddress.sin_addr;
    membership.imr_interface.s_addr = htonl(INADDR_ANY);
    if (setsockopt(m_groupFd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        error = systemError("join " + m_options.group);
        return false;
    }

    if (m_options.testPort != 0) {
        m_testFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_testFd < 0) {
            error = systemError("socket");
            return false;
        }
        sockaddr_in test{};
        test.sin_family = AF_INET;
        test.sin_port = htons(m_options.testPort);
        test.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(m_testFd, reinterpret_cast<const sockaddr*>(&test), sizeof test) != 0) {
            error = systemError("bind to the test port");
            return false;
        }
    }
    return true;
}

int TerminalSimServer::run(int stopFd) {
    std::array<pollfd, 3> fds{};
    fds[0] = {stopFd, POLLIN, 0};
    fds[1] = {m_groupFd, POLLIN, 0};
    fds[2] = {m_testFd, POLLIN, 0}; // a negative descriptor is ignored by poll
    for (;;) {
        const int ready = ::poll(fds.data(), fds.size(), -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            note(systemError("poll"));
            return 1;
        }
        if (fds[0].revents != 0)
            return 0;
        if (fds[1].revents != 0)
            drain(m_groupFd, false);
        if (fds[2].revents != 0)
            drain(m_testFd, true);
    }
}

void TerminalSimServer::drain(int fd, bool testSocket) {
    std::array<std::uint8_t, 2048> buffer{};
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = ::recvfrom(fd, buffer.data(), buffer.size(), MSG_TRUNC,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            if (errno == EINTR)
                continue;
            return; // EAGAIN: nothing more waiting
        }
        // MSG_TRUNC reports the real length; a longer datagram is logged and handled cut.
        const auto length = std::min(static_cast<std::size_t>(received), buffer.size());
        const std::span<const std::uint8_t> datagram(buffer.data(), length);
        logLine("recv", from, datagram);
        handle(fd, testSocket, datagram, from);
    }
}

void TerminalSimServer::handle(int fd, bool testSocket, std::span<const std::uint8_t> datagram,
                               const sockaddr_in& from) {
    switch (SimulatedTerminal::typeOf(datagram)) {
    case SimulatedTerminal::kScan: {
        // A unicast scan is answered to its sender; a group scan to the group, as terminals
        // normally do, or to its sender when asked to.
        const bool toSender = testSocket || m_options.unicastReply;
        for (const SimulatedTerminal& terminal : m_terminals)
            send(fd, terminal.report(), toSender ? from : m_groupAddress);
        break;
    }
    case SimulatedTerminal::kWrite: {
        for (std::size_t i = 0; i < m_terminals.size(); ++i) {
            const std::string terminal = "terminal " + std::to_string(i);
            switch (m_terminals[i].takeWrite(datagram, m_options.ignoredFields)) {
            case SimulatedTerminal::Write::NotAddressed:
                break;
            case SimulatedTerminal::Write::Dropped:
                note(terminal + " dropped a configuration write");
                break;
            case SimulatedTerminal::Write::Taken:
                note(terminal + " took a configuration write" + ignoring(m_terminals[i]));
                break;
            }
        }
        break;
    }
    case SimulatedTerminal::kReset: {
        for (std::size_t i = 0; i < m_terminals.size(); ++i) {
            const bool ignores = m_options.ignoredFields.contains("id") ||
                                 m_terminals[i].ignoredFields().contains("id");
            if (m_terminals[i].takeReset(datagram, m_options.ignoredFields))
                note("terminal " + std::to_string(i) + (ignores ? " ignored" : " took") +
                     " a reset to ID " + std::to_string(datagram[SimulatedTerminal::kIdAt]));
        }
        break;
    }
    default:
        break; // reports (ours looping back, or other terminals') and foreign datagrams
    }
}

std::string TerminalSimServer::ignoring(const SimulatedTerminal& terminal) const {
    SimulatedTerminal::IgnoredFields fields = m_options.ignoredFields;
    fields.insert(terminal.ignoredFields().begin(), terminal.ignoredFields().end());
    std::string text;
    for (const std::string& name : fields) {
        if (name != "id")
            text += (text.empty() ? " but ignored " : " ") + name;
    }
    return text;
}

void TerminalSimServer::send(int fd, std::span<const std::uint8_t> datagram,
                             const sockaddr_in& to) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        const ssize_t sent = ::sendto(fd, datagram.data(), datagram.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent >= 0) {
            logLine("send", to, datagram);
            return;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS && errno != EINTR)
            break;
        pollfd writable{fd, POLLOUT, 0};
        ::poll(&writable, 1, 10);
    }
    note(systemError("send to " + describe(to)));
}

void TerminalSimServer::logLine(const char* direction, const sockaddr_in& peer,
                                std::span<const std::uint8_t> datagram) {
    std::string line = std::string(direction) + " " + describe(peer);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::uint8_t byte : datagram) {
        line += ' ';
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0F];
    }
    line += '\n';
    std::fputs(line.c_str(), m_log);
    std::fflush(m_log);
}

void TerminalSimServer::note(const std::string& text) {
    std::fprintf(m_log, "note %s\n", text.c_str());
    std::fflush(m_log);
}

} // namespace sim
