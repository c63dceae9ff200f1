#pragma once

#include "controller/link/com_port_names.h"
#include "controller/link/network_transports.h"
#include "controller/link/serial_port_link.h"
#include "controller/protocol/command_frame.h"
#include "controller/protocol/frame_accumulator.h"
#include "controller/protocol/matrix_kinds.h"
#include "controller/protocol/reply_handler.h"
#include "controller/protocol/reply_prompt_queue.h"
#include "controller/session/controller_settings.h"
#include "controller/session/operation.h"
#include "controller/session/port_names.h"
#include "controller/session/reply_watch.h"
#include "controller/session/session_config.h"
#include "controller/session/session_listener.h"
#include "controller/session/settings_file.h"
#include "platform/serial_port.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace controller {

// One controller's conversation with one matrix switcher, without any window: the settings and
// their file, the serial link with its COM entries, the network link, the collection and dispatch
// of replies, the reply watch and every request. It tells its listener what happened; an
// operation that can fail returns whether it did, and the caller decides what to make of it.
//
// Lives on one thread, where it receives the serial link's notifications and runs three timers:
// the reply watch (1 s), the network poll (100 ms, once the socket exists) and the check that the
// open port's device is still there (500 ms, once asked for). Their tick handlers are public, so
// that a test can drive them by hand after stretching the periods.
class MatrixSession : public QObject, private ReplyHandler, private LinkEvents {
public:
    MatrixSession(SessionConfig config, SessionListener& listener);
    ~MatrixSession() override;
    MatrixSession(const MatrixSession&) = delete;
    MatrixSession& operator=(const MatrixSession&) = delete;

    // Settings ------------------------------------------------------------------------------
    // The session is the one owner of the settings: they change only through the calls below,
    // each of which writes what it changed to the file (nothing when read-only).

    // Reads Setting.ini and the port names in it. The file is created empty when missing; one
    // that can be neither opened nor created is told through settingsFileMessage and the defaults
    // apply. Read-only, a missing file gives the defaults. A size outside the size list is taken
    // as 4x4 in memory.
    void loadSettings();
    const ControllerSettings& settings() const { return m_settings; }
    const SettingsFile& settingsFile() const { return m_settingsFile; }
    bool readOnly() const { return m_config.readOnly; }

    // Inputs and outputs: 4, 8, 16 or 32.
    int portCount() const;
    // The size by its port count; false, changing nothing, for a count the size list does not
    // have. The read-back delay follows (4 ticks at 32x32, else 2).
    bool setMatrixSize(int ports);
    // The kind of matrix; null for a MatrixType outside the type list (a hand-edited file).
    const MatrixKind* matrixKind() const;
    // A kind with separate AV layers switches the video layer alone (AVMode 1, saved too); true
    // then.
    bool setMatrixKind(const MatrixKind& kind);
    // The signal layer: 0 video and audio, 1 video, 2 audio.
    void setAvMode(int mode);
    void setUseNet(bool on);
    // The frame header (0xBA or 0x96) for this run; the file keeps the one it names.
    void setHeader(std::uint8_t header);
    NetworkSettings networkSettings() const;
    // The network link's addresses and ports, saved together. A new DestIP and DestPort take
    // effect at the next request, a new HostPort when the socket is made.
    void setNetworkSettings(const NetworkSettings& net);
    // The scenes in the device's cycle (bit k for scene k + 1) and its interval.
    void setCycleScenes(std::uint16_t mask);
    void setCycleInterval(int interval);
    // The device address every request carries (1 to 8, or 0xFF for every device). Not saved;
    // 1 until changed.
    std::uint8_t deviceAddress() const { return m_deviceAddress; }
    void setDeviceAddress(std::uint8_t address) { m_deviceAddress = address; }

