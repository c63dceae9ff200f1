#include "controller/ui/main_window.h"

#include "controller/link/open_failure_text.h"
#include "platform/profile.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace controller {

namespace {

// "COM1".."COM9" to 1..9; 0 for anything else.
int portNumber(const std::string& portName) {
    if (portName.size() != 4 || portName.compare(0, 3, "COM") != 0 || portName[3] < '1' ||
        portName[3] > '9')
        return 0;
    return portName[3] - '0';
}

} // namespace

void MainWindow::refreshComList() {
    m_comEntries = mapComPorts(m_portAccess.enumerate, m_settingsFile.path());
    // The entries keep their places, so the selection (SelectCOM) keeps its meaning.
    for (const ComPortEntry& entry : m_comEntries) {
        const int index = entry.number - 1;
        if (index >= m_comCombo->count())
            break;
        m_comCombo->setItemText(index, QString::fromStdString(comPortEntryText(entry)));
        m_comCombo->setItemData(index, QString::fromStdString(comPortEntryToolTip(entry)),
                                Qt::ToolTipRole);
    }
    const int index = m_comCombo->currentIndex();
    m_comCombo->setToolTip(index >= 0 ? m_comCombo->itemData(index, Qt::ToolTipRole).toString()
                                      : QString());
    m_comCombo->view()->setMinimumWidth(m_comCombo->view()->sizeHintForColumn(0) + 8);
}

std::string MainWindow::comPortPath(const std::string& portName) const {
    const int n = portNumber(portName);
    return n == 0 ? std::string() : m_comEntries[static_cast<std::size_t>(n - 1)].path;
}

void MainWindow::rememberOpenedPort() {
    const int n = portNumber(selectedPortName());
    if (n == 0)
        return;
    ComPortEntry& entry = m_comEntries[static_cast<std::size_t>(n - 1)];
    if (entry.fromSettings || entry.path.empty())
        return;
    // Kept under its stable name, so that the entry stays with this adapter when another one
    // arrives. A file that cannot be written only costs that.
    if (platform::writeProfileString("Ports", "COM" + std::to_string(n), entry.path,
                                     m_settingsFile.path()))
        entry.fromSettings = true;
}

std::string MainWindow::openFailureText(const char* message) const {
    const std::string name = selectedPortName();
    if (name.empty())
        return message;
    return std::string(message) + "\r\n" +
           openFailureReason(name, m_serial.devicePath(), m_serial.lastFailure());
}

void MainWindow::onSerialDeviceLost() {
    if (!m_serialOpen)
        return;
    const std::string name = selectedPortName();
    const std::string path = m_serial.devicePath();
    closeSerialPort();
    m_lostPort = LostPort{path, m_openNode, false};
    setWindowTitle(QStringLiteral("     Matrix V3.5"));
    m_prompts.show(platform::Prompt::dialog(
        "The serial device of " + name + " (" + path + ") went away; the port is closed.\r\n" +
        "It opens again by itself when the device comes back."));
}

void MainWindow::onPortPresenceTick() {
    if (m_serialOpen) {
        // A device node that is gone, or is now another device, has left the open port.
        const auto node = platform::findDeviceNode(m_serial.devicePath());
        if (!node || (m_openNode && node != m_openNode)) {
            onSerialDeviceLost();
            if (m_lostPort && !node)
                m_lostPort->seenAbsent = true;
        }
        return;
    }
    if (!m_lostPort)
        return;
    const auto node = platform::findDeviceNode(m_lostPort->path);
    if (!node) {
        m_lostPort->seenAbsent = true;
        return;
    }
    // The same node, never gone nor made anew: the device has not come back, it just never
    // answers. (A node made anew can return between two ticks, so absence alone is not the test.)
    if (!m_lostPort->seenAbsent && m_lostPort->node && node->sameIncarnation(*m_lostPort->node))
        return;
    // Same entry, same rate; a device that is back but cannot be opened yet is tried again at
    // the next tick.
    if (!openSerialPort(false))
        return;
    setWindowTitle(windowTitle() + QStringLiteral(" (reconnected)"));
    restartReplyWatch();
}

} // namespace controller
