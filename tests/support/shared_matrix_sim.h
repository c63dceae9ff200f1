#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Set by the build for the executables whose tests run against the fixture's simulator.
#ifndef MATRIX_SIM_RECORD
#define MATRIX_SIM_RECORD ""
#endif

namespace test_support {

// The matrix-sim that a CTest fixture started for the tests of this executable (the file
// MATRIX_SIM_RECORD, or the one the environment variable MATRIX_SIM names, records where it serves:
// a pseudo-terminal's link, a loopback UDP port, its state and log files and its control socket),
// reset for the test at hand. Tests that share it hold its resource lock, so only one of them talks
// to it at a time.
class SharedMatrixSim {
public:
    // Resets the device to matrix-sim's device and fault `options` (the others their defaults).
    explicit SharedMatrixSim(const std::vector<std::string>& options = {},
                             const char* record = MATRIX_SIM_RECORD);

    // False when there is no such simulator or the reset failed; error() says why.
    bool ready() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Another reset, for a test that needs a second device.
    bool Reset(const std::vector<std::string>& options);

    const std::string& linkPath() const { return m_linkPath; }
    std::uint16_t udpPort() const { return m_udpPort; }
    // Where it serves one controller at a time as a terminal in "TCP  Server" mode.
    std::uint16_t tcpPort() const { return m_tcpPort; }

    // The value part of a state line ("crosspoints" gives "0 1 2 3", "scene 2" the inputs of
    // scene 2); empty when the line is missing.
    std::string State(const std::string& key) const;
    // Waits until the state line `key` reads `expected`. False if it never did in time.
    bool WaitForState(const std::string& key, const std::string& expected,
                      std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    // What the simulator logged since the reset.
    std::string Log() const;

private:
    std::string m_error;
    std::string m_linkPath;
    std::uint16_t m_udpPort = 0;
    std::uint16_t m_tcpPort = 0;
    std::string m_statePath;
    std::string m_logPath;
    std::string m_controlPath;
};

} // namespace test_support
