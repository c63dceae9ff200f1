// The controller's request builders and reply collection against matrix-sim: two independent
// implementations of the frame format that must understand each other.

#include "controller/protocol/frame_accumulator.h"
#include "controller/protocol/setup_requests.h"
#include "controller/protocol/signal_code.h"
#include "controller/protocol/switch_requests.h"
#include "tests/sim/hex_bytes.h"
#include "tests/sim/sim_peers.h"
#include "tests/support/shared_matrix_sim.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sim_test {
namespace {

using test_support::SharedMatrixSim;

using namespace std::chrono_literals;
using controller::Crosspoint;
using controller::InputPropertiesReport;

class RecordingHandler : public controller::ReplyHandler {
public:
    void applyCrosspoints(const std::vector<Crosspoint>& pairs) override {
        applied.push_back(pairs);
    }
    void endAwaitedRead() override { ++readsEnded; }
    void showPromptText(const std::string& text) override { texts.push_back(text); }
    void forwardInputProperties(const InputPropertiesReport& report) override {
        reports.push_back(report);
    }

    std::vector<std::vector<Crosspoint>> applied;
    int readsEnded = 0;
    std::vector<std::string> texts;
    std::vector<InputPropertiesReport> reports;
};

Bytes FrameBytes(const controller::CommandFrame& frame) {
    return frame.toVector();
}

// A controller on the serial line: sends built requests and collects whatever comes back the
// way the main window does.
class SerialController {
public:
    SerialController(const std::string& link, controller::DispatchContext context)
        : m_port(link), m_context(context) {}

    bool ok() const { return m_port.ok(); }
    void Send(const controller::CommandFrame& frame) { m_port.Write(FrameBytes(frame)); }
    // Collects what comes back until `done` holds; false when the time ran out first.
    template <class Done>
    bool CollectUntil(Done done, std::chrono::milliseconds timeout = 3s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            Feed(m_port.Read(1, left));
        }
        return true;
    }
    // What arrives in one burst: waits up to `timeout` for a first byte, then takes what
    // follows until a short quiet moment.
    Bytes ReadBurst(std::chrono::milliseconds timeout) {
        Bytes burst = m_port.Read(1, timeout);
        if (!burst.empty()) {
            const Bytes rest = m_port.ReadUntilQuiet(30ms);
            burst.insert(burst.end(), rest.begin(), rest.end());
        }
        return burst;
    }
    void Feed(const Bytes& batch) { m_accumulator.collect(m_buffer, batch, m_context, handler); }

    RecordingHandler handler;

private:
    SerialPeer m_port;
    controller::DispatchContext m_context;
    controller::FrameAccumulator m_accumulator;
    controller::FrameAccumulator::LinkBuffer m_buffer{
        {"COM1", "serial", false, controller::Framing::Stream}};
};

// The same over UDP, one datagram per poll.
class NetworkController {
public:
    NetworkController(std::uint16_t port, controller::DispatchContext context)
        : m_port(port), m_context(context) {}

    void Send(const controller::CommandFrame& frame) { m_peer.SendTo(m_port, FrameBytes(frame)); }
    // One poll; false when no datagram came.
    bool Poll(std::chrono::milliseconds timeout = 3s) {
        const auto datagram = m_peer.Receive(timeout);
        if (!datagram)
            return false;
        m_accumulator.collect(m_buffer, *datagram, m_context, handler);
        return true;
    }

    RecordingHandler handler;

private:
    UdpPeer m_peer;
    std::uint16_t m_port;
    controller::DispatchContext m_context;
    controller::FrameAccumulator m_accumulator;
    controller::FrameAccumulator::LinkBuffer m_buffer{
        {"UDP", "udp", true, controller::Framing::Datagram}};
};

controller::DispatchContext Context(int protocolType, std::uint8_t address, int ports) {
    return {protocolType, address, ports, ports};
}

const std::uint8_t kHdmi = controller::signalCode(3, 0);

TEST(ControllerAgainstSim, SwitchedCrosspointComesBackAsTheMarkersPair) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialController brisvane(sim.linkPath(), Context(0, 1, 8));
    ASSERT_TRUE(brisvane.ok());
    brisvane.Send(controller::switchRequest(0, 1, kHdmi, 4, 2));
    ASSERT_TRUE(brisvane.CollectUntil([&] { return !brisvane.handler.applied.empty(); }));
    EXPECT_EQ(brisvane.handler.applied[0], (std::vector<Crosspoint>{{4, 2}}));
    EXPECT_TRUE(sim.WaitForState("crosspoints", "0 1 2 3 2 5 6 7"));
}

