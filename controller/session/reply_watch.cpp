#include "controller/session/reply_watch.h"

namespace controller {

namespace {
// Ticks granted to the device after the read went out.
constexpr int kReplyTicks = 3;
} // namespace

ReplyWatch::TickResult ReplyWatch::tick() {
    if (!m_running)
        return TickResult::Nothing;
    ++m_ticks;
    if (m_ticks >= m_delay && !m_awaiting) {
        m_awaiting = true;
        return TickResult::ReadDue;
    }
    if (m_ticks >= m_delay + kReplyTicks && m_awaiting) {
        m_running = false;
        m_awaiting = false;
        return TickResult::TimedOut;
    }
    return TickResult::Nothing;
}

bool ReplyWatch::replyArrived() {
    if (!m_awaiting)
        return false;
    m_awaiting = false;
    m_running = false;
    return true;
}

} // namespace controller
