#include "platform/serial_port.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

#include <future>
#include <gtest/gtest.h>
#include <termios.h>
#include <thread>

using namespace std::chrono_literals;
using platform::SerialParams;
using platform::SerialWait;
namespace ev = platform::serial_event;
using Bytes = std::vector<std::uint8_t>;

namespace {

class SerialPortOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        port = platform::openSerialPort(pty.slavePath()).port;
        ASSERT_NE(port, nullptr);
    }

    // Runs a wait on another thread, as the monitor does.
    std::future<SerialWait> waitAsync(std::uint32_t mask = ev::kAll) {
        return std::async(std::launch::async, [this, mask] { return port->waitEvent(mask, stop); });
    }

    bool queuedWithin(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + 1s;
        while (port->bytesQueued() != count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(2ms);
        return port->bytesQueued() == count;
    }

    test_support::PtyPair pty;
    std::unique_ptr<platform::SerialPort> port;
    platform::ManualResetEvent stop;
};

TEST(SerialPortOpen, refusesMissingPathsFilesThatAreNotTerminalsAndPortsInUseAndSaysWhich) {
    using platform::SerialOpenError;
    const auto failure = [](const std::string& path) {
        auto result = platform::openSerialPort(path);
        EXPECT_EQ(result.port, nullptr) << path;
        return result.failure;
    };
    EXPECT_EQ(failure("/nonexistent/ttyS9"),
              (platform::SerialOpenFailure{SerialOpenError::NotPresent, ENOENT, ""}));
    EXPECT_EQ(failure("").error, SerialOpenError::NotPresent);
    test_support::TempDir dir;
    test_support::TempDir::writeFile(dir.file("plain"), "x");
    EXPECT_EQ(failure(dir.file("plain")).error, SerialOpenError::NotATerminal);

    test_support::PtyPair pty;
    auto first = platform::openSerialPort(pty.slavePath());
    ASSERT_NE(first.port, nullptr);
    EXPECT_EQ(first.failure.error, SerialOpenError::None);
    EXPECT_EQ(failure(pty.slavePath()).error, SerialOpenError::InUse);
    EXPECT_TRUE(first.port->close());
    EXPECT_FALSE(first.port->close());
    EXPECT_NE(platform::openSerialPort(pty.slavePath()).port, nullptr);
}

struct SettingsCase {
    SerialParams params;
    bool everyTerminalTakesIt; // some pseudo-terminals refuse parity and sizes other than 8
};

void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << c.params.baud << " data " << c.params.dataBits << " parity " << c.params.parity
        << " stop " << c.params.stopBits;
}

class LineSettings : public SerialPortOnPty, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(LineSettings, areAppliedExactlyOrRefusedWithoutAnyChange) {
    const SerialParams before{4800, 8, platform::kParityNone, 0};
    ASSERT_TRUE(port->setParams(before));
    const bool applied = port->setParams(GetParam().params);
    SerialParams got;
    ASSERT_TRUE(port->getParams(got));
    EXPECT_EQ(got, applied ? GetParam().params : before);
    if (GetParam().everyTerminalTakesIt) {
        EXPECT_TRUE(applied);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineSettings,
    ::testing::Values(SettingsCase{{2400, 8, platform::kParityNone, 0}, true},
                      SettingsCase{{19200, 8, platform::kParityNone, 2}, true},
                      SettingsCase{{115200, 8, platform::kParityNone, 0}, true},
                      SettingsCase{{19200, 7, platform::kParityEven, 2}, false},
                      SettingsCase{{4800, 8, platform::kParityOdd, 0}, false},
                      SettingsCase{{9600, 6, platform::kParityMark, 2}, false},
                      SettingsCase{{115200, 5, platform::kParitySpace, 1}, false}));

TEST_F(SerialPortOnPty, settingsWithoutATermiosEquivalentAreRejectedAndChangeNothing) {
    const SerialParams good{4800, 8, platform::kParityNone, 0};
    ASSERT_TRUE(port->setParams(good));
    for (const SerialParams& bad :
         {SerialParams{12345, 8, 0, 0}, SerialParams{9600, 9, 0, 0}, SerialParams{9600, 8, 5, 0},
          SerialParams{9600, 8, 0, 1}, SerialParams{9600, 5, 0, 2}}) {
        EXPECT_FALSE(port->setParams(bad)) << bad.baud << " " << bad.dataBits;
        SerialParams got;
        ASSERT_TRUE(port->getParams(got));
        EXPECT_EQ(got, good);
    }
}

TEST_F(SerialPortOnPty, readsOnlyWhatIsQueuedAndPurgeDiscardsIt) {
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(port->read(buffer, sizeof buffer), 0);
    pty.write({0x10, 0x20, 0x30});
    ASSERT_TRUE(queuedWithin(3));
    EXPECT_EQ(port->read(buffer, 2), 2);
    EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{0x10, 0x20}));
    EXPECT_EQ(port->bytesQueued(), 1u);
    EXPECT_TRUE(port->purge(true, false));
    EXPECT_EQ(port->bytesQueued(), 0u);
}

TEST_F(SerialPortOnPty, writeGivesUpAfterItsTimeoutWhenTheDeviceTakesNothing) {
    const Bytes lots(4 << 20, 0x55);
    const auto start = std::chrono::steady_clock::now();
    const std::ptrdiff_t written = port->write(lots.data(), lots.size(), 200ms);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<std::ptrdiff_t>(lots.size()));
    EXPECT_GE(took, 190ms);
    EXPECT_LT(took, 1500ms);
}