    // The operator's names of the ports ([Names]), and a namer that sees later changes.
    const PortNames& portNames() const { return m_names; }
    PortNamer portNamer() const { return m_names.namer(); }
    // Names input or output `number` (from 1); false when the number is out of range or the
    // name could not be written (it is kept for this run all the same, unless read-only).
    bool setPortName(PortKind kind, int number, const std::string& name);
    // Names a port for this run alone, also when read-only: a program with a configuration of
    // its own (matrixd) gives the names from there. The file is never written.
    bool keepPortName(PortKind kind, int number, const std::string& name) {
        return m_names.keepName(kind, number, name);
    }

    // Network link --------------------------------------------------------------------------
    // The link to a serial-to-Ethernet terminal, by the transport the settings choose (key
    // Transport in [Net]: UDP, the default, or TCP for a terminal in "TCP  Server" mode).

    // Detects this computer's address into NetIP ("127.0.0.1" for an empty one; the loaded value
    // stays when none is found) and makes the network link. Over UDP it binds HostPort and polls
    // it from now on, UseNet or not; false when the port cannot be bound (nothing is ever
    // received then, and every send fails). Over TCP it connects to DestIP:DestPort while UseNet
    // is on, in the background; false for a destination that cannot be connected to at all.
    bool createNetwork();
    bool networkCreated() const { return m_network != nullptr && m_networkMade; }
    // The transport the settings choose.
    const NetworkTransport& transport() const;
    // Chooses another transport: saved with the network settings, and the link is made anew
    // when one was made.
    void setTransport(const NetworkTransport& transport);
    // The network link, while there is one.
    const Link* networkLink() const { return m_network.get(); }
    // Over UDP: the local port bound, and who sent the last datagram taken in ("HOST:PORT").
    std::uint16_t networkLocalPort() const;
    std::string lastDatagramSender() const;
    // Why the network link last failed to bind, connect or send.
    std::string networkError() const { return m_network ? m_network->lastError() : ""; }

    // Serial port ---------------------------------------------------------------------------

    // Looks again at what COM1 to COM9 stand for ([Ports] keys, else the machine's ports).
    void refreshComPorts();
    const ComPortEntries& comPorts() const { return m_comEntries; }
    // Opens the selected COM entry at the selected rate, looking first at what the entries
    // stand for.
    bool openPort();
    // The COM entry SelectCOM selects ("COM1" for 0; "" for an index the list does not have),
    // and the rate of SelectBAUD (2400, 4800, 9600, 19200; any other index 9600).
    std::string selectedPortName() const;
    int selectedBaud() const;
    // Opens `port` at `baud`: "COM1" to "COM9" as the entries map them, anything else a device
    // path. Whatever was open is closed first. No parity, 8 data bits, 1 stop bit.
    bool openPort(const std::string& port, int baud);
    void closePort();
    // The operator picked another COM entry ("COM3"): closes the port, saves SelectCOM, opens the
    // new one whether or not the port was open before.
    bool selectPort(const std::string& comName);
    // The same for the rate (2400, 4800, 9600 or 19200; SelectBAUD), with a pause before
    // reopening.
    bool selectBaud(int rate);
    // Starts the presence check of the open port's device.
    void watchPortPresence();
    bool serialOpen() const { return m_serialOpen; }
    // True after the open port's device went away, until the port is open again or is closed or
    // changed by the caller.
    bool awaitingPortReturn() const { return m_serial.awaitingReturn(); }
    // The port and rate of the last open, and the device it stood for.
    const std::string& portName() const { return m_serial.portName(); }
    int baud() const { return m_serial.baud(); }
    const std::string& devicePath() const { return m_serial.devicePath(); }
    const Link& serialLink() const { return m_serial; }
    // Why the last open failed, in an operator's words (it names the port and device); empty
    // when no port was named at all.
    std::string openFailureReason() const;

