#include "controller/service/operation_queue.h"

namespace matrixd {

bool OperationQueue::submit(Job job) {
    if (!m_busy) {
        m_waiting.push_back(std::move(job));
        runNext();
        return true;
    }
    if (m_waiting.size() >= m_maxWaiting)
        return false;
    m_waiting.push_back(std::move(job));
    return true;
}

void OperationQueue::runNext() {
    if (m_waiting.empty()) {
        m_busy = false;
        return;
    }
    Job job = std::move(m_waiting.front());
    m_waiting.pop_front();
    m_busy = true;
    const unsigned long turn = ++m_turn;
    job([this, turn] {
        if (turn != m_turn || !m_busy)
            return;
        // A finished job's next may finish at once (its link is down): no recursion grows
        // here, as a job's outcome comes from a later event.
        runNext();
    });
}

} // namespace matrixd
