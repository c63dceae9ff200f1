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

constexpr auto kAnswerTime = std::chrono::seconds(20);

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

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
        if (colon != std::string::npos)
            answer.fields[lower(line.substr(0, colon))] = line.substr(colon + 2);
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
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return {};
    }
    std::size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t put = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (put <= 0)
            break; // the server may refuse before the body is in: read its answer
        sent += static_cast<std::size_t>(put);
    }
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTime;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        received.append(buffer, static_cast<std::size_t>(got));
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

MatrixdRun::MatrixdRun(const std::string& config, const sim_test::MatrixSimRun* sim,
                       const std::vector<std::string>& extraArgs) {
    std::string text = config;
    for (std::size_t at; sim && (at = text.find("{link}")) != std::string::npos;)
        text.replace(at, 6, sim->linkPath());
    test_support::TempDir::writeFile(m_dir.file("matrixd.ini"), text);
    std::vector<std::string> args{"--config", m_dir.file("matrixd.ini"), "--listen", "127.0.0.1:0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    m_process =
        std::make_unique<sim_test::SimProcess>(MatrixdBinary(), args, m_dir.file("matrixd.out"));
    waitListening();
}

MatrixdRun::MatrixdRun(const std::string& program, const std::vector<std::string>& args) {
    m_process = std::make_unique<sim_test::SimProcess>(program, args, m_dir.file("matrixd.out"));
    waitListening();
}

void MatrixdRun::waitListening() {
    const std::string marker = "listening on http";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && m_process->Pid() > 0) {
        const std::string out = m_process->Output();
        const auto at = out.find(marker);
        if (at != std::string::npos) {
            // "listening on http://127.0.0.1:PORT/ (...)"
            const auto colon = out.find(':', out.find("//", at) + 2);
            m_port = static_cast<std::uint16_t>(std::stoi(out.substr(colon + 1)));
            return;
        }
        if (m_process->WaitExit(std::chrono::milliseconds(10)) != -1)
            return;
    }
}

std::vector<std::string> receivedFrames(const sim_test::MatrixSimRun& sim) {
    std::vector<std::string> frames;
    std::istringstream log(sim.Log());
    for (std::string line; std::getline(log, line);) {
        std::istringstream words(line);
        std::string time, link, direction, bytes;
        words >> time >> link >> direction;
        if (direction != "rx")
            continue;
        if (link == "udp")
            words >> bytes;
        std::getline(words >> std::ws, bytes);
        frames.push_back(link + " " + bytes);
    }
    return frames;
}

std::string hallConfig(const std::string& server, int timeoutMs) {
    return "[Server]\n" + server +
           "\n[Matrix1]\nName=hall\nLink=serial:{link}\nSize=8\nType=HDMI\nBaud=9600\n"
           "Timeout=" +
           std::to_string(timeoutMs) + "\nIn3=Camera 2\nOut5=Projector left\n";
}

} // namespace matrixd_test
