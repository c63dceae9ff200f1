#pragma once

#include "platform/manual_reset_event.h"
#include "platform/serial_port.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace test_support {

// What a test sees of and does to a fake port after the link has taken ownership of it: the
// device side, with the events a pseudo-terminal cannot produce (modem lines, breaks, settings
// the driver refuses).
struct FakePortControl {
    // Queues device bytes and reports their arrival.
    void feed(const std::vector<std::uint8_t>& bytes);
    // Reports port events (serial_event bits) at the next wait.
    void inject(std::uint32_t events);

    std::mutex mutex;
    platform::ManualResetEvent wake;
    std::uint32_t pendingEvents = 0;
    std::deque<std::uint8_t> received;
    std::vector<std::uint8_t> written;
    std::vector<std::string> calls; // "purge in out", "write", "close", "set", "wait ended"
    platform::SerialParams params{19200, 7, platform::kParityEven, platform::kTwoStopBits};
    std::vector<platform::SerialParams> paramsSet;
    bool rejectParams = false;
    // Writes take at most this many bytes, as a port stalled by flow control would.
    std::size_t writeLimit = SIZE_MAX;
    bool failWaits = false;
    std::atomic<int> waits{0};

    std::vector<std::string> takeCalls();
};

// A port whose device is a FakePortControl.
class FakeSerialPort : public platform::SerialPort {
public:
    explicit FakeSerialPort(std::shared_ptr<FakePortControl> control)
        : m_control(std::move(control)) {}

    bool getParams(platform::SerialParams& out) override;
    bool setParams(const platform::SerialParams& params) override;
    bool purge(bool input, bool output) override;
    std::size_t bytesQueued() override;
    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t count) override;
    std::ptrdiff_t write(const std::uint8_t* bytes, std::size_t count,
                         std::chrono::milliseconds timeout) override;
    platform::SerialWait waitEvent(std::uint32_t mask,
                                   const platform::ManualResetEvent& stop) override;
    bool close() override;

private:
    std::shared_ptr<FakePortControl> m_control;
};

} // namespace test_support
