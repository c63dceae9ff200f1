#include "tests/support/veth_network.h"

#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace test_support {

namespace {

QString ipProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("ip"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                           QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// The namespace a process or this thread is in, as the kernel names it ("net:[4026531992]").
std::string namespaceName(const std::string& path) {
    char target[64] = {};
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

} // namespace

VethNetwork::~VethNetwork() {
    for (auto& holder : m_holders) {
        holder->kill();
        holder->waitForFinished(5000);
    }
    m_holders.clear();
    // Back to the namespaces of scripts/test; the nested ones, with their links, are gone once
    // nothing holds them.
    if (m_originalNet >= 0) {
        ::setns(m_originalNet, CLONE_NEWNET);
        ::close(m_originalNet);
    }
    if (m_originalUts >= 0) {
        ::setns(m_originalUts, CLONE_NEWUTS);
        ::close(m_originalUts);
    }
}

bool VethNetwork::enter(std::string& why) {
    if (ipProgram().isEmpty()) {
        why = "the ip program (iproute2) is not installed";
        return false;
    }
    m_originalNet = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    m_originalUts = ::open("/proc/thread-self/ns/uts", O_RDONLY | O_CLOEXEC);
    if (m_originalNet < 0 || m_originalUts < 0) {
        why = systemError("cannot keep the current namespaces");
        return false;
    }
    if (::unshare(CLONE_NEWNET | CLONE_NEWUTS) != 0) {
        why = systemError("cannot make a nested network namespace");
        return false;
    }
    return ip({"link", "set", "lo", "up"}, why);
}

qint64 VethNetwork::addLink(const std::string& hostEnd, const std::string& hostCidr,
                            const std::string& farEnd, const std::string& farCidr,
                            std::string& why) {
    // A child that waits in a namespace of its own, and dies with this process.
    auto holder = std::make_unique<QProcess>();
    holder->setChildProcessModifier([] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::unshare(CLONE_NEWNET) != 0)
            ::_exit(126);
    });
    holder->start(QStringLiteral("sleep"), {QStringLiteral("infinity")});
    if (!holder->waitForStarted(5000)) {
        why = "cannot start the process that holds the far namespace";
        return 0;
    }
    const qint64 pid = holder->processId();
    m_holders.push_back(std::move(holder));
    if (namespaceName("/proc/" + std::to_string(pid) + "/ns/net") ==
        namespaceName("/proc/thread-self/ns/net")) {
        why = "the far end did not get a namespace of its own";
        return 0;
    }
    const QString host = QString::fromStdString(hostEnd);
    const QString far = QString::fromStdString(farEnd);
    const bool made =
        ip({"link", "add", host, "type", "veth", "peer", "name", far, "netns",
            QString::number(pid)},
           why) &&
        ip({"address", "add", QString::fromStdString(hostCidr), "dev", host}, why) &&
        ip({"link", "set", host, "up"}, why) && ip({"link", "set", "lo", "up"}, why, pid) &&
        ip({"address", "add", QString::fromStdString(farCidr), "dev", far}, why, pid) &&
        ip({"link", "set", far, "up"}, why, pid) &&
        ip({"route", "add", "224.0.0.0/4", "dev", far}, why, pid);
    return made ? pid : 0;
}

bool VethNetwork::ip(const QStringList& arguments, std::string& why, qint64 farPid) const {
    QProcess process;
    if (farPid != 0) {
        const QByteArray path = "/proc/" + QByteArray::number(farPid) + "/ns/net";
        process.setChildProcessModifier([path] {
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0)
                ::_exit(125);
        });
    }
    process.start(ipProgram(), arguments);
    const bool ran = process.waitForFinished(10000);
    if (ran && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    why = "ip " + arguments.join(' ').toStdString() + ": " +
          QString::fromLocal8Bit(process.readAllStandardError()).trimmed().toStdString();
    return false;
}

bool VethNetwork::setHostName(const std::string& name, std::string& why) const {
    if (::sethostname(name.c_str(), name.size()) == 0)
        return true;
    why = systemError("sethostname");
    return false;
}

} // namespace test_support
