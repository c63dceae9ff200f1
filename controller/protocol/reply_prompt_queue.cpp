#include "controller/protocol/reply_prompt_queue.h"

#include <algorithm>

namespace controller {

void ReplyPromptQueue::post(std::string text) {
    if (m_showing && text == m_shown)
        return;
    if (std::find(m_waiting.begin(), m_waiting.end(), text) != m_waiting.end())
        return;
    if (m_waiting.size() >= kMaxWaiting)
        return;
    m_waiting.push_back(std::move(text));
}

void ReplyPromptQueue::drain(const Show& show) {
    if (m_showing)
        return;
    m_showing = true;
    while (!m_waiting.empty()) {
        m_shown = std::move(m_waiting.front());
        m_waiting.pop_front();
        show(m_shown);
    }
    m_shown.clear();
    m_showing = false;
}

} // namespace controller
