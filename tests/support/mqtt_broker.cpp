#include "tests/support/mqtt_broker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace test_support {

namespace {

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool takesConnections(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(port);
    const int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::close(fd);
    return rc == 0;
}

std::uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace

bool MqttBroker::start(const std::string& program, const std::string& conf, std::uint16_t wanted,
                       std::string& error) {
    port = wanted ? wanted : freePort();
    const passwd* user = ::getpwuid(::getuid());
    std::ofstream(conf) << "listener " << port << " 127.0.0.1\nallow_anonymous true\n"
                        << "persistence false\n"
                        << "user " << (user ? user->pw_name : "root") << "\n";
    const std::string log = conf + ".log";
    pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec: the test has threads.
        ::setsid();
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0)
            _exit(127);
        ::execl(program.c_str(), program.c_str(), "-c", conf.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (takesConnections(port))
            return true;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            error = program + " ended at once; see " + conf + ".log";
            pid = 0;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error = program + " did not take connections on 127.0.0.1:" + std::to_string(port);
    stop();
    return false;
}

bool MqttBroker::stop() {
    // Perhaps not this process's child (the fixture's): a pidfd tells when it has ended.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pid <= 0 || pidfd < 0 || ::kill(pid, SIGTERM) != 0)
        return false;
    pollfd p{pidfd, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0)
        ::kill(pid, SIGKILL);
    ::close(pidfd);
    ::waitpid(pid, nullptr, WNOHANG);
    pid = 0;
    return true;
}

std::uint16_t recordedBrokerPort(const char* record) {
    std::ifstream in(record);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("port=", 0) == 0)
            return static_cast<std::uint16_t>(std::stoi(line.substr(5)));
    return 0;
}

} // namespace test_support
