#include "controller/link/system_serial_ports.h"
#include "controller/matrixctl/command_line.h"
#include "controller/matrixctl/fd_output.h"
#include "controller/matrixctl/matrixctl_runner.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>

namespace {

// SIGINT and SIGTERM end monitor: the handler only writes to this pipe, which the run watches.
int g_stopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], &byte, 1);
}

int stopOnSignals() {
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    return g_stopPipe[0];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const matrixctl::ParseResult parsed =
        matrixctl::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.invocation) {
        std::cerr << "matrixctl: " << parsed.error << "\n";
        return matrixctl::kUsageError;
    }
    matrixctl::RunnerEnvironment environment;
    environment.executableFolder = QCoreApplication::applicationDirPath().toStdString();
    environment.ports = {controller::systemSerialPorts, {}};
    // Every other command ends on a signal as any program does.
    if (parsed.invocation->request.command == matrixctl::Command::Monitor &&
        !parsed.invocation->help && !parsed.invocation->version) {
        environment.stopFd = stopOnSignals();
        environment.commandFd = STDIN_FILENO;
    }
    // Written with write(2), so that a full disk or a closed pipe is seen with its reason.
    matrixctl::FdOutput outBuffer(STDOUT_FILENO);
    std::ostream out(&outBuffer);
    matrixctl::Runner runner(*parsed.invocation, std::move(environment), out, std::cerr);
    return runner.run();
}
