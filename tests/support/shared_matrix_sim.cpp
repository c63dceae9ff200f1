#include "tests/support/shared_matrix_sim.h"

#include "tests/support/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace test_support {

namespace {

constexpr int kAnswerWaitMs = 5000;

// Sends one request line to the control socket at `path` and returns the answer line.
std::string ask(const std::string& path, const std::string& request) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return "error: control socket path too long";
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const std::string why = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return "error: cannot reach " + path + ": " + why;
    }
    const std::string line = request + "\n";
    std::string answer;
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
        pollfd p{fd, POLLIN, 0};
        char byte = 0;
        while (::poll(&p, 1, kAnswerWaitMs) > 0 && ::read(fd, &byte, 1) == 1 && byte != '\n')
            answer += byte;
    }
    ::close(fd);
    return answer.empty() ? "error: no answer from " + path : answer;
}

} // namespace

SharedMatrixSim::SharedMatrixSim(const std::vector<std::string>& options, const char* record) {
    if (const char* chosen = std::getenv("MATRIX_SIM"))
        record = chosen;
    std::istringstream lines(TempDir::exists(record) ? TempDir::readFile(record) : "");
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (key == "serial")
            m_linkPath = value;
        else if (key == "udp")
            m_udpPort = static_cast<std::uint16_t>(std::stoi(value));
        else if (key == "tcp")
            m_tcpPort = static_cast<std::uint16_t>(std::stoi(value));
        else if (key == "state")
            m_statePath = value;
        else if (key == "log")
            m_logPath = value;
        else if (key == "control")
            m_controlPath = value;
    }
    if (m_controlPath.empty()) {
        m_error = std::string("no matrix-sim recorded in \"") + record +
                  "\": run this test through ctest, whose fixture starts one for it";
        return;
    }
    Reset(options);
}

bool SharedMatrixSim::Reset(const std::vector<std::string>& options) {
    if (m_controlPath.empty())
        return false;
    std::string request = "reset";
    for (const std::string& option : options) {
        std::ostringstream word;
        word << std::quoted(option);
        request += " " + (option.find(' ') == std::string::npos ? option : word.str());
    }
    const std::string answer = ask(m_controlPath, request);
    m_error = answer == "ok" ? "" : request + ": " + answer;
    return ready();
}

std::string SharedMatrixSim::State(const std::string& key) const {
    std::istringstream lines(TempDir::readFile(m_statePath));
    const std::string prefix = key + " ";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) == 0)
            return line.substr(prefix.size());
    }
    return {};
}

bool SharedMatrixSim::WaitForState(const std::string& key, const std::string& expected,
                                   std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (State(key) != expected) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string SharedMatrixSim::Log() const {
    return TempDir::readFile(m_logPath);
}

} // namespace test_support
