#include "tests/service/headless_chromium.h"

#include <QJsonDocument>
#include <QStandardPaths>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace matrixd_test {

namespace {

constexpr auto kAnswerTime = std::chrono::seconds(30);

struct KeyCode {
    const char* key;
    const char* code;
    int virtualKey;
};
constexpr KeyCode kKeys[] = {{"ArrowDown", "ArrowDown", 40}, {"ArrowUp", "ArrowUp", 38},
                             {"ArrowLeft", "ArrowLeft", 37}, {"ArrowRight", "ArrowRight", 39},
                             {"Enter", "Enter", 13},         {" ", "Space", 32}};

} // namespace

std::string HeadlessChromium::program() {
    return QStandardPaths::findExecutable(QStringLiteral("chromium")).toStdString();
}

HeadlessChromium::HeadlessChromium(const std::string& profileFolder) {
    const std::string browser = program();
    int toBrowser[2];
    int fromBrowser[2];
    if (browser.empty() || ::pipe2(toBrowser, O_CLOEXEC) != 0 ||
        ::pipe2(fromBrowser, O_CLOEXEC) != 0)
        return;
    const std::string profile = "--user-data-dir=" + profileFolder;
    const std::string log = profileFolder + ".log";
    const std::vector<std::string> args{browser,
                                        "--headless",
                                        "--no-sandbox",
                                        "--disable-gpu",
                                        "--disable-quic",
                                        "--no-first-run",
                                        "--disable-background-networking",
                                        "--disable-component-update",
                                        "--disable-sync",
                                        "--remote-debugging-pipe",
                                        profile,
                                        "about:blank"};
    m_pid = ::fork();
    if (m_pid == 0) {
        // The DevTools pipe is fds 3 (commands in) and 4 (answers out).
        const int in = ::fcntl(toBrowser[0], F_DUPFD, 10);
        const int out = ::fcntl(fromBrowser[1], F_DUPFD, 10);
        ::dup2(in, 3);
        ::dup2(out, 4);
        const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(logFd, 1);
        ::dup2(logFd, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(browser.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(toBrowser[0]);
    ::close(fromBrowser[1]);
    m_toBrowser = toBrowser[1];
    m_fromBrowser = fromBrowser[0];
    if (m_pid < 0 || send("Browser.getVersion", {}).contains("error")) {
        if (m_pid > 0)
            ::kill(m_pid, SIGKILL);
        m_pid = -1;
    }
}

HeadlessChromium::~HeadlessChromium() {
    if (m_toBrowser >= 0)
        ::close(m_toBrowser);
    if (m_fromBrowser >= 0)
        ::close(m_fromBrowser);
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
}

QJsonObject HeadlessChromium::send(const std::string& method, const QJsonObject& params,
                                   const std::string& session) {
    const int id = m_nextId++;
    QJsonObject command{{"id", id}, {"method", QString::fromStdString(method)}, {"params", params}};
    if (!session.empty())
        command.insert("sessionId", QString::fromStdString(session));
    QByteArray bytes = QJsonDocument(command).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t put = ::write(m_toBrowser, bytes.constData() + sent,
                                    static_cast<std::size_t>(bytes.size() - sent));
        if (put <= 0)
            return {{"error", "the browser does not take commands"}};
        sent += put;
    }
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTime;
    while (std::chrono::steady_clock::now() < deadline) {
        // Messages end in NUL; events come between the answers and are passed over.
        for (std::size_t end; (end = m_pending.find('\0')) != std::string::npos;) {
            const QJsonObject message =
                QJsonDocument::fromJson(QByteArray::fromStdString(m_pending.substr(0, end)))
                    .object();
            m_pending.erase(0, end + 1);
            if (message.value("id").toInt() != id)
                continue;
            if (message.contains("error"))
                return {{"error", message.value("error")}};
            return message.value("result").toObject();
        }
        pollfd p{m_fromBrowser, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buffer[65536];
        const ssize_t got = ::read(m_fromBrowser, buffer, sizeof buffer);
        if (got <= 0)
            break;
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
    return {{"error", "no answer from the browser to " + QString::fromStdString(method)}};
}

std::string HeadlessChromium::openPage(const std::string& url, int width, int height) {
    const QJsonObject target = send("Target.createTarget", {{"url", "about:blank"}});
    const QJsonObject attached =
        send("Target.attachToTarget", {{"targetId", target.value("targetId")}, {"flatten", true}});
    const std::string session = attached.value("sessionId").toString().toStdString();
    if (session.empty())
        return {};
    send("Emulation.setDeviceMetricsOverride",
         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", width < 600}},
         session);
    send("Page.navigate", {{"url", QString::fromStdString(url)}}, session);
    return session;
}

QJsonValue HeadlessChromium::evaluate(const std::string& session, const std::string& expression) {
    const QJsonObject result = send("Runtime.evaluate",
                                    {{"expression", QString::fromStdString(expression)},
                                     {"returnByValue", true},
                                     {"awaitPromise", true}},
                                    session);
    return result.value("result").toObject().value("value");
}

bool HeadlessChromium::waitFor(const std::string& session, const std::string& expression,
                               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (evaluate(session, expression).toBool())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

void HeadlessChromium::click(const std::string& session, double x, double y) {
    for (const char* type : {"mousePressed", "mouseReleased"})
        send("Input.dispatchMouseEvent",
             {{"type", type}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}}, session);
}

void HeadlessChromium::press(const std::string& session, const std::string& key) {
    for (const KeyCode& k : kKeys) {
        if (key != k.key)
            continue;
        for (const char* type : {"keyDown", "keyUp"})
            send("Input.dispatchKeyEvent",
                 {{"type", type},
                  {"key", k.key},
                  {"code", k.code},
                  {"windowsVirtualKeyCode", k.virtualKey},
                  {"text",
                   std::string(k.key) == "Enter" && std::string(type) == "keyDown" ? "\r" : ""}},
                 session);
    }
}

void HeadlessChromium::type(const std::string& session, const std::string& text) {
    send("Input.insertText", {{"text", QString::fromStdString(text)}}, session);
}

} // namespace matrixd_test
