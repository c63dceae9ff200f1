#include "sim/matrix_sim/matrix_sim_server.h"

#include "platform/whole_file.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace sim {

namespace {

// A partial frame that gets no more bytes for this long is taken for noise: a controller
// writes a request in one go, so its bytes arrive within a few milliseconds.
constexpr std::chrono::milliseconds kPartialFrameTimeout{250};

DeviceConfig ConfigFrom(const MatrixOptions& options) {
    DeviceConfig config;
    config.size = options.size;
    config.type = options.type;
    config.address = options.address;
    config.header = options.header;
    config.replyAddress = options.replyAddress;
    config.intervalUnit = options.intervalUnit;
    config.refusedOutputs = options.refusedOutputs;
    config.wrongInput = options.wrongInput;
    return config;
}

} // namespace

MatrixSimServer::MatrixSimServer(const MatrixOptions& options, HexLog& log)
    : m_options(options), m_log(log), m_device(ConfigFrom(options)) {}

bool MatrixSimServer::Start(std::string* error) {
    if (!m_loop.StopOnSignals()) {
        *error = "cannot install the stop signal handlers";
        return false;
    }
    if (!m_options.serialLink.empty()) {
        if (!m_pty.Open(m_options.serialLink, error))
            return false;
        m_loop.Watch(m_pty.MasterFd(), [this] { OnSerialReadable(); });
        m_log.Line("serial " + m_pty.LinkPath() + " -> " + m_pty.SlavePath());
    }
    if (m_options.udpPort) {
        if (!m_udp.Bind(*m_options.udpPort, error)) {
            m_pty.Close();
            return false;
        }
        m_loop.Watch(m_udp.Fd(), [this] { OnUdpReadable(); });
        m_log.Line("udp 127.0.0.1:" + std::to_string(m_udp.Port()));
    }
    if (m_options.tcpPort) {
        if (!m_tcp.Listen(*m_options.tcpPort, error)) {
            m_pty.Close();
            m_udp.Close();
            return false;
        }
        m_loop.Watch(m_tcp.ListenFd(), [this] { OnTcpConnection(); });
        m_log.Line("tcp 127.0.0.1:" + std::to_string(m_tcp.Port()));
    }
    if (!m_options.controlPath.empty()) {
        if (!m_control.Listen(m_options.controlPath, error)) {
            m_pty.Close();
            m_udp.Close();
            m_tcp.Close();
            return false;
        }
        m_loop.Watch(m_control.Fd(), [this] {
            m_control.Serve([this](const std::string& request) { return HandleControl(request); });
        });
    }
    SaveState();
    return true;
}

std::string MatrixSimServer::ReadyLine() const {
    std::string line = "ready";
    if (m_pty.IsOpen())
        line += " serial=" + m_pty.LinkPath();
    if (m_options.udpPort)
        line += " udp=" + std::to_string(m_udp.Port());
    if (m_options.tcpPort)
        line += " tcp=" + std::to_string(m_tcp.Port());
    if (m_control.Fd() >= 0)
        line += " control=" + m_options.controlPath;
    return line;
}

bool MatrixSimServer::Run() {
    const bool served = m_loop.Run();
    m_log.Line("stopping");
    m_pty.Close();
    m_udp.Close();
    m_tcp.Close();
    m_control.Close();
    return served;
}

void MatrixSimServer::OnTcpConnection() {
    bool refused = false;
    const int client = m_tcp.Accept(&refused);
    if (refused)
        m_log.Line("tcp note a second controller was turned away");
    if (client < 0)
        return;
    m_log.Line("tcp controller connected");
    m_tcpFrames = 0;
    m_stream.scanner = FrameScanner();
    m_loop.Watch(client, [this] { OnTcpReadable(); });
}

void MatrixSimServer::OnTcpReadable() {
    std::uint8_t buffer[512];
    bool closed = false;
    while (const std::size_t n = m_tcp.Read(buffer, sizeof buffer, &closed))
        Take(m_stream, std::span(buffer, n), std::nullopt);
    if (closed && m_tcp.HasClient()) {
        m_log.Line("tcp controller gone");
        m_loop.Unwatch(m_tcp.ClientFd());
        m_tcp.DropClient();
    }
}

