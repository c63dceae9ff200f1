#pragma once

#include "tests/support/shared_matrix_sim.h"
#include "tests/support/temp_dir.h"

#include <QProcess>

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

// A request to 127.0.0.1 with Host and, for PUT and POST, a body with its length.
std::string request(const std::string& method, const std::string& path,
                    const std::string& body = {}, const std::string& extraFields = {});

// matrixd run for one test on a configuration of its own, listening on a port the system picks;
// ended with SIGTERM when the object goes.
class MatrixdRun {
public:
    // `config` is matrixd.ini's text; "{link}" in it stands for `link`.
    MatrixdRun(std::string config, const std::string& link = {},
               const std::vector<std::string>& extraArgs = {});
    // `program` with `args` as given (no --config, no --listen added).
    MatrixdRun(const std::string& program, const QStringList& args);
    ~MatrixdRun();

    bool ready() const { return m_port != 0; }
    std::uint16_t port() const { return m_port; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    // Everything it printed so far.
    std::string output() const;
    // Its exit status once it has ended by itself; -1 when it runs on.
    int exitStatus();
    // Ends it with SIGKILL, as a crash would, and waits for that.
    void kill() {
        m_process.kill();
        m_process.waitForFinished();
    }

    HttpAnswer call(const std::string& method, const std::string& path,
                    const std::string& body = {}, const std::string& extraFields = {}) const {
        return httpExchange(m_port, request(method, path, body, extraFields));
    }

private:
    void start(const QString& program, const QStringList& args);

    test_support::TempDir m_dir;
    QProcess m_process;
    std::uint16_t m_port = 0;
};

std::string MatrixdBinary();

// The frames the simulator received since its reset, in order, as "serial BA 01 ...".
std::vector<std::string> receivedFrames(const test_support::SharedMatrixSim& sim);

// An 8x8 HDMI matrix named "hall" on `{link}` (serial:{link} unless the link says its kind),
// answers awaited 300 ms, with a few port names; `server` goes into [Server].
std::string hallConfig(const std::string& server = {}, int timeoutMs = 300);

// The simulator reset to an 8x8 "HDMI Matrix" with the fault options `faults`.
std::vector<std::string> hallDevice(const std::vector<std::string>& faults = {});

} // namespace matrixd_test
