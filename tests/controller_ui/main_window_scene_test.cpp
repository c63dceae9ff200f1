#include "tests/controller_ui/main_window_fixture.h"

#include <QPushButton>

namespace controller_ui_test {
namespace {

using controller::MainWindow;

TEST_F(MainWindowTest, SaveAndLoadSendTheChosenScene) {
    start();
    choose("saveSceneCombo", 0);
    press("saveButton");
    EXPECT_EQ(serialOut(7), (Bytes{0xBA, 0x01, 0x11, 0x03, 0x00, 0x01, 0xD0}));
    choose("loadSceneCombo", 15);
    press("loadButton");
    EXPECT_EQ(serialOut(7), (Bytes{0xBA, 0x01, 0x15, 0x03, 0x00, 0x10, 0xE3}));
}

TEST_F(MainWindowTest, SaveOrLoadWithoutAChosenSceneSendsNothing) {
    MainWindow& w = start();
    for (int tick = 0; tick < 5; ++tick)
        w.session().onReplyWatchTick();
    serialQuiet();
    ASSERT_FALSE(w.session().replyWatchTimerActive());

    press("saveButton");
    press("loadButton");
    EXPECT_TRUE(serialQuiet().empty());
    EXPECT_FALSE(w.session().replyWatchTimerActive());
}

TEST_F(MainWindowTest, CycleButtonStartsAndStopsTheDevicesCycling) {
    MainWindow& w = start();
    auto* cycle = control<QPushButton>("cycleButton");
    EXPECT_EQ(cycle->text(), "AutoSwitich-START");
    press("cycleButton");
    EXPECT_TRUE(w.session().cycling());
    EXPECT_EQ(cycle->text(), "End Cycle");
    press("cycleButton");
    EXPECT_FALSE(w.session().cycling());
    EXPECT_EQ(cycle->text(), "Start Cycle");
    EXPECT_EQ(cycle->accessibleName(), "Start Cycle");

    press("cycleButton");
    EXPECT_EQ(cycle->text(), "End Cycle");
}

TEST_F(MainWindowTest, SceneRepliesAreConfirmedInThePromptDialog) {
    start();
    deviceSends({0xBA, 0x01, 0x11, 0x03, 0x00, 0x01, 0xD0});
    ASSERT_TRUE(waitFor([&] { return m_prompts.prompts.size() == 1; }));
    deviceSends({0xBA, 0x01, 0x15, 0x03, 0x00, 0x02, 0xD5});
    ASSERT_TRUE(waitFor([&] { return m_prompts.prompts.size() == 2; }));
    EXPECT_EQ(m_prompts.texts(), (std::vector<std::string>{"  Save scene successfully!  ",
                                                           "Reload scene successfully!"}));
    EXPECT_EQ(m_prompts.prompts[1].style, platform::PromptStyle::PromptDialog);
}

// A burst of scene replies while the read-back goes unanswered: one message at a time, and a text
// already open or waiting is not shown again.
TEST_F(MainWindowTest, MessagesWaitForTheOpenOneAndRepeatsCollapse) {
    MainWindow& w = start();
    m_prompts.whileOpen = [&](const platform::Prompt& prompt) {
        if (prompt.text != "  Save scene successfully!  ")
            return;
        for (int tick = 0; tick < 5; ++tick)
            w.session().onReplyWatchTick();
    };
    Bytes burst;
    for (int i = 0; i < 300; ++i)
        burst.insert(burst.end(), {0xBA, 0x01, 0x11, 0x03, 0x00, 0x01, 0xD0});
    deviceSends(burst);
    ASSERT_TRUE(waitFor([&] { return m_prompts.prompts.size() == 2; }));
    processEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(m_prompts.maxOpen, 1);
    EXPECT_EQ(m_prompts.texts(), (std::vector<std::string>{
                                     "  Save scene successfully!  ",
                                     "Can not read device, check the communications connection!"}));
}

} // namespace
} // namespace controller_ui_test
