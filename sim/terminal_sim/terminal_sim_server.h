#pragma once

#include "sim/terminal_sim/simulated_terminal.h"
#include "sim/terminal_sim/terminal_sim_options.h"

#include <netinet/in.h>

#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace sim {

// The terminals' network side: one socket joined to the discovery group on the discovery port,
// and optionally one socket on 127.0.0.1 for unicast scans. Every datagram received and sent is
// logged in hexadecimal, one line each:
//   recv 127.0.0.1:24069 EF FE 01 01 00 ...
//   send 224.0.0.41:24069 EF FE 07 10 ...
// Callers must have checked that this runs in a private network namespace.
class TerminalSimServer {
public:
    TerminalSimServer(std::vector<SimulatedTerminal> terminals, TerminalSimOptions options,
                      std::FILE* log);
    ~TerminalSimServer();
    TerminalSimServer(const TerminalSimServer&) = delete;
    TerminalSimServer& operator=(const TerminalSimServer&) = delete;

    // Opens the sockets; on failure says why in `error`.
    bool open(std::string& error);
    // Serves until `stopFd` becomes readable. Returns 0, or 1 when polling failed.
    int run(int stopFd);

    const std::vector<SimulatedTerminal>& terminals() const { return m_terminals; }

private:
    void drain(int fd, bool testSocket);
    void handle(int fd, bool testSocket, std::span<const std::uint8_t> datagram,
                const sockaddr_in& from);
    void send(int fd, std::span<const std::uint8_t> datagram, const sockaddr_in& to);
    void logLine(const char* direction, const sockaddr_in& peer,
                 std::span<const std::uint8_t> datagram);
    void note(const std::string& text);
    // " but ignored baud name": the fields of a write the terminal leaves alone, for its note.
    std::string ignoring(const SimulatedTerminal& terminal) const;

    std::vector<SimulatedTerminal> m_terminals;
    TerminalSimOptions m_options;
    std::FILE* m_log;
    sockaddr_in m_groupAddress{};
    int m_groupFd = -1;
    int m_testFd = -1;
};

} // namespace sim
