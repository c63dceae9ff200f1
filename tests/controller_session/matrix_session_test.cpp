// The session without a window: what it decides on its own when a link fails, when it only
// borrows the settings file, and when a port is named by its device path. COM1 is a fake device;
// everything happens before the call returns, so nothing here waits.
#include "tests/controller_session/session_fixture.h"

#include <QHostAddress>

namespace controller::session_test {
namespace {

using test_support::TempDir;
using test_support::waitUntil;

struct DetectCase {
    std::optional<std::string> found;
    std::string expected;
};

class HostAddressDetection : public SessionTest, public testing::WithParamInterface<DetectCase> {};

TEST_P(HostAddressDetection, FillsNetIpOrKeepsTheLoadedValue) {
    TempDir::writeFile(settingsPath(), "[Net]\r\nNetIP=192.0.2.9\r\nHostPort=0\r\n");
    hostAddress = GetParam().found;
    MatrixSession& session = start();
    ASSERT_TRUE(session.createNetwork());
    EXPECT_EQ(session.settings().netIp, GetParam().expected);
    EXPECT_TRUE(session.networkPollActive());
}

INSTANTIATE_TEST_SUITE_P(Cases, HostAddressDetection,
                         testing::Values(DetectCase{"198.51.100.7", "198.51.100.7"},
                                         DetectCase{"", "127.0.0.1"},
                                         DetectCase{std::nullopt, "192.0.2.9"}));

// Every frame goes to the serial link first, then the network. A send the network refuses stops
// sending there in memory before anyone hears of it; the serial link goes on alone.
TEST_F(SessionTest, FailedDatagramTurnsTheNetworkOffBeforeItIsToldAndSerialGoesOn) {
    TempDir::writeFile(settingsPath(), "[SYSTEM_SET]\r\nUseNet=1\r\n[Net]\r\nHostPort=0\r\n"
                                       "DestIP=127.0.0.1\r\nDestPort=" +
                                           std::to_string(terminal.localPort()) + "\r\n");
    MatrixSession& session = start();
    ASSERT_TRUE(session.createNetwork());
    ASSERT_TRUE(session.openPort("/dev/fake-matrix", 9600));
    session.readIdentity();
    controller::NetworkSettings net = session.networkSettings();
    net.destIp = "0.0.0.0";
    session.setNetworkSettings(net);
    session.readIdentity();
    session.readIdentity();
    const std::string identity = " BA FF 14 02 00 00";
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"opened /dev/fake-matrix 9600", "serial" + identity,
                                        "net" + identity, "serial" + identity,
                                        "send failed, UseNet 0", "serial" + identity}));
    EXPECT_EQ(device->written.size(), 18u);
    EXPECT_NE(TempDir::readFile(settingsPath()).find("UseNet=1"), std::string::npos);
}

// Borrowing the window's settings: nothing is made or written, not even the stable name of a
// port found on the machine, which the window keeps in [Ports].
TEST_F(SessionTest, ReadOnlySessionNeverMakesNorWritesTheSettingsFile) {
    machine = {{"/dev/ttyUSB7", "/dev/serial/by-id/usb-FTDI-port0", "FT232R", "", "", ""}};
    MatrixSession& session = start(true);
    EXPECT_FALSE(TempDir::exists(settingsPath()));
    EXPECT_EQ(session.settings(), ControllerSettings());
    ASSERT_TRUE(session.openPort("COM1", 9600));
    EXPECT_EQ(opened, std::vector<std::string>{"/dev/serial/by-id/usb-FTDI-port0"});
    session.setUseNet(true);
    // Names given for the run are kept, the file still untouched.
    EXPECT_FALSE(session.setPortName(PortKind::Input, 3, "Camera 2"));
    EXPECT_TRUE(session.keepPortName(PortKind::Input, 3, "Camera 2"));
    EXPECT_EQ(session.portNamer()(PortKind::Input, 3), "Camera 2");
    EXPECT_FALSE(TempDir::exists(settingsPath()));
    EXPECT_EQ(recorder.events, std::vector<std::string>{"opened COM1 9600"});
}

TEST_F(SessionTest, UnusableSettingsFileIsToldOnLoadAndOnEverySave) {
    const std::string folder = m_dir.unwritableFolder();
    ASSERT_FALSE(folder.empty());
    SessionConfig config{folder, "Setting.ini", false, {}, {}};
    MatrixSession session(std::move(config), recorder);
    session.loadSettings();
    session.setMatrixSize(16);
    const std::string message = "Unable to open the INI file, the default values will be loaded!";
    EXPECT_EQ(recorder.events, (std::vector<std::string>{message, message}));
}

// A port named by its device path is opened as it is, and a failure names it once.
TEST_F(SessionTest, DevicePathIsOpenedAsGivenAndNamedOnceWhenItFails) {
    MatrixSession& session = start();
    ASSERT_TRUE(session.openPort("/dev/fake-matrix", 19200));
    EXPECT_EQ(opened, std::vector<std::string>{"/dev/fake-matrix"});
    EXPECT_EQ(device->params.baud, 19200u);

    SessionConfig config{m_dir.path(), "Setting.ini", true, {}, {}};
    MatrixSession real(std::move(config), recorder);
    const std::string missing = m_dir.file("no-such-port");
    EXPECT_FALSE(real.openPort(missing, 9600));
    EXPECT_EQ(real.openFailureReason(),
              missing + ": the device is not present. Is the adapter plugged in?");
    EXPECT_FALSE(real.openPort("COM12", 9600));
    EXPECT_EQ(real.openFailureReason(), "COM12: no serial device was found for this entry.");
}

