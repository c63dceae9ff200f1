#include "tests/controller_ui/main_window_fixture.h"

#include <QPushButton>

namespace controller_ui_test {
namespace {

using controller::MainWindow;

const std::string kOpenFailed = "Unable to open the serial port, Please check and try again!";
const std::string kNoPort = "No serial port!";
const std::string kSilent = "Can not read device, check the communications connection!";

bool hasLine(const std::string& text, const std::string& line) {
    return text.find(line + "\r\n") != std::string::npos;
}

TEST_F(MainWindowTest, StartOpensTheLoadedPortAndNamesItInTheTitle) {
    MainWindow& w = start();
    EXPECT_TRUE(w.session().serialOpen());
    EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM1:9600,N,8,1");
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "CLOSE");
    EXPECT_TRUE(m_prompts.prompts.empty());
    EXPECT_EQ(w.session().deviceAddress(), 1);
    EXPECT_TRUE(w.session().replyWatchTimerActive());
}

struct BaudCase {
    int index;
    const char* title;
};

class BaudList : public MainWindowTest, public testing::WithParamInterface<BaudCase> {};

TEST_P(BaudList, EachIndexOpensAtItsRate) {
    writeSettings("SelectCOM=0\r\nSelectBAUD=" + std::to_string(GetParam().index) +
                  "\r\nMatrixType=3\r\nMatrixSize=0\r\n");
    EXPECT_EQ(start().windowTitle(), GetParam().title);
}

// An index the list does not have opens at 9600.
INSTANTIATE_TEST_SUITE_P(Rates, BaudList,
                         testing::Values(BaudCase{0, "  Matrix V3.5 -- COM1:2400,N,8,1"},
                                         BaudCase{1, "  Matrix V3.5 -- COM1:4800,N,8,1"},
                                         BaudCase{2, "  Matrix V3.5 -- COM1:9600,N,8,1"},
                                         BaudCase{3, "  Matrix V3.5 -- COM1:19200,N,8,1"},
                                         BaudCase{9, "  Matrix V3.5 -- COM1:9600,N,8,1"}));

TEST_F(MainWindowTest, CloseThenBaudChangeReopensThePort) {
    MainWindow& w = start();
    press("openButton");
    EXPECT_FALSE(w.session().serialOpen());
    EXPECT_EQ(w.windowTitle(), "  Corvell V3.5");
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "OPEN");
    clickAt(crosspointCentre(w, 0, 0));
    EXPECT_TRUE(serialQuiet().empty()); // no link active: dropped silently
    EXPECT_FALSE(w.marker(0)->isHidden());

    choose("baudCombo", 3);
    EXPECT_TRUE(w.session().serialOpen());
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "CLOSE");
    EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM1:19200,N,8,1");
    EXPECT_TRUE(m_prompts.prompts.empty());

    press("openButton");
    press("openButton");
    EXPECT_TRUE(w.session().serialOpen());
}

TEST_F(MainWindowTest, ComChangeMovesToTheChosenPortOrSaysThereIsNone) {
    MainWindow& w = start();
    choose("comCombo", 1);
    EXPECT_TRUE(w.session().serialOpen());
    EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM2:9600,N,8,1");

    choose("comCombo", 4); // COM5 leads nowhere
    EXPECT_FALSE(w.session().serialOpen());
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "OPEN");
    EXPECT_EQ(w.windowTitle(), "     Matrix V3.5");
    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>{kNoPort + "\r\n" + notPresent(5)});

    m_prompts.clear();
    press("openButton");
    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>{kOpenFailed + "\r\n" + notPresent(5)});
}

TEST_F(MainWindowTest, StartWithoutPortReportsItAtOnceAndTheSilenceOnTickFive) {
    writeSettings("SelectCOM=2\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\nUseNet=0\r\n");
    MainWindow& w = start();
    EXPECT_FALSE(w.session().serialOpen());
    EXPECT_EQ(w.windowTitle(), "     Matrix V3.5");
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "OPEN");
    const std::string failed = kOpenFailed + "\r\n" + notPresent(3);
    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>{failed});
    for (int tick = 1; tick <= 4; ++tick)
        w.session().onReplyWatchTick();
    EXPECT_EQ(m_prompts.prompts.size(), 1u);
    w.session().onReplyWatchTick();
    EXPECT_EQ(m_prompts.texts(), (std::vector<std::string>{failed, kSilent}));
    EXPECT_EQ(m_prompts.prompts[1].caption, "Prompt");
}

// The identity is asked of every device (the session's tests follow the frames); an answer from
// another address than "Matrix ID" names is shown too, since it says which device it is.
TEST_F(MainWindowTest, ReadDeviceShowsTheIdentityOfADeviceAtAnotherAddress) {
    MainWindow& w = start();
    choose("matrixIdCombo", 2);
    press("readDeviceButton");
    deviceSends({0xBA, 0x05, 0x14, 0x05, 0x00, 0xA6, 0x05, 0x08, 0x08});
    ASSERT_TRUE(waitFor([&] { return !m_prompts.prompts.empty(); }));
    EXPECT_EQ(
        m_prompts.texts(),
        std::vector<std::string>{
            "Current equipment:HDMI Matrix\r\nDevice Address: 5\r\nSpecifications: 8 * 8\r\n"});
    EXPECT_EQ(w.session().deviceAddress(), 3);
}

TEST_F(MainWindowTest, TypeChangeSetsTheAvButtonsAndSavesTheForcedMode) {
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\nAVMode=2\r\n");
    MainWindow& w = start();
    auto* video = control<QAbstractButton>("avVideoRadio");
    auto* audio = control<QAbstractButton>("avAudioRadio");
    EXPECT_FALSE(video->isEnabled());
    EXPECT_TRUE(audio->isChecked());

    choose("matrixTypeCombo", 1);
    EXPECT_TRUE(video->isEnabled());
    EXPECT_TRUE(video->isChecked());
    EXPECT_EQ(w.settings().avMode, 1);
    EXPECT_TRUE(hasLine(settingsText(), "MatrixType=1"));
    EXPECT_TRUE(hasLine(settingsText(), "AVMode=1"));
    // VGA video: 0xA0.
    clickAt(crosspointCentre(w, 0, 0));
    EXPECT_EQ(serialOut(8), (Bytes{0xBA, 0x01, 0x01, 0x04, 0xA0, 0x00, 0x00, 0x60}));

    press("avVideoAudioRadio");
    EXPECT_EQ(w.settings().avMode, 0);
    EXPECT_TRUE(hasLine(settingsText(), "AVMode=0"));

    choose("matrixTypeCombo", 4);
    EXPECT_FALSE(video->isEnabled());
    EXPECT_EQ(w.settings().avMode, 0);
    EXPECT_TRUE(hasLine(settingsText(), "AVMode=0"));
}

} // namespace
} // namespace controller_ui_test
