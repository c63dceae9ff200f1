#pragma once

#include "tests/sim/sim_peers.h"
#include "tests/sim/sim_process.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace sim_test {

// One matrix-sim process for one test, serving a pseudo-terminal (link in a fresh temporary
// folder) and a loopback UDP port the system picks, with its log and state files beside it.
class MatrixSimRun {
public:
    explicit MatrixSimRun(const std::vector<std::string>& extraArgs = {});

    bool ready() const { return m_ready; }
    const std::string& linkPath() const { return m_linkPath; }
    std::uint16_t udpPort() const { return m_udpPort; }
    // The listening port when started with "--tcp 0"; 0 otherwise.
    std::uint16_t tcpPort() const { return m_tcpPort; }
    SimProcess& process() { return m_process; }
    const test_support::TempDir& dir() const { return m_dir; }

    // The value part of a state line ("crosspoints" gives "0 1 2 3", "scene 2" the inputs of
    // scene 2); empty when the line is missing.
    std::string State(const std::string& key) const;
    // Waits until the state line `key` reads `expected`. False if it never did in time.
    bool WaitForState(const std::string& key, const std::string& expected,
                      std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    std::string Log() const;

private:
    test_support::TempDir m_dir;
    std::string m_linkPath;
    std::string m_statePath;
    std::string m_logPath;
    SimProcess m_process;
    bool m_ready = false;
    std::uint16_t m_udpPort = 0;
    std::uint16_t m_tcpPort = 0;
};

// The path of the simulator under test.
std::string MatrixSimBinary();

} // namespace sim_test
