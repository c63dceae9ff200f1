#include "controller/ui/main_window.h"

#include "controller/protocol/command_frame.h"
#include "controller/protocol/reply_dispatch.h"
#include "platform/whole_file.h"

#include <QFileDialog>

#include <algorithm>
#include <cctype>

namespace controller {

namespace {

const QString kBackupFilter = QStringLiteral("Crosspoints (*.json);;All files (*)");

std::string sizeText(int size) {
    return std::to_string(size) + " × " + std::to_string(size);
}

} // namespace

bool MainWindow::canStartBackup() {
    if (backupRunning()) {
        showMessage("A crosspoint backup is already under way.");
        return false;
    }
    if (!m_session.serialOpen() && m_session.settings().useNet == 0) {
        showMessage("Neither the serial port is open nor \"Use Net\" on: the device cannot be "
                    "reached.");
        return false;
    }
    return true;
}

QString MainWindow::chooseBackupFile(bool forSaving) {
    if (m_backupFileChooser)
        return m_backupFileChooser(forSaving);
    return forSaving
               ? QFileDialog::getSaveFileName(this, QStringLiteral("Save crosspoints"),
                                              QStringLiteral("crosspoints.json"), kBackupFilter)
               : QFileDialog::getOpenFileName(this, QStringLiteral("Restore crosspoints"),
                                              QString(), kBackupFilter);
}

void MainWindow::saveCrosspoints() {
    if (!canStartBackup())
        return;
    const QString path = chooseBackupFile(true);
    // The dialog's loop may have started another backup meanwhile.
    if (path.isEmpty() || backupRunning())
        return;
    m_backupPath = path;
    // A fresh read, as matrixctl dump does: the markers may show a click the device refused.
    readBackupState(BackupStep::Saving);
}

void MainWindow::restoreCrosspoints() {
    if (!canStartBackup())
        return;
    const QString path = chooseBackupFile(false);
    if (path.isEmpty() || backupRunning())
        return;
    const std::string file = path.toStdString();
    std::string text;
    if (platform::readWholeFile(file, text) != platform::FileReadResult::Ok) {
        showMessage("Cannot read " + file + ".");
        return;
    }
    std::string error;
    const std::optional<CrosspointFile> parsed = parseCrosspointJson(text, error);
    if (!parsed) {
        showMessage(file + ": " + error + ".");
        return;
    }
    // Output numbers mean other ports on a matrix of another size: nothing is switched.
    if (parsed->size != m_session.portCount()) {
        showMessage(file + " holds the crosspoints of a " + sizeText(parsed->size) +
                    " matrix; this one is " + sizeText(m_session.portCount()) +
                    ". Nothing was switched.");
        return;
    }
    m_backupPath = path;
    m_restoreFile = *parsed;
    m_restoreNext = 0;
    m_backupStep = BackupStep::Switching;
    switchNextRestored();
}

// One switch at a time, the next once the device has answered this one (or not, in time): the
// window stays live between them, and a slow line is not flooded.
void MainWindow::switchNextRestored() {
    if (m_backupStep != BackupStep::Switching)
        return;
    // The operator chose another size meanwhile: the file's numbers mean other ports now.
    if (m_restoreFile.size != m_session.portCount())
        return endBackup("The matrix size changed during the restore; it stopped after " +
                         std::to_string(m_restoreNext) + " of " +
                         std::to_string(m_restoreFile.crosspoints.size()) + " outputs.");
    if (m_restoreNext >= m_restoreFile.crosspoints.size()) {
        readBackupState(BackupStep::ReadingBack);
        return;
    }
    const NumberedCrosspoint c = m_restoreFile.crosspoints[m_restoreNext++];
    m_awaitedOutput = c.output - 1;
    m_backupTimer.start(m_switchAnswerTimeout);
    switchCrosspoint(c.output - 1, c.input - 1);
}

void MainWindow::readBackupState(BackupStep step) {
    m_backupStep = step;
    m_awaitedOutput = kNoPort;
    m_backupTimer.stop();
    // The reply watch awaits the answer, and says when it gave up (backupReadTimedOut).
    m_session.readSwitchState();
}

void MainWindow::onBackupTimeout() {
    m_backupTimer.stop();
    // The read-back at the end tells whether this switch took.
    if (m_backupStep == BackupStep::Switching)
        switchNextRestored();
}

bool MainWindow::backupReadTimedOut() {
    switch (m_backupStep) {
    case BackupStep::Saving:
        endBackup("The device did not report its crosspoints; " + m_backupPath.toStdString() +
                  " is not written.");
        return true;
    case BackupStep::ReadingBack:
        endBackup("The device did not report its crosspoints after the restore: whether they "
                  "took is not known.");
        return true;
    default:
        return false;
    }
}

void MainWindow::replyAccepted(std::span<const std::uint8_t> frame, ReplySource /*link*/) {
    if (m_backupStep == BackupStep::Idle || frame.size() < 3)
        return;
    const int size = m_session.portCount();
    if (m_backupStep == BackupStep::Switching && frame[2] == command::kSwitch) {
        const std::vector<Crosspoint> pairs = decodeCrosspoints(frame, size, size);
        if (std::none_of(pairs.begin(), pairs.end(),
                         [&](const Crosspoint& p) { return p.output == m_awaitedOutput; }))
            return;
        m_awaitedOutput = kNoPort;
        m_backupTimer.stop();
        // Once this reply's collection is over: the next switch is not sent from inside it.
        QMetaObject::invokeMethod(this, &MainWindow::switchNextRestored, Qt::QueuedConnection);
        return;
    }
    if ((m_backupStep == BackupStep::Saving || m_backupStep == BackupStep::ReadingBack) &&
        frame[2] == command::kReadSwitch) {
        m_backupTimer.stop();
        const CrosspointFile read = crosspointsFromReadBack(frame, size, m_session.deviceAddress());
        QMetaObject::invokeMethod(
            this, [this, read] { backupStateRead(read); }, Qt::QueuedConnection);
    }
}

void MainWindow::backupStateRead(const CrosspointFile& read) {
    const std::string path = m_backupPath.toStdString();
    if (m_backupStep == BackupStep::Saving) {
        if (static_cast<int>(read.crosspoints.size()) != read.size)
            return endBackup("The device reported " + std::to_string(read.crosspoints.size()) +
                             " of " + std::to_string(read.size) + " outputs; " + path +
                             " is not written.");
        if (!platform::writeWholeFile(path, crosspointJson(read) + "\n"))
            return endBackup("Cannot write " + path + ".");
        return endBackup("Crosspoints saved to " + path + ".");
    }
    if (m_backupStep != BackupStep::ReadingBack)
        return;
    std::string text = notTakenText(crosspointsNotTaken(m_restoreFile, read));
    if (text.empty())
        return endBackup("Crosspoints restored from " + path + ": every output took.");
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    endBackup("Crosspoints restored from " + path + ". " + text + ".");
}

void MainWindow::endBackup(const std::string& message) {
    m_backupStep = BackupStep::Idle;
    m_awaitedOutput = kNoPort;
    m_backupTimer.stop();
    // The state is settled before the prompt's loop runs.
    showMessage(message);
}

} // namespace controller