    // Operations ----------------------------------------------------------------------------
    // A request and the watch for its answer. The request goes to the serial link when the port
    // is open, then as a datagram when UseNet is on, to the current device address; `done` runs
    // once with the outcome, on this thread and never from inside start() or a reply's
    // collection. Several may be under way at once: each answer is taken by the first operation
    // it answers, and an answer that fits none (a late echo of an earlier switch, a frame of
    // another kind) is taken by none. A request that needs no answer is Confirmed once sent; one
    // whose outcome nobody waits for (no `done`, no read-back) is only sent.
    using OperationDone = std::function<void(const OperationResult&)>;
    void start(Operation op, OperationDone done = {});
    // Operations whose answer is still awaited.
    std::size_t operationsUnderWay() const { return m_inFlight.size(); }
    // Whether a request would go anywhere now: the port is open, or UseNet is on and the network
    // link is not waiting for its connection.
    bool linkInUse() const { return m_serialOpen || networkInUse(); }

    // The window's requests -----------------------------------------------------------------
    // Operations whose answers take effect through the replies (markers, prompts, the reply
    // watch); nobody waits for their outcome.

    // Switches input `input` to output `output` (from 0), then pauses as the device needs.
    void switchCrosspoint(int output, int input);
    // Reads the switch state now (on every link in use) and awaits the reply from tick 0.
    void readSwitchState();
    // Reads the identity of whichever device answers; `done` hears who it was.
    void readIdentity(OperationDone done = {});
    void saveScene(std::uint8_t scene);
    // Loads a scene; the watch reads the result back after its delay.
    void loadScene(std::uint8_t scene);
    void startCycling();
    // Stops cycling; the watch reads back where the device stopped.
    void stopCycling();
    bool cycling() const { return m_cycling; }
    void sendOutputVideoProperty(std::uint8_t property, std::uint8_t value, std::uint8_t channel);
    void sendInputProperty(std::uint8_t property, std::uint8_t value, std::uint8_t channel);
    // A whole frame built elsewhere; serialOnly keeps it off the network.
    void sendFrame(std::span<const std::uint8_t> frame, bool serialOnly);
    // Counts from 0 again and runs the watch.
    void restartReplyWatch();

    // Timers --------------------------------------------------------------------------------

    void onReplyWatchTick();
    // One poll of a UDP link (nothing over another transport).
    void onNetworkPollTick();
    void onPortPresenceTick() { m_serial.onPresenceTick(); }
    bool replyWatchTimerActive() const { return m_replyWatchTimer.isActive(); }
    bool networkPollActive() const;
    const ReplyWatch& replyWatch() const { return m_watch; }
    std::chrono::milliseconds replyWatchPeriod() const {
        return m_replyWatchTimer.intervalAsDuration();
    }
    // The reply watch's period, and the poll's of a UDP link made from now on.
    void setTimerPeriods(std::chrono::milliseconds replyWatch,
                         std::chrono::milliseconds networkPoll) {
        m_replyWatchTimer.setInterval(replyWatch);
        m_networkPollPeriod = networkPoll;
    }
    void setPortPresencePeriod(std::chrono::milliseconds period) {
        m_serial.setPresencePeriod(period);
    }
    // For tests: how long a TCP connection may take to be made, and the first wait before the
    // next attempt, for links made from now on.
    void setConnectTimes(std::chrono::milliseconds limit, std::chrono::milliseconds firstRetry) {
        m_connectLimit = limit;
        m_firstRetry = firstRetry;
    }
    // Pauses that block the thread, as the device's pacing asks: after a switch, and before a
    // port is opened again at a new rate.
    void setPauses(std::chrono::milliseconds afterSwitch, std::chrono::milliseconds beforeReopen) {
        m_switchPause = afterSwitch;
        m_reopenPause = beforeReopen;
    }

