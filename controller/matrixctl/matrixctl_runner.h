#pragma once

#include "controller/link/serial_port_access.h"
#include "controller/matrixctl/command_line.h"
#include "controller/matrixctl/typed_commands.h"
#include "controller/session/backup_job.h"
#include "controller/session/crosspoint_file.h"
#include "controller/session/matrix_session.h"
#include "controller/session/port_names.h"
#include "controller/session/session_listener.h"

#include <QEventLoop>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class QSocketNotifier;

namespace matrixctl {

using controller::CrosspointFile;
using controller::crosspointJson;
using controller::jsonString;
using controller::NumberedCrosspoint;
using controller::parseCrosspointJson;

// The exit status of a run.
enum Status {
    kConfirmed = 0,    // the device answered, and as asked
    kNotConfirmed = 1, // no answer in time, or another answer
    kUsageError = 2,   // a bad argument, a settings file, link or output that cannot be used
};

// What a run stands on besides its command line.
struct RunnerEnvironment {
    // The folder of the matrixctl executable: Brisvane's settings are found from there.
    std::string executableFolder;
    // The machine's serial ports and how one is opened.
    controller::SerialPortAccess ports;
    // Readable once the run should end (SIGINT, SIGTERM): monitor stops then. -1: never.
    int stopFd = -1;
    // Where monitor reads commands to send, one per line. -1: none.
    int commandFd = -1;
};

// One run of matrixctl: finds the settings, opens the links the options and settings name, runs
// the command as operations of the session and says how it went. Lives on a thread with a Qt
// event loop (QCoreApplication); run() returns the exit status. Everything printed is checked:
// output that cannot be written ends the run with kUsageError and the system's reason.
class Runner : private controller::SessionListener {
public:
    Runner(Invocation invocation, RunnerEnvironment environment, std::ostream& out,
           std::ostream& err);
    ~Runner() override;
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    int run();

private:
    // Set-up (matrixctl_runner.cpp).
    int readRestoreFile();
    int startSession();
    int applyOptions();
    int settleSize();
    int checkRanges();
    int openLinks();
    int listPorts();
    bool needsSize() const;

    // Commands (matrixctl_commands.cpp).
    int switchCrosspoints(const std::vector<std::pair<int, int>>& switches);
    int readCrosspoints(CrosspointFile& read);
    int printCrosspoints();
    int identity();
    int scene(bool save, int scene);
    int cycle(bool start);
    int dump(const std::string& file);
    int restore();

    // monitor (matrixctl_monitor.cpp).
    int monitor();
    void runTypedCommand(const std::vector<std::string>& words);

    // Running operations.
    // Starts `op` with --timeout and waits for its outcome, or for a link to fail for good.
    std::optional<controller::OperationResult> await(controller::Operation op);
    std::optional<controller::BackupJob::Result> awaitBackup(bool restoring);
    // The line and status for an outcome other than Confirmed; `what` names the request.
    int outcomeFailure(const controller::OperationResult& result, const std::string& what);
    // The line and status of the link failure that ended a wait.
    int linkFailed();
    int fail(int status, const std::string& why);
    // Writes `text` to standard output and flushes it; false (after saying why) when it cannot.
    bool print(const std::string& text);
    std::string sizeText() const;
    std::string addressText(int address) const;

    // SessionListener.
    void portLost(const std::string& portName, const std::string& devicePath) override;
    void portReturned() override;
    void networkSendFailed() override;
    void networkLost(const controller::LinkInfo& link, const std::string& reason) override;
    void networkReturned(const controller::LinkInfo& link) override;
    void frameSent(std::span<const std::uint8_t> frame, const controller::LinkInfo& link) override;
    void frameReceived(std::span<const std::uint8_t> frame,
                       const controller::LinkInfo& link) override;
    void bytesDiscarded(std::span<const std::uint8_t> bytes,
                        const controller::LinkInfo& link) override;
    void trace(const std::string& line);

    Invocation m_invocation;
    const Options& m_options;
    RunnerEnvironment m_environment;
    std::ostream& m_out;
    std::ostream& m_err;
    std::unique_ptr<controller::MatrixSession> m_session;
    std::optional<CrosspointFile> m_restoreFile;
    // Whether the settings file chose the matrix size.
    bool m_sizeFromSettings = false;
    bool m_monitoring = false;
    bool m_outputFailed = false;
    // A link failed for good while waiting: the status and why.
    std::optional<std::pair<int, std::string>> m_linkFailure;
    QEventLoop m_loop;
    std::unique_ptr<QSocketNotifier> m_stopNotifier;
    std::unique_ptr<TypedCommands> m_typedCommands;
};

} // namespace matrixctl
