#include "sim/common/control_socket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr int kRequestWaitMs = 1000;
constexpr std::size_t kLongestRequest = 4096;

std::string Reason(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

} // namespace

ControlSocket::~ControlSocket() {
    Close();
}

bool ControlSocket::Listen(const std::string& path, std::string* error) {
    Close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        *error = "control socket path too long: " + path;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            *error = path + " exists and is not a socket";
            return false;
        }
        unlink(path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = Reason("socket");
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        *error = Reason("control socket " + path);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    return true;
}

void ControlSocket::Close() {
    if (m_fd < 0)
        return;
    ::close(m_fd);
    unlink(m_path.c_str());
    m_fd = -1;
    m_path.clear();
}

void ControlSocket::Serve(const std::function<std::string(const std::string&)>& handle) {
    const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    std::string request;
    char byte = 0;
    pollfd p{client, POLLIN, 0};
    while (request.size() < kLongestRequest && ::poll(&p, 1, kRequestWaitMs) > 0 &&
           ::read(client, &byte, 1) == 1 && byte != '\n')
        request += byte;
    const std::string answer = handle(request) + "\n";
    [[maybe_unused]] const ssize_t sent =
        ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
    ::close(client);
}

} // namespace sim