    static constexpr std::chrono::milliseconds kReplyWatchPeriod{1000};
    static constexpr std::chrono::milliseconds kNetworkPollPeriod{100};
    static constexpr std::chrono::milliseconds kPortPresencePeriod{500};

private:
    // Operations under way (matrix_session_operations.cpp).
    using Clock = std::chrono::steady_clock;
    struct InFlight {
        Operation op;
        std::uint8_t asked = 1;
        int ports = 4;
        bool readingBack = false;
        std::optional<std::uint8_t> foreign;
        // Switch: the input another echo said the output shows.
        std::optional<int> echoed;
        OperationDone done;
        Clock::time_point deadline;
    };
    std::optional<CommandFrame> requestFrame(const Operation& op) const;
    void offerToOperations(std::span<const std::uint8_t> frame);
    void armOperationTimer();
    void onOperationTimer();
    void operationTimedOut(std::list<InFlight>::iterator flight);
    void finish(std::list<InFlight>::iterator flight, OperationResult result);
    void deliver(OperationDone done, OperationResult result);

    // Requests and replies (matrix_session.cpp).
    void send(const CommandFrame& frame);
    DispatchContext dispatchContext() const;
    void tellReplyTexts();
    FrameAccumulator::LinkBuffer& bufferOf(const Link& link);

    // LinkEvents.
    void linkBytes(Link& link, std::span<const std::uint8_t> bytes) override;
    void linkLost(Link& link, const std::string& reason) override;
    void linkReturned(Link& link) override;

    // Network link (matrix_session_network.cpp).
    bool networkInUse() const;
    void makeNetworkLink();
    void reopenNetworkLink();
    NetworkLinkConfig networkLinkConfig() const;

    // ReplyHandler.
    void applyCrosspoints(const std::vector<Crosspoint>& pairs) override;
    void endAwaitedRead() override;
    void showPromptText(const std::string& text) override;
    void forwardInputProperties(const InputPropertiesReport& report) override;
    void frameCollected(std::span<const std::uint8_t> frame, const LinkInfo& link) override;
    void bytesDiscarded(std::span<const std::uint8_t> bytes, const LinkInfo& link) override;
    void replyAccepted(std::span<const std::uint8_t> frame, const LinkInfo& link) override;

    // Serial port (matrix_session_port.cpp).
    bool openPortAgain();
    void portIsOpen();
    std::string comPortPath(const std::string& portName) const;
    void rememberOpenedPort();

    // Writes one item of the file (SettingsFile::Item); nothing when read-only.
    void saveSetting(int item);

    // Relays the settings file's messages to the listener.
    class SettingsMessages : public platform::PromptSink {
    public:
        explicit SettingsMessages(SessionListener& listener) : m_listener(listener) {}
        void show(const platform::Prompt& prompt) override {
            m_listener.settingsFileMessage(prompt);
        }

    private:
        SessionListener& m_listener;
    };

    SessionConfig m_config;
    SessionListener& m_listener;
    SettingsMessages m_settingsMessages;
    SettingsFile m_settingsFile;
    ControllerSettings m_settings;
    PortNames m_names;
    ComPortEntries m_comEntries;
    SerialPortLink m_serial;
    std::unique_ptr<NetworkLink> m_network;
    // Whether createNetwork() was asked for: the link is made anew when the transport changes.
    bool m_networkMade = false;
    FrameAccumulator m_accumulator;
    // Each link's bytes waiting for the rest of their frame.
    std::map<const Link*, FrameAccumulator::LinkBuffer> m_buffers;
    ReplyPromptQueue m_replyTexts;
    ReplyWatch m_watch;
    QTimer m_replyWatchTimer;
    QTimer m_operationTimer;

    std::list<InFlight> m_inFlight;
    std::uint8_t m_deviceAddress = 1;
    bool m_cycling = false;
    bool m_serialOpen = false;
    std::chrono::milliseconds m_networkPollPeriod{kNetworkPollPeriod};
    std::chrono::milliseconds m_connectLimit{3000};
    std::chrono::milliseconds m_firstRetry{1000};
    std::chrono::milliseconds m_switchPause{50};
    std::chrono::milliseconds m_reopenPause{100};
};

} // namespace controller
