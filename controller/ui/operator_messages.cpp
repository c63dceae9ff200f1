#include "controller/ui/operator_messages.h"

#include <algorithm>

namespace controller {

void OperatorMessages::show(const platform::Prompt& prompt) {
    if (m_showing) {
        if (prompt == m_shown || m_waiting.size() >= kMaxWaiting ||
            std::find(m_waiting.begin(), m_waiting.end(), prompt) != m_waiting.end())
            return;
        m_waiting.push_back(prompt);
        return;
    }
    m_showing = true;
    m_shown = prompt;
    m_sink.show(m_shown);
    while (!m_waiting.empty()) {
        m_shown = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_sink.show(m_shown);
    }
    m_showing = false;
    m_shown = {};
}

} // namespace controller
