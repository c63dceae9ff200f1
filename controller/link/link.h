#pragma once

#include "controller/protocol/link_info.h"

#include <cstdint>
#include <span>
#include <string>

namespace controller {

class Link;

// What a link tells its owner. Every call comes on the owner's thread, from the link's own
// notifications, timers or socket signals, never from inside a call the owner made.
class LinkEvents {
public:
    virtual ~LinkEvents() = default;
    // Bytes arrived: a run of a byte stream (any part of a frame, or several), or one whole
    // datagram. A poll of a datagram link that found nothing reports no bytes, so that the
    // owner may look at what it already holds.
    virtual void linkBytes(Link& link, std::span<const std::uint8_t> bytes) = 0;
    // The link went away underneath its owner (a device unplugged, a connection closed by the
    // other side): it is closed, and may come back by itself (linkReturned).
    virtual void linkLost(Link& link, const std::string& reason) = 0;
    // A lost link works again.
    virtual void linkReturned(Link& link) = 0;
};

// One way to reach the device: a serial line, UDP datagrams to a terminal, a TCP connection to
// a terminal in its "TCP  Server" mode. A link moves bytes and reports what happened; it never
// shows anything and never writes settings. Every call is made on the owner's thread and
// returns without waiting for the device.
class Link {
public:
    virtual ~Link() = default;

    // Opens the link. False, with lastError() saying why, when it cannot be opened at all; a
    // link that connects in the background (TCP) is open once started and reports its loss and
    // return as events.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Hands one whole frame to the link. False, with lastError() saying why, when the link
    // refused it; a link that is not connected at the moment refuses.
    virtual bool write(std::span<const std::uint8_t> frame) = 0;
    // Its name, whether it crosses the network, and its framing.
    virtual const LinkInfo& info() const = 0;
    virtual std::string lastError() const = 0;
    // Whether a frame written now would go out. A link that connects in the background is not
    // ready until it is connected; one that is never anything but ready fails its writes instead,
    // and the owner hears of each failure.
    virtual bool ready() const { return true; }
    // Lost, and waiting to come back by itself.
    virtual bool awaitingReturn() const { return false; }

    void setEvents(LinkEvents* events) { m_events = events; }

protected:
    LinkEvents* events() const { return m_events; }

private:
    LinkEvents* m_events = nullptr;
};

} // namespace controller
