#include "tests/controller_ui/main_window_fixture.h"

#include <QPushButton>

#include <filesystem>

namespace controller_ui_test {
namespace {

namespace fs = std::filesystem;
using controller::MainWindow;

// What the operator sees of a device that goes away and comes back (the session's tests follow
// the port itself): one message, no port in the title, and the title saying it came back.
TEST_F(MainWindowTest, LostDeviceIsToldOnceAndItsReturnShowsInTheTitle) {
    // COM1 is reached through a name of its own, as a /dev/serial/by-id/ link reaches an adapter.
    const std::string adapter = m_dir.file("usb-adapter");
    fs::create_symlink(m_pty.slavePath(), adapter);
    m_portKeys[1] = adapter;
    MainWindow& w = start();
    ASSERT_TRUE(w.session().serialOpen());

    fs::remove(adapter);
    w.session().onPortPresenceTick();
    w.session().onPortPresenceTick();
    EXPECT_EQ(m_prompts.texts(),
              std::vector<std::string>{"The serial device of COM1 (" + adapter +
                                       ") went away; the port is closed.\r\nIt opens again by "
                                       "itself when the device comes back."});
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "OPEN");
    EXPECT_EQ(w.windowTitle(), "     Matrix V3.5");

    fs::create_symlink(m_pty.slavePath(), adapter);
    w.session().onPortPresenceTick();
    EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM1:9600,N,8,1 (reconnected)");
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "CLOSE");
    EXPECT_EQ(m_prompts.prompts.size(), 1u);
}

} // namespace
} // namespace controller_ui_test