TEST(ControllerAgainstSim, ReadBackReportsEveryOutputAndEndsTheWait) {
    SharedMatrixSim sim({"--size", "4"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialController brisvane(sim.linkPath(), Context(0, 1, 4));
    brisvane.Send(controller::switchRequest(0, 1, kHdmi, 0, 3));
    brisvane.Send(controller::switchRequest(0, 1, kHdmi, 3, 0));
    ASSERT_TRUE(brisvane.CollectUntil([&] { return brisvane.handler.applied.size() == 2; }));
    brisvane.handler.applied.clear();

    brisvane.Send(controller::readSwitchRequest(0, 1, kHdmi, 4));
    ASSERT_TRUE(brisvane.CollectUntil([&] { return !brisvane.handler.applied.empty(); }));
    EXPECT_EQ(brisvane.handler.readsEnded, 1);
    EXPECT_EQ(brisvane.handler.applied[0],
              (std::vector<Crosspoint>{{0, 3}, {1, 1}, {2, 2}, {3, 0}}));
}

TEST(ControllerAgainstSim, IdentityIsShownAsTheOperatorReadsIt) {
    SharedMatrixSim sim({"--size", "16"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialController brisvane(sim.linkPath(), Context(0, 1, 16));
    brisvane.Send(controller::readIdentityRequest(0));
    ASSERT_TRUE(brisvane.CollectUntil([&] { return !brisvane.handler.texts.empty(); }));
    EXPECT_EQ(brisvane.handler.texts[0],
              "Current equipment:HDMI Matrix\r\nDevice Address: 1\r\nSpecifications: 16 * 16\r\n");
}

TEST(ControllerAgainstSim, SceneSaveAndLoadAreConfirmedOnEachLink) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialController serial(sim.linkPath(), Context(0, 1, 8));
    serial.Send(controller::switchRequest(0, 1, kHdmi, 0, 6));
    serial.Send(controller::saveSceneRequest(1, 16));
    ASSERT_TRUE(serial.CollectUntil([&] { return serial.handler.texts.size() == 1; }));
    serial.Send(controller::switchRequest(0, 1, kHdmi, 0, 1));
    serial.Send(controller::loadSceneRequest(1, 16));
    ASSERT_TRUE(serial.CollectUntil([&] { return serial.handler.texts.size() == 2; }));
    EXPECT_EQ(serial.handler.texts, (std::vector<std::string>{"  Save scene successfully!  ",
                                                              "Reload scene successfully!"}));
    EXPECT_TRUE(sim.WaitForState("crosspoints", "6 1 2 3 4 5 6 7"));

    NetworkController net(sim.udpPort(), Context(0, 1, 8));
    net.Send(controller::loadSceneRequest(1, 16));
    ASSERT_TRUE(net.Poll());
    EXPECT_EQ(net.handler.texts, (std::vector<std::string>{"  Reload scene successfully!  "}));
}

TEST(ControllerAgainstSim, InputPropertiesReachTheSetupDialogAsSet) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    NetworkController brisvane(sim.udpPort(), Context(0, 1, 8));
    namespace in = controller::input_property;
    brisvane.Send(controller::inputPropertyRequest(0, 1, in::kEdid, 5, 3));
    brisvane.Send(controller::inputPropertyRequest(0, 1, in::kCrop, 1, 3));
    brisvane.Send(controller::inputPropertyRequest(0, 1, in::kAspectRatio, 3, 3));
    brisvane.Send(controller::inputPropertyRequest(0, 1, in::kRead, in::kReadValue, 3));
    ASSERT_TRUE(brisvane.Poll());
    ASSERT_EQ(brisvane.handler.reports.size(), 1u);
    EXPECT_EQ(brisvane.handler.reports[0], (InputPropertiesReport{3, 5, 1, 3}));
}

TEST(ControllerAgainstSim, SetupRequestsChangeTheDevice) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialController brisvane(sim.linkPath(), Context(0, 1, 8));
    namespace out = controller::output_property;
    brisvane.Send(controller::changeBaudRequest(1, 3));
    brisvane.Send(controller::cycleScenesRequest(1, 0x8001));
    brisvane.Send(controller::cycleIntervalRequest(1, 10));
    brisvane.Send(controller::outputPropertyRequest(0, 1, out::kBrightness, 200, 2));
    brisvane.Send(controller::outputPropertyRequest(0, 1, out::kSaturation, 1, 7));
    brisvane.Send(controller::changeAddressRequest(4));
    EXPECT_TRUE(sim.WaitForState("address", "4")) << sim.Log();
    EXPECT_EQ(sim.State("baud"), "3");
    EXPECT_EQ(sim.State("cycle_mask"), "8001");
    EXPECT_EQ(sim.State("cycle_interval"), "10");
    EXPECT_EQ(sim.State("brightness"), "128 128 200 128 128 128 128 128");
    EXPECT_EQ(sim.State("saturation"), "128 128 128 128 128 128 128 1");

    brisvane.Send(controller::outputPropertyRequest(0, 4, out::kResetAll, 0, 2));
    EXPECT_TRUE(sim.WaitForState("brightness", "128 128 128 128 128 128 128 128")) << sim.Log();
}

TEST(ControllerAgainstSim, CyclingStartsAndStopsOnTheControllersRequests) {
    SharedMatrixSim sim({"--interval-unit-ms", "20"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialController brisvane(sim.linkPath(), Context(0, 1, 8));
    brisvane.Send(controller::cycleScenesRequest(1, 0x0006));
    brisvane.Send(controller::startCycleRequest(1));
    EXPECT_TRUE(sim.WaitForState("cycle_scene", "3")) << sim.Log();
    brisvane.Send(controller::stopCycleRequest(1));
    EXPECT_TRUE(sim.WaitForState("cycling", "off")) << sim.Log();
}

TEST(ControllerAgainstSim, Header96DeviceAndProtocolType1UnderstandEachOther) {
    SharedMatrixSim sim({"--header", "96"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialController brisvane(sim.linkPath(), Context(1, 1, 8));
    brisvane.Send(controller::switchRequest(1, 1, kHdmi, 7, 0));
    ASSERT_TRUE(brisvane.CollectUntil([&] { return !brisvane.handler.applied.empty(); }));
    brisvane.Send(controller::saveSceneRequest(1, 2));
    ASSERT_TRUE(brisvane.CollectUntil([&] { return brisvane.handler.texts.size() == 1; }));
    brisvane.Send(controller::readIdentityRequest(1));
    ASSERT_TRUE(brisvane.CollectUntil([&] { return brisvane.handler.texts.size() == 2; }));
    ASSERT_EQ(brisvane.handler.applied.size(), 1u);
    EXPECT_EQ(brisvane.handler.applied[0], (std::vector<Crosspoint>{{7, 0}}));
    EXPECT_EQ(
        brisvane.handler.texts,
        (std::vector<std::string>{
            "  Save scene successfully!  ",
            "Current equipment:HDMI Matrix\r\nDevice Address: 1\r\nSpecifications: 8 * 8\r\n"}));
}

TEST(ControllerAgainstSim, ReplyInPiecesIsDispatchedOnlyWhenWhole) {
    SharedMatrixSim sim({"--split", "6", "--split-pause-ms", "150"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialController brisvane(sim.linkPath(), Context(0, 1, 8));
    brisvane.Send(controller::readSwitchRequest(0, 1, kHdmi, 8));
    int pieces = 0;
    for (Bytes chunk = brisvane.ReadBurst(3s); !chunk.empty(); chunk = brisvane.ReadBurst(500ms)) {
        const bool wholeBefore = !brisvane.handler.applied.empty();
        EXPECT_FALSE(wholeBefore) << "dispatched before its last piece";
        brisvane.Feed(chunk);
        ++pieces;
    }
    EXPECT_GE(pieces, 2);
    ASSERT_EQ(brisvane.handler.applied.size(), 1u);
    EXPECT_EQ(brisvane.handler.applied[0].size(), 8u);
}

TEST(ControllerAgainstSim, ReplyForAnotherAddressIsIgnoredByTheController) {
    SharedMatrixSim sim({"--reply-address", "5"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    NetworkController brisvane(sim.udpPort(), Context(0, 1, 8));
    brisvane.Send(controller::switchRequest(0, 1, kHdmi, 1, 1));
    ASSERT_TRUE(brisvane.Poll());
    EXPECT_TRUE(brisvane.handler.applied.empty());
}

TEST(ControllerAgainstSim, SilentDeviceLeavesTheControllerWaiting) {
    SharedMatrixSim sim({"--silent"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    NetworkController brisvane(sim.udpPort(), Context(0, 1, 8));
    brisvane.Send(controller::readSwitchRequest(0, 1, kHdmi, 8));
    EXPECT_FALSE(brisvane.Poll(500ms));
    EXPECT_EQ(brisvane.handler.readsEnded, 0);
}

} // namespace
} // namespace sim_test