void MatrixSimServer::OnSerialReadable() {
    std::uint8_t buffer[512];
    while (const std::size_t n = m_pty.Read(buffer, sizeof buffer))
        Take(m_serial, std::span(buffer, n), std::nullopt);
}

void MatrixSimServer::OnUdpReadable() {
    std::uint8_t buffer[2048];
    std::size_t size = 0;
    sockaddr_in from{};
    bool truncated = false;
    while (m_udp.Receive(buffer, sizeof buffer, &size, &from, &truncated)) {
        if (truncated)
            m_log.Line("udp note datagram cut to " + std::to_string(size) + " bytes");
        Take(m_net, std::span(buffer, size), from);
    }
}

void MatrixSimServer::Take(Channel& channel, std::span<const std::uint8_t> bytes,
                           const std::optional<sockaddr_in>& from) {
    std::vector<ScannedBytes> found;
    channel.scanner.Feed(bytes, &found);
    Digest(channel, found, from);
}

void MatrixSimServer::Digest(Channel& channel, const std::vector<ScannedBytes>& found,
                             const std::optional<sockaddr_in>& from) {
    const auto now = Clock::now();
    bool changed = false;
    for (const ScannedBytes& item : found) {
        switch (item.kind) {
        case ScannedBytes::Kind::Noise:
            m_log.Bytes(channel.name + " noise", item.bytes);
            break;
        case ScannedBytes::Kind::BadChecksum:
            m_log.Bytes(channel.name + " bad checksum", item.bytes);
            break;
        case ScannedBytes::Kind::Frame: {
            m_log.Bytes(from ? channel.name + " rx " + LoopbackUdp::Describe(*from)
                             : channel.name + " rx",
                        item.bytes);
            // A terminal that drops its controller: the frame is acted on, then the connection
            // closed, its answer with it.
            const bool drop = &channel == &m_stream && m_options.dropAfter > 0 &&
                              ++m_tcpFrames >= m_options.dropAfter;
            const auto loadsBefore = m_device.CycleLoads();
            MatrixDevice::Outcome outcome = m_device.Handle(item.bytes, now);
            if (m_device.CycleLoads() != loadsBefore)
                LogCycleLoad();
            if (!outcome.ignored.empty())
                m_log.Line(channel.name + " ignored (" + outcome.ignored + ") " +
                           ToHex(item.bytes));
            if (!outcome.note.empty())
                m_log.Line(channel.name + " note " + outcome.note);
            changed = changed || outcome.changed;
            if (drop && m_tcp.HasClient()) {
                m_log.Line("tcp note closing the connection after " + std::to_string(m_tcpFrames) +
                           " frames");
                m_loop.Unwatch(m_tcp.ClientFd());
                m_tcp.DropClient();
                break;
            }
            for (const auto& reply : outcome.replies)
                Answer(channel, reply, from);
            break;
        }
        }
    }
    ArmGiveUp(channel, from);
    if (changed) {
        SaveState();
        ScheduleCycle();
    }
}

void MatrixSimServer::ArmGiveUp(Channel& channel, const std::optional<sockaddr_in>& from) {
    if (channel.giveUpTimer != 0)
        m_loop.Cancel(channel.giveUpTimer);
    channel.giveUpTimer = 0;
    if (!channel.scanner.HasPartial())
        return;
    const auto due = Clock::now() + kPartialFrameTimeout;
    channel.giveUpTimer = m_loop.Schedule(due, [this, &channel, from] {
        channel.giveUpTimer = 0;
        m_log.Line(channel.name + " note incomplete frame given up");
        std::vector<ScannedBytes> found;
        channel.scanner.GiveUpPartial(&found);
        Digest(channel, found, from);
    });
}

void MatrixSimServer::Answer(Channel& channel, const std::vector<std::uint8_t>& reply,
                             const std::optional<sockaddr_in>& to) {
    if (m_options.silent) {
        m_log.Bytes(channel.name + " withheld", reply);
        return;
    }
    std::vector<std::vector<std::uint8_t>> pieces;
    const int copies = m_options.doubled ? 2 : 1;
    for (int copy = 0; copy < copies; ++copy) {
        if (m_options.splitBytes == 0) {
            pieces.push_back(reply);
            continue;
        }
        for (std::size_t at = 0; at < reply.size(); at += m_options.splitBytes) {
            const std::size_t end = std::min(reply.size(), at + m_options.splitBytes);
            pieces.emplace_back(reply.begin() + static_cast<std::ptrdiff_t>(at),
                                reply.begin() + static_cast<std::ptrdiff_t>(end));
        }
    }

    const auto now = Clock::now();
    if (m_options.delay.count() == 0 && m_options.splitBytes == 0 && channel.lastDue <= now) {
        for (const auto& piece : pieces)
            SendNow(channel, piece, to);
        return;
    }
    auto due = std::max(now + m_options.delay, channel.lastDue);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0 && m_options.splitBytes > 0)
            due += m_options.splitPause;
        m_loop.Schedule(due,
                        [this, &channel, piece = pieces[i], to] { SendNow(channel, piece, to); });
    }
    channel.lastDue = due;
}

