#pragma once

#include "sim/common/control_socket.h"
#include "sim/common/hex_log.h"
#include "sim/common/loopback_tcp.h"
#include "sim/common/loopback_udp.h"
#include "sim/common/poll_loop.h"
#include "sim/common/pty_device.h"
#include "sim/matrix_sim/frame_scanner.h"
#include "sim/matrix_sim/matrix_device.h"
#include "sim/matrix_sim/matrix_options.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// matrix-sim's shell: puts one MatrixDevice on a pseudo-terminal and/or a loopback UDP port,
// logs every frame, keeps the state file current, and applies the fault switches to the
// answers on their way out.
class MatrixSimServer {
public:
    MatrixSimServer(const MatrixOptions& options, HexLog& log);

    // Opens the transports. False with the reason in `error` if one cannot be opened.
    bool Start(std::string* error);
    // "ready serial=LINK udp=PORT tcp=PORT control=SOCKET" (only those in use).
    std::string ReadyLine() const;
    // Serves until SIGTERM or SIGINT. False if the loop failed.
    bool Run();

private:
    using Clock = PollLoop::Clock;

    // One way in and out, with its own byte stream and its own queue of answers.
    struct Channel {
        std::string name;
        FrameScanner scanner;
        PollLoop::TimerId giveUpTimer = 0;
        // Answers on one channel leave in order even when split or delayed.
        Clock::time_point lastDue{};
    };

    void OnSerialReadable();
    void OnUdpReadable();
    void OnTcpConnection();
    void OnTcpReadable();
    void Take(Channel& channel, std::span<const std::uint8_t> bytes,
              const std::optional<sockaddr_in>& from);
    void Answer(Channel& channel, const std::vector<std::uint8_t>& reply,
                const std::optional<sockaddr_in>& to);
    void SendNow(Channel& channel, const std::vector<std::uint8_t>& bytes,
                 const std::optional<sockaddr_in>& to);
    // Acts on what the scanner found: logs noise, hands frames to the device, queues answers.
    void Digest(Channel& channel, const std::vector<ScannedBytes>& found,
                const std::optional<sockaddr_in>& from);
    // While a partial frame waits, a timer that gives it up if no more bytes come.
    void ArmGiveUp(Channel& channel, const std::optional<sockaddr_in>& from);
    // A request on the control socket; the answer to send back.
    std::string HandleControl(const std::string& request);
    // The device as at start with `options`, nothing pending, nothing unread, the log empty.
    void Reset(const MatrixOptions& options);
    void ScheduleCycle();
    void LogCycleLoad();
    void SaveState();

    MatrixOptions m_options;
    HexLog& m_log;
    MatrixDevice m_device;
    PollLoop m_loop;
    PtyDevice m_pty;
    LoopbackUdp m_udp;
    LoopbackTcp m_tcp;
    std::size_t m_tcpFrames = 0;
    ControlSocket m_control;
    Channel m_serial{"serial", {}, 0, {}};
    Channel m_net{"udp", {}, 0, {}};
    Channel m_stream{"tcp", {}, 0, {}};
    PollLoop::TimerId m_cycleTimer = 0;
};

} // namespace sim
