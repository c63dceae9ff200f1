// The session's side of the conversation, step by step: what goes out on which link and when
// (the reply watch's ticks included), and what the replies that come back make the session tell.
// COM1 is a fake device played by the test; the network's far end is a socket on 127.0.0.1.
#include "tests/controller_session/session_fixture.h"

#include <sstream>

namespace controller::session_test {
namespace {

const std::string kRead4 = "BA 01 02 06 A6 00 01 02 03 6F";

struct Conversation {
    const char* name;
    // Lines of [SYSTEM_SET] ahead of the defaults (a 4x4 "HDMI Matrix" on COM1, UseNet 0).
    const char* settings;
    bool serialOpen;
    // "tick" (of the reply watch), "device HEX" (sent on COM1), "datagram HEX" (sent by the
    // terminal), "watch" (restarted), "read", "identity", "switch OUT IN", "save N", "load N",
    // "cycle on|off", "address N", "close", "select COMn", "baud RATE" (inputs and outputs from
    // 0), separated by "; ".
    const char* steps;
    // What the session told, a "tick" before what each tick did, separated by "; ".
    std::string told;
    bool watchRunsAtTheEnd;
    const char* fileLine = ""; // a line the settings file has at the end
};

void PrintTo(const Conversation& c, std::ostream* os) {
    *os << c.name;
}

const std::string kTicked = "tick; tick; serial " + kRead4;

const Conversation kConversations[] = {
    {"AutomaticReadGoesOutOnTickTwoAndTimesOutOnTickFiveOnce", "", true,
     "watch; tick; tick; tick; tick; tick; tick; tick",
     kTicked + "; tick; tick; tick; timed out; tick; tick", false},
    {"ThirtyTwoByThirtyTwoReadsOnTickFourAndTimesOutOnTickSeven", "MatrixSize=3\r\n", true,
     "watch; tick; tick; tick; tick; tick; tick; tick",
     "tick; tick; tick; tick; serial BA 01 02 22 A6 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E "
     "0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 75; tick; tick; tick; timed out",
     false},
    {"ReadSwitchSendsAtOnceAndTimesOutFiveTicksLater", "", true,
     "read; tick; tick; tick; tick; tick",
     "serial " + kRead4 + "; tick; tick; tick; tick; tick; timed out", false},
    {"SwitchStateReplyEvenWithoutPairsEndsTheWatch", "", true,
     "watch; tick; tick; device BA 01 02 02 A6 65; tick; tick; tick",
     kTicked + "; state arrived; tick; tick; tick", false},
    {"WithoutAnyLinkNothingGoesOutAndTheSilenceIsToldOnTickFive", "", false,
     "watch; tick; tick; tick; tick; tick", "tick; tick; tick; tick; tick; timed out", false},
    {"SilentDeviceIsToldAlsoWhileTheNetworkIsOn", "UseNet=1\r\n", true,
     "watch; tick; tick; tick; tick; tick",
     kTicked + "; net " + kRead4 + "; tick; tick; tick; timed out", false},
    {"OverTheNetworkAloneTheReadGoesOutAndTimesOut", "UseNet=1\r\n", false,
     "watch; tick; tick; tick; tick; tick",
     "tick; tick; net " + kRead4 + "; tick; tick; tick; timed out", false},
    {"SaveSendsTheSceneAndLoadRestartsTheWatch", "", true, "save 1; load 16; tick; tick",
     "serial BA 01 11 03 00 01 D0; serial BA 01 15 03 00 10 E3; " + kTicked, true},
    {"StoppingTheCycleReadsBackWhereTheDeviceStopped", "", true, "cycle on; cycle off; tick; tick",
     "serial BA 01 1A 03 00 00 D8; serial BA 01 1A 03 00 FF D7; " + kTicked, true},
    {"ReadSwitchUsesTheSignalCodeOfTypeAndAvModeAndTheAddress",
     "MatrixType=0\r\nMatrixSize=1\r\nAVMode=1\r\n", true, "address 2; read",
     "serial BA 02 02 0A A1 00 01 02 03 04 05 06 07 85", true},
    {"SceneRequestsStartWithBaEvenUnderTheOtherHeader", "ProtocolType=1\r\n", true,
     "save 1; switch 1 0", "serial BA 01 11 03 00 01 D0; serial 96 01 01 04 A6 01 00 43", false},
    {"RepliesForAnotherAddressAreIgnoredAndBroadcastOnesTaken", "", true,
     "device BA 02 01 04 A6 00 01 68; device BA FF 01 04 A6 00 01 65", "pairs 0:1", false},
    {"EveryDeviceAddressedTakesOnlyBroadcastReplies", "", true,
     "address 255; switch 2 3; device BA 01 01 04 A6 00 01 67; device BA FF 01 04 A6 00 01 65",
     "serial BA FF 01 04 A6 02 03 69; pairs 0:1", false},
    {"PairsOutsideTheCurrentSizeAreLeftOut", "", true, "device BA 01 02 06 A6 05 00 01 03 72",
     "state arrived; pairs 1:3", false},
    {"IdentityIsAskedOfEveryDeviceAndABroadcastAnswerTold", "", true,
     "address 3; identity; device BA FF 14 05 00 A6 01 10 10",
     "serial BA FF 14 02 00 00; text Current equipment:HDMI Matrix\r\nDevice Address: "
     "1\r\nSpecifications: 16 * 16\r\n",
     false},
    {"NetworkRepliesAreTakenWhetherOrNotUseNetIsOn", "", true,
     "datagram BA 01 01 04 A6 02 01 69 EE EE; datagram BA 01 15 03 00 02 D5",
     "pairs 2:1; text   Reload scene successfully!  ", false},
    {"PortChoiceClosesSavesAndOpensEvenAClosedPort", "", true,
     "close; select COM2; watch; tick; tick", "closed; closed; opened COM2 9600; " + kTicked, true,
     "SelectCOM=1"},
    {"RateChoiceClosesSavesAndReopens", "", true, "baud 19200; switch 1 0",
     "closed; opened COM1 19200; serial BA 01 01 04 A6 01 00 67", false, "SelectBAUD=3"},
};

class SessionConversation : public SessionTest, public testing::WithParamInterface<Conversation> {
protected:
    void run(MatrixSession& session, const std::string& step) {
        std::istringstream words(step);
        std::string verb;
        std::string rest;
        words >> verb;
        std::getline(words >> std::ws, rest);
        int n = 0;
        int m = 0;
        std::istringstream(rest) >> n >> m;
        if (verb == "tick") {
            recorder.events.push_back("tick");
            session.onReplyWatchTick();
        } else if (verb == "device") {
            deviceSends(fromHex(rest));
        } else if (verb == "datagram") {
            terminalSends(fromHex(rest));
        } else if (verb == "watch") {
            session.restartReplyWatch();
        } else if (verb == "read") {
            session.readSwitchState();
        } else if (verb == "identity") {
            session.readIdentity();
        } else if (verb == "switch") {
            session.switchCrosspoint(n, m);
        } else if (verb == "save") {
            session.saveScene(static_cast<std::uint8_t>(n));
        } else if (verb == "load") {
            session.loadScene(static_cast<std::uint8_t>(n));
        } else if (verb == "cycle") {
            rest == "on" ? session.startCycling() : session.stopCycling();
        } else if (verb == "address") {
            session.setDeviceAddress(static_cast<std::uint8_t>(n));
        } else if (verb == "close") {
            session.closePort();
        } else if (verb == "select") {
            session.selectPort(rest);
        } else if (verb == "baud") {
            session.selectBaud(n);
        } else {
            FAIL() << "unknown step " << step;
        }
    }
};

TEST_P(SessionConversation, SendsAndTellsWhatTheStepsCallFor) {
    const Conversation& c = GetParam();
    writeSettings("[SYSTEM_SET]\r\n" + std::string(c.settings) +
                  "SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\nUseNet=0\r\n"
                  "[Net]\r\nHostPort=0\r\nDestIP=127.0.0.1\r\nDestPort=" +
                  std::to_string(terminal.localPort()) +
                  "\r\n[Ports]\r\nCOM1=/dev/fake-matrix\r\nCOM2=/dev/fake-matrix-2\r\n");
    MatrixSession& session = start();
    ASSERT_TRUE(session.createNetwork());
    if (c.serialOpen) {
        ASSERT_TRUE(session.openPort());
    }
    recorder.events.clear();
    std::string step;
    for (std::istringstream steps(c.steps); std::getline(steps >> std::ws, step, ';');)
        run(session, step);
    std::string told;
    for (const std::string& event : recorder.events)
        told += (told.empty() ? "" : "; ") + event;
    EXPECT_EQ(told, c.told);
    EXPECT_EQ(session.replyWatchTimerActive(), c.watchRunsAtTheEnd);
    if (*c.fileLine) {
        EXPECT_NE(
            test_support::TempDir::readFile(settingsPath()).find(c.fileLine + std::string("\r\n")),
            std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, SessionConversation, testing::ValuesIn(kConversations),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace controller::session_test
