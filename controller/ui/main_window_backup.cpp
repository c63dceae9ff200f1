#include "controller/ui/main_window.h"

#include "controller/protocol/command_frame.h"
#include "platform/whole_file.h"

#include <QFileDialog>
#include <QMessageBox>

#include <algorithm>
#include <cctype>

namespace controller {

namespace {

const QString kBackupFilter = QStringLiteral("Crosspoints (*.json);;All files (*)");

std::string sizeText(int size) {
    return std::to_string(size) + " × " + std::to_string(size);
}

// "3", or "FF" for every device, as the "Matrix ID" list names it.
std::string addressText(int address) {
    return address == kBroadcastAddress ? "FF" : std::to_string(address);
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

BackupJob::Limits MainWindow::backupLimits() const {
    if (m_backupReadBackTimeout)
        return {m_switchAnswerTimeout, *m_backupReadBackTimeout};
    // The read-back waits as long as the reply watch would after its request.
    return {m_switchAnswerTimeout,
            m_session.replyWatchPeriod() * (m_session.replyWatch().delay() + 3)};
}

bool MainWindow::askQuestion(const std::string& question) {
    if (m_questionAsker)
        return m_questionAsker(question);
    return QMessageBox::question(this, QStringLiteral("Brisvane"),
                                 QString::fromStdString(question)) == QMessageBox::Yes;
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
    m_backup.setLimits(backupLimits());
    m_backup.save([this](const BackupJob::Result& result) { backupSaved(result); });
}

void MainWindow::restoreCrosspoints() {
    if (!canStartBackup())
        return;
    const QString path = chooseBackupFile(false);
    if (path.isEmpty() || backupRunning())
        return;
    const std::string file = path.toStdString();
    std::string text;
    if (const auto read = platform::readWholeFile(file, text);
        read != platform::FileReadResult::Ok) {
        showMessage("Cannot read " + file + ": " + platform::lastFileError() + ".");
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
    // The operator's "Matrix ID" is the device to restore; a file from another asks first.
    const int address = m_session.deviceAddress();
    if (parsed->address != address &&
        !askQuestion(file + " holds the crosspoints of device " + addressText(parsed->address) +
                     ". Restore them to device " + addressText(address) + "?"))
        return;
    if (backupRunning())
        return;
    m_backupPath = path;
    m_restoreCount = parsed->crosspoints.size();
    m_backup.setLimits(backupLimits());
    m_backup.restore(*parsed, [this](const BackupJob::Result& result) { backupRestored(result); });
}

void MainWindow::backupSaved(const BackupJob::Result& result) {
    const std::string path = m_backupPath.toStdString();
    switch (result.status) {
    case BackupJob::Result::Status::Done:
        if (!platform::writeWholeFile(path, crosspointJson(result.read) + "\n"))
            return showMessage("Cannot write " + path + ": " + platform::lastFileError() + ".");
        return showMessage("Crosspoints saved to " + path + ".");
    case BackupJob::Result::Status::Incomplete:
        return showMessage("The device reported " + std::to_string(result.read.crosspoints.size()) +
                           " of " + std::to_string(result.read.size) + " outputs; " + path +
                           " is not written.");
    case BackupJob::Result::Status::OtherAddress:
        return showMessage("Only device " + addressText(*result.answeredBy) +
                           " answered, not device " + addressText(m_session.deviceAddress()) +
                           "; " + path + " is not written.");
    default:
        return showMessage("The device did not report its crosspoints; " + path +
                           " is not written.");
    }
}

void MainWindow::backupRestored(const BackupJob::Result& result) {
    const std::string path = m_backupPath.toStdString();
    switch (result.status) {
    case BackupJob::Result::Status::Done:
    case BackupJob::Result::Status::Incomplete: {
        std::string text = notTakenText(result.notTaken);
        if (text.empty())
            return showMessage("Crosspoints restored from " + path + ": every output took.");
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        return showMessage("Crosspoints restored from " + path + ". " + text + ".");
    }
    case BackupJob::Result::Status::SizeChanged:
        return showMessage("The matrix size changed during the restore; it stopped after " +
                           std::to_string(result.switched) + " of " +
                           std::to_string(m_restoreCount) + " outputs.");
    case BackupJob::Result::Status::OtherAddress:
        return showMessage("Only device " + addressText(*result.answeredBy) +
                           " answered, not device " + addressText(m_session.deviceAddress()) +
                           ": whether the crosspoints took is not known.");
    case BackupJob::Result::Status::NoAnswer:
        if (result.switched <= 1)
            return showMessage("The device did not answer the first switch of the restore; "
                               "nothing more was sent.");
        [[fallthrough]];
    default:
        return showMessage("The device did not report its crosspoints after the restore: "
                           "whether they took is not known.");
    }
}

} // namespace controller
