#include "tests/controller_ui/main_window_fixture.h"
#include "tests/support/shared_matrix_sim.h"

#include "controller/ui/traffic_table_model.h"
#include "controller/ui/traffic_window.h"

#include <QTableView>

#include <cstdlib>
#include <sstream>

namespace controller_ui_test {
namespace {

using controller::MainWindow;

// The main window in this process against a matrix-sim process on a pseudo-terminal: a 16x16
// "HDMI Matrix" whose table starts with every output on its own input, and whose output 4 never
// takes a switch.
class MainWindowAgainstSim : public MainWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.ready()) << m_sim.error();
        std::string ports = "[Ports]\r\nCOM1=" + m_sim.linkPath() + "\r\n";
        for (int n = 2; n <= 9; ++n)
            ports += "COM" + std::to_string(n) + "=" + missingPath(n) + "\r\n";
        test_support::TempDir::writeFile(
            settingsPath(), "[SYSTEM_SET]\r\nSelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\n"
                            "MatrixSize=2\r\n[Net]\r\nHostPort=0\r\n" +
                                ports);
        m_settingsWritten = true;
    }

    // The marker of output o sits on the row of input i.
    bool markerOn(int o, int i) {
        const QRect expected(
            m_window->gridLayout().outputs[static_cast<std::size_t>(o)].centre - 15,
            m_window->gridLayout().inputs[static_cast<std::size_t>(i)].centre - 15, 30, 30);
        return !m_window->marker(o)->isHidden() && m_window->marker(o)->geometry() == expected;
    }

    // Switches from the grid and waits until the device shows it; its echo names the same pair.
    void clickCrosspoint(int o, int i) {
        clickAt(crosspointCentre(*m_window, o, i));
        EXPECT_TRUE(waitFor([&] {
            std::istringstream state(m_sim.State("crosspoints"));
            int input = -1;
            for (int k = 0; k <= o; ++k)
                state >> input;
            return input == i;
        })) << m_sim.Log();
    }

    test_support::SharedMatrixSim m_sim{{"--size", "16", "--type", "HDMI", "--refuse-output", "4"}};
};

TEST_F(MainWindowAgainstSim, SwitchingFromTheGridChangesTheDevicesTable) {
    MainWindow& w = start();
    ASSERT_TRUE(w.session().serialOpen());
    clickCrosspoint(5, 9);
    EXPECT_TRUE(m_sim.WaitForState("crosspoints", "0 1 2 3 4 9 6 7 8 9 10 11 12 13 14 15"))
        << m_sim.Log();
    EXPECT_TRUE(markerOn(5, 9));
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(MainWindowAgainstSim, LoadingASavedSceneMovesTheMarkersAfterTheReadBack) {
    MainWindow& w = start();
    clickCrosspoint(0, 1);
    clickCrosspoint(1, 2);
    choose("saveSceneCombo", 2);
    press("saveButton");
    ASSERT_TRUE(waitFor([&] { return m_prompts.prompts.size() == 1; })) << m_sim.Log();
    EXPECT_EQ(m_prompts.texts()[0], "  Save scene successfully!  ");
    EXPECT_EQ(m_sim.State("scene 3"), "1 2 2 3 4 5 6 7 8 9 10 11 12 13 14 15");

    clickCrosspoint(0, 5);
    clickCrosspoint(1, 6);
    ASSERT_TRUE(m_sim.WaitForState("crosspoints", "5 6 2 3 4 5 6 7 8 9 10 11 12 13 14 15"));

    choose("loadSceneCombo", 2);
    press("loadButton");
    ASSERT_TRUE(waitFor([&] { return m_prompts.prompts.size() == 2; })) << m_sim.Log();
    EXPECT_EQ(m_prompts.texts()[1], "Reload scene successfully!");
    // The device has switched, the grid not yet: it learns of it from the read-back.
    EXPECT_TRUE(markerOn(0, 5));
    EXPECT_TRUE(markerOn(1, 6));

    w.session().onReplyWatchTick();
    w.session().onReplyWatchTick();
    ASSERT_TRUE(waitFor([&] { return markerOn(0, 1) && markerOn(1, 2); })) << m_sim.Log();
    for (int o = 2; o < 16; ++o)
        EXPECT_TRUE(markerOn(o, o)) << o;
    EXPECT_FALSE(w.session().replyWatchTimerActive());
}

// The traffic view's rows as "dir link | bytes | words".
std::vector<std::string> trafficRows(controller::TrafficWindow& view) {
    view.flushPending();
    const QAbstractItemModel& model = *view.view()->model();
    std::vector<std::string> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        auto cell = [&](int c) { return model.index(r, c).data().toString().toStdString(); };
        rows.push_back(cell(1) + " " + cell(2) + " | " + cell(3) + " | " + cell(4));
    }
    return rows;
}

