#pragma once

#include "controller/link/com_port_names.h"
#include "controller/protocol/reply_handler.h"
#include "platform/prompt.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace controller {

// What a MatrixSession tells its owner. Every call comes on the session's thread, from inside one
// of the session's own calls, ticks or port notifications; a listener may run a nested event loop
// (a modal window) and may call the session back. Each call does nothing unless overridden.
// The session says what happened; what the operator is shown of it is the listener's business.
class SessionListener {
public:
    virtual ~SessionListener() = default;

    // The crosspoints a 0x01 or 0x02 reply reports, inside the current size and in frame order
    // (a later pair for the same output wins); never empty.
    virtual void crosspointsReported(const std::vector<Crosspoint>& /*pairs*/) {}
    // A 0x02 reply arrived, whatever its length; its crosspoints, if any, are reported next.
    virtual void switchStateArrived() {}
    // A reply whose header and address fit, before its effects: the whole frame and its link.
    virtual void replyAccepted(std::span<const std::uint8_t> /*frame*/, const LinkInfo& /*link*/) {}
    // A message a reply raises (scene confirmations, identity and equipment texts). Told once the
    // collection that raised it is over and never while another one is being told: those raised
    // meanwhile wait, repeats of one waiting or being told are dropped, at most eight wait.
    virtual void replyText(const std::string& /*text*/) {}
    // An input properties report (0x1E).
    virtual void inputPropertiesReported(const InputPropertiesReport& /*report*/) {}
    // No 0x02 reply came by the reply watch's limit; the watch is idle again.
    virtual void readTimedOut() {}

    // The COM entries were looked at again: what each stands for now.
    virtual void comPortsMapped(const ComPortEntries& /*entries*/) {}
    // The serial port is open; frames go to it from now on.
    virtual void portOpened(const std::string& /*portName*/, int /*baud*/) {}
    // An open failed; the session's openFailureReason() says why.
    virtual void portOpenFailed() {}
    // The port opened but refused its line settings; it stays open at its former ones.
    virtual void portSettingsRejected() {}
    virtual void portClosed() {}
    // The open port's device went away: the port is closed (portClosed came first), and opens
    // again by itself when the same device comes back.
    virtual void portLost(const std::string& /*portName*/, const std::string& /*devicePath*/) {}
    // That device came back and the port is open again (portOpened came first).
    virtual void portReturned() {}

    // A datagram could not be sent. Sending on the network has stopped (UseNet 0 in memory, the
    // file keeps its value) before this is told, so a frame sent meanwhile adds no second call.
    virtual void networkSendFailed() {}
    // The network link went away (a connection closed by the terminal, or never made): told once,
    // until it is back. It is made again by itself; requests meanwhile go to the serial link
    // alone.
    virtual void networkLost(const LinkInfo& /*link*/, const std::string& /*reason*/) {}
    // It is back; the reply watch reads the state back.
    virtual void networkReturned(const LinkInfo& /*link*/) {}

    // The settings file cannot be opened or created; `prompt` says so in the file's own words.
    virtual void settingsFileMessage(const platform::Prompt& /*prompt*/) {}

    // The traffic, for a view of it. A frame handed to a link (the serial link when the port is
    // open, then the network link when sending there succeeded):
    virtual void frameSent(std::span<const std::uint8_t> /*frame*/, const LinkInfo& /*link*/) {}
    // every complete frame received, whatever its address, just before its effect:
    virtual void frameReceived(std::span<const std::uint8_t> /*frame*/, const LinkInfo& /*link*/) {}
    // and received bytes thrown away as no part of a frame.
    virtual void bytesDiscarded(std::span<const std::uint8_t> /*bytes*/, const LinkInfo& /*link*/) {
    }
};

} // namespace controller
