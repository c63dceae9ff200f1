#include "bench/sim_process.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sim_test {

namespace {

constexpr std::chrono::milliseconds kPollStep{10};

int ExitCodeOf(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

SimProcess::SimProcess(const std::string& program, const std::vector<std::string>& args,
                       const std::string& outputPath)
    : m_outputPath(outputPath) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

SimProcess::~SimProcess() {
    Stop(std::chrono::seconds(5));
}

std::string SimProcess::Output() const {
    std::ifstream in(m_outputPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool SimProcess::WaitReady(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_pid > 0) {
        std::istringstream lines(Output());
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("ready", 0) == 0) {
                m_readyLine = line;
                return true;
            }
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_exitCode = ExitCodeOf(status);
            m_pid = -1;
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(kPollStep);
    }
    return false;
}

std::string SimProcess::ReadyField(const std::string& key) const {
    std::istringstream words(m_readyLine);
    for (std::string word; words >> word;) {
        if (word.rfind(key + "=", 0) == 0)
            return word.substr(key.size() + 1);
    }
    return {};
}

int SimProcess::WaitExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_pid > 0) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_exitCode = ExitCodeOf(status);
            m_pid = -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return -1;
        std::this_thread::sleep_for(kPollStep);
    }
    return m_exitCode;
}

int SimProcess::Stop(std::chrono::milliseconds grace) {
    if (m_pid <= 0)
        return m_exitCode;
    kill(m_pid, SIGTERM);
    if (WaitExit(grace) == -1 && m_pid > 0) {
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_exitCode = -1;
    }
    return m_exitCode;
}

} // namespace sim_test