void MatrixSimServer::SendNow(Channel& channel, const std::vector<std::uint8_t>& bytes,
                              const std::optional<sockaddr_in>& to) {
    std::string tag = channel.name + " tx";
    if (to)
        tag += " " + LoopbackUdp::Describe(*to);
    m_log.Bytes(tag, bytes);
    if (&channel == &m_stream) {
        if (!m_tcp.Write(bytes))
            m_log.Line("tcp note no controller to answer");
    } else if (to) {
        if (!m_udp.SendTo(bytes, *to))
            m_log.Line("udp note send failed");
    } else if (m_pty.Write(bytes) != bytes.size()) {
        m_log.Line("serial note line full, reply cut short");
    }
}

std::string MatrixSimServer::HandleControl(const std::string& request) {
    std::vector<std::string> words;
    std::istringstream in(request);
    // Words are separated by blanks; one with blanks in it is given in double quotes.
    for (std::string word; in >> std::quoted(word);)
        words.push_back(word);
    if (words.empty() || words[0] != "reset")
        return "error: unknown request \"" + request + "\"";
    MatrixOptions options;
    std::string error;
    if (!ParseResetOptions(std::vector<std::string>(words.begin() + 1, words.end()), m_options,
                           &options, &error))
        return "error: " + error;
    Reset(options);
    return "ok";
}

void MatrixSimServer::Reset(const MatrixOptions& options) {
    m_options = options;
    // Answers still on their way, partial frames and cycling belong to the device that was.
    m_loop.CancelAll();
    m_cycleTimer = 0;
    for (Channel* channel : {&m_serial, &m_net, &m_stream}) {
        channel->scanner = FrameScanner();
        channel->giveUpTimer = 0;
        channel->lastDue = {};
    }
    m_device = MatrixDevice(ConfigFrom(m_options));
    m_pty.ResetLine();
    std::uint8_t buffer[2048];
    while (m_pty.Read(buffer, sizeof buffer) > 0) {
    }
    std::size_t size = 0;
    sockaddr_in from{};
    bool truncated = false;
    while (m_udp.Receive(buffer, sizeof buffer, &size, &from, &truncated)) {
    }
    // A controller connected to the device that was is let go.
    if (m_tcp.HasClient()) {
        m_loop.Unwatch(m_tcp.ClientFd());
        m_tcp.DropClient();
    }
    m_tcpFrames = 0;
    m_log.Clear();
    m_log.Line("reset");
    SaveState();
}

void MatrixSimServer::ScheduleCycle() {
    if (m_cycleTimer != 0)
        m_loop.Cancel(m_cycleTimer);
    m_cycleTimer = 0;
    const auto next = m_device.NextCycleStep();
    if (!next)
        return;
    m_cycleTimer = m_loop.Schedule(*next, [this] {
        m_cycleTimer = 0;
        const auto loadsBefore = m_device.CycleLoads();
        const bool changed = m_device.StepCycle(Clock::now());
        if (m_device.CycleLoads() != loadsBefore)
            LogCycleLoad();
        if (changed)
            SaveState();
        ScheduleCycle();
    });
}

void MatrixSimServer::LogCycleLoad() {
    m_log.Line("cycle loaded scene " + std::to_string(m_device.CycleScene()));
}

void MatrixSimServer::SaveState() {
    if (m_options.statePath.empty())
        return;
    // Replaced in one step, so that a test polling the file never reads half of it.
    if (!platform::writeWholeFile(m_options.statePath, m_device.DescribeState(),
                                  platform::FileSync::None))
        m_log.Line("note cannot write " + m_options.statePath);
}

} // namespace sim
