// The list window's handlers: buttons, list clicks, timer ticks, discovery events, leaving.

#include "terminal_setup/protocol/terminal_format.h"
#include "terminal_setup/protocol/write_check.h"
#include "terminal_setup/session/group_socket_error.h"
#include "terminal_setup/ui/quellin_about_dialog.h"
#include "terminal_setup/ui/terminal_config_dialog.h"
#include "terminal_setup/ui/terminal_list_window.h"
#include "widgets/data_exchange.h"
#include "widgets/hover_button.h"
#include "widgets/ip_address_edit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>

namespace terminal_setup {

namespace {

QString qText(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QTableWidgetItem* centredItem(const std::string& text) {
    auto* item = new QTableWidgetItem(qText(text));
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

bool isEnterOrEscape(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Escape;
}

} // namespace

// --- buttons ---------------------------------------------------------------------------------

void TerminalListWindow::onSetup() {
    if (m_selectedRow != kNoRow)
        openSetup(m_selectedRow);
}

void TerminalListWindow::onScan() {
    startScan();
}

bool TerminalListWindow::startScan() {
    // The session asks cardToScan() for the interface, which reads the interfaces again.
    const bool scanned = m_discovery.scan();
    copyValuesToFields();
    return scanned;
}

void TerminalListWindow::onTest() {
    // A port that is no number has been refused with a prompt; the last good P is used.
    readFieldsIntoValues();
    // Test goes out by the routing table, whichever interface is chosen; every local network's
    // broadcast address is refused.
    m_discovery.test(m_destEdit->text(), m_hostPort,
                     m_listInterfaces ? m_listInterfaces() : std::vector<NetworkInterface>{});
    copyValuesToFields();
}

void TerminalListWindow::onExit() {
    // The settings are written even when "Host Port" was refused; the window then stays open
    // so that the operator can put it right.
    if (saveSettings())
        accept();
}

void TerminalListWindow::showAbout() {
    QuellinAboutDialog about(QString::fromStdString(m_settingsFile.path()), this);
    about.exec();
}

// --- list ------------------------------------------------------------------------------------

void TerminalListWindow::syncSelectedRow() {
    const QList<QTableWidgetSelectionRange> ranges = m_list->selectedRanges();
    m_selectedRow = ranges.isEmpty() ? kNoRow : ranges.first().topRow();
}

void TerminalListWindow::onListClicked() {
    syncSelectedRow();
    copyValuesToFields();
}

void TerminalListWindow::onListDoubleClicked() {
    syncSelectedRow();
    if (m_selectedRow != kNoRow)
        openSetup(m_selectedRow);
}

SetupDialogInputs TerminalListWindow::setupInputsFor(int row) const {
    const TerminalRecord& record = m_discovery.table().at(static_cast<std::size_t>(row));
    auto columnText = [&](int column) {
        const QTableWidgetItem* item = m_list->item(row, column);
        return item ? item->text().toStdString() : std::string();
    };
    SetupDialogInputs inputs;
    inputs.recordIndex = row;
    inputs.idText = columnText(0);
    inputs.macText = columnText(5);
    inputs.nameText = columnText(1);
    inputs.ipText = columnText(3);
    inputs.softwareVersion = record.softwareVersion();
    inputs.hardwareVersion = record.hardwareVersion();
    inputs.dnsText = formatIpv4(record.dnsServer());
    inputs.maskText = formatIpv4(record.subnetMask());
    inputs.port = record.localPort();
    inputs.dhcpFlag = static_cast<std::int8_t>(record.addressMode());
    inputs.workMode = record.workMode();
    inputs.baudIndex = record.baudIndex();
    inputs.multicastText = m_groupAddress;
    inputs.hostIpText = formatIpv4(record.hostIp());
    inputs.hostPortText = formatPort(record.hostPort());
    inputs.gatewayText = formatIpv4(record.gateway());
    inputs.terminalCount = static_cast<int>(m_discovery.table().size());
    return inputs;
}

void TerminalListWindow::openSetup(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_discovery.table().size())
        return;
    const SetupDialogInputs inputs = setupInputsFor(row);
    // Reports keep arriving while the modal dialog runs; it works on its own copy.
    const TerminalRecord record = m_discovery.table().at(static_cast<std::size_t>(row));
    if (m_openSetup)
        m_openSetup(inputs, record);
}

void TerminalListWindow::runSetupDialog(const SetupDialogInputs& inputs,
                                        const TerminalRecord& record) {
    TerminalConfigDialog dialog(
        inputs, record,
        [this, record](const TerminalDatagram& datagram) {
            if (m_discovery.sendChecked(datagram, record))
                tellWriteCheck("Sent. Quellin scans again in a moment to see what the terminal "
                               "took.");
            else
                tellWriteCheck("Not sent: the discovery socket is not open. Scan, then try again.");
        },
        m_settingsFile, m_prompts, this);
    m_openDialog = &dialog;
    dialog.exec();
}

// --- timers ----------------------------------------------------------------------------------

void TerminalListWindow::onScanWindowTick() {
    m_discovery.tickScanWindow();
}

void TerminalListWindow::onWriteCheckTick() {
    m_discovery.tickWriteCheck();
}

void TerminalListWindow::onGroupPollTick() {
    m_discovery.pollGroupSocket();
    if (m_marksStale)
        refreshMarks();
}

void TerminalListWindow::onTestPollTick() {
    m_discovery.pollTestSocket();
    if (m_marksStale)
        refreshMarks();
}

// --- discovery -------------------------------------------------------------------------------

void TerminalListWindow::terminalAdded(std::size_t index) {
    const TerminalRecord& record = m_discovery.table().at(index);
    const int row = static_cast<int>(index);
    m_list->insertRow(row);
    m_list->setItem(row, 0, centredItem(formatId(record.id())));
    m_list->setItem(row, 1, centredItem(formatName(record)));
    m_list->setItem(row, 2, centredItem(formatModel(record)));
    m_list->setItem(row, 3, centredItem(formatIpv4(record.ipAddress())));
    m_list->setItem(row, 4, centredItem(formatIpv4(record.multicastAddress())));
    m_list->setItem(row, 5, centredItem(formatMac(record.mac())));
    // Marked once the poll has read every report waiting: the marks of a row depend on all.
    m_marksStale = true;
    updateExportEnabled();
}

void TerminalListWindow::terminalsCleared() {
    m_list->clearSelection();
    m_list->setRowCount(0);
    m_selectedRow = kNoRow;
    m_marksStale = false;
    updateExportEnabled();
}

void TerminalListWindow::scanStarted() {
    m_scanButton->setEnabled(false);
    m_testButton->setEnabled(false);
}

void TerminalListWindow::scanOver() {
    m_scanButton->setEnabled(true);
    m_testButton->setEnabled(true);
}

void TerminalListWindow::groupSocketFailed(const GroupSocketError& error) {
    m_prompts.show(platform::Prompt::box(
        kProgramName, "Socket error!\n" + describeGroupSocketError(error, m_discovery.port()),
        platform::PromptIcon::Exclamation));
}

void TerminalListWindow::testFailed(TestOutcome) {
    m_prompts.show(
        platform::Prompt::box("提示", "UDP send to error!", platform::PromptIcon::Information));
}

// --- values and fields -----------------------------------------------------------------------

void TerminalListWindow::copyValuesToFields() {
    m_hostNameEdit->setText(qText(m_hostName));
    m_hostMacEdit->setText(qText(m_hostMac));
    m_hostPortEdit->setText(QString::number(m_hostPort));
}

bool TerminalListWindow::readFieldsIntoValues() {
    m_hostName = m_hostNameEdit->text().toStdString();
    m_hostMac = m_hostMacEdit->text().toStdString();
    // A port above 65535 would be cut to its low 16 bits, a port nobody typed.
    const std::optional<unsigned> port = widgets::exchangeUnsignedInRange(
        m_hostPortEdit, m_prompts, kProgramName, 0, ToolSettingsFile::kMaxHostPort);
    if (!port)
        return false;
    m_hostPort = *port;
    return true;
}

bool TerminalListWindow::saveSettings() {
    const bool fieldsRead = readFieldsIntoValues();
    m_groupAddress = m_groupEdit->text().toStdString();
    m_destAddress = m_destEdit->text().toStdString();
    m_settingsFile.save({m_groupAddress, m_destAddress, m_hostPort});
    m_settingsFile.saveInterface(m_interfaceName);
    return fieldsRead;
}

// --- leaving and keys ------------------------------------------------------------------------

void TerminalListWindow::done(int result) {
    // However the window goes (Exit, the close box, the window manager), its values are kept.
    saveSettings();
    QDialog::done(result);
}

bool TerminalListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && isEnterOrEscape(*static_cast<QKeyEvent*>(event)))
            return true;
    }
    // A click anywhere in the list counts, on a row or on the empty part below the rows. The
    // selection follows the press, so by the release it is settled.
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease)
            onListClicked();
        else if (event->type() == QEvent::MouseButtonDblClick)
            onListDoubleClicked();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace terminal_setup
