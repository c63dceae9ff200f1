#pragma once

#include <cstddef>
#include <deque>
#include <functional>

namespace matrixd {

// The requests of every client of one matrix, put on its line one at a time: each job runs once
// the one before has finished, in the order they came. A job starts its request and calls
// `finished` once the outcome is in (from a later event, never from inside its own start).
// At most kMaxWaiting jobs wait behind the one under way; a full queue refuses more.
class OperationQueue {
public:
    using Finished = std::function<void()>;
    using Job = std::function<void(Finished finished)>;

    static constexpr std::size_t kMaxWaiting = 64;

    explicit OperationQueue(std::size_t maxWaiting = kMaxWaiting) : m_maxWaiting(maxWaiting) {}
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    // Runs `job` now when nothing is under way, else queues it. False, dropping it, when
    // maxWaiting jobs wait already.
    bool submit(Job job);
    bool busy() const { return m_busy; }
    std::size_t waiting() const { return m_waiting.size(); }

private:
    void runNext();

    std::size_t m_maxWaiting;
    std::deque<Job> m_waiting;
    bool m_busy = false;
    // Which job is under way: a `finished` called twice, or late, moves nothing.
    unsigned long m_turn = 0;
};

} // namespace matrixd
