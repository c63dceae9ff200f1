#include "tests/terminal_ui/list_window_fixture.h"

#include "tests/support/namespace_check.h"
#include "tests/terminal_protocol/free_udp_port.h"
#include "widgets/hover_button.h"
#include "widgets/ip_address_edit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QUdpSocket>

namespace terminal_ui_test {

void ListWindowTest::SetUp() {
    REQUIRE_PRIVATE_NETWORK_NAMESPACE();
    m_port = terminal_test::freeUdpPort();
}

void ListWindowTest::TearDown() {
    m_window.reset();
}

void ListWindowTest::writeSettings(const std::string& contents) {
    test_support::TempDir::writeFile(m_dir.file("Quellin.ini"), contents);
}

std::string ListWindowTest::settingsText() const {
    return test_support::TempDir::readFile(m_dir.file("Quellin.ini"));
}

TerminalListWindow& ListWindowTest::openWindow(std::optional<std::string> hostName,
                                               bool recordSetups) {
    terminal_setup::TerminalListWindowOptions options = m_options;
    options.hostName = [hostName] { return hostName; };
    options.discoveryPort = m_port;
    m_window = std::make_unique<TerminalListWindow>(m_dir.path(), m_prompts, options);
    if (recordSetups) {
        m_window->setSetupOpener(
            [this](const SetupDialogInputs& inputs, const TerminalRecord& record) {
                m_opened.emplace_back(inputs, record);
            });
    }
    m_window->show();
    QApplication::processEvents();
    return *m_window;
}

void ListWindowTest::deliverReport(const TerminalDatagram& report) {
    const int before = list()->rowCount();
    QUdpSocket sender;
    sender.writeDatagram(reinterpret_cast<const char*>(report.data()),
                         static_cast<qint64>(report.size()), QHostAddress::LocalHost, m_port);
    ASSERT_TRUE(pollUntilRows([this] { m_window->onGroupPollTick(); }, before + 1));
}

bool ListWindowTest::pollUntilRows(const std::function<void()>& tick, int rows,
                                   std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (list()->rowCount() < rows) {
        if (clock.elapsed() > timeout.count())
            return false;
        QThread::msleep(5);
        tick();
    }
    return list()->rowCount() == rows;
}

QTableWidget* ListWindowTest::list() const {
    return m_window->findChild<QTableWidget*>("terminalList");
}

std::vector<std::string> ListWindowTest::interfaceTexts() const {
    std::vector<std::string> texts;
    const auto* combo = m_window->findChild<QComboBox*>("interfaceCombo");
    for (int i = 0; combo && i < combo->count(); ++i)
        texts.push_back(combo->itemText(i).toStdString());
    return texts;
}

QLineEdit* ListWindowTest::edit(const char* objectName) const {
    return m_window->findChild<QLineEdit*>(objectName);
}

widgets::IpAddressEdit* ListWindowTest::addressEdit(const char* objectName) const {
    return m_window->findChild<widgets::IpAddressEdit*>(objectName);
}

widgets::HoverButton* ListWindowTest::button(const char* objectName) const {
    return m_window->findChild<widgets::HoverButton*>(objectName);
}

void ListWindowTest::click(const char* buttonName) {
    QTest::mouseClick(button(buttonName), Qt::LeftButton);
}

QPoint ListWindowTest::cellCentre(int row, int column) const {
    return list()->visualRect(list()->model()->index(row, column)).center();
}

} // namespace terminal_ui_test
