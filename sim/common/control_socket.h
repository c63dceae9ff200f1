#pragma once

#include <functional>
#include <string>

namespace sim {

// A local stream socket on which a test or an operator tells a running simulator what to do:
// each connection carries one line (the request) and gets one line back (the answer), then is
// closed. The file is made with the socket and removed with it.
class ControlSocket {
public:
    ControlSocket() = default;
    ~ControlSocket();
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;

    // Listens at `path`, replacing a socket file left there by an earlier run (never any other
    // kind of file). False with the reason in `error`.
    bool Listen(const std::string& path, std::string* error);
    void Close();

    // Readable when a client connects.
    int Fd() const { return m_fd; }
    // Takes the waiting connection, reads its line (a client has a second to send it) and
    // answers with what `handle` makes of it.
    void Serve(const std::function<std::string(const std::string&)>& handle);

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace sim