// Operations against a fake device on an 8x8 "HDMI Matrix" at address 1: what the device says
// after the request (each reply fed once the request is out; "T" marks where the time limit
// passes), and the outcome. A switch asked to be verified reads the state back at its time limit.
struct OperationCase {
    const char* name;
    Operation op;
    std::uint8_t address;
    std::vector<Bytes> replies;
    Outcome outcome;
    std::optional<int> shown;
    std::optional<std::uint8_t> answeredBy;
    std::size_t framesSent;
};

const Bytes kEcho3To5{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C};
const Bytes kEcho5To5{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x04, 0x6E};
const Bytes kTimeLimit{};
// Outputs 1 to 5 on input 1, but output 5 on input 3 (pairs from 0).
const Bytes kStateWith3On5{0xBA, 0x01, 0x02, 0x0C, 0xA6, 0, 0, 1, 0, 2, 0, 3, 0, 4, 2, 0x6B};
const Bytes kStateWith1On5{0xBA, 0x01, 0x02, 0x0C, 0xA6, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 0x69};

const OperationCase kOperationCases[] = {
    {"LateEchoOfAnEarlierSwitchIsPassedOver",
     Operation::switchInput(4, 2).verified(),
     1,
     {kEcho5To5, kEcho3To5},
     Outcome::Confirmed,
     2,
     1,
     1},
    {"SilentSwitchIsReadBackAndShowsWhatTheOutputShows",
     Operation::switchInput(4, 2).verified(),
     1,
     {kTimeLimit, kStateWith1On5},
     Outcome::AnsweredOtherwise,
     0,
     1,
     2},
    {"ReadBackShowingTheSwitchConfirmsIt",
     Operation::switchInput(4, 2).verified(),
     1,
     {kEcho5To5, kTimeLimit, kStateWith3On5},
     Outcome::Confirmed,
     2,
     1,
     2},
    {"EchoDuringTheReadBackConfirms",
     Operation::switchInput(4, 2).verified(),
     1,
     {kTimeLimit, kEcho3To5},
     Outcome::Confirmed,
     2,
     1,
     2},
    {"UnverifiedSwitchEchoedOtherwiseSaysSoAtItsLimit",
     Operation::switchInput(4, 2),
     1,
     {kEcho5To5, kTimeLimit},
     Outcome::AnsweredOtherwise,
     4,
     1,
     1},
    {"SilentDeviceGivesNoAnswer",
     Operation::switchInput(4, 2).verified(),
     1,
     {kTimeLimit, kTimeLimit},
     Outcome::NoAnswer,
     std::nullopt,
     std::nullopt,
     2},
    {"AnswerOnlyFromDevice5IsSaid",
     Operation::readState(),
     1,
     {{0xBA, 0x05, 0x02, 0x04, 0xA6, 0x00, 0x00, 0x6B}, kTimeLimit},
     Outcome::OtherAddress,
     std::nullopt,
     5,
     1},
    {"EveryDeviceAskedTakesDevice3sEcho",
     Operation::switchInput(4, 2),
     0xFF,
     {{0xBA, 0x03, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6E}},
     Outcome::Confirmed,
     2,
     3,
     1},
    {"IdentityFindsDevice3WhatEverTheAddress",
     Operation::identity(),
     1,
     {{0xBA, 0x03, 0x14, 0x05, 0x00, 0xA6, 0x03, 0x08, 0x08}},
     Outcome::Confirmed,
     std::nullopt,
     3,
     1},
    {"CyclingIsConfirmedOnceSent",
     Operation::cycling(true),
     1,
     {},
     Outcome::Confirmed,
     std::nullopt,
     std::nullopt,
     1},
};

class SessionOperation : public SessionTest, public testing::WithParamInterface<OperationCase> {};

TEST_P(SessionOperation, EndsWithTheOutcomeOfWhatTheDeviceSaid) {
    const OperationCase& c = GetParam();
    TempDir::writeFile(settingsPath(), "[SYSTEM_SET]\r\nMatrixType=3\r\nMatrixSize=1\r\n");
    MatrixSession& session = start();
    ASSERT_TRUE(session.openPort("/dev/fake-matrix", 9600));
    session.setDeviceAddress(c.address);
    std::optional<OperationResult> result;
    Operation op = c.op;
    session.start(op.within(std::chrono::milliseconds(100)),
                  [&](const OperationResult& r) { result = r; });
    for (const Bytes& reply : c.replies) {
        if (reply.empty()) {
            // Past the time limit: the operation reads back or ends.
            const std::size_t before = recorder.events.size();
            ASSERT_TRUE(waitUntil([&] { return result || recorder.events.size() > before; }));
            continue;
        }
        const int heard = recorder.received;
        device->feed(reply);
        ASSERT_TRUE(waitUntil([&] { return recorder.received > heard; }));
    }
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(result->outcome, c.outcome);
    EXPECT_EQ(result->shownInput, c.shown);
    EXPECT_EQ(result->answeredBy, c.answeredBy);
    EXPECT_EQ(std::count_if(recorder.events.begin(), recorder.events.end(),
                            [](const std::string& e) { return e.rfind("serial", 0) == 0; }),
              static_cast<std::ptrdiff_t>(c.framesSent))
        << testing::PrintToString(recorder.events);
    EXPECT_EQ(session.operationsUnderWay(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionOperation, testing::ValuesIn(kOperationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SessionTest, RequestWithoutALinkInUseIsNotSent) {
    MatrixSession& session = start();
    std::optional<OperationResult> result;
    session.start(Operation::readState(), [&](const OperationResult& r) { result = r; });
    EXPECT_FALSE(result) << "told later, not inside the call";
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(result->outcome, Outcome::NotSent);
    EXPECT_TRUE(recorder.events.empty());
}

} // namespace
} // namespace controller::session_test
