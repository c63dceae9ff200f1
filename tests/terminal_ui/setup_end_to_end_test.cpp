// Quellin's list window and setup dialog, in this process, against a terminal-sim process: what
// the dialog sends must change the terminal so that the next scan lists the new values. Only
// inside the private network namespace, as everything here goes through the multicast group.

#include "terminal_setup/ui/host_identity.h"
#include "terminal_setup/ui/terminal_config_dialog.h"
#include "terminal_setup/ui/terminal_list_window.h"
#include "tests/support/namespace_check.h"
#include "tests/support/prompt_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/terminal_protocol/free_udp_port.h"
#include "tests/terminal_protocol/terminal_sim_process.h"
#include "tests/terminal_ui/setup_test_record.h"
#include "widgets/hover_button.h"
#include "widgets/ip_address_edit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

using terminal_setup::TerminalConfigDialog;
using terminal_setup::TerminalListWindow;
using terminal_test::TerminalSimProcess;
using namespace std::chrono_literals;

class SetupEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK_NAMESPACE();
        m_port = terminal_test::freeUdpPort();
    }
    void TearDown() override { m_window.reset(); }

    // One terminal, made up from `seed`, or read from a terminal file with `lines`.
    void startSim(const std::string& lines = {}, const QStringList& more = {}) {
        QStringList arguments{"--count", "1", "--seed", "7"};
        if (!lines.empty()) {
            test_support::TempDir::writeFile(m_dir.file("terminals.txt"), lines);
            arguments = QStringList{"--from", QString::fromStdString(m_dir.file("terminals.txt"))};
        }
        m_sim = std::make_unique<TerminalSimProcess>(MATRIX_BIN_DIR "/terminal-sim",
                                                     arguments << more << "--port"
                                                               << QString::number(m_port));
        ASSERT_TRUE(m_sim->isReady()) << m_sim->log().toStdString();
    }

    void openWindow() {
        terminal_setup::TerminalListWindowOptions options;
        options.hostName = [] { return std::optional<std::string>("setup-end-to-end"); };
        options.discoveryPort = m_port;
        m_window = std::make_unique<TerminalListWindow>(m_dir.path(), m_prompts, options);
        m_window->show();
        QApplication::processEvents();
    }

    // "Scan", then the 100 ms ticks until the one terminal is listed, then the seconds until the
    // buttons come back.
    void scan() {
        QTest::mouseClick(button("scanButton"), Qt::LeftButton);
        QElapsedTimer clock;
        clock.start();
        while (list()->rowCount() < 1 && clock.elapsed() < 5000) {
            QThread::msleep(5);
            m_window->onGroupPollTick();
        }
        ASSERT_EQ(list()->rowCount(), 1);
        for (int tick = 0; tick < 5; ++tick)
            m_window->onScanWindowTick();
        ASSERT_TRUE(button("scanButton")->isEnabled());
    }

    // Selects the row, presses "Setup" and runs `operate` while the modal dialog is open; the
    // dialog is closed with "Exit" afterwards, whatever `operate` did.
    void withSetupDialog(const std::function<void(TerminalConfigDialog&)>& operate) {
        bool ran = false;
        QTimer::singleShot(0, m_window.get(), [&] {
            auto* dialog = m_window->findChild<TerminalConfigDialog*>();
            if (dialog == nullptr)
                return;
            ran = true;
            operate(*dialog);
            if (auto* exit = dialog->findChild<QPushButton*>("exitButton"))
                QTest::mouseClick(exit, Qt::LeftButton);
            dialog->reject();
        });
        const QRect cell = list()->visualRect(list()->model()->index(0, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseClick(button("setupButton"), Qt::LeftButton);
        EXPECT_TRUE(ran) << "the setup dialog did not open";
    }

    // The scan that checks a write, and its 100 ms polls until `label` tells the result.
    QString checkWrite(const QLabel* label) {
        m_window->onWriteCheckTick();
        QElapsedTimer clock;
        clock.start();
        while (!label->text().contains("answer") && clock.elapsed() < 5000) {
            QThread::msleep(5);
            m_window->onGroupPollTick();
        }
        return label->text();
    }

    bool simNoted(const QString& text, std::chrono::milliseconds timeout = 5s) const {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeout.count()) {
            if (m_sim->log().contains(text))
                return true;
            QThread::msleep(10);
        }
        return false;
    }

    QTableWidget* list() const { return m_window->findChild<QTableWidget*>("terminalList"); }
    widgets::HoverButton* button(const char* name) const {
        return m_window->findChild<widgets::HoverButton*>(name);
    }
    QString cell(int column) const { return list()->item(0, column)->text(); }
    const terminal_setup::TerminalRecord& listed() const {
        return m_window->discovery().table().at(0);
    }

    test_support::TempDir m_dir;
    test_support::PromptRecorder m_prompts;
    std::uint16_t m_port = 0;
    std::unique_ptr<TerminalSimProcess> m_sim;
    std::unique_ptr<TerminalListWindow> m_window;
};

