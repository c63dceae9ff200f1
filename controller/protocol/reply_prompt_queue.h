#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace controller {

// The operator messages that replies raise (scene confirmations, identity and equipment texts),
// shown one at a time. Showing one runs a modal window's nested event loop in which more replies
// are collected; their messages wait here rather than open a window inside the open one, and a
// device or a host that sends the same reply over and over costs the operator one message.
//
// Plain C++: the caller decides what showing means and when a collection is over.
class ReplyPromptQueue {
public:
    // Messages kept waiting besides the one shown; later ones are dropped.
    static constexpr std::size_t kMaxWaiting = 8;

    using Show = std::function<void(const std::string& text)>;

    // Keeps `text` for the next drain, unless the same text is shown now or waits already, or
    // kMaxWaiting texts wait.
    void post(std::string text);

    // Shows every waiting text with `show`, oldest first, each after the previous one has been
    // closed (returned), including texts posted meanwhile. Does nothing when called while a
    // text of this queue is being shown: the drain already running shows the new ones.
    void drain(const Show& show);

    bool showing() const { return m_showing; }
    std::size_t waiting() const { return m_waiting.size(); }

private:
    bool m_showing = false;
    std::string m_shown;
    std::deque<std::string> m_waiting;
};

} // namespace controller
