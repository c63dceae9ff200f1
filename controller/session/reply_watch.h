#pragma once

namespace controller {

// The one-second watch that reads the switch state back and notices a silent device. It only
// counts; the session owns the timer (started and stopped as the results below say), sends the
// request and tells its listener.
//
//   idle ──restart()──▶ counting ──tick reaches delay──▶ awaiting ──reply or delay + 3──▶ idle
class ReplyWatch {
public:
    enum class TickResult {
        Nothing,
        // The read-back is due: the session sends the read-switch request if a link is in use.
        // The watch awaits the reply from now on, whether or not anything was sent.
        ReadDue,
        // No reply by tick delay + 3: the watch is idle again and the session stops its timer
        // and reports the silent device.
        TimedOut,
    };

    // Delay in ticks before the read goes out: 4 for 32x32, 2 otherwise.
    void setDelay(int ticks) { m_delay = ticks; }
    int delay() const { return m_delay; }

    // Count from 0 again and run; an awaited reply stays awaited.
    void restart() {
        m_ticks = 0;
        m_running = true;
    }
    // A link came back: whatever read was awaited went with it. Count from 0, awaiting nothing,
    // so that the read-back goes out at the delay.
    void restartAfresh() {
        restart();
        m_awaiting = false;
    }
    // "Read Switch": the request has just gone out, so await its reply from tick 0.
    void restartAwaiting() {
        restart();
        m_awaiting = true;
    }
    // One timer period. Ticks of an idle watch change nothing.
    TickResult tick();
    // A 0x02 reply arrived. True when it was awaited: the watch is idle again and the session
    // stops its timer.
    bool replyArrived();

    int ticks() const { return m_ticks; }
    bool awaiting() const { return m_awaiting; }
    bool running() const { return m_running; }

private:
    int m_ticks = 0;
    int m_delay = 2;
    bool m_awaiting = false;
    bool m_running = false;
};

} // namespace controller
