#include "tests/service/matrixd_run.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace matrixd_test {

namespace {

HttpAnswer parseAnswer(const std::string& bytes) {
    HttpAnswer answer;
    const auto end = bytes.find("\r\n\r\n");
    if (bytes.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos)
        return answer;
    answer.status = std::stoi(bytes.substr(9, 3));
    std::istringstream head(bytes.substr(0, end));
    std::string line;
    std::getline(head, line);
    while (std::getline(head, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto colon = line.find(':');
        std::string name = line.substr(0, colon);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (colon != std::string::npos)
            answer.fields[name] = line.substr(colon + 2);
    }
    answer.body = bytes.substr(end + 4);
    return answer;
}

} // namespace

HttpAnswer httpExchange(std::uint16_t port, const std::string& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string received;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        // The server may refuse before the body is in: its answer is read all the same.
        for (std::size_t sent = 0; sent < request.size();) {
            const ssize_t put =
                ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (put <= 0)
                break;
            sent += static_cast<std::size_t>(put);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        char buffer[4096];
        for (pollfd p{fd, POLLIN, 0}; std::chrono::steady_clock::now() < deadline;) {
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            received.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return parseAnswer(received);
}

std::string request(const std::string& method, const std::string& path, const std::string& body,
                    const std::string& extraFields) {
    std::string text = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraFields;
    if (!body.empty() || method == "PUT" || method == "POST")
        text += "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\n";
    return text + "\r\n" + body;
}

std::string MatrixdBinary() {
    return MATRIX_BIN_DIR "/matrixd";
}

MatrixdRun::MatrixdRun(std::string config, const std::string& link,
                       const std::vector<std::string>& extraArgs) {
    // A link that names its kind takes the place of the serial one the configuration assumes.
    const bool namesItsKind = link.rfind("tcp:", 0) == 0 || link.rfind("udp:", 0) == 0;
    if (const auto at = config.find(namesItsKind ? "serial:{link}" : "{link}");
        at != std::string::npos)
        config.replace(at, namesItsKind ? 13 : 6, link);
    test_support::TempDir::writeFile(m_dir.file("matrixd.ini"), config);
    QStringList args{"--config", QString::fromStdString(m_dir.file("matrixd.ini")), "--listen",
                     "127.0.0.1:0"};
    for (const std::string& a : extraArgs)
        args << QString::fromStdString(a);
    start(QString::fromStdString(MatrixdBinary()), args);
}

MatrixdRun::MatrixdRun(const std::string& program, const QStringList& args) {
    start(QString::fromStdString(program), args);
}

MatrixdRun::~MatrixdRun() {
    m_process.terminate();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    m_process.waitForFinished();
}

void MatrixdRun::start(const QString& program, const QStringList& args) {
    // Into a file: a process that logs on is never held by a full pipe.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(QString::fromStdString(m_dir.file("matrixd.out")));
    m_process.start(program, args);
    const std::string marker = "listening on http";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline &&
           m_process.state() != QProcess::NotRunning) {
        const std::string out = output();
        if (const auto at = out.find(marker); at != std::string::npos) {
            // "listening on http://127.0.0.1:PORT/ (...)"
            m_port = static_cast<std::uint16_t>(
                std::stoi(out.substr(out.find(':', out.find("//", at) + 2) + 1)));
            return;
        }
        m_process.waitForFinished(10);
    }
}

std::string MatrixdRun::output() const {
    return test_support::TempDir::readFile(m_dir.file("matrixd.out"));
}

int MatrixdRun::exitStatus() {
    m_process.waitForFinished(10000);
    return m_process.state() == QProcess::NotRunning ? m_process.exitCode() : -1;
}

std::vector<std::string> receivedFrames(const test_support::SharedMatrixSim& sim) {
    std::vector<std::string> frames;
    std::istringstream log(sim.Log());
    for (std::string line; std::getline(log, line);) {
        // "14:03:07.125 serial rx BA 01 ..."
        std::istringstream words(line);
        std::string time, link, direction, bytes;
        words >> time >> link >> direction;
        std::getline(words >> std::ws, bytes);
        if (direction == "rx" && link == "serial")
            frames.push_back(link + " " + bytes);
    }
    return frames;
}

std::string hallConfig(const std::string& server, int timeoutMs) {
    return "[Server]\n" + server +
           "\n[Matrix1]\nName=hall\nLink=serial:{link}\nSize=8\nType=HDMI\nBaud=9600\nTimeout=" +
           std::to_string(timeoutMs) + "\nIn3=Camera 2\nOut5=Projector left\n";
}

std::vector<std::string> hallDevice(const std::vector<std::string>& faults) {
    std::vector<std::string> options{"--size", "8", "--type", "HDMI Matrix"};
    options.insert(options.end(), faults.begin(), faults.end());
    return options;
}

} // namespace matrixd_test
