#pragma once

#include "controller/matrixctl/command_line.h"
#include "controller/matrixctl/matrixctl_runner.h"
#include "controller/matrixctl/server_client.h"
#include "controller/matrixctl/typed_commands.h"

#include <QEventLoop>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class QSocketNotifier;
class QWebSocket;

namespace matrixctl {

// One run of matrixctl through matrixd (--server): the same commands, output and exit status as
// on the line, each request answered by matrixd's API, and monitor fed by its events.
class ServerRunner {
public:
    ServerRunner(const Invocation& invocation, const RunnerEnvironment& environment,
                 std::ostream& out, std::ostream& err,
                 std::optional<controller::CrosspointFile> restoreFile);
    ~ServerRunner();
    ServerRunner(const ServerRunner&) = delete;
    ServerRunner& operator=(const ServerRunner&) = delete;

    int run();

private:
    struct Matrix {
        std::string name;
        int size = 0;
        std::vector<std::string> inputNames; // from input 1
        std::vector<std::string> outputNames;
    };

    int chooseMatrix();
    int switchCrosspoints(const std::vector<std::pair<int, int>>& switches);
    int read();
    int scene(bool save, int number);
    int dump(const std::string& file);
    int restore();
    int monitor();
    void openEvents();
    void showEvent(const std::string& json);
    void runTypedCommand(const std::vector<std::string>& words);

    // Prints the crosspoints of a read-back's JSON as read does; the status of the run.
    int printCrosspoints(const std::string& json);
    ServerReply call(const char* method, const std::string& path, const std::string& body = {});
    // The line and status for an answer other than 200: 409, 502 and 504 say the device did
    // not confirm (1); anything else is a usage or connection error (2).
    int answerFailure(const ServerReply& reply, const std::string& suffix = {});
    int fail(int status, const std::string& why);
    bool print(const std::string& text);
    std::string named(bool input, int number) const;
    std::string matrixPath() const;

    const Invocation& m_invocation;
    const Options& m_options;
    const RunnerEnvironment& m_environment;
    std::ostream& m_out;
    std::ostream& m_err;
    std::optional<controller::CrosspointFile> m_restoreFile;
    ServerClient m_client;
    Matrix m_matrix;
    bool m_outputFailed = false;
    QEventLoop m_loop;
    std::unique_ptr<QWebSocket> m_events;
    std::unique_ptr<QSocketNotifier> m_stopNotifier;
    std::unique_ptr<TypedCommands> m_typedCommands;
    bool m_stopped = false;
};

} // namespace matrixctl
