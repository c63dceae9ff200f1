#include "tests/service/headless_chromium.h"

#include <QJsonDocument>
#include <QStandardPaths>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace matrixd_test {

std::string HeadlessChromium::program() {
    return QStandardPaths::findExecutable(QStringLiteral("chromium")).toStdString();
}

HeadlessChromium::HeadlessChromium(const std::string& profileFolder) {
    const std::string browser = program();
    int in[2], out[2];
    if (browser.empty() || ::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> args{browser,
                                  "--headless",
                                  "--no-sandbox",
                                  "--disable-gpu",
                                  "--disable-quic",
                                  "--no-first-run",
                                  "--disable-background-networking",
                                  "--disable-component-update",
                                  "--disable-sync",
                                  "--remote-debugging-pipe",
                                  "--user-data-dir=" + profileFolder,
                                  "about:blank"};
    const std::string log = profileFolder + ".log";
    m_pid = ::fork();
    if (m_pid == 0) {
        // The DevTools pipe is fds 3 (commands in) and 4 (answers out).
        ::dup2(::fcntl(in[0], F_DUPFD, 10), 3);
        ::dup2(::fcntl(out[1], F_DUPFD, 10), 4);
        const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(logFd, 1);
        ::dup2(logFd, 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(browser.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_toBrowser = in[1];
    m_fromBrowser = out[0];
    if (m_pid > 0 && send("Browser.getVersion", {}).contains("error")) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

HeadlessChromium::~HeadlessChromium() {
    ::close(m_toBrowser);
    ::close(m_fromBrowser);
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 100 && ::waitpid(m_pid, nullptr, WNOHANG) != m_pid; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, WNOHANG);
}

QJsonObject HeadlessChromium::send(const std::string& method, const QJsonObject& params,
                                   const std::string& session) {
    const int id = m_nextId++;
    QJsonObject command{{"id", id}, {"method", QString::fromStdString(method)}, {"params", params}};
    if (!session.empty())
        command.insert("sessionId", QString::fromStdString(session));
    const QByteArray bytes = QJsonDocument(command).toJson(QJsonDocument::Compact) + '\0';
    if (::write(m_toBrowser, bytes.constData(), static_cast<std::size_t>(bytes.size())) !=
        bytes.size())
        return {{"error", "the browser takes no commands"}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        // Messages end in NUL; the events between the answers are passed over.
        for (std::size_t end; (end = m_pending.find('\0')) != std::string::npos;) {
            const QJsonObject message =
                QJsonDocument::fromJson(QByteArray::fromStdString(m_pending.substr(0, end)))
                    .object();
            m_pending.erase(0, end + 1);
            if (message.value("id").toInt() == id)
                return message.contains("error") ? QJsonObject{{"error", message.value("error")}}
                                                 : message.value("result").toObject();
        }
        pollfd p{m_fromBrowser, POLLIN, 0};
        char buffer[65536];
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t got = ::read(m_fromBrowser, buffer, sizeof buffer);
        if (got <= 0)
            break;
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
    return {{"error", "no answer from the browser to " + QString::fromStdString(method)}};
}

std::string HeadlessChromium::openPage(const std::string& url, int width, int height) {
    const QJsonObject target = send("Target.createTarget", {{"url", "about:blank"}});
    const std::string session =
        send("Target.attachToTarget", {{"targetId", target.value("targetId")}, {"flatten", true}})
            .value("sessionId")
            .toString()
            .toStdString();
    send("Emulation.setDeviceMetricsOverride",
         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", width < 600}},
         session);
    send("Page.navigate", {{"url", QString::fromStdString(url)}}, session);
    return session;
}

QJsonValue HeadlessChromium::evaluate(const std::string& session, const std::string& expression) {
    return send("Runtime.evaluate",
                {{"expression", QString::fromStdString(expression)},
                 {"returnByValue", true},
                 {"awaitPromise", true}},
                session)
        .value("result")
        .toObject()
        .value("value");
}

bool HeadlessChromium::waitFor(const std::string& session, const std::string& expression,
                               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!evaluate(session, expression).toBool()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void HeadlessChromium::click(const std::string& session, double x, double y) {
    for (const char* type : {"mousePressed", "mouseReleased"})
        send("Input.dispatchMouseEvent",
             {{"type", type}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}}, session);
}

void HeadlessChromium::press(const std::string& session, const std::string& key) {
    const bool enter = key == "Enter";
    const QString name = QString::fromStdString(key);
    send("Input.dispatchKeyEvent",
         {{"type", "keyDown"},
          {"key", name},
          {"code", name},
          {"windowsVirtualKeyCode", enter ? 13 : 40},
          {"text", enter ? "\r" : ""}},
         session);
    send("Input.dispatchKeyEvent", {{"type", "keyUp"}, {"key", name}, {"code", name}}, session);
}

} // namespace matrixd_test
