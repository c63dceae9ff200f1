#include "tests/terminal_protocol/terminal_sim_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace terminal_test {

namespace {

constexpr std::chrono::milliseconds kPollStep(5);

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout.count())
            return false;
        QThread::msleep(static_cast<unsigned long>(kPollStep.count()));
    }
    return true;
}

} // namespace

TerminalSimProcess::TerminalSimProcess(const QString& program, const QStringList& arguments,
                                       std::chrono::milliseconds readyTimeout,
                                       qint64 networkNamespaceOf)
    : m_logPath(m_dir.filePath("terminal-sim.log")) {
    const QByteArray netns =
        networkNamespaceOf ? "/proc/" + QByteArray::number(networkNamespaceOf) + "/ns/net" : "";
    m_process.setChildProcessModifier([netns] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (netns.isEmpty())
            return;
        const int fd = ::open(netns.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0)
            ::_exit(125);
    });
    m_process.setStandardOutputFile(m_logPath);
    m_process.setStandardErrorFile(m_dir.filePath("terminal-sim.err"));
    m_process.start(program, arguments);
    if (!m_process.waitForStarted())
        return;
    waitUntil(
        [this] { return !lines("ready").isEmpty() || m_process.state() != QProcess::Running; },
        readyTimeout);
    m_ready = m_process.state() == QProcess::Running && !lines("ready").isEmpty();
}

TerminalSimProcess::~TerminalSimProcess() {
    stop();
}

QString TerminalSimProcess::log() const {
    QFile out(m_logPath);
    QString text;
    if (out.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(out.readAll());
    QFile err(m_dir.filePath("terminal-sim.err"));
    if (err.open(QIODevice::ReadOnly))
        text += QString::fromUtf8(err.readAll());
    return text;
}

QStringList TerminalSimProcess::lines(const QString& prefix) const {
    QStringList found;
    const QStringList all = log().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : all) {
        if (line.startsWith(prefix))
            found << line;
    }
    return found;
}

bool TerminalSimProcess::waitForLines(const QString& prefix, int count,
                                      std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return lines(prefix).size() >= count; }, timeout);
}

int TerminalSimProcess::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

} // namespace terminal_test
