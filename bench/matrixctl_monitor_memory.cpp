// "matrixctl monitor" fed a long stream of replies on a pseudo-terminal: its resident memory once
// the first tenth has gone through, and at the end. Whatever runs through monitor, its memory
// must stay flat: it keeps no reply once it has printed it.
//
//   matrixctl-monitor-memory [replies, default 100000]
// Exits with 1 when no figure could be taken (matrixctl did not start, or printed nothing).
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Resident memory of a process in kB, from /proc; -1 when it cannot be read.
long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

bool writeAll(int fd, const std::vector<unsigned char>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && (errno == EINTR || errno == EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const long replies = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
    if (replies < 10) {
        std::fprintf(stderr, "usage: matrixctl-monitor-memory [replies, at least 10]\n");
        return 2;
    }
    int master = -1;
    int slave = -1;
    char slaveName[256] = {};
    if (::openpty(&master, &slave, slaveName, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    // The device side only writes; matrixctl makes its side raw when it opens it.
    ::close(slave);
    char folder[] = "/tmp/monitor-memory.XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    const std::string settings = std::string(folder) + "/Setting.ini";
    std::FILE* file = std::fopen(settings.c_str(), "w");
    std::fprintf(file, "[SYSTEM_SET]\r\nMatrixType=3\r\nMatrixSize=2\r\n[Ports]\r\n");
    for (int n = 1; n <= 9; ++n)
        std::fprintf(file, "COM%d=%s/none%d\r\n", n, folder, n);
    std::fclose(file);

    const std::string program = MATRIX_BIN_DIR "/matrixctl";
    std::vector<std::string> args{program, "--settings", settings, "--port", slaveName, "monitor"};
    std::vector<char*> argv2;
    for (std::string& a : args)
        argv2.push_back(a.data());
    argv2.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv2.data(), environ) != 0) {
        std::perror("matrixctl");
        return 1;
    }
    posix_spawn_file_actions_destroy(&actions);
    // Until the port is open and raw: echo off on the device's side of the line.
    for (int i = 0; i < 500; ++i) {
        termios t{};
        if (::tcgetattr(master, &t) == 0 && (t.c_lflag & ECHO) == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // A 16x16 read-back naming every output: 38 bytes, as a device answers "Read Switch".
    std::vector<unsigned char> reply{0xBA, 0x01, 0x02, 0x22, 0xA6};
    for (int o = 0; o < 16; ++o) {
        reply.push_back(static_cast<unsigned char>(o));
        reply.push_back(static_cast<unsigned char>(15 - o));
    }
    unsigned sum = 0;
    for (unsigned char b : reply)
        sum += b;
    reply.push_back(static_cast<unsigned char>(sum));

    std::vector<unsigned char> chunk;
    for (int i = 0; i < 100; ++i)
        chunk.insert(chunk.end(), reply.begin(), reply.end());
    long early = -1;
    long sent = 0;
    bool ok = true;
    while (sent < replies && ok) {
        ok = writeAll(master, chunk);
        sent += 100;
        if (early < 0 && sent >= replies / 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            early = residentKb(pid);
        }
        // Paced so that the line, not the pseudo-terminal's buffer, is what fills up.
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const long late = residentKb(pid);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    std::remove(settings.c_str());
    ::rmdir(folder);
    if (early <= 0 || late <= 0 || !ok) {
        std::fprintf(stderr, "monitor memory: no samples (matrixctl did not run through)\n");
        return 1;
    }
    std::printf("monitor fed %ld replies: resident memory %.1f MiB after %ld, %.1f MiB at the end "
                "(%+ld kB)\n",
                sent, early / 1024.0, replies / 10, late / 1024.0, late - early);
    return 0;
}
