#include "tests/controller_ui/main_window_fixture.h"

#include "controller/ui/traffic_table_model.h"
#include "controller/ui/traffic_window.h"

#include <QCheckBox>
#include <QHostAddress>
#include <QUdpSocket>

namespace controller_ui_test {
namespace {

using controller::MainWindow;

const Bytes kReadIdentity{0xBA, 0xFF, 0x14, 0x02, 0x00, 0x00};

// The terminal's side of the network link: a socket on 127.0.0.1 with a port the system picks.
class Terminal {
public:
    Terminal() { m_socket.bind(QHostAddress::LocalHost, 0); }
    std::uint16_t port() const { return m_socket.localPort(); }
    // The next datagram within the time; empty when none came.
    Bytes receive(int timeoutMs = 1000) {
        if (!m_socket.hasPendingDatagrams() && !m_socket.waitForReadyRead(timeoutMs))
            return {};
        QByteArray data(static_cast<int>(m_socket.pendingDatagramSize()), '\0');
        m_socket.readDatagram(data.data(), data.size());
        return Bytes(data.begin(), data.end());
    }
    void sendTo(std::uint16_t port, const Bytes& bytes) {
        m_socket.writeDatagram(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<qint64>(bytes.size()), QHostAddress::LocalHost, port);
    }

private:
    QUdpSocket m_socket;
};

std::string netSection(const std::string& destIp, std::uint16_t destPort) {
    return "HostPort=0\r\nDestIP=" + destIp + "\r\nDestPort=" + std::to_string(destPort) + "\r\n";
}

TEST_F(MainWindowTest, FailedUdpSendUnchecksUseNetUntilAClickTurnsItOnAgain) {
    Terminal terminal;
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\nUseNet=1\r\n",
                  netSection("0.0.0.0", terminal.port()));
    MainWindow& w = start();
    auto* useNet = control<QCheckBox>("useNetCheck");
    ASSERT_TRUE(useNet->isChecked());

    // While the message is open the box is clear already, and a frame sent then (the message
    // runs a nested event loop) adds no second message.
    bool checkedWhileOpen = true;
    m_prompts.whileOpen = [&](const platform::Prompt&) {
        checkedWhileOpen = useNet->isChecked();
        m_prompts.whileOpen = nullptr;
        press("readDeviceButton");
    };
    press("readDeviceButton");
    EXPECT_FALSE(checkedWhileOpen);
    EXPECT_EQ(m_prompts.texts(),
              std::vector<std::string>{"UDP error,Network operation is terminated!"});
    EXPECT_FALSE(useNet->isChecked());

    controller::NetworkSettings net = w.session().networkSettings();
    net.destIp = "127.0.0.1";
    w.setNetworkSettings(net);
    useNet->click();
    EXPECT_TRUE(useNet->isChecked());
    EXPECT_EQ(w.settings().useNet, 1);
    press("readDeviceButton");
    EXPECT_EQ(terminal.receive(), kReadIdentity);
    EXPECT_EQ(m_prompts.prompts.size(), 1u);
}

TEST_F(MainWindowTest, UseNetClickIsSaved) {
    MainWindow& w = start();
    control<QCheckBox>("useNetCheck")->click();
    EXPECT_EQ(w.settings().useNet, 1);
    EXPECT_NE(settingsText().find("UseNet=1\r\n"), std::string::npos);
    control<QCheckBox>("useNetCheck")->click();
    EXPECT_NE(settingsText().find("UseNet=0\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, WithBothLinksEachFrameLeavesOnEachAndTheTrafficViewNamesTheLink) {
    Terminal terminal;
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\nUseNet=1\r\n",
                  netSection("127.0.0.1", terminal.port()));
    MainWindow& w = start();
    w.showTraffic();
    clickAt(crosspointCentre(w, 3, 2));
    const Bytes frame{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x03, 0x02, 0x6B};
    EXPECT_TRUE(m_prompts.prompts.empty());

    terminal.sendTo(w.session().networkLocalPort(), frame);
    controller::TrafficWindow& view = *w.trafficWindow();
    ASSERT_TRUE(waitFor([&] {
        w.session().onNetworkPollTick();
        view.flushPending();
        return view.model().shown().size() == 3;
    }));
    const std::string peer = "UDP 127.0.0.1:" + std::to_string(terminal.port());
    const controller::TrafficLog& shown = view.model().shown();
    EXPECT_EQ(shown[0].link, "COM1");
    EXPECT_EQ(shown[1].link, peer);
    EXPECT_EQ(shown[2].link, peer);
    EXPECT_EQ(shown[2].direction, controller::TrafficDirection::Received);
}

// Repeats in one batch cost one message; what arrives while a message is open (its event loop
// keeps polling the network) waits for it instead of opening a window inside it, a repeat of the
// open one dropped. The limits of the wait are the queue's own tests.
TEST_F(MainWindowTest, ReplyMessagesNeverNestAndRepeatsCollapse) {
    const std::string saved = "  Save scene successfully!  ";
    const std::string equipment = "Current equipment:HDMI Matrix\r\nSpecifications: 8 * 8\r\n";
    Terminal terminal;
    MainWindow& w = start();
    m_prompts.whileOpen = [&](const platform::Prompt&) {
        m_prompts.whileOpen = nullptr;
        for (const Bytes& datagram :
             {Bytes{0xBA, 0x01, 0x11, 0x00}, Bytes{0xBA, 0x01, 0xA6, 0x02, 8, 8},
              Bytes{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x00, 0x01, 0x67}})
            terminal.sendTo(w.session().networkLocalPort(), datagram);
        // Datagrams come in order: once the last one has moved a marker, all have been taken.
        ASSERT_TRUE(waitFor([&] {
            w.session().onNetworkPollTick();
            return !w.marker(0)->isHidden();
        }));
        EXPECT_EQ(m_prompts.prompts.size(), 1u);
    };
    deviceSends({0xBA, 0x01, 0x11, 0x00, 0xBA, 0x01, 0x11, 0x00, 0xBA, 0x01, 0x11, 0x00});
    ASSERT_TRUE(waitFor([&] { return m_prompts.prompts.size() >= 2; }));
    EXPECT_EQ(m_prompts.texts(), (std::vector<std::string>{saved, equipment}));
    EXPECT_EQ(m_prompts.maxOpen, 1);
}

TEST_F(MainWindowTest, HostPortInUseLeavesTheNetworkDeaf) {
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0));
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\n",
                  "HostPort=" + std::to_string(holder.localPort()) + "\r\n");
    MainWindow& w = start();
    EXPECT_EQ(m_prompts.texts(),
              std::vector<std::string>{"Unable to complete the network settings!"});
    EXPECT_FALSE(w.session().networkPollActive());
    EXPECT_TRUE(w.session().serialOpen());
}

} // namespace
} // namespace controller_ui_test
