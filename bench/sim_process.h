#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sim_test {

// A simulator run as a child process for one benchmark. Its standard output and error go to a
// file, so that a chatty simulator never blocks on a full pipe and its log can be read. The
// process is ended (SIGTERM, then SIGKILL if it lingers) when the object goes.
class SimProcess {
public:
    SimProcess(const std::string& program, const std::vector<std::string>& args,
               const std::string& outputPath);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    // The running process, or -1 once it has ended.
    pid_t Pid() const { return m_pid; }

    // Waits for the line starting with "ready" that a simulator prints once it serves. False if
    // the process ended or the time ran out first.
    bool WaitReady(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // A "key=value" word of the ready line ("serial", "udp"); empty when absent.
    std::string ReadyField(const std::string& key) const;

    // Asks the process to stop (SIGTERM) and returns its exit code, or 128 + the signal that
    // ended it, or -1 if it had to be killed after `grace`.
    int Stop(std::chrono::milliseconds grace = std::chrono::seconds(10));
    // Waits for a process that ends by itself; -1 if it is still running after `timeout`.
    int WaitExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Everything the process printed so far.
    std::string Output() const;

private:
    pid_t m_pid = -1;
    int m_exitCode = -1;
    std::string m_outputPath;
    std::string m_readyLine;
};

} // namespace sim_test
