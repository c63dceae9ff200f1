// The Setup dialog, opened from the main window, against a matrix-sim process on a
// pseudo-terminal: what the operator sets reaches the simulated device, and what it reports fills
// the dialog.
#include "controller/ui/setup_dialog.h"
#include "tests/controller_ui/main_window_fixture.h"
#include "tests/support/shared_matrix_sim.h"

#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace controller_ui_test {
namespace {

using controller::SetupDialog;

// An 8x8 "Hybrid matrix": the one type whose output video properties can be set.
class SetupDialogAgainstSim : public MainWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.ready()) << m_sim.error();
        std::string ports = "[Ports]\r\nCOM1=" + m_sim.linkPath() + "\r\n";
        for (int n = 2; n <= 9; ++n)
            ports += "COM" + std::to_string(n) + "=" + missingPath(n) + "\r\n";
        test_support::TempDir::writeFile(
            settingsPath(), "[SYSTEM_SET]\r\nSelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=5\r\n"
                            "MatrixSize=1\r\n[Net]\r\nHostPort=0\r\n" +
                                ports);
        m_settingsWritten = true;
    }

    template <class T>
    static T* in(QWidget& dialog, const char* name) {
        T* found = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static void chooseIn(QWidget& dialog, const char* list, int index) {
        if (auto* combo = in<QComboBox>(dialog, list)) {
            combo->setCurrentIndex(index);
            emit combo->activated(index);
        }
    }

    test_support::SharedMatrixSim m_sim{{"--size", "8", "--type", "Hybrid"}};
};

TEST_F(SetupDialogAgainstSim, SettingsReachTheDeviceAndReadFillsTheListsFromItsReport) {
    start();
    ASSERT_TRUE(m_window->session().serialOpen());
    bool opened = false;
    QTimer::singleShot(0, m_window.get(), [&] {
        auto* dialog = qobject_cast<SetupDialog*>(QApplication::activeModalWidget());
        opened = dialog != nullptr;
        if (!dialog)
            return;
        auto* edid = in<QComboBox>(*dialog, "edidList");
        auto* crop = in<QComboBox>(*dialog, "cropList");
        auto* aspect = in<QComboBox>(*dialog, "aspectRatioList");

        // The read sent on opening comes back with the first input's values, the device's
        // defaults.
        EXPECT_TRUE(waitFor([&] { return edid->currentIndex() >= 0; })) << m_sim.Log();
        EXPECT_EQ(edid->currentIndex(), 13);

        chooseIn(*dialog, "outputChannelList", 2);
        in<QSlider>(*dialog, "brightnessSlider")->setValue(200);
        in<QPushButton>(*dialog, "brightnessSet")->click();
        EXPECT_TRUE(m_sim.WaitForState("brightness", "128 128 200 128 128 128 128 128"))
            << m_sim.Log();

        // Each request purges what the line still holds of the previous one, so, like an
        // operator, the test lets each reach the device before the next.
        chooseIn(*dialog, "inputChannelList", 1);
        EXPECT_TRUE(waitFor([&] { return edid->currentIndex() >= 0; })) << m_sim.Log();
        chooseIn(*dialog, "edidList", 4);
        EXPECT_TRUE(m_sim.WaitForState("edid", "13 4 13 13 13 13 13 13")) << m_sim.Log();
        chooseIn(*dialog, "cropList", 1);
        EXPECT_TRUE(m_sim.WaitForState("crop", "0 1 0 0 0 0 0 0")) << m_sim.Log();
        chooseIn(*dialog, "aspectRatioList", 3);
        EXPECT_TRUE(m_sim.WaitForState("aspect", "0 3 0 0 0 0 0 0")) << m_sim.Log();

        // Forget what the dialog showed, then let the device tell it again.
        edid->setCurrentIndex(-1);
        crop->setCurrentIndex(-1);
        aspect->setCurrentIndex(-1);
        in<QPushButton>(*dialog, "readInput")->click();
        EXPECT_TRUE(waitFor([&] { return aspect->currentIndex() == 3; })) << m_sim.Log();
        EXPECT_EQ(edid->currentIndex(), 4);
        EXPECT_EQ(crop->currentIndex(), 1);
        dialog->reject();
    });
    press("setupButton");
    EXPECT_TRUE(opened) << "setupButton opened no dialog";
    EXPECT_TRUE(m_prompts.prompts.empty());
}

} // namespace
} // namespace controller_ui_test
