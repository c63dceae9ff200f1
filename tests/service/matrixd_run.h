#pragma once

#include "tests/sim/matrix_sim_run.h"
#include "tests/sim/sim_process.h"
#include "tests/support/temp_dir.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace matrixd_test {

// One HTTP exchange as the client saw it.
struct HttpAnswer {
    int status = 0;                            // 0: no answer
    std::map<std::string, std::string> fields; // names in lower case
    std::string body;
};

// Sends `request` (the whole of it, head and body) to 127.0.0.1:port and reads until the server
// closes the connection.
HttpAnswer httpExchange(std::uint16_t port, const std::string& request);

// A request to 127.0.0.1 with Host and, when given, a body with its length.
std::string request(const std::string& method, const std::string& path,
                    const std::string& body = {}, const std::string& extraFields = {});

// matrixd run for one test on a configuration of its own, listening on a port the system picks.
class MatrixdRun {
public:
    // `config` is matrixd.ini's text; "{link}" in it stands for `sim`'s pseudo-terminal.
    MatrixdRun(const std::string& config, const sim_test::MatrixSimRun* sim,
               const std::vector<std::string>& extraArgs = {});
    // With the arguments as given (no --config, no --listen added), from `program`.
    MatrixdRun(const std::string& program, const std::vector<std::string>& args);

    bool ready() const { return m_port != 0; }
    std::uint16_t port() const { return m_port; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    sim_test::SimProcess& process() { return *m_process; }
    const test_support::TempDir& dir() const { return m_dir; }

    HttpAnswer call(const std::string& method, const std::string& path,
                    const std::string& body = {}, const std::string& extraFields = {}) const {
        return httpExchange(m_port, request(method, path, body, extraFields));
    }

private:
    void waitListening();

    test_support::TempDir m_dir;
    std::unique_ptr<sim_test::SimProcess> m_process;
    std::uint16_t m_port = 0;
};

std::string MatrixdBinary();

// The frames matrix-sim received, in order, as "serial BA 01 ..." (its log's rx lines).
std::vector<std::string> receivedFrames(const sim_test::MatrixSimRun& sim);

// An 8x8 HDMI matrix named "hall" on the simulator's pseudo-terminal, answers awaited 300 ms,
// with a few port names.
std::string hallConfig(const std::string& server = {}, int timeoutMs = 300);

} // namespace matrixd_test
