#include "controller/link/serial_link.h"
#include "tests/controller_link/recording_owner.h"
#include "tests/support/fake_serial_port.h"

#include <gtest/gtest.h>

using controller::kUmSerialEvent;
using controller::kUmSerialReceive;
using controller::SerialLink;
using Note = test_support::RecordingOwner::Note;
using test_support::FakePortControl;
using test_support::processEventsFor;
using test_support::processEventsUntil;
using namespace std::chrono_literals;
namespace ev = platform::serial_event;

namespace {

// A link whose ports are fakes; every opened path is recorded.
class SerialLinkOnFakePort : public ::testing::Test {
protected:
    SerialLink::PortResolver resolver = [](const std::string& name) { return "/fake/" + name; };
    platform::SerialPortFactory factory = [this](const std::string& path) {
        opened.push_back(path);
        control->calls.push_back("open " + path);
        return platform::SerialOpenResult{std::make_unique<test_support::FakeSerialPort>(control),
                                          {}};
    };

    void openMonitored() {
        ASSERT_TRUE(link.Open(&owner, "COM1", 9600, 0, 8, 1));
        ASSERT_TRUE(link.StartMonitor());
    }

    std::shared_ptr<FakePortControl> control = std::make_shared<FakePortControl>();
    std::vector<std::string> opened;
    test_support::RecordingOwner owner;
    SerialLink link{resolver, factory};
};

TEST_F(SerialLinkOnFakePort, openResolvesThePortNameConfiguresThenDiscardsBothQueues) {
    ASSERT_TRUE(link.Open(&owner, "COM3", 9600, 0, 8, 1));
    EXPECT_EQ(control->takeCalls(),
              (std::vector<std::string>{"open /fake/COM3", "set", "purge in out"}));
    EXPECT_FALSE(link.settingsRejected());

    SerialLink plain({}, factory);
    ASSERT_TRUE(plain.Open(nullptr, "/dev/pts/77", 9600, 0, 8, 1));
    EXPECT_EQ(opened.back(), "/dev/pts/77");
}

struct ConfigureCase {
    int baud, parity, dataBits, stopBits;
    platform::SerialParams expected;
};

void PrintTo(const ConfigureCase& c, std::ostream* os) {
    *os << c.baud << " parity " << c.parity << " data " << c.dataBits << " stop " << c.stopBits;
}

class ConfigureChangesFourSettings : public SerialLinkOnFakePort,
                                     public ::testing::WithParamInterface<ConfigureCase> {};

TEST_P(ConfigureChangesFourSettings, andMapsStopBitsTwoToTwoAndAnythingElseToOne) {
    const ConfigureCase& c = GetParam();
    ASSERT_TRUE(link.Open(nullptr, "COM1", c.baud, c.parity, c.dataBits, c.stopBits));
    ASSERT_EQ(control->paramsSet.size(), 1u);
    EXPECT_EQ(control->paramsSet[0], c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigureChangesFourSettings,
                         ::testing::Values(ConfigureCase{9600, 0, 8, 1, {9600, 8, 0, 0}},
                                           ConfigureCase{2400, 0, 8, 2, {2400, 8, 0, 2}},
                                           ConfigureCase{19200, 2, 7, 0, {19200, 7, 2, 0}},
                                           ConfigureCase{4800, 1, 8, 3, {4800, 8, 1, 0}}));

TEST_F(SerialLinkOnFakePort, rejectedSettingsAreReportedAndTheLinkStaysOpen) {
    control->rejectParams = true;
    ASSERT_TRUE(link.Open(&owner, "COM1", 9600, 0, 8, 1));
    EXPECT_TRUE(link.settingsRejected());
    EXPECT_EQ(control->params, (platform::SerialParams{19200, 7, platform::kParityEven, 2}));
    EXPECT_TRUE(link.isOpen());
    const std::uint8_t frame[] = {0xBA, 0x01, 0x02};
    EXPECT_TRUE(link.Write(frame, sizeof frame, true));
    EXPECT_EQ(control->written, (std::vector<std::uint8_t>{0xBA, 0x01, 0x02}));
    control->rejectParams = false;
    ASSERT_TRUE(link.Open(&owner, "COM1", 9600, 0, 8, 1));
    EXPECT_FALSE(link.settingsRejected());
}

// A purging write discards only what a write that ran out of time left behind, never a frame
// the driver took whole and may still be sending.
TEST_F(SerialLinkOnFakePort, aPurgingWriteDiscardsOnlyOutputAnEarlierWriteLeftBehind) {
    ASSERT_TRUE(link.Open(nullptr, "COM1", 9600, 0, 8, 1));
    control->takeCalls();
    const std::uint8_t frame[] = {0x01, 0x02};
    link.Write(frame, 2, true);
    link.Write(frame, 2, true);
    EXPECT_EQ(control->takeCalls(), (std::vector<std::string>{"write", "write"}));
    control->writeLimit = 1;
    link.Write(frame, 2, true);
    link.Write(frame, 2, false);
    link.Write(frame, 2, true);
    EXPECT_EQ(control->takeCalls(),
              (std::vector<std::string>{"write", "write", "purge out", "write"}));
}

struct EventCase {
    std::uint32_t portEvents;
    Note expected;
};

void PrintTo(const EventCase& c, std::ostream* os) {
    *os << "events 0x" << std::hex << c.portEvents;
}

class PortEventsReachTheOwner : public SerialLinkOnFakePort,
                                public ::testing::WithParamInterface<EventCase> {};

TEST_P(PortEventsReachTheOwner, asOneNotificationOfTheRightKind) {
    openMonitored();
    control->inject(GetParam().portEvents);
    ASSERT_TRUE(processEventsUntil([&] { return !owner.notes.empty(); }));
    processEventsFor(50ms);
    ASSERT_EQ(owner.notes.size(), 1u);
    EXPECT_EQ(owner.notes[0], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortEventsReachTheOwner,
    ::testing::Values(EventCase{ev::kCts, {kUmSerialEvent, 0x0008, 0}},
                      EventCase{ev::kRxChar | ev::kBreak, {kUmSerialReceive, 0, 0}},
                      EventCase{ev::kDsr | ev::kRing, {kUmSerialEvent, 0x0110, 0}},
                      EventCase{ev::kRlsd | ev::kErr | ev::kBreak, {kUmSerialEvent, 0x00E0, 0}}));

TEST_F(SerialLinkOnFakePort, theMonitorWaitsForEachNotificationToBeHandled) {
    std::size_t handled = 0;
    owner.handler = [&](const Note&) {
        if (++handled > 3)
            return;
        // Events during handling: the monitor must not deliver them until this returns.
        control->inject(ev::kCts);
        processEventsFor(50ms);
        EXPECT_EQ(owner.notes.size(), handled);
    };
    openMonitored();
    control->inject(ev::kDsr);
    ASSERT_TRUE(processEventsUntil([&] { return owner.notes.size() >= 4; }));
    EXPECT_EQ(owner.notes[0].wParam, ev::kDsr);
    EXPECT_EQ(owner.notes[3].wParam, ev::kCts);
}

TEST_F(SerialLinkOnFakePort, reopeningWaitsForTheOldMonitorBeforeOpeningAgain) {
    openMonitored();
    processEventsUntil([&] { return control->waits > 0; });
    control->takeCalls();
    ASSERT_TRUE(link.Open(&owner, "COM2", 9600, 0, 8, 1));
    const auto calls = control->takeCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 3),
              (std::vector<std::string>{"wait ended", "close", "open /fake/COM2"}));
}

TEST_F(SerialLinkOnFakePort, aFailingWaitIsRetriedWithoutSpinning) {
    control->failWaits = true;
    openMonitored();
    processEventsFor(300ms);
    EXPECT_LE(control->waits.load(), 5);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(link.Close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_TRUE(owner.notes.empty());
}

} // namespace
