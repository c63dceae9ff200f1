#include "tests/sim/matrix_sim_run.h"

#include <sstream>
#include <thread>

namespace sim_test {

namespace {

std::vector<std::string> WithTransports(const test_support::TempDir& dir,
                                        const std::vector<std::string>& extra) {
    std::vector<std::string> args{
        "--serial", dir.file("matrix-link"), "--udp", "0",
        "--state",  dir.file("state.txt"),   "--log", dir.file("log.txt")};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

} // namespace

std::string MatrixSimBinary() {
    return MATRIX_BIN_DIR "/matrix-sim";
}

MatrixSimRun::MatrixSimRun(const std::vector<std::string>& extraArgs)
    : m_linkPath(m_dir.file("matrix-link")), m_statePath(m_dir.file("state.txt")),
      m_logPath(m_dir.file("log.txt")),
      m_process(MatrixSimBinary(), WithTransports(m_dir, extraArgs), m_dir.file("stdout.txt")) {
    m_ready = m_process.WaitReady();
    if (m_ready) {
        m_udpPort = static_cast<std::uint16_t>(std::stoi(m_process.ReadyField("udp")));
        const std::string tcp = m_process.ReadyField("tcp");
        m_tcpPort = tcp.empty() ? 0 : static_cast<std::uint16_t>(std::stoi(tcp));
    }
}

std::string MatrixSimRun::State(const std::string& key) const {
    std::istringstream lines(test_support::TempDir::readFile(m_statePath));
    const std::string prefix = key + " ";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) == 0)
            return line.substr(prefix.size());
    }
    return {};
}

bool MatrixSimRun::WaitForState(const std::string& key, const std::string& expected,
                                std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (State(key) == expected)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string MatrixSimRun::Log() const {
    return test_support::TempDir::readFile(m_logPath);
}

} // namespace sim_test