// A list position other than the current one: the last entry, or the first when it is already
// the last.
int chooseOtherEnd(QComboBox* combo) {
    const bool atEnd = combo->currentIndex() == combo->count() - 1;
    combo->setFocus();
    QTest::keyClick(combo, atEnd ? Qt::Key_Home : Qt::Key_End);
    return combo->currentIndex();
}

TEST_F(SetupEndToEnd, RefreshChangesTheTerminalAndTheNextScanListsItsNewValues) {
    ASSERT_NO_FATAL_FAILURE(startSim());
    openWindow();
    ASSERT_NO_FATAL_FAILURE(scan());
    const std::string mac = cell(5).toStdString();
    const std::uint8_t id = listed().id();

    int workMode = -1;
    int baud = -1;
    withSetupDialog([&](TerminalConfigDialog& dialog) {
        auto* tabs = dialog.findChild<QTabWidget*>("tabControl");
        ASSERT_NE(tabs, nullptr);
        setup_test::retype(dialog.findChild<QLineEdit*>("nameEdit"), "Lab2");
        tabs->setCurrentIndex(1);
        setup_test::retypeAddress(dialog.findChild<widgets::IpAddressEdit*>("ipAddressEdit"),
                                  "192.0.2.77");
        workMode = chooseOtherEnd(dialog.findChild<QComboBox*>("workModeCombo"));
        tabs->setCurrentIndex(2);
        baud = chooseOtherEnd(dialog.findChild<QComboBox*>("baudCombo"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("refreshButton"), Qt::LeftButton);
    });
    ASSERT_TRUE(simNoted("took a configuration write")) << m_sim->log().toStdString();

    ASSERT_NO_FATAL_FAILURE(scan());
    EXPECT_EQ(cell(1), "Lab2");
    EXPECT_EQ(cell(3), "192.0.2.77");
    EXPECT_EQ(cell(5).toStdString(), mac);
    EXPECT_EQ(listed().workMode(), workMode);
    EXPECT_EQ(listed().baudIndex(), baud);
    EXPECT_EQ(listed().id(), id); // a write never renumbers
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(SetupEndToEnd, TheScanAfterARefreshTellsInTheDialogWhatTheTerminalTookAndWhatNot) {
    ASSERT_NO_FATAL_FAILURE(startSim({}, {"--ignore-field", "baud"}));
    openWindow();
    ASSERT_NO_FATAL_FAILURE(scan());

    QString told;
    withSetupDialog([&](TerminalConfigDialog& dialog) {
        auto* tabs = dialog.findChild<QTabWidget*>("tabControl");
        tabs->setCurrentIndex(1);
        setup_test::retypeAddress(dialog.findChild<widgets::IpAddressEdit*>("ipAddressEdit"),
                                  "192.0.2.77");
        tabs->setCurrentIndex(2);
        chooseOtherEnd(dialog.findChild<QComboBox*>("baudCombo"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("refreshButton"), Qt::LeftButton);
        EXPECT_TRUE(m_window->writeCheckPending());
        told = checkWrite(dialog.findChild<QLabel*>("writeCheckLabel"));
        if (const char* path = std::getenv("QUELLIN_CHECK_SCREENSHOT")) {
            EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(path)));
        }
    });
    EXPECT_TRUE(told.contains("answered. It shows: IP 192.0.2.77. It does not show: Baud "))
        << told.toStdString();
    EXPECT_FALSE(m_window->writeCheckPending());
    EXPECT_EQ(cell(3), "192.0.2.77"); // the checking scan refreshed the list
}

TEST_F(SetupEndToEnd, AWriteCheckedAfterTheDialogClosedTellsUnderTheListThatNoOneAnswered) {
    ASSERT_NO_FATAL_FAILURE(startSim());
    openWindow();
    ASSERT_NO_FATAL_FAILURE(scan());
    withSetupDialog([](TerminalConfigDialog& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>("refreshButton"), Qt::LeftButton);
    });
    m_sim->stop();
    auto* label = m_window->findChild<QLabel*>("writeCheckLabel");
    m_window->onWriteCheckTick();
    for (int tick = 0; tick < 5; ++tick)
        m_window->onScanWindowTick();
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(label->text().endsWith("did not answer the scan after the write."))
        << label->text().toStdString();
}

