// "Apply plan..." of the list window against terminal-sim: the preview, each row's result, and
// the list scanned again afterwards.

#include "tests/terminal_protocol/terminal_sim_process.h"
#include "tests/terminal_ui/list_window_fixture.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>

#include <cstdlib>

namespace terminal_ui_test {
namespace {

std::vector<std::string> column(const QTableWidget* table, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts.push_back(table->item(row, column)->text().toStdString());
    return texts;
}

TEST_F(ListWindowTest, APlanIsPreviewedAppliedRowByRowAndTheListScannedAgain) {
    test_support::TempDir::writeFile(
        m_dir.file("terminals.txt"),
        "id=1 name=Hall1 mac=00:1A:2B:3C:01:01 ip=192.0.2.21 baud=6 workmode=0\n"
        "id=2 name=Hall2 mac=00:1A:2B:3C:02:02 ip=192.0.2.22 baud=6 workmode=0 ignore=baud\n");
    terminal_test::TerminalSimProcess sim(MATRIX_BIN_DIR "/terminal-sim",
                                          {"--from",
                                           QString::fromStdString(m_dir.file("terminals.txt")),
                                           "--port", QString::number(m_port)});
    ASSERT_TRUE(sim.isReady()) << sim.log().toStdString();
    test_support::TempDir::writeFile(m_dir.file("plan.csv"),
                                     "mac,name,ip,mode,baud\n"
                                     "001A－2B3C－0101,Lab1,192.0.2.31,UDP ,\n"
                                     "001A－2B3C－0202,,192.0.2.32,,19200\n"
                                     "001A－2B3C－0909,Lab9,,,\n");
    m_options.choosePlanFile = [this](QWidget*) { return m_dir.file("plan.csv"); };
    std::vector<std::string> changes;
    std::vector<std::string> results;
    m_options.runPlanDialog = [&](terminal_setup::PlanDialog& dialog) {
        const auto* table = dialog.findChild<QTableWidget*>("planTable");
        changes = column(table, 3);
        EXPECT_EQ(column(table, 2), (std::vector<std::string>{"found", "found", "not found"}));
        dialog.onApply();
        QElapsedTimer clock;
        clock.start();
        while (dialog.applying() && clock.elapsed() < 20000) {
            m_window->onWriteCheckTick();
            m_window->onGroupPollTick();
            QThread::msleep(5);
        }
        results = column(table, 4);
        if (const char* path = std::getenv("QUELLIN_PLAN_SCREENSHOT")) {
            dialog.show();
            EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(path)));
        }
    };
    openWindow();
    click("scanButton");
    ASSERT_TRUE(pollUntilRows([this] { m_window->onGroupPollTick(); }, 2));

    click("applyPlanButton");
    EXPECT_EQ(changes, (std::vector<std::string>{
                           "name Hall1 → Lab1\nip 192.0.2.21 → 192.0.2.31\nmode TCP  Server → UDP ",
                           "ip 192.0.2.22 → 192.0.2.32\nbaud 9600 → 19200", "name → Lab9"}));
    EXPECT_EQ(results,
              (std::vector<std::string>{
                  "confirmed", "not confirmed after a second write: baud 19200 (it reports 9600)",
                  "not found; skipped"}));
    // Scanned again: the list shows the terminals as they are now.
    ASSERT_TRUE(pollUntilRows([this] { m_window->onGroupPollTick(); }, 2));
    EXPECT_EQ(list()->item(0, 1)->text().toStdString() + list()->item(1, 3)->text().toStdString(),
              "Lab1192.0.2.32");
    EXPECT_TRUE(m_prompts.prompts.empty());
}

} // namespace
} // namespace terminal_ui_test
