#pragma once

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace test_support {

// Runs the thread's events until `done` holds; false when `timeout` passed first.
template <class Done>
bool waitUntil(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

} // namespace test_support
