#pragma once

#include "platform/prompt.h"

#include <cstddef>
#include <deque>

namespace controller {

// Every message of the main window goes through here to the operator, one at a time. A message
// is a modal window whose event loop keeps timers, replies and port notifications running; the
// messages they raise wait here instead of opening on top of the open one, and show after it in
// turn. A text shown or waiting already is not queued again, and at most kMaxWaiting wait: a
// device or a network that repeats itself costs the operator one message.
class OperatorMessages : public platform::PromptSink {
public:
    static constexpr std::size_t kMaxWaiting = 8;

    explicit OperatorMessages(platform::PromptSink& sink) : m_sink(sink) {}

    // Shows `prompt` and every message that arrives while it is open; returns once all are
    // closed. Called while a message is open, only queues it and returns at once.
    void show(const platform::Prompt& prompt) override;

    bool showing() const { return m_showing; }
    std::size_t waiting() const { return m_waiting.size(); }

private:
    platform::PromptSink& m_sink;
    bool m_showing = false;
    platform::Prompt m_shown;
    std::deque<platform::Prompt> m_waiting;
};

} // namespace controller