TEST_F(SerialPortOnPty, waitReportsEachArrivalOnceEvenWithBytesLeftQueued) {
    auto wait = waitAsync();
    pty.write({0x01});
    ASSERT_EQ(wait.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(wait.get().events, ev::kRxChar);

    // Nothing new arrived: the unread byte must not end the next wait.
    wait = waitAsync();
    EXPECT_EQ(wait.wait_for(150ms), std::future_status::timeout);
    pty.write({0x02});
    ASSERT_EQ(wait.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(wait.get().events, ev::kRxChar);
    EXPECT_EQ(port->bytesQueued(), 2u);

    // Bytes that came between two waits are reported by the next one.
    pty.write({0x03});
    ASSERT_TRUE(queuedWithin(3));
    wait = waitAsync();
    ASSERT_EQ(wait.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(wait.get().events, ev::kRxChar);
}

TEST_F(SerialPortOnPty, stopEndsAWaitAtOnceAndMaskedEventsDoNotWakeIt) {
    auto wait = waitAsync(ev::kCts);
    pty.write({0x01});
    EXPECT_EQ(wait.wait_for(150ms), std::future_status::timeout);
    const auto start = std::chrono::steady_clock::now();
    stop.set();
    ASSERT_EQ(wait.wait_for(1s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_EQ(wait.get().status, SerialWait::Status::Stopped);
}

TEST_F(SerialPortOnPty, aVanishedDeviceIsReportedOnceThenOnlyStopEndsTheWait) {
    pty.releaseSlave();
    auto wait = waitAsync(ev::kRxChar); // a loss is reported whatever the mask
    pty.closeMaster();
    ASSERT_EQ(wait.wait_for(1s), std::future_status::ready);
    const SerialWait lost = wait.get();
    EXPECT_EQ(lost.status, SerialWait::Status::Events);
    EXPECT_EQ(lost.events, ev::kDeviceLost);

    wait = waitAsync();
    EXPECT_EQ(wait.wait_for(300ms), std::future_status::timeout);
    stop.set();
    ASSERT_EQ(wait.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(wait.get().status, SerialWait::Status::Stopped);
    std::uint8_t byte = 0;
    EXPECT_LE(port->read(&byte, 1), 0);
    EXPECT_EQ(port->write(&byte, 1, 10ms), -1);
    EXPECT_TRUE(port->close());
}

struct CounterCase {
    platform::LineCounters after;
    std::uint32_t expected;
};

void PrintTo(const CounterCase& c, std::ostream* os) {
    *os << "expect 0x" << std::hex << c.expected;
}

class EventsFromCounters : public ::testing::TestWithParam<CounterCase> {};

TEST_P(EventsFromCounters, nameEveryCounterThatMoved) {
    const platform::LineCounters before{1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(platform::eventsFromCounters(before, GetParam().after), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, EventsFromCounters,
                         ::testing::Values(CounterCase{{1, 2, 3, 4, 5, 6, 7, 8, 9}, 0},
                                           CounterCase{{2, 2, 3, 4, 5, 6, 7, 8, 9}, 0x0008},
                                           CounterCase{{1, 3, 3, 4, 5, 6, 7, 8, 9}, 0x0010},
                                           CounterCase{{1, 2, 4, 4, 5, 6, 7, 8, 9}, 0x0100},
                                           CounterCase{{1, 2, 3, 5, 5, 6, 7, 8, 9}, 0x0020},
                                           CounterCase{{1, 2, 3, 4, 5, 6, 7, 9, 9}, 0x0040},
                                           CounterCase{{1, 2, 3, 4, 6, 6, 7, 8, 9}, 0x0080},
                                           CounterCase{{1, 2, 3, 4, 5, 7, 7, 8, 9}, 0x0080},
                                           CounterCase{{1, 2, 3, 4, 5, 6, 8, 8, 9}, 0x0080},
                                           CounterCase{{1, 2, 3, 4, 5, 6, 7, 8, 10}, 0x0080},
                                           CounterCase{{2, 3, 3, 4, 5, 6, 7, 9, 9}, 0x0058}));

TEST(EventsFromLines, reportChangesOfCtsDsrCarrierAndARisingRing) {
    using platform::eventsFromLines;
    EXPECT_EQ(eventsFromLines(0, platform::kLineCts), 0x0008u);
    EXPECT_EQ(eventsFromLines(platform::kLineCts, 0), 0x0008u);
    EXPECT_EQ(eventsFromLines(0, platform::kLineDsr | platform::kLineDcd), 0x0030u);
    EXPECT_EQ(eventsFromLines(0, platform::kLineRing), 0x0100u);
    EXPECT_EQ(eventsFromLines(platform::kLineRing, 0), 0u);
    EXPECT_EQ(eventsFromLines(platform::kLineCts, platform::kLineCts), 0u);
}

TEST(ManualResetEvent, staysSetUntilResetAndWakesAWaiterAtOnce) {
    platform::ManualResetEvent event;
    ASSERT_TRUE(event.valid());
    EXPECT_FALSE(event.wait(20ms));
    auto waiter = std::async(std::launch::async, [&] { return event.wait(-1ms); });
    std::this_thread::sleep_for(20ms);
    event.set();
    ASSERT_EQ(waiter.wait_for(1s), std::future_status::ready);
    EXPECT_TRUE(waiter.get());
    EXPECT_TRUE(event.isSet());
    EXPECT_TRUE(event.isSet());
    event.reset();
    EXPECT_FALSE(event.isSet());
}

} // namespace