TEST_F(SetupEndToEnd, AChineseNameIsShownAndAnEditedOneWrittenInGbk) {
    ASSERT_NO_FATAL_FAILURE(startSim("id=9 mac=00:1A:2B:3C:4D:5E name=\\xD6\\xD0\\xCE\\xC4\n"));
    openWindow();
    ASSERT_NO_FATAL_FAILURE(scan());
    EXPECT_EQ(cell(1).toStdString(), "中文");

    withSetupDialog([&](TerminalConfigDialog& dialog) {
        auto* name = dialog.findChild<QLineEdit*>("nameEdit");
        EXPECT_EQ(name->text().toStdString(), "中文");
        setup_test::retype(name, QString::fromUtf8("中文台"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("refreshButton"), Qt::LeftButton);
    });
    ASSERT_TRUE(simNoted("took a configuration write")) << m_sim->log().toStdString();

    ASSERT_NO_FATAL_FAILURE(scan());
    EXPECT_EQ(cell(1).toStdString(), "中文台");
    EXPECT_EQ(listed().name(), "\xD6\xD0\xCE\xC4\xCC\xA8");
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(SetupEndToEnd, ResetWithAutoIncreaseGivesTheTerminalTheNextId) {
    test_support::TempDir::writeFile(m_dir.file("Quellin.ini"), "[COMM]\r\nAUTOID=41\r\n");
    ASSERT_NO_FATAL_FAILURE(startSim());
    openWindow();
    ASSERT_NO_FATAL_FAILURE(scan());
    const QString macStart = cell(5).left(cell(5).size() - 2);

    withSetupDialog([&](TerminalConfigDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>("counterEdit")->text(), "41");
        QTest::mouseClick(dialog.findChild<QCheckBox*>("autoIncreaseCheck"), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton*>("resetButton"), Qt::LeftButton);
        EXPECT_EQ(dialog.findChild<QLineEdit*>("counterEdit")->text(), "42");
    });
    ASSERT_TRUE(simNoted("took a reset to ID 42")) << m_sim->log().toStdString();

    // The dialog is closed: the check of the reset is told under the list.
    EXPECT_TRUE(checkWrite(m_window->findChild<QLabel*>("writeCheckLabel"))
                    .endsWith("answered. It shows: ID 42."));
    EXPECT_EQ(cell(0), "42");
    EXPECT_EQ(cell(5), macStart + "2A");
    EXPECT_NE(test_support::TempDir::readFile(m_dir.file("Quellin.ini")).find("AUTOID=42"),
              std::string::npos);
}

} // namespace
