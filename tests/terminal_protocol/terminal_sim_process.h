#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>

namespace terminal_test {

// A terminal-sim process for the length of a test. Its log (one line per datagram, in hex) goes
// to a file so that a busy simulator never waits on a test that is not reading its output.
// Only usable inside the private network namespace: elsewhere the simulator refuses to start.
// It ends with the test process, however that ends.
class TerminalSimProcess {
public:
    // Starts `program` with `arguments` and waits until it prints its ready line. With a
    // `networkNamespaceOf` process id, it runs in that process's network namespace.
    TerminalSimProcess(const QString& program, const QStringList& arguments,
                       std::chrono::milliseconds readyTimeout = std::chrono::seconds(10),
                       qint64 networkNamespaceOf = 0);
    // Stops it with SIGTERM (and SIGKILL if it does not go).
    ~TerminalSimProcess();
    TerminalSimProcess(const TerminalSimProcess&) = delete;
    TerminalSimProcess& operator=(const TerminalSimProcess&) = delete;

    bool isReady() const { return m_ready; }
    // Everything it has written so far, with its error output when it failed to start.
    QString log() const;
    // The log lines that start with `prefix` ("recv", "send", "note").
    QStringList lines(const QString& prefix) const;
    // Waits until the log holds at least `count` lines starting with `prefix`.
    bool waitForLines(const QString& prefix, int count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

    // Sends SIGTERM and waits; returns the exit code, or -1 when it did not end normally.
    int stop();

private:
    QTemporaryDir m_dir;
    QString m_logPath;
    QProcess m_process;
    bool m_ready = false;
};

} // namespace terminal_test
