#include "tests/controller_ui/main_window_fixture.h"

#include <QElapsedTimer>

namespace controller_ui_test {
namespace {

using controller::MainWindow;

// Setting.ini as a hand, another program and a broken disk may leave it: ten megabytes of a
// foreign section in front, binary lines, a duplicated key and a duplicated section. The window
// starts on what the ini rules give (the first of each key), and a change of baud rate rewrites
// that one line and nothing else.
TEST_F(MainWindowTest, StartsFromAHugeBinaryFileWithDuplicatesAndSavesOnlyItsOwnLine) {
    using namespace std::string_literals;
    writeSettings("ProtocolType=0\r\nSelectCOM=0\r\nSelectBAUD=3\r\nSelectBAUD=0\r\n"
                  "MatrixType=3\r\n\x00MatrixSize=3\r\nMatrixSize=1\r\n\xFF\xFE\x01\r\n"s);
    std::string junk = "[Other]\r\n";
    while (junk.size() < 10 * 1024 * 1024)
        junk += "k" + std::to_string(junk.size()) + "=" + std::string(90, 'v') + "\r\n";
    junk += "\x00\x01\x02\r\n\xC3\x28\r\n"s;
    const std::string before =
        junk + settingsText() + "[SYSTEM_SET]\r\nMatrixSize=0\r\nSelectBAUD=0\r\n\x00\r\n"s;
    test_support::TempDir::writeFile(settingsPath(), before);

    QElapsedTimer clock;
    clock.start();
    MainWindow& w = start();
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_TRUE(m_prompts.prompts.empty());
    EXPECT_TRUE(w.session().serialOpen());
    EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM1:19200,N,8,1");
    EXPECT_EQ(w.gridLayout().portCount, 8);

    choose("baudCombo", 1);
    EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM1:4800,N,8,1");
    std::string expected = before;
    expected.replace(expected.find("SelectBAUD=3"), 12, "SelectBAUD=1");
    const std::string after = settingsText();
    EXPECT_TRUE(after == expected)
        << "file of " << after.size() << " bytes, expected " << expected.size();
}

} // namespace
} // namespace controller_ui_test