TEST_F(MainWindowAgainstSim, TrafficViewListsAClickAndTheReplyInWordsOnlyWhileOpen) {
    MainWindow& w = start();
    w.showTraffic();
    controller::TrafficWindow* view = w.trafficWindow();
    ASSERT_NE(view, nullptr);
    // A name given while the view is open shows in its words.
    ASSERT_TRUE(w.session().setPortName(controller::PortKind::Input, 10, "Camera 2"));
    clickCrosspoint(5, 9);
    ASSERT_TRUE(waitFor([&] { return trafficRows(*view).size() == 2; })) << m_sim.Log();
    EXPECT_EQ(trafficRows(*view),
              (std::vector<std::string>{
                  "tx COM1 | BA 01 01 04 A6 05 09 74 | switch input 10 \"Camera 2\" → output 6, "
                  "HDMI Matrix (device 1)",
                  "rx COM1 | BA 01 01 04 A6 05 09 74 | switched input 10 \"Camera 2\" → output "
                  "6, HDMI Matrix (device 1)"}));

    if (const char* path = std::getenv("BRISVANE_TRAFFIC_SCREENSHOT")) {
        w.session().setPortName(controller::PortKind::Output, 1, "Projector left");
        w.session().setPortName(controller::PortKind::Input, 4, "Laptop");
        clickCrosspoint(0, 3);
        press("readSwitchButton");
        press("readDeviceButton");
        ASSERT_TRUE(waitFor([&] { return trafficRows(*view).size() == 8; })) << m_sim.Log();
        EXPECT_TRUE(view->grab().save(QString::fromLocal8Bit(path)));
    }

    // Closed, the view takes nothing; opened again, it starts empty.
    view->close();
    EXPECT_EQ(w.trafficWindow(), nullptr);
    clickCrosspoint(1, 2);
    // The marker moves at the click, before the echo: the answer to a read sent after it tells
    // that the echo, too, came in while the view was closed.
    press("readSwitchButton");
    ASSERT_TRUE(waitFor([&] { return !w.session().replyWatchTimerActive(); })) << m_sim.Log();
    EXPECT_TRUE(markerOn(1, 2));
    w.showTraffic();
    ASSERT_NE(w.trafficWindow(), nullptr);
    EXPECT_TRUE(trafficRows(*w.trafficWindow()).empty());
}

// A backup is the device's own read-back in matrixctl dump's JSON; restoring one switches every
// output it names, reads back and says which did not take. A file for another size is refused.
TEST_F(MainWindowAgainstSim, BackupsAreSavedAndRestoredNamingTheOutputThatDidNotTake) {
    MainWindow& w = start();
    const std::string path = m_dir.file("backup.json");
    w.setBackupFileChooser([&](bool) { return QString::fromStdString(path); });
    w.saveCrosspoints();
    ASSERT_TRUE(waitFor([&] { return !w.backupRunning(); })) << m_sim.Log();
    std::string identity;
    for (int o = 1; o <= 16; ++o)
        identity += std::string(o > 1 ? ", " : "") + "{\"output\": " + std::to_string(o) +
                    ", \"input\": " + std::to_string(o) + "}";
    EXPECT_EQ(test_support::TempDir::readFile(path),
              "{\"size\": 16, \"address\": 1, \"crosspoints\": [" + identity + "]}\n");
    ASSERT_EQ(m_prompts.texts(), std::vector<std::string>{"Crosspoints saved to " + path + "."});

    test_support::TempDir::writeFile(
        path, "{\"size\": 16, \"address\": 1, \"crosspoints\": [{\"output\": 1, \"input\": 3}, "
              "{\"output\": 4, \"input\": 7}, {\"output\": 16, \"input\": 1}]}");
    w.restoreCrosspoints();
    ASSERT_TRUE(waitFor([&] { return !w.backupRunning(); })) << m_sim.Log();
    ASSERT_EQ(m_prompts.texts().size(), 2u);
    EXPECT_EQ(m_prompts.texts()[1], "Crosspoints restored from " + path +
                                        ". Output 4 did not take: output 4 shows input 4, not 7.");
    EXPECT_TRUE(markerOn(0, 2));
    EXPECT_TRUE(markerOn(3, 3));

    test_support::TempDir::writeFile(path, "{\"size\": 8, \"address\": 1, \"crosspoints\": []}");
    w.restoreCrosspoints();
    EXPECT_FALSE(w.backupRunning());
    ASSERT_EQ(m_prompts.texts().size(), 3u);
    EXPECT_EQ(m_prompts.texts()[2], path + " holds the crosspoints of a 8 × 8 matrix; this one is "
                                           "16 × 16. Nothing was switched.");
}

// A matrix reachable only through a terminal in "TCP  Server" mode (one that drops its
// controller after two frames): switched from the grid, its answers move the markers; the dropped
// connection is told once, made again by itself, and the state read back.
TEST_F(MainWindowAgainstSim, OverTcpTheGridSwitchesAndALostConnectionComesBack) {
    ASSERT_TRUE(m_sim.Reset({"--size", "16", "--type", "HDMI", "--drop-after", "2"}))
        << m_sim.error();
    writeSettings("SelectCOM=2\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=2\r\nUseNet=1\r\n",
                  "Transport=TCP\r\nDestIP=127.0.0.1\r\nDestPort=" +
                      std::to_string(m_sim.tcpPort()) + "\r\n");
    MainWindow& w = start();
    ASSERT_TRUE(waitFor([&] { return w.session().linkInUse(); })) << m_sim.Log();
    m_prompts.clear();

    clickAt(crosspointCentre(w, 5, 9));
    EXPECT_TRUE(m_sim.WaitForState("crosspoints", "0 1 2 3 4 9 6 7 8 9 10 11 12 13 14 15"))
        << m_sim.Log();
    press("readSwitchButton");
    ASSERT_TRUE(waitFor([&] { return m_prompts.prompts.size() == 1; })) << m_sim.Log();
    EXPECT_EQ(m_prompts.texts()[0],
              "The connection TCP 127.0.0.1:" + std::to_string(m_sim.tcpPort()) +
                  " is lost: the terminal closed the connection.\r\n"
                  "It is made again by itself when the terminal listens "
                  "again.");
    ASSERT_TRUE(waitFor([&] { return w.windowTitle().endsWith(" (reconnected)"); })) << m_sim.Log();
    w.session().onReplyWatchTick();
    w.session().onReplyWatchTick();
    ASSERT_TRUE(waitFor([&] { return markerOn(5, 9) && markerOn(15, 15); })) << m_sim.Log();
    EXPECT_EQ(m_prompts.prompts.size(), 1u);
}

} // namespace
} // namespace controller_ui_test
