#pragma once

#include "controller/link/serial_port_access.h"
#include "controller/service/operation_queue.h"
#include "controller/service/service_config.h"
#include "controller/session/backup_job.h"
#include "controller/session/matrix_session.h"
#include "controller/session/session_listener.h"

#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace matrixd {

// One matrix switcher shared by every client of matrixd: its session on its links, the queue
// that puts one request at a time on the line, the crosspoints last reported and the state of
// its links. What changes is told through Events; a link that is down is tried again every
// kRetryPeriod (a TCP connection tries again by itself), its state is looked at every
// kStatePeriod, and whenever it comes up the state of the crosspoints is read back.
class SharedMatrix : private controller::SessionListener {
public:
    struct Events {
        // An output now shows another input (both from 1), whoever caused it.
        std::function<void(const SharedMatrix&, int output, int input)> crosspoint;
        std::function<void(const SharedMatrix&, bool up)> link;
        // A line for the service's log.
        std::function<void(const std::string&)> log;
    };
    using Done = std::function<void(const controller::OperationResult&)>;
    using BackupDone = std::function<void(const controller::BackupJob::Result&)>;

    static constexpr std::chrono::milliseconds kRetryPeriod{2000};
    static constexpr std::chrono::milliseconds kStatePeriod{250};

    SharedMatrix(MatrixConfig config, controller::SerialPortAccess ports, Events events);
    ~SharedMatrix() override;
    SharedMatrix(const SharedMatrix&) = delete;
    SharedMatrix& operator=(const SharedMatrix&) = delete;

    // Opens the links and reads the state back once they are up.
    void start();

    const std::string& name() const { return m_config.name; }
    int ports() const { return m_session->portCount(); }
    // "HDMI Matrix"; empty for a type the kinds table does not have.
    std::string typeName() const;
    int address() const { return m_session->deviceAddress(); }
    // The links as Link values, ", " between two ("serial:COM1, udp:192.0.2.10:4068").
    std::string linkText() const;
    bool linkUp() const { return m_up; }
    std::chrono::milliseconds timeout() const { return m_config.timeout; }
    std::string portName(controller::PortKind kind, int number) const {
        return m_session->portNames().name(kind, number);
    }
    // The input each output showed last (from 1), in output order; outputs never reported are
    // left out.
    std::vector<controller::NumberedCrosspoint> crosspoints() const;

    // Puts `op` in the queue; `done` hears its outcome. False when the queue is full.
    bool submit(controller::Operation op, Done done);
    // A scene load, then the state read back: `done` hears the load's outcome and, once it was
    // confirmed, the read-back's in `readBack`.
    bool submitSceneLoad(int scene, std::function<void(const controller::OperationResult& load,
                                                       const controller::OperationResult* readBack)>
                                        done);
    // A backup (read back) or a restore of `file`, as one job of the queue.
    bool submitBackup(std::optional<controller::CrosspointFile> restore, BackupDone done);

    controller::MatrixSession& session() { return *m_session; }
    void onStateTick();

private:
    struct Link {
        LinkAddress address;
        int baud = 9600;
        std::uint16_t localPort = 0;
        std::string lastFailure;
    };
    void addLink(const LinkAddress& address, int baud, std::uint16_t localPort);
    void connectLinks();
    void updateLinkState();
    void readBackQuietly();

    // SessionListener.
    void crosspointsReported(const std::vector<controller::Crosspoint>& pairs) override;
    void portOpened(const std::string& portName, int baud) override;
    void portClosed() override;
    void portLost(const std::string& portName, const std::string& devicePath) override;
    void portReturned() override;
    void networkSendFailed() override;
    void networkLost(const controller::LinkInfo& link, const std::string& reason) override;
    void networkReturned(const controller::LinkInfo& link) override;
    void settingsFileMessage(const platform::Prompt& prompt) override;

    MatrixConfig m_config;
    Events m_events;
    OperationQueue m_queue;
    std::vector<Link> m_links;
    std::array<std::optional<int>, MatrixConfig::kMaxPorts> m_inputs;
    bool m_up = false;
    bool m_started = false;
    QTimer m_stateTimer;
    int m_ticksToRetry = 0;
    // After the queue: the session's answers never reach a queue that is gone.
    std::unique_ptr<controller::MatrixSession> m_session;
    std::unique_ptr<controller::BackupJob> m_backup;
};

} // namespace matrixd
